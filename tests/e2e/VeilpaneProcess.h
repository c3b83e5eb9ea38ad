#pragma once
// The real Veilpane.exe, started by a test as its debugger so that the program's diagnostic trace
// (OutputDebugStringW, written when VEILPANE_TRACE is "1") can be read line by line while it runs.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class VeilpaneProcess {
public:
    VeilpaneProcess();
    ~VeilpaneProcess();

    // Starts the program on the named desktop (null: the test's own), with its trace on or off. With
    // family, the trace of every process it starts (its guard, a copy the guard starts again) is read
    // too, into the same list.
    bool Start(const wchar_t* desktop = nullptr, bool trace = true, bool family = false);
    // Waits until a trace line containing text has arrived after index from; returns its index or -1.
    int WaitForTrace(const std::wstring& text, DWORD timeoutMs, int from = 0);
    // Waits until the program says it switched to desktop ("vpdesk" or "Default") after index from,
    // and the system shows that desktop, as this process reads it; returns the line's index or -1.
    int WaitSwitchedTo(const wchar_t* desktop, DWORD timeoutMs, int from = 0);
    std::vector<std::wstring> Trace();
    // Waits for the process to end; true when it ended, with its exit code.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void Kill();
    // Ends the program and every process it started (its guard, its shell) at one stroke, as a
    // power loss would: none of them gets to run another instruction.
    void KillAll();
    // The guard processes the program started.
    std::vector<DWORD> Guards() const { return Children(L"VeilpaneGuard.exe"); }
    // The program's own child processes of that executable name (the shell it started, say).
    std::vector<DWORD> Children(const wchar_t* exeName) const;
    // Ends them: the shell outlives the program, and under Wine it would hold the test runner's
    // output open.
    void KillChildren(const wchar_t* exeName) const;

    // Waits until the settings window has started up (stored settings in force, triggers pushed) and
    // its thread handles messages; returns the window, or nullptr after the time-out.
    HWND WaitFrameReady(DWORD timeoutMs) const;
    // Chooses "Exit" from the tray icon's menu as a person would with the keyboard: the icon's right
    // click opens the menu, Up wraps to its last entry, Enter chooses it. False when no menu opened.
    bool ExitFromTrayMenu(HWND frame) const;

    DWORD MainThreadId() const { return m_mainTid; }
    DWORD ProcessId() const { return m_pid; }

private:
    void DebugLoop(const wchar_t* desktop, bool family);

    std::thread m_debugger;
    HANDLE m_started = nullptr;   // set once the process exists (or failed to start)
    HANDLE m_exited = nullptr;
    DWORD m_pid = 0, m_mainTid = 0, m_exitCode = STILL_ACTIVE;
    bool m_startOk = false;
    HANDLE m_process = nullptr;
    HANDLE m_job = nullptr;       // holds the program and everything it starts
    std::atomic<bool> m_stop{false};  // the debugger lets go of what still runs
    std::mutex m_lock;
    std::vector<std::wstring> m_trace;
};

// Ends the running copy as the installer does: "Veilpane.exe /quit", started on the named desktop
// (null: the test's own); returns its exit code (99 when it could not start).
DWORD RunQuitArgument(const wchar_t* desktop = nullptr);

// Sends input on a desktop through the injector helper (steps as it reads them: "middle", "key:0x78+ctrl").
void Inject(const wchar_t* desktop, const wchar_t* steps);

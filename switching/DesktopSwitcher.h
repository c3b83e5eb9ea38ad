#pragma once
// The hook thread: owns the original and the virtual desktop, starts the shell on the virtual one,
// and performs every switch with its password gate and its actions around the move.
#include <windows.h>

#include <atomic>

#include "framework/Handles.h"

DWORD WINAPI HookThreadProc(void*);

class CDesktopSwitcher {
public:
    CDesktopSwitcher() = default;
    CDesktopSwitcher(const CDesktopSwitcher&) = delete;
    CDesktopSwitcher& operator=(const CDesktopSwitcher&) = delete;

    // Creates the desktops, installs the hook and starts the shell; false when the shell could not
    // be started (the failure has been shown).
    bool Start();
    // Runs the thread's loop until quit; returns the thread's result.
    DWORD Run();
    void OnSwitchRequest(LPARAM lParam);
    void OnQuit();

    int CurrentIndex() const noexcept { return m_index; }

private:
    void TraceHookDesktop() const;

    HDESK m_desktops[2] = {};      // 0: original (not ours to close), 1: virtual
    vp::DesktopHandle m_virtualDesktop;
    int m_index = 0;
    DWORD m_ownId = 0;
    STARTUPINFOW m_startup{};
    PROCESS_INFORMATION m_shell{};
    vp::KernelHandle m_shellProcess, m_shellThread;
};

// Performance-counter stamps of the last switch, for the benchmark and the trace.
struct SwitchStamps {
    LONGLONG requestTaken;    // the hook thread took the request
    LONGLONG switched;        // SwitchDesktop returned: the screen flipped
    LONGLONG rearmed;         // the hook was installed again on the new desktop
    long switches;            // switches made so far
};
SwitchStamps LastSwitchStamps() noexcept;

#pragma once
// Small helpers shared by the test executables: finding helper programs, starting them, waiting for
// conditions, and scratch registry keys.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"

namespace testing_support {

// The folder of the running test executable (helpers are built beside it), without a trailing slash.
std::wstring ExeDir();
std::wstring HelperPath(const wchar_t* exeName);

// Starts a program with the given command line, on the named desktop when desktop is not null.
struct StartedProcess {
    vp::KernelHandle process;
    vp::KernelHandle thread;
    DWORD pid = 0;
    DWORD tid = 0;
};
bool StartProcess(const std::wstring& commandLine, StartedProcess& out, const wchar_t* desktop = nullptr);
// Waits for the process to end; returns its exit code, or STILL_ACTIVE after the time-out.
DWORD WaitExit(const StartedProcess& p, DWORD timeoutMs);

// Sends input with the injector helper (steps as it reads them), from a thread on the named desktop
// when desktop is not null; true when it ran to its end. Under Wine, SendInput returns only once the
// low-level hooks have seen the event, so every hook callback has run by then. Input is given where
// the screen is, as a person gives it: on a desktop that does not show the system refuses it, and so
// does this, before the helper starts.
bool InjectInput(const std::wstring& steps, const wchar_t* desktop = nullptr);

// Types through the X server into the shown top-level window titled title, as a person at the
// keyboard does: its X window takes the keyboard focus, then text is typed and keys pressed (X key
// names, space separated: "Return", "Escape"). It reaches a window on whichever desktop shows, where
// no program of the session can send input. True when xdotool ran to its end.
bool TypeThroughX(const wchar_t* title, const std::wstring& text, const wchar_t* keys = nullptr);

// Polls condition every few milliseconds, pumping the calling thread's messages, until it holds or
// the time runs out. Returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The texts of a dialog's buttons and labels that its controls cannot show whole, each measured with
// the font its control draws with ("id 1003: 166 > 159 px"); empty when everything fits.
std::vector<std::wstring> TextsThatDoNotFit(HWND dialog);
// What is wrong with a page's layout: texts that do not fit (as above), visible controls that overlap
// each other ("ids 1003 and 1004 overlap") and controls that reach out of the page's client area.
std::vector<std::wstring> LayoutFaults(HWND page);

// ASCII text of a name for a test's message; other characters become '?'.
std::string Narrow(const std::wstring& text);

// Name of a desktop handle ("Default", "vpdesk", ...).
std::wstring DesktopName(HDESK desk);

// Which desktop shows, as the system tells this process (OpenInputDesktop): its name, or empty when
// none can be read (the secure desktop).
std::wstring InputDesktopName();
// Whether the platform's input desktop follows SwitchDesktop (Wine 10 and Windows; Wine 8 answers
// "Default" whatever shows). Found out once per test program, by a switch to a desktop of its own.
bool InputDesktopFollowsSwitches();
// Whether the named desktop shows, waiting for it up to timeoutMs. Where the input desktop does not
// follow switches, "Default" is all the platform can tell, and any other name holds at once.
bool Showing(const wchar_t* name, DWORD timeoutMs = 5000);
// Shows the named desktop as any program of the session can, with SwitchDesktop.
bool ShowDesktop(const wchar_t* name);

// A visible top-level window of the process with that class (and title, when not null).
HWND FindWindowOf(DWORD pid, const wchar_t* cls, const wchar_t* title);

// Deletes a key below HKEY_CURRENT_USER with everything in it; missing keys are fine.
void DeleteKeyTree(const wchar_t* path);

// A fresh temporary folder for one test, removed with what it holds when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Stands in for the program's ui thread as the thread that shows notices, the message boxes of work
// done on threads that own no window. Ready once constructed.
class NoticeThread {
public:
    NoticeThread();
    ~NoticeThread();
    NoticeThread(const NoticeThread&) = delete;
    NoticeThread& operator=(const NoticeThread&) = delete;
    DWORD Id() const { return m_id; }

private:
    static DWORD WINAPI Proc(void* ready);
    vp::KernelHandle m_thread;
    DWORD m_id = 0;
};

// Counts the events a low-level hook (WH_KEYBOARD_LL or WH_MOUSE_LL) on the named desktop is called
// with, those the filter picks by their message. Set before another hook of that desktop, it is
// called after it: it sees only what that hook lets through.
class HookCounter {
public:
    using Filter = bool (*)(WPARAM message);
    HookCounter(const wchar_t* desktop, int kind, Filter counts);
    ~HookCounter();
    HookCounter(const HookCounter&) = delete;
    HookCounter& operator=(const HookCounter&) = delete;
    bool Hooked() const { return m_hooked; }
    int Count() const { return m_count; }

private:
    static DWORD WINAPI Proc(void* self);
    static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp) noexcept;
    vp::DesktopHandle m_desktop;
    int m_kind;
    Filter m_counts;
    vp::KernelHandle m_ready, m_thread;
    DWORD m_id = 0;
    volatile bool m_hooked = false;
    volatile LONG m_count = 0;
};

std::wstring ReadFileText(const std::wstring& path);  // UTF-8 or UTF-16 file into wide text
bool WriteFileText(const std::wstring& path, const std::string& utf8);

}  // namespace testing_support

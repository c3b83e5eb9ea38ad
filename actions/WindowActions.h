#pragma once
// Closing windows by title and ending processes by name: the two actions and the steps behind them,
// open to tests and to the process picker's neighbours.
#include <windows.h>

#include <string>
#include <vector>

#include "actions/SwitchAction.h"
#include "framework/Handles.h"

namespace vp {

constexpr DWORD kWindowCloseWaitMs = 300;   // the windows together get this long to go after WM_CLOSE
constexpr DWORD kProcessExitWaitMs = 500;   // the processes together get this long after their windows were asked

// Whether a window text names a window to close: the configured text appears in it, exactly as
// written (case-sensitive). An empty text matches nothing.
bool TitleMatches(const wchar_t* windowText, const wchar_t* title) noexcept;

// What the close action knows of a top-level window whose text matched.
struct WindowFacts {
    bool visible = false;        // WS_VISIBLE
    bool cloaked = false;        // shown by the window manager as not there
    DWORD processId = 0;
    const wchar_t* exeName = nullptr;   // null when the process could not be asked
};
// Only what the user can see, of another program, and never a shell: a text that happens to be in
// the title of some program's hidden helper window must not end that program.
bool MayCloseWindow(const WindowFacts& window, DWORD ownProcessId, DWORD ownShellId) noexcept;

// Processes whose time to end by themselves is up. Terminating one is left to the last moment: a
// switch flips the screen first, as the end of twenty programs at once keeps the system busy for a
// while. EndNow terminates (exit code 0) the ones still running; going away does the same.
class ProcessesToEnd {
public:
    ProcessesToEnd() = default;
    explicit ProcessesToEnd(std::vector<KernelHandle> processes) noexcept;
    ProcessesToEnd(ProcessesToEnd&& other) noexcept = default;
    ProcessesToEnd& operator=(ProcessesToEnd&& other) noexcept;
    ~ProcessesToEnd() { EndNow(); }

    // Returns how many were terminated.
    size_t EndNow() noexcept;

private:
    std::vector<KernelHandle> m_processes;
};

// Posts WM_CLOSE to every visible top-level window whose title holds title and that MayCloseWindow
// allows, each as soon as it is found; waits once until all are gone or kWindowCloseWaitMs passed;
// then escalates the processes of the windows still open together: WM_CLOSE to all their windows
// and one shared wait of kProcessExitWaitMs. Returns the ones that are still running, to be ended.
ProcessesToEnd CloseWindowsWithTitle(const wchar_t* title, DWORD ownShellId);

// A process as it was listed: its id, executable name and creation time.
struct ProcessIdentity {
    DWORD processId = 0;
    wchar_t exeName[MAX_PATH] = {};
    FILETIME created{};
};
// Whether live names the same process as listed: same id, same executable name (ignoring case) and
// the same creation time. An id freed by a process that ended can name a new one soon after.
bool SameProcess(const ProcessIdentity& listed, const ProcessIdentity& live) noexcept;
// The identity of an open process (it needs PROCESS_QUERY_LIMITED_INFORMATION); false when it
// cannot be read.
bool ReadProcessIdentity(HANDLE process, DWORD processId, ProcessIdentity& out) noexcept;

// Opens each listed process that is still the same process, posts WM_CLOSE to its top-level
// windows on every desktop of the window station, waits once up to timeoutMs for all of them to
// end and terminates (exit code 0) the ones still running. This program's own process and the
// shell it started are never touched. Returns how many were terminated.
size_t CloseOrTerminateProcesses(const std::vector<ProcessIdentity>& listed, DWORD ownShellId, DWORD timeoutMs);

// The running processes whose executable name equals one of names (ignoring case), except the
// exempt names, this process and the shell it started; each with its creation time, read right
// after the snapshot (a process made after the snapshot is not listed).
std::vector<ProcessIdentity> ListProcesses(const std::vector<std::wstring>& names, DWORD ownShellId);

}  // namespace vp

// Both actions leave alone the shell the switcher started on the virtual desktop: ownShellId is the
// switcher's record of it, 0 until it runs.
// Closes the windows whose title holds the setting's text before the flip; the programs that would
// not close are ended right after it (or on the way out, when the flip failed), as the end of many
// programs at once keeps the system busy for a while.
class CCloseWindowsAction : public CSwitchAction {
public:
    explicit CCloseWindowsAction(const DWORD& ownShellId) noexcept : m_ownShellId(ownShellId) {}
    void Before(const CSettingsData& s) override;
    void After(const CSettingsData&) override { m_stubborn.EndNow(); }

private:
    const DWORD& m_ownShellId;
    vp::ProcessesToEnd m_stubborn;
};

// Ends the listed processes once the virtual desktop shows.
class CTerminateAction : public CSwitchAction {
public:
    explicit CTerminateAction(const DWORD& ownShellId) noexcept : m_ownShellId(ownShellId) {}
    void After(const CSettingsData& s) override;

private:
    const DWORD& m_ownShellId;
};

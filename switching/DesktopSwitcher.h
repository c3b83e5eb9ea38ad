#pragma once
// The hook thread: owns the original and the virtual desktop, starts the shell on the virtual one,
// and performs every switch with its password gate and its actions around the move.
#include <windows.h>

#include <atomic>

#include "actions/CleanupActions.h"
#include "actions/DecoyBrowser.h"
#include "actions/HeldClipboard.h"
#include "actions/OpenActions.h"
#include "actions/WindowActions.h"
#include "framework/Handles.h"
#include "framework/ThreadDesktop.h"
#include "switching/ThreadIds.h"
#include "switching/WayBack.h"

// The hook thread's body; its argument is the program's ThreadIds.
DWORD WINAPI HookThreadProc(void* threads);
// The same, for a thread that may begin before the other threads' ids are known: the desktops are
// made and hooked and the shell started at once, for that reads none of them, and requests, which
// post to them, are served once serveAfter is set (null: at once). started, when given, is set once
// that start-up is over, whether it succeeded or not.
DWORD RunHookThread(const ThreadIds& threads, HANDLE serveAfter, HANDLE started = nullptr);

// The desktop a switch request was given on (0 original, 1 virtual): the one its wParam names, or,
// when it names none, the one the switcher's index says is showing. The switch goes away from it.
int DesktopGivenOn(WPARAM givenOn, int index) noexcept;

class CDesktopSwitcher {
public:
    // The ids are read at each request, so they must outlive the switcher.
    explicit CDesktopSwitcher(const ThreadIds& threads);
    CDesktopSwitcher(const CDesktopSwitcher&) = delete;
    CDesktopSwitcher& operator=(const CDesktopSwitcher&) = delete;

    // Creates the desktops, hooks both and starts the shell. A shell that cannot start is shown as
    // a failure; the switcher serves on without it when both desktops are hooked, and otherwise
    // removes its hooks and returns false.
    bool Start();
    // Runs the thread's loop until quit; returns the thread's result.
    DWORD Run();
    void OnSwitchRequest(WPARAM givenOn, LPARAM lParam);
    void OnQuit();
    // Back to the original desktop when the virtual one shows (behind the lock screen while a restore
    // password is set, and not at all when the lock fails), and the recorded changes undone. With
    // screen false only the changes are undone, and the screen stays where it is.
    void ComeBack(bool screen = true);

private:
    // Puts the hook thread on a desktop of the table; false, with the thread where it was, when the
    // platform refuses.
    bool PlaceThread(int index);
    // Moves the thread and the screen to a desktop; false, with both where they were, on failure.
    bool MoveTo(int index);
    // A whole switch once the actions before it have run: the move, the index, the triggers of the
    // new desktop and the count; false when the move failed.
    bool SwitchTo(int newIndex);
    // Makes sure the triggers of a desktop are heard, hooking it again when its hooks are gone.
    void ArmTriggers(int index);
    // At the start, with the virtual desktop left showing: shows it when the system shows another.
    void ShowLeftVirtualDesktop();
    void PrepareActions();

    struct HeldRequest {
        WPARAM givenOn = 0;
        LPARAM lParam = 0;  // 0: none held
    };
    HeldRequest m_held;            // a trigger that came before the settings were known
    vp::CThreadDesktop m_place;    // the hook thread's own handle on the desktop it is on
    const ThreadIds& m_threads;
    HDESK m_desktops[2] = {};      // 0: original (not ours to close), 1: virtual
    vp::DesktopHandle m_virtualDesktop;
    int m_index = 0;
    int m_threadOn = -1;           // the entry the hook thread is on; -1 before it is placed
    DWORD m_ownId = 0;
    vp::KernelHandle m_shellProcess, m_shellThread;
    DWORD m_ownShellId = 0;        // the shell started here, which no action closes or ends

    // The actions, made on the hook thread and living in its COM apartment for the thread's lifetime.
    CClipboardAction m_clipboard;
    CMuteAction m_mute;
    CMonitorOffAction m_monitorOff;
    CHistoryAction m_history;
    CTypedUrlsAction m_typedUrls;
    CRecentDocsAction m_recentDocs;
    CTaskManagerAction m_taskManager;
    CCloseWindowsAction m_closeWindows;
    COpenFileAction m_openFile;
    COpenWebsiteAction m_openWebsite;
    CTerminateAction m_terminate;
    // The order they run in, each step (prepare, before, after, undo) down the whole list.
    CSwitchAction* const m_actions[11] = {&m_clipboard,    &m_mute,         &m_monitorOff, &m_history,
                                          &m_typedUrls,    &m_recentDocs,   &m_taskManager, &m_closeWindows,
                                          &m_openFile,     &m_openWebsite,  &m_terminate};
};

// Performance-counter stamps of the last switch, for the benchmark and the trace.
struct SwitchStamps {
    LONGLONG requestTaken;    // the hook thread took the request
    LONGLONG switched;        // SwitchDesktop returned: the screen flipped
    LONGLONG ready;           // the triggers of the new desktop were known to be heard
    long switches;            // switches made so far
    long requests;            // requests taken so far, whatever became of them
};
SwitchStamps LastSwitchStamps() noexcept;

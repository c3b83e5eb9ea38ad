#include "switching/DesktopSwitcher.h"

#include "actions/SystemActions.h"
#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "app/Trace.h"
#include "framework/Clock.h"
#include "framework/Text.h"
#include "switching/HookLib.h"

namespace {

std::atomic<LONGLONG> g_requestTaken{0}, g_switched{0}, g_rearmed{0};
std::atomic<long> g_switches{0};

}  // namespace

SwitchStamps LastSwitchStamps() noexcept {
    return {g_requestTaken.load(), g_switched.load(), g_rearmed.load(), g_switches.load()};
}

bool CDesktopSwitcher::Start() {
    m_ownId = ::GetCurrentThreadId();
    m_desktops[0] = ::GetThreadDesktop(g_Module.m_dwMainThreadID);
    // Opens the desktop when it exists already (left from an earlier run, or made by the Pwd2 thread).
    m_virtualDesktop.Reset(::CreateDesktopW(g_Module.m_pszDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                            GENERIC_ALL, nullptr));
    m_desktops[1] = m_virtualDesktop.Get();
    m_index = 0;

    m_startup = STARTUPINFOW{};
    m_startup.cb = sizeof(STARTUPINFOW);
    m_startup.lpDesktop = const_cast<wchar_t*>(g_Module.m_pszDesktopName);
    m_shell = PROCESS_INFORMATION{};

    InstallInputHook(static_cast<int>(m_ownId));
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_DESKTOP_SWITCH, WM_DESKTOP_SWITCH, PM_NOREMOVE);

    wchar_t commandLine[MAX_PATH + 16];
    vp::FormatText(commandLine, L"\"%ls\\%ls\"", g_Module.m_szSystemRoot, L"explorer.exe");
    if (!::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &m_startup, &m_shell)) {
        vp::Trace(L"shell launch failed: %ls", commandLine);
        ::MessageBoxW(nullptr, L"Prepare for virtaul desktop failed", g_Module.m_pszProductName, MB_OK);
        m_virtualDesktop.Release();  // the desktops stay open for the rest of the run
        return false;
    }
    m_shellProcess.Reset(m_shell.hProcess);
    m_shellThread.Reset(m_shell.hThread);
    vp::Trace(L"hook thread ready; shell %lu started on %ls", m_shell.dwProcessId, g_Module.m_pszDesktopName);
    TraceHookDesktop();
    return true;
}

DWORD CDesktopSwitcher::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_DESKTOP_SWITCH) {
            OnSwitchRequest(msg.lParam);
        } else if (msg.message == WM_APP_QUIT) {
            OnQuit();
            break;
        }
    }
    return 1;
}

void CDesktopSwitcher::OnSwitchRequest(LPARAM lParam) {
    g_requestTaken.store(vp::PerformanceStamp());
    const MirrorSnapshot s = g_Module.SnapshotMirror();

    if (lParam != 0) {
        if (m_index == 1 && s.szRestorePassword[0]) {
            ::PostThreadMessageW(g_Module.m_dwPwd2ThreadId, WM_ASK_PASSWORD, 0, 0);
            vp::Trace(L"restore password asked");
            return;
        }
        if (m_index == 0 && s.szSwitchPassword[0]) {
            ::PostThreadMessageW(g_Module.m_dwPwd1ThreadId, WM_ASK_PASSWORD, 0, 0);
            vp::Trace(L"switch password asked");
            return;
        }
    }

    const int newIndex = (m_index + 1) % 2;
    m_index = newIndex;
    CSystemActions& actions = g_SystemActions;

    if (newIndex == 1) {
        if (s.bMute) actions.SetMute(1);
        if (s.bMonitorOff) actions.TurnMonitorOff();
        if (s.bClearIEHistory) actions.ClearBrowsingHistory();
        if (s.bClearTypedUrls) actions.ClearTypedUrls();
        if (s.bClearRecentDocs) actions.ClearRecentDocuments();
        if (s.bDisableTaskMgr) actions.SetTaskManagerDisabled(1);
        if (s.szCloseWindowTitle[0]) actions.CloseWindowsByTitle(s.szCloseWindowTitle);
    }

    UnInstallInputHook(static_cast<int>(m_ownId));
    ::SwitchDesktop(m_desktops[newIndex]);
    g_switched.store(vp::PerformanceStamp());
    ::SetThreadDesktop(m_desktops[newIndex]);
    InstallInputHook(static_cast<int>(m_ownId));
    g_rearmed.store(vp::PerformanceStamp());
    g_switches.fetch_add(1);
    vp::Trace(L"switched to %ls", newIndex == 1 ? g_Module.m_pszDesktopName : L"original desktop");
    TraceHookDesktop();

    if (newIndex == 0) {
        // Read again: a setting cleared while the virtual desktop showed leaves Task Manager as it is.
        if (g_Module.SnapshotMirror().bDisableTaskMgr) actions.SetTaskManagerDisabled(0);
        return;
    }
    if (s.szOpenFile[0]) actions.OpenFileOnDesktop(s.szOpenFile, g_Module.m_pszDesktopName);
    if (s.szOpenWebsite[0]) actions.OpenWebsiteOnDesktop(s.szOpenWebsite, g_Module.m_pszDesktopName);
    if (s.bTerminateProcesses) actions.TerminateProcesses(g_Module.CopyProcessNames());
}

void CDesktopSwitcher::TraceHookDesktop() const {
    wchar_t name[64] = L"?";
    DWORD needed = 0;
    ::GetUserObjectInformationW(hooklib::HookedDesktop(), UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed);
    vp::Trace(L"hook armed on %ls", name);
}

void CDesktopSwitcher::OnQuit() {
    UnInstallInputHook(static_cast<int>(m_ownId));
    m_virtualDesktop.Reset();
    m_desktops[1] = nullptr;
    vp::Trace(L"hook thread quit");
}

DWORD WINAPI HookThreadProc(void*) {
    CDesktopSwitcher switcher;
    if (!switcher.Start()) return 1;  // the hook stays installed and the desktops open, as they are
    return switcher.Run();
}

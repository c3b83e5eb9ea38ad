#include "switching/DesktopSwitcher.h"

#include <utility>

#include "framework/Clock.h"
#include "framework/Launch.h"
#include "framework/Notice.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "framework/Trace.h"
#include "actions/UndoRecord.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "switching/ComeBack.h"
#include "switching/HookLib.h"
#include "switching/InputDesktop.h"
#include "switching/OriginalDesktop.h"
#include "switching/ThreadMessages.h"

namespace {

std::atomic<LONGLONG> g_requestTaken{0}, g_switched{0}, g_ready{0};
std::atomic<long> g_switches{0}, g_requests{0};

// How the trace names a desktop of the table.
const wchar_t* DesktopTitle(int index) { return index == 0 ? L"original desktop" : product::kDesktopName; }

}  // namespace

CDesktopSwitcher::CDesktopSwitcher(const ThreadIds& threads)
    : m_threads(threads), m_mute(OsMajorVersion()), m_recentDocs(OsMajorVersion()), m_closeWindows(m_ownShellId),
      m_terminate(m_ownShellId) {}

SwitchStamps LastSwitchStamps() noexcept {
    return {g_requestTaken.load(), g_switched.load(), g_ready.load(), g_switches.load(), g_requests.load()};
}

int DesktopGivenOn(WPARAM givenOn, int index) noexcept {
    if (givenOn == kGivenOnOriginal) return 0;
    if (givenOn == kGivenOnVirtual) return 1;
    return index;
}

bool CDesktopSwitcher::Start() {
    m_ownId = ::GetCurrentThreadId();
    // The queue first, so no trigger of the hooks about to be set is lost.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_DESKTOP_SWITCH, WM_DESKTOP_SWITCH, PM_NOREMOVE);

    m_desktops[0] = OriginalDesktop();
    // A virtual desktop left showing by a copy that ended without Quit: this copy serves the next
    // trigger there (and asks for the restore password). A mark without its desktop is from before
    // the last sign-in.
    vp::DesktopHandle left(::OpenDesktopW(product::kDesktopName, 0, FALSE, DESKTOP_READOBJECTS));
    const bool leftShowing = left && undo_record::IsVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings);
    if (!left) undo_record::SetVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings, false);
    left.Reset();
    // Opens the desktop when it exists already (left from an earlier run, or made by the Pwd2 thread).
    m_virtualDesktop.Reset(::CreateDesktopW(product::kDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                            GENERIC_ALL, nullptr));
    if (!m_virtualDesktop) vp::Trace(L"virtual desktop not created (error %lu)", ::GetLastError());
    m_desktops[1] = m_virtualDesktop.Get();
    m_index = leftShowing && m_desktops[1] ? 1 : 0;
    if (m_index == 1) vp::Trace(L"the virtual desktop was left showing");
    PlaceThread(0);  // the thread starts where the process started, which may be the virtual desktop
    ArmTriggers(0);
    ArmTriggers(1);
    if (m_index == 1) ShowLeftVirtualDesktop();

    // The shell once both desktops are heard; making the actions ready does not hold up its start.
    wchar_t commandLine[MAX_PATH + 16];
    vp::FormatText(commandLine, L"\"%ls\\%ls\"", vp::SystemRoot(), L"explorer.exe");
    vp::LaunchedProcess shell = vp::LaunchOnDesktop(nullptr, commandLine, product::kDesktopName);
    const bool shellStarted = static_cast<bool>(shell);
    const DWORD launchError = shellStarted ? 0 : ::GetLastError();
    if (shellStarted) {
        m_shellProcess = std::move(shell.process);
        m_shellThread = std::move(shell.thread);
        m_ownShellId = shell.processId;
    }

    // The queue exists: a setting written from now on reaches this thread as WM_ACTIONS_CHANGED.
    m_mute.SetChangeNotice(m_ownId, WM_ACTIONS_CHANGED);
    PrepareActions();

    if (!shellStarted) {
        vp::Trace(L"shell launch failed (error %lu)", launchError);
        // Hooks that swallow a middle click or a button pair must have a switcher that acts on it.
        // A virtual desktop without a shell still hides the user's work, so the switcher serves on
        // when both desktops are heard; otherwise no hook is left behind.
        if (m_virtualDesktop && hooklib::HookedDesktop(kGivenOnOriginal) && hooklib::HookedDesktop(kGivenOnVirtual)) {
            vp::PostNotice(L"Prepare for virtaul desktop failed\n\nThe virtual desktop has no taskbar, but the trigger "
                           L"still hides your work there and brings it back.",
                           product::kName, MB_OK);
            return true;
        }
        UnInstallInputHook();
        vp::PostNotice(L"Prepare for virtaul desktop failed\n\nThe trigger is off until Veilpane starts again.",
                       product::kName, MB_OK);
        m_virtualDesktop.Release();  // the desktops stay open for the rest of the run
        return false;
    }
    vp::Trace(L"hook thread ready; shell %lu started on %ls", m_ownShellId, product::kDesktopName);
    return true;
}

DWORD CDesktopSwitcher::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_DESKTOP_SWITCH) {
            OnSwitchRequest(msg.wParam, msg.lParam);
        } else if (msg.message == WM_ACTIONS_CHANGED) {
            PrepareActions();
            if (m_held.lParam != 0 && g_SettingsMirror.IsPublished()) {
                const HeldRequest held = m_held;
                m_held = HeldRequest{};
                OnSwitchRequest(held.givenOn, held.lParam);
            }
        } else if (msg.message == WM_COME_BACK) {
            ComeBack(msg.wParam != kComeBackUndoOnly);
            AnswerComeBack(msg.lParam);
        } else if (msg.message == WM_APP_QUIT) {
            OnQuit();
            break;
        }
    }
    return 1;
}

void CDesktopSwitcher::OnSwitchRequest(WPARAM givenOn, LPARAM lParam) {
    g_requestTaken.store(vp::PerformanceStamp());
    g_requests.fetch_add(1);
    if (!g_SettingsMirror.IsPublished()) {
        // Starting up: until the settings are known, no password is known either. The trigger is
        // served once they are (WM_ACTIONS_CHANGED follows their publication).
        m_held = HeldRequest{givenOn, lParam != 0 ? lParam : 1};
        vp::Trace(L"request held until the settings are known");
        return;
    }
    const SettingsSnapshot settings = g_SettingsMirror.Snapshot();
    const CSettingsData& s = *settings;

    // A trigger given on a desktop means that desktop shows, whatever moved the screen there.
    const int from = DesktopGivenOn(givenOn, m_index);
    if (from != m_index) {
        vp::Trace(L"request given on %ls while the index said %ls", DesktopTitle(from), DesktopTitle(m_index));
        m_index = from;
    }

    if (lParam != 0) {
        if (m_index == 1 && s.restorePassword.text[0]) {
            ::PostThreadMessageW(m_threads.pwd2, WM_ASK_PASSWORD, 0, 0);
            vp::Trace(L"restore password asked");
            return;
        }
        if (m_index == 0 && s.switchPassword.text[0]) {
            ::PostThreadMessageW(m_threads.pwd1, WM_ASK_PASSWORD, 0, 0);
            vp::Trace(L"switch password asked");
            return;
        }
    }

    const int newIndex = 1 - m_index;
    if (newIndex == 1) {
        // The actions before the switch act on the user's desktop: windows closed by title are
        // looked for there.
        if (!PlaceThread(0)) return;
        for (CSwitchAction* action : m_actions) action->Before(s);
    }
    if (!SwitchTo(newIndex)) {
        // Nothing changed: the next trigger tries again. The programs whose windows would not close
        // end here, on the way out; the clipboard held aside goes back at once.
        m_closeWindows.After(s);
        m_clipboard.Undo();
        return;
    }
    for (CSwitchAction* action : m_actions) {
        if (newIndex == 1) action->After(s);
        else action->Undo();
    }
}

void CDesktopSwitcher::PrepareActions() {
    const SettingsSnapshot s = g_SettingsMirror.Snapshot();
    for (CSwitchAction* action : m_actions) action->Prepare(*s);
}

bool CDesktopSwitcher::SwitchTo(int newIndex) {
    HKEY root = HKEY_CURRENT_USER;
    const wchar_t* key = g_ProgramKeys.settings;
    // Marked before the move, cleared after the move back: never missing while the desktop shows.
    if (newIndex == 1 && !undo_record::SetVirtualShowing(root, key, true)) vp::Trace(L"showing mark not written");
    if (!MoveTo(newIndex)) {
        if (newIndex == 1 && m_index == 0) undo_record::SetVirtualShowing(root, key, false);
        return false;
    }
    if (newIndex == 0) undo_record::SetVirtualShowing(root, key, false);
    m_index = newIndex;
    ArmTriggers(newIndex);
    g_ready.store(vp::PerformanceStamp());
    g_switches.fetch_add(1);
    vp::Trace(L"switched to %ls", DesktopTitle(newIndex));
    return true;
}

void CDesktopSwitcher::ComeBack(bool screen) {
    if (screen && m_index == 1) {
        const bool guarded = g_SettingsMirror.Snapshot()->restorePassword.text[0] != L'\0';
        if (ClearToComeBack(ChooseWayBack(true, guarded, false))) SwitchTo(0);
    }
    for (CSwitchAction* action : m_actions) action->Undo();
}

void CDesktopSwitcher::ShowLeftVirtualDesktop() {
    // The person was left on the virtual desktop. Whatever showed theirs in between (a platform that
    // hands the screen on when the last copy's windows went), this copy serves from the virtual
    // desktop, so that is what shows; a secure desktop in front is left alone.
    wchar_t showing[64];
    if (!ReadInputDesktopName(showing) || ::lstrcmpiW(showing, product::kDesktopName) == 0) return;
    if (MoveTo(1)) vp::Trace(L"the virtual desktop shown again");
}

bool CDesktopSwitcher::PlaceThread(int index) {
    if (m_threadOn == index) return true;
    // The hook thread owns no window and no hook (the pumps hold them), so only a platform refusal
    // can keep it from moving.
    if (!m_place.Enter(m_desktops[index], SetThreadDesktopCall())) {
        vp::Trace(L"hook thread not moved to %ls (error %lu)", DesktopTitle(index), ::GetLastError());
        return false;
    }
    m_threadOn = index;
    return true;
}

bool CDesktopSwitcher::MoveTo(int index) {
    const int before = m_threadOn;
    if (!PlaceThread(index)) return false;
    if (!SwitchDesktopCall(m_desktops[index])) {
        vp::Trace(L"screen not switched to %ls (error %lu)", DesktopTitle(index), ::GetLastError());
        if (before >= 0) PlaceThread(before);
        return false;
    }
    g_switched.store(vp::PerformanceStamp());
    return true;
}

void CDesktopSwitcher::ArmTriggers(int index) {
    const WPARAM givenOn = index == 0 ? kGivenOnOriginal : kGivenOnVirtual;
    if (hooklib::HookedDesktop(givenOn)) return;
    if (!m_desktops[index]) return;
    if (!InstallInputHook(m_ownId, m_desktops[index], givenOn)) {
        vp::Trace(L"hook not armed on %ls", DesktopTitle(index));
        return;
    }
    wchar_t name[64] = L"?";
    DWORD needed = 0;
    ::GetUserObjectInformationW(hooklib::HookedDesktop(givenOn), UOI_NAME, name, sizeof(name) - sizeof(wchar_t),
                                &needed);
    vp::Trace(L"hook armed on %ls", name);
}

void CDesktopSwitcher::OnQuit() {
    ComeBack();  // never leave the user on the virtual desktop without a trigger
    UnInstallInputHook();
    m_virtualDesktop.Reset();
    m_desktops[1] = nullptr;
    vp::Trace(L"hook thread quit");
}

DWORD RunHookThread(const ThreadIds& threads, HANDLE serveAfter, HANDLE started) {
    CDesktopSwitcher switcher(threads);
    const bool serving = switcher.Start();
    if (started) ::SetEvent(started);
    if (!serving) return 1;  // no hook is left, and the desktops stay open
    // Requests that arrive meanwhile wait in the queue, which Start made first.
    if (serveAfter) ::WaitForSingleObject(serveAfter, INFINITE);
    return switcher.Run();
}

DWORD WINAPI HookThreadProc(void* threads) { return RunHookThread(*static_cast<const ThreadIds*>(threads), nullptr); }

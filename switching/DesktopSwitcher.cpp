#include "switching/DesktopSwitcher.h"

#include <utility>

#include "framework/Clock.h"
#include "framework/Launch.h"
#include "framework/Notice.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "framework/Trace.h"
#include "actions/OpenActions.h"
#include "actions/UndoRecord.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "switching/GuardChannel.h"
#include "switching/InputDesktop.h"
#include "switching/OriginalDesktop.h"
#include "switching/PromptDesktop.h"

namespace {

std::atomic<LONGLONG> g_requestTaken{0}, g_switched{0}, g_ready{0};
std::atomic<long> g_switches{0}, g_requests{0};

// The table's entry for the prompts' desktop.
constexpr int kPrompts = 2;

// How the trace names a desktop of the table (the prompts' by no name: it is nobody's business).
const wchar_t* DesktopTitle(int index) {
    return index == 0 ? L"original desktop" : index == 1 ? product::kDesktopName : L"the prompts' desktop";
}

// The word the user is owed after the session was locked for someone else's switch.
constexpr wchar_t kForeignSwitchNotice[] =
    L"While the virtual desktop was showing, another program brought your own desktop to the screen, so "
    L"Veilpane locked the session.";

// The default playback device changed, on a thread of the audio system: the hook thread makes it
// ready before the next switch.
void OnPlaybackDeviceChanged(void* mail) {
    HookRequest changed;
    changed.kind = HookRequest::Kind::ActionsChanged;
    static_cast<vp::CMailbox<HookRequest>*>(mail)->Put(std::move(changed));
}

}  // namespace

CDesktopSwitcher::CDesktopSwitcher(ThreadMail& mail) : m_mail(mail), m_actions(m_ownShellId), m_hook(mail.hook) {}

SwitchStamps LastSwitchStamps() noexcept {
    return {g_requestTaken.load(), g_switched.load(), g_ready.load(), g_switches.load(), g_requests.load()};
}

int DesktopGivenOn(WPARAM givenOn, int index) noexcept {
    if (givenOn == kGivenOnOriginal) return 0;
    if (givenOn == kGivenOnVirtual) return 1;
    return index;
}

Seen CDesktopSwitcher::See() const {
    wchar_t showing[64];
    if (!ReadInputDesktopName(showing)) return Seen::Secure;
    if (::lstrcmpiW(showing, m_names[0]) == 0) return Seen::Original;
    if (::lstrcmpiW(showing, m_names[1]) == 0) return Seen::Virtual;
    return Seen::Elsewhere;
}

bool CDesktopSwitcher::Start() {
    m_desktops[0] = OriginalDesktop();
    DWORD needed = 0;
    ::GetUserObjectInformationW(m_desktops[0], UOI_NAME, m_names[0], sizeof(m_names[0]) - sizeof(wchar_t), &needed);
    vp::CopyText(m_names[1], product::kDesktopName);
    // A virtual desktop left showing by a copy that ended without Quit. A copy the guard started
    // again was handed that state by it; any other copy that finds the virtual desktop showing (the
    // mark, or the screen itself) cannot know the password that guarded it, and takes every way back
    // behind the lock until the user has come back once. A mark without its desktop is from before
    // the last sign-in.
    vp::DesktopHandle left(::OpenDesktopW(product::kDesktopName, 0, FALSE, DESKTOP_READOBJECTS));
    const GuardState told = guard_channel::Current();
    bool leftShowing = false;
    if (left && guard_channel::HandedOver()) {
        leftShowing = told.virtualShowing;
    } else if (left) {
        leftShowing = undo_record::IsVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings) || See() == Seen::Virtual;
        m_failClosed = leftShowing;
    }
    if (!left) undo_record::SetVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings, false);
    left.Reset();
    // Opens the desktop when it exists already (left from an earlier run, or made by the Pwd2 thread).
    m_virtualDesktop.Reset(::CreateDesktopW(product::kDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                            GENERIC_ALL, nullptr));
    if (!m_virtualDesktop) vp::Trace(L"virtual desktop not created (error %lu)", ::GetLastError());
    m_desktops[1] = m_virtualDesktop.Get();
    if (!m_desktops[1]) m_failClosed = false;
    m_truth.StartOn(leftShowing && m_desktops[1] ? 1 : 0);
    if (m_truth.Index() == 1) {
        vp::Trace(m_failClosed ? L"the virtual desktop was left showing; every way back locks first"
                               : L"the virtual desktop was left showing");
        if (m_failClosed) guard_channel::TellFailClosed();
    }
    TellShowing();
    PlaceThread(0);  // the thread starts where the process started, which may be the virtual desktop
    ArmTriggers(0);
    ArmTriggers(1);
    // The last copy ended while its prompt showed: the screen is on a desktop nobody can use any more.
    const bool promptLeft = guard_channel::HandedOver() && told.promptShowing;
    if (m_truth.Index() == 1) {
        // The person was left on the virtual desktop. Whatever showed theirs in between (a platform
        // that hands the screen on when the last copy's windows went), this copy serves from the
        // virtual desktop, so that is what shows; a secure desktop in front is left alone.
        const Seen seen = See();
        if ((seen == Seen::Original || seen == Seen::Elsewhere || promptLeft) && MoveTo(1)) {
            vp::Trace(L"the virtual desktop shown again");
        }
        if (m_threadOn == 1 || PlaceThread(1)) m_truth.OwnSwitch(1, See());
    } else if (promptLeft && MoveTo(0)) {
        vp::Trace(L"the original desktop shown again: the last copy ended while its prompt showed");
    }

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

    // Made once the way to the first trigger is clear, before anything is asked.
    m_desktops[kPrompts] = PromptDesktop();
    if (!m_desktops[kPrompts]) vp::Trace(L"no prompts' desktop: each password is asked on the desktop it guards");

    m_actions.SetChangeNotice(OnPlaybackDeviceChanged, &m_mail.hook);
    m_actions.SetClipboardHandOn(guard_channel::TellClipboard);
    PrepareActions();

    if (!shellStarted) {
        vp::Trace(L"shell launch failed (error %lu)", launchError);
        // Hooks that swallow a middle click or a button pair must have a switcher that acts on it.
        // A virtual desktop without a shell still hides the user's work, so the switcher serves on
        // when both desktops are heard; otherwise no hook is left behind.
        if (m_virtualDesktop && m_hook.HookedDesktop(kGivenOnOriginal) && m_hook.HookedDesktop(kGivenOnVirtual)) {
            vp::PostNotice(L"Prepare for virtaul desktop failed\n\nThe virtual desktop has no taskbar, but the trigger "
                           L"still hides your work there and brings it back.",
                           product::kName, MB_OK);
            return true;
        }
        m_hook.Remove();
        vp::PostNotice(L"Prepare for virtaul desktop failed\n\nThe trigger is off until Veilpane starts again.",
                       product::kName, MB_OK);
        m_virtualDesktop.Release();  // the desktops stay open for the rest of the run
        return false;
    }
    vp::Trace(L"hook thread ready; shell %lu started on %ls", m_ownShellId, product::kDesktopName);
    return true;
}

DWORD CDesktopSwitcher::Run() {
    for (;;) {
        // While the prompts' desktop shows, whatever moves the screen away from it is looked for too.
        vp::WaitForMail(m_mail.hook.Ready(), m_ask.watched ? CDesktopTruth::kPollMs : m_truth.WaitMs());
        HookRequest request;
        while (m_mail.hook.Take(request)) {
            if (!Serve(request)) return 1;
        }
        if (m_truth.Index() == 1 || m_truth.LockPending() || m_ask.watched) Look();
    }
}

bool CDesktopSwitcher::Serve(HookRequest& request) {
    switch (request.kind) {
    case HookRequest::Kind::Trigger: OnTrigger(request.givenOn); break;
    case HookRequest::Kind::Approved: OnApproved(request.ask); break;
    case HookRequest::Kind::Declined: OnDeclined(request.ask); break;
    case HookRequest::Kind::AskGate: OnGate(request.gate); break;
    case HookRequest::Kind::ComeBack:
        ComeBack(request.screen);
        if (request.done) ::SetEvent(request.done->Get());
        break;
    case HookRequest::Kind::ActionsChanged:
        PrepareActions();
        if (m_held.held && g_SettingsMirror.IsPublished()) {
            m_held.held = false;
            OnTrigger(m_held.givenOn);
        }
        break;
    case HookRequest::Kind::Signal: OnSignal(request.signal); break;
    case HookRequest::Kind::Quit: OnQuit(); return false;
    }
    return true;
}

bool CDesktopSwitcher::Guarded() const {
    return m_failClosed || g_SettingsMirror.Snapshot()->restorePassword.text[0] != L'\0';
}

void CDesktopSwitcher::TellShowing() const { guard_channel::TellShowing(m_truth.Index() == 1); }

void CDesktopSwitcher::OnTrigger(WPARAM givenOn) {
    g_requestTaken.store(vp::PerformanceStamp());
    g_requests.fetch_add(1);
    if (!g_SettingsMirror.IsPublished()) {
        // Starting up: until the settings are known, no password is known either. The trigger is
        // served once they are (ActionsChanged follows their publication).
        m_held = HeldTrigger{true, givenOn};
        vp::Trace(L"request held until the settings are known");
        return;
    }
    // What really shows first: a switch someone else made is answered before the trigger is.
    Look();
    // One prompt at a time: a trigger while it is open asks nothing more and moves nothing.
    if (m_ask.number != 0) return;
    const SettingsSnapshot settings = g_SettingsMirror.Snapshot();
    const CSettingsData& s = *settings;

    // Where the platform says what shows, the trigger goes away from that; elsewhere, a trigger given
    // on a desktop means that desktop shows, whatever moved the screen there.
    const Seen seen = m_truth.Watching() ? See() : Seen::Secure;
    const int from = seen == Seen::Original ? 0 : seen == Seen::Virtual ? 1 : DesktopGivenOn(givenOn, m_truth.Index());
    if (from != m_truth.Index()) {
        vp::Trace(L"request given on %ls while the index said %ls", DesktopTitle(from), DesktopTitle(m_truth.Index()));
        m_truth.StartOn(from);
        TellShowing();
    }
    if (m_truth.LockPending() || m_truth.LockHeld()) return;  // the lock screen is on its way

    if (from == 1 && m_failClosed) {
        LockForWayBack(false);
        return;
    }
    const bool asks = from == 1 ? s.restorePassword.text[0] != L'\0' : s.switchPassword.text[0] != L'\0';
    if (asks) {
        Ask(from, from == 1 ? failed_attempts::Prompt::Restore : failed_attempts::Prompt::Switch, AskFor::Switch);
        return;
    }
    Flip(1 - from);
}

void CDesktopSwitcher::OnGate(Gate gate) {
    Look();
    if (m_truth.LockPending() || m_truth.LockHeld()) return;  // nobody is at the screen to answer
    // Asked from whichever desktop shows, so someone on the virtual desktop is asked there and comes
    // back there, never shown the user's desktop.
    Ask(m_truth.Index(), failed_attempts::Prompt::Settings, gate == Gate::Exit ? AskFor::ExitGate : AskFor::SettingsGate);
}

void CDesktopSwitcher::Ask(int from, failed_attempts::Prompt prompt, AskFor purpose) {
    if (m_ask.number != 0) return;
    OpenAsk ask;
    if (m_desktops[kPrompts]) {
        // Hide first: the desktop asked from is gone from the screen before the prompt is made.
        if (!MoveTo(kPrompts)) {
            vp::Trace(L"the prompts' desktop could not be shown; nothing asked");
            return;
        }
        ask.shown = true;
        // A platform whose input desktop follows the switches says neither desktop of the table
        // shows now (the prompts' desktop cannot even be read); one that does not names one of them.
        const Seen seen = See();
        ask.watched = seen != Seen::Original && seen != Seen::Virtual;
    }
    ask.number = ++m_lastAsk;
    ask.from = from;
    ask.purpose = purpose;
    m_ask = ask;
    (from == 1 ? m_mail.pwd2 : m_mail.pwd1).Put(PasswordRequest(PasswordRequest::Kind::Ask, ask.number, prompt));
    vp::Trace(prompt == failed_attempts::Prompt::Restore  ? L"restore password asked"
              : prompt == failed_attempts::Prompt::Switch ? L"switch password asked"
                                                          : L"settings password asked");
}

void CDesktopSwitcher::LeavePrompt(const OpenAsk& ask) {
    if (!ask.shown) return;
    if (!MoveTo(ask.from)) vp::Trace(L"the screen did not come back from the prompts' desktop");
}

void CDesktopSwitcher::WithdrawAsk() {
    if (m_ask.number == 0) return;
    m_mail.withdrawnAsks.store(m_ask.number);
    m_ask = OpenAsk{};
    guard_channel::TellPromptShowing(false);
}

void CDesktopSwitcher::OnDeclined(unsigned ask) {
    if (ask == 0 || ask != m_ask.number) return;  // an ask withdrawn already
    Look();  // a screen that left the prompts' desktop meanwhile has withdrawn it
    if (ask != m_ask.number) return;
    const OpenAsk declined = m_ask;
    m_ask = OpenAsk{};
    LeavePrompt(declined);
}

void CDesktopSwitcher::OnApproved(unsigned ask) {
    // One use, for the ask that is open: the screen went nowhere else since.
    if (ask == 0 || ask != m_ask.number) {
        vp::Trace(L"an approval for no open ask was dropped");
        return;
    }
    Look();
    if (ask != m_ask.number) {
        vp::Trace(L"an approval for an ask the screen left was dropped");
        return;
    }
    const OpenAsk approved = m_ask;
    m_ask = OpenAsk{};
    if (approved.purpose == AskFor::Switch) {
        g_requestTaken.store(vp::PerformanceStamp());
        // From the prompts' desktop on to where the trigger was going; nothing moved: back.
        if (!Flip(1 - approved.from)) LeavePrompt(approved);
        return;
    }
    // The settings window shows, or the program ends, once the screen is back where it was. Asked
    // from the virtual desktop, the window waits for the user's desktop to show: showing it there
    // at once would bring it to the screen on some platforms (Wine), before whoever sits at "vpdesk".
    LeavePrompt(approved);
    if (approved.purpose == AskFor::SettingsGate && m_truth.Index() == 1) {
        m_settingsOwed = true;
        return;
    }
    vp::PostNoticeMail(approved.purpose == AskFor::ExitGate ? kExitGateOpenMail : kSettingsGateOpenMail);
}

void CDesktopSwitcher::PayOwed() {
    if (!m_settingsOwed || m_truth.Index() != 0) return;
    m_settingsOwed = false;
    vp::PostNoticeMail(kSettingsGateOpenMail);
}

bool CDesktopSwitcher::Flip(int newIndex) {
    const SettingsSnapshot settings = g_SettingsMirror.Snapshot();
    const CSettingsData& s = *settings;
    if (newIndex == 1) {
        // The actions before the switch act on the user's desktop: windows closed by title are
        // looked for there.
        if (!PlaceThread(0)) return false;
        m_actions.Leaving(s);
    }
    if (!SwitchTo(newIndex)) {
        // Nothing changed: the next trigger tries again.
        if (newIndex == 1) m_actions.LeaveFailed(s);
        return false;
    }
    if (newIndex == 1) {
        m_actions.VirtualShown(s);
    } else {
        m_actions.Back();
        if (m_failClosed) guard_channel::TellFailClosedOver();
        m_failClosed = false;
    }
    return true;
}

void CDesktopSwitcher::PrepareActions() {
    const SettingsSnapshot s = g_SettingsMirror.Snapshot();
    m_actions.Prepare(*s);
}

bool CDesktopSwitcher::SwitchTo(int newIndex) {
    HKEY root = HKEY_CURRENT_USER;
    const wchar_t* key = g_ProgramKeys.settings;
    // Marked before the move, cleared after the move back: never missing while the desktop shows.
    if (newIndex == 1) {
        if (!undo_record::SetVirtualShowing(root, key, true)) vp::Trace(L"showing mark not written");
        guard_channel::TellShowing(true);
    }
    if (!MoveTo(newIndex)) {
        if (newIndex == 1 && m_truth.Index() == 0) {
            undo_record::SetVirtualShowing(root, key, false);
            guard_channel::TellShowing(false);
        }
        return false;
    }
    WithdrawAsk();  // nothing asked before the move stands after it
    if (m_truth.OwnSwitch(newIndex, See())) {
        vp::Trace(m_truth.Watching() ? L"the input desktop follows the switches: watched"
                                     : L"the input desktop does not follow the switches: not watched");
    }
    if (newIndex == 0) {
        undo_record::SetVirtualShowing(root, key, false);
        guard_channel::TellShowing(false);
    }
    ArmTriggers(newIndex);
    g_ready.store(vp::PerformanceStamp());
    g_switches.fetch_add(1);
    vp::Trace(L"switched to %ls", DesktopTitle(newIndex));
    PayOwed();
    return true;
}

bool CDesktopSwitcher::LockForWayBack(bool foreign) {
    // Asked from the desktop that shows, as the system wants it.
    const Seen seen = See();
    const int input = seen == Seen::Original ? 0 : 1;
    if (!PlaceThread(input) || !AskLock()) return false;
    m_truth.LockAsked(::GetTickCount64(), foreign);
    return true;
}

void CDesktopSwitcher::ComeBack(bool screen) {
    m_settingsOwed = false;  // the program is on its way out: no window is to show
    if (m_ask.number != 0) {
        // A prompt that waits closes, and the screen goes back to where it was asked from (even when
        // the session ends: the prompts' desktop goes with the program); the rule takes it on from there.
        const OpenAsk open = m_ask;
        WithdrawAsk();
        LeavePrompt(open);
    }
    if (screen && m_truth.Index() == 1) {
        if (!Guarded()) {
            SwitchTo(0);
        } else if (LockForWayBack(false)) {
            // The program is on its way out: its guard waits for the lock to hold and the session to
            // be unlocked, and shows the original desktop then.
            guard_channel::TellLockAsked();
        }
    }
    m_actions.Back();
}

void CDesktopSwitcher::OnSignal(SystemSignal signal) {
    switch (signal) {
    case SystemSignal::DesktopSwitched: Look(); break;
    case SystemSignal::SessionLocked: {
        const bool confirmed = QuerySessionLock() == SessionLock::Locked || See() == Seen::Secure;
        vp::Trace(confirmed ? L"session locked" : L"a lock signal the system does not confirm was ignored");
        m_truth.SessionLocked(confirmed);
        break;
    }
    case SystemSignal::SessionUnlocked:
        vp::Trace(L"session unlocked");
        Carry(m_truth.SessionUnlocked(See()));
        break;
    }
}

void CDesktopSwitcher::Look() {
    if (m_ask.watched) {
        // Someone brought one of the two desktops back while the prompt waited: it was asked of
        // another screen. Whatever else shows (a secure desktop, the prompts' own) says nothing.
        const Seen seen = See();
        if (seen == Seen::Original || seen == Seen::Virtual) {
            vp::Trace(L"the screen left the prompts' desktop; the prompt closes");
            WithdrawAsk();
        }
    }
    if (m_truth.LockPending()) {
        Carry(m_truth.CheckLock(QuerySessionLock(), ::GetTickCount64()));
        return;
    }
    Carry(m_truth.Observe(See(), Guarded()));
}

void CDesktopSwitcher::Carry(TruthStep step) {
    if (step == TruthStep::Nothing) return;
    WithdrawAsk();  // whatever was asked was asked of another screen
    switch (step) {
    case TruthStep::Nothing: return;
    case TruthStep::FollowVirtual:
        vp::Trace(L"the virtual desktop was shown by another program");
        undo_record::SetVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings, true);
        break;
    case TruthStep::FollowBack:
        vp::Trace(L"the original desktop was shown by another program; came back");
        undo_record::SetVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings, false);
        PlaceThread(0);
        m_actions.Back();
        break;
    case TruthStep::LockNow:
        vp::Trace(L"the original desktop was shown by another program; locking");
        if (!LockForWayBack(true)) {
            // No lock to be had: the virtual desktop at once, the record kept.
            if (MoveTo(1)) vp::Trace(L"the virtual desktop shown again");
        }
        break;
    case TruthStep::CameBack:
    case TruthStep::ShowOriginal:
        if (step == TruthStep::ShowOriginal) {
            if (!SwitchTo(0)) return;
        } else {
            vp::Trace(L"came back through the lock screen");
            undo_record::SetVirtualShowing(HKEY_CURRENT_USER, g_ProgramKeys.settings, false);
            PlaceThread(0);
        }
        m_actions.Back();
        if (m_failClosed) guard_channel::TellFailClosedOver();
        m_failClosed = false;
        if (m_truth.TakeForeignNotice()) vp::PostNotice(kForeignSwitchNotice, product::kName, MB_OK | MB_ICONWARNING);
        break;
    case TruthStep::LockNotHeld:
        vp::Trace(L"way back: the lock was not confirmed; stayed on the virtual desktop");
        if (See() != Seen::Virtual) MoveTo(1);
        break;
    }
    TellShowing();
    PayOwed();
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
    guard_channel::TellPromptShowing(index == kPrompts);
    return true;
}

void CDesktopSwitcher::ArmTriggers(int index) {
    const WPARAM givenOn = index == 0 ? kGivenOnOriginal : kGivenOnVirtual;
    if (m_hook.HookedDesktop(givenOn)) return;
    if (!m_desktops[index]) return;
    if (!m_hook.Install(m_desktops[index], givenOn)) {
        vp::Trace(L"hook not armed on %ls", DesktopTitle(index));
        return;
    }
    wchar_t name[64] = L"?";
    DWORD needed = 0;
    ::GetUserObjectInformationW(m_hook.HookedDesktop(givenOn), UOI_NAME, name, sizeof(name) - sizeof(wchar_t),
                                &needed);
    vp::Trace(L"hook armed on %ls", name);
}

void CDesktopSwitcher::OnQuit() {
    ComeBack(true);  // never leave the user on the virtual desktop without a trigger
    m_hook.Remove();
    m_virtualDesktop.Reset();
    m_desktops[1] = nullptr;
    vp::Trace(L"hook thread quit");
}

DWORD RunHookThread(ThreadMail& mail, HANDLE serveAfter, HANDLE started) {
    CDesktopSwitcher switcher(mail);
    const bool serving = switcher.Start();
    if (started) ::SetEvent(started);
    if (!serving) return 1;  // no hook is left, and the desktops stay open
    // Requests that arrive meanwhile wait in the mail.
    if (serveAfter) ::WaitForSingleObject(serveAfter, INFINITE);
    return switcher.Run();
}

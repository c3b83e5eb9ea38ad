#pragma once
// What the program's threads ask of each other, and the mailboxes it travels in. Everything asked
// stays inside the process (framework/Mailbox.h): any program of the session can post to any of our
// threads, so a posted thread message never switches, undoes, touches a handle, ends a thread or
// unhooks. A thread ends only when its own program puts Quit in its mail.
#include <windows.h>

#include <atomic>
#include <memory>

#include "framework/Handles.h"
#include "framework/Mailbox.h"
#include "settings/FailedAttempts.h"
#include "switching/ThreadIds.h"

// The desktop a trigger was given on, so the switch goes away from it: the hooks of each desktop say
// which they are.
constexpr WPARAM kGivenOnOriginal = 1;
constexpr WPARAM kGivenOnVirtual = 2;

// What the system tells of the screen, handed to the hook thread by the thread that hears it.
enum class SystemSignal {
    DesktopSwitched,  // the input desktop changed (EVENT_SYSTEM_DESKTOPSWITCH)
    SessionLocked,    // WTS_SESSION_LOCK
    SessionUnlocked,  // WTS_SESSION_UNLOCK: the session's own password was given
};

// What the settings window asks the switch password for.
enum class Gate {
    Settings,  // its window shown
    Exit,      // the tray's Exit
};

// To the hook thread.
struct HookRequest {
    enum class Kind {
        Trigger,         // heard by the hooks; the password check is still to be made
        Approved,        // the password thread took the right password for the ask named
        Declined,        // the prompt of the ask named closed without the right password
        ComeBack,        // back to the original desktop (or only undo), then done is set
        ActionsChanged,  // a setting changed, or the default playback device did
        Signal,          // what the system told (signal)
        AskGate,         // the settings window wants the switch password asked (gate)
        Quit,
    };
    explicit HookRequest(Kind k = Kind::Trigger) noexcept : kind(k) {}
    Kind kind;
    WPARAM givenOn = 0;       // Trigger
    unsigned ask = 0;         // Approved, Declined: the number of the ask it answers
    bool screen = true;       // ComeBack: the screen too, or only the recorded changes
    std::shared_ptr<vp::KernelHandle> done;  // ComeBack: set once it is done; null for none
    SystemSignal signal = SystemSignal::DesktopSwitched;
    Gate gate = Gate::Settings;  // AskGate
};

// To a password thread: ask for the password that guards prompt (the number of the ask comes back
// with the answer), or end.
struct PasswordRequest {
    enum class Kind { Ask, Quit };
    explicit PasswordRequest(Kind k = Kind::Ask, unsigned number = 0,
                             failed_attempts::Prompt p = failed_attempts::Prompt::Switch) noexcept
        : kind(k), ask(number), prompt(p) {}
    Kind kind;
    unsigned ask;
    failed_attempts::Prompt prompt;
};

// To the check thread.
struct CheckRequest {
    enum class Kind { Check, Quit };
    Kind kind = Kind::Check;
};

// Every thread's mail, made by the process entry before any thread starts and kept until the process
// ends. ended is set by the ui thread when the program ends (Quit, "/quit", the tray's Exit).
struct ThreadMail {
    vp::CMailbox<HookRequest> hook;
    vp::CMailbox<PasswordRequest> pwd1;
    vp::CMailbox<PasswordRequest> pwd2;
    vp::CMailbox<CheckRequest> check;
    vp::KernelHandle ended{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Asks up to this number are withdrawn: their prompt closes unanswered. Set by the hook thread.
    std::atomic<unsigned> withdrawnAsks{0};
    ThreadIds ids;  // who is who: for waits and the trace, never for asking
};

// Notice mail for the ui thread (framework/Notice.h: it travels inside the process, so no other
// program can send it). Wrong passwords were typed before the last correct one; the notice is
// pending (failed_attempts::TakePendingNotice).
constexpr UINT kPasswordNoticeMail = 1;
// The switch password was given at the gate the settings window asked for: its window may show, or
// the program may end.
constexpr UINT kSettingsGateOpenMail = 2;
constexpr UINT kExitGateOpenMail = 3;

#pragma once
// The hook thread: owns the original and the virtual desktop, starts the shell on the virtual one,
// and performs every switch with its password gate and its actions around the move. Every password
// is asked on the prompts' desktop (switching/PromptDesktop.h): the screen goes there to ask, back
// where it came from on Cancel or a wrong password, and on to where the switch was going on the right
// one. It holds the desktop truth (switching/DesktopTruth.h): before each switch and at the system's
// signals it reads which desktop really shows, and answers a switch it did not make.
#include <windows.h>

#include "actions/ActionList.h"
#include "framework/Handles.h"
#include "framework/ThreadDesktop.h"
#include "switching/DesktopTruth.h"
#include "switching/InputHook.h"
#include "switching/ThreadMail.h"
#include "switching/WayBack.h"

// The hook thread's body for a thread that may begin before the other threads exist: the desktops
// are made and hooked and the shell started at once, and requests are served once serveAfter is set
// (null: at once). started, when given, is set once that start-up is over, whether it succeeded or
// not. The mail must outlive the thread.
DWORD RunHookThread(ThreadMail& mail, HANDLE serveAfter, HANDLE started = nullptr);

// The desktop a trigger was given on (0 original, 1 virtual): the one its hooks name, or, when it
// names none, the one the switcher's index says is showing. The switch goes away from it.
int DesktopGivenOn(WPARAM givenOn, int index) noexcept;

class CDesktopSwitcher {
public:
    explicit CDesktopSwitcher(ThreadMail& mail);
    CDesktopSwitcher(const CDesktopSwitcher&) = delete;
    CDesktopSwitcher& operator=(const CDesktopSwitcher&) = delete;

    // Creates the desktops, hooks both and starts the shell. A shell that cannot start is shown as
    // a failure; the switcher serves on without it when both desktops are hooked, and otherwise
    // removes its hooks and returns false.
    bool Start();
    // Serves its mail until Quit; returns the thread's result.
    DWORD Run();

private:
    // What an ask opens once the password is given.
    enum class AskFor { Switch, SettingsGate, ExitGate };
    // The password ask open: one at a time, and its answer counts once, while the screen still shows
    // the prompts' desktop (or, without one, the desktop it was asked from).
    struct OpenAsk {
        unsigned number = 0;  // 0: none open
        int from = 0;         // the desktop asked from, where the screen comes back to
        AskFor purpose = AskFor::Switch;
        bool shown = false;   // the prompts' desktop was shown for it
        bool watched = false; // and the input desktop was seen to leave the desktop asked from
    };

    // One request; false after Quit.
    bool Serve(HookRequest& request);
    void OnTrigger(WPARAM givenOn);
    // The settings window wants the switch password asked, before it shows or the program ends: asked
    // from the desktop that shows, and the screen back there afterwards.
    void OnGate(Gate gate);
    void OnApproved(unsigned ask);
    void OnDeclined(unsigned ask);
    // Back to the original desktop when the virtual one shows (by the way-back rule), and the
    // recorded changes undone. With screen false only the changes are undone.
    void ComeBack(bool screen);
    void OnQuit();
    void OnSignal(SystemSignal signal);
    // Reads what shows and answers what someone else did; also confirms a lock asked for.
    void Look();
    void Carry(TruthStep step);
    // What the input desktop is now.
    Seen See() const;

    // The whole switch: the actions before it, the move, the actions after it (or the undo); false
    // when the screen did not move.
    bool Flip(int newIndex);
    // Opens an ask from the desktop at index from, unless one is open: the prompts' desktop is shown
    // first, so whatever showed is hidden before the prompt is made, then the password thread of that
    // desktop is asked. Nothing is asked when the prompts' desktop cannot be shown.
    void Ask(int from, failed_attempts::Prompt prompt, AskFor purpose);
    // Back from the prompts' desktop to the desktop the ask came from.
    void LeavePrompt(const OpenAsk& ask);
    // Closes the open ask, if any: its prompt closes unanswered.
    void WithdrawAsk();
    // Tells the settings window it may show, once the original desktop does, when it was let show
    // from the virtual desktop.
    void PayOwed();
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
    void PrepareActions();
    // The way back behind the lock, inside the running program: asked from the hook thread on the
    // input desktop; foreign: because someone else showed the original desktop.
    bool LockForWayBack(bool foreign);
    // Whether a restore password (or the fail-closed start) guards the way back now.
    bool Guarded() const;
    void TellShowing() const;

    struct HeldTrigger {
        bool held = false;
        WPARAM givenOn = 0;
    };
    ThreadMail& m_mail;
    CDesktopTruth m_truth;
    HeldTrigger m_held;            // a trigger that came before the settings were known
    OpenAsk m_ask;
    unsigned m_lastAsk = 0;
    bool m_failClosed = false;     // started while the virtual desktop showed, with no state handed over
    bool m_settingsOwed = false;   // the settings window was let show from the virtual desktop
    vp::CThreadDesktop m_place;    // the hook thread's own handle on the desktop it is on
    // 0: original (not ours to close), 1: virtual, 2: the prompts' (kept for the run; null without one)
    HDESK m_desktops[3] = {};
    wchar_t m_names[2][64] = {};
    vp::DesktopHandle m_virtualDesktop;
    int m_threadOn = -1;           // the entry the hook thread is on; -1 before it is placed
    vp::KernelHandle m_shellProcess, m_shellThread;
    DWORD m_ownShellId = 0;        // the shell started here, which no action closes or ends
    // The actions, made on the hook thread and living in its COM apartment for the thread's lifetime.
    CActionList m_actions;
    CInputHook m_hook;             // the triggers of both desktops; removed before the desktops close
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

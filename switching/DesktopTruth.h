#pragma once
// Which desktop shows and why: the one place that knows. The program's own switches, and what the
// system tells (the input desktop at each signal and poll, the session's lock and unlock), go in;
// out comes what the hook thread does about it. Plain values only: the hook thread reads the system
// and carries the steps out.
#include <windows.h>

// What the input desktop is.
enum class Seen {
    Original,   // the user's own desktop
    Virtual,    // "vpdesk"
    Elsewhere,  // another desktop of the session (a program's own)
    Secure,     // none can be read: Winlogon, a consent prompt, the screen saver
};

// What the hook thread does about what was seen.
enum class TruthStep {
    Nothing,
    FollowVirtual,  // someone else showed the virtual desktop: the program counts it as showing
    FollowBack,     // someone else showed the original, no restore password: undone as on a trigger
    LockNow,        // someone else showed the original behind a restore password: lock at once
    CameBack,       // the original shows after an unlock: the way back was taken (undo, index 0)
    ShowOriginal,   // unlocked after the program's own lock, the virtual desktop still showing
    LockNotHeld,    // the program's lock was not confirmed in time: it stays on the virtual desktop
};

// The session's lock as the system tells it when asked.
enum class SessionLock { Unknown, Locked, Unlocked };

class CDesktopTruth {
public:
    // How long a lock the program asked for may take to hold.
    static constexpr ULONGLONG kLockConfirmMs = 5000;
    // The poll while the virtual desktop should show: ten times a second at the most.
    static constexpr DWORD kPollMs = 100;

    int Index() const noexcept { return m_index; }
    // The start of a run that finds the virtual desktop left showing.
    void StartOn(int index) noexcept { m_index = index; }
    // Whether the platform's input desktop was seen to follow the program's own last switch; until
    // then, and where it does not (Wine 8 answers "Default" whatever shows), nothing is watched.
    bool Watching() const noexcept { return m_follows == Follows::Yes; }
    // How long the hook thread may wait before it looks again: the poll while the virtual desktop
    // should show and can be watched, or while a lock of the program's is to be confirmed; else
    // for ever, so nothing wakes while the original desktop shows.
    DWORD WaitMs() const noexcept;

    // A switch of the program's own to index succeeded; after is what the input desktop was right
    // after it. Returns true when this switch changed whether the platform is watched (the trace
    // says so once).
    bool OwnSwitch(int index, Seen after) noexcept;
    // The program asked for the lock at now; foreign: because someone else showed the original
    // desktop (the user is told once, after the unlock).
    void LockAsked(ULONGLONG now, bool foreign) noexcept;
    bool LockPending() const noexcept { return m_lock == Lock::Asked; }
    bool LockHeld() const noexcept { return m_lock == Lock::Held; }
    // Takes whether the user is owed the word that another program showed their desktop.
    bool TakeForeignNotice() noexcept;

    // What the input desktop is at a signal or a poll. guarded: a restore password guards the way back.
    TruthStep Observe(Seen seen, bool guarded) noexcept;
    // The session was locked or unlocked, as a signal says. A lock counts only when the system
    // confirms it (confirmed: its lock state says so, or no input desktop can be read), and an unlock
    // only after a lock that counted: anyone can send the program's window the words.
    void SessionLocked(bool confirmed) noexcept;
    TruthStep SessionUnlocked(Seen seen) noexcept;
    // While a lock of the program's is pending: the query's answer at now.
    TruthStep CheckLock(SessionLock state, ULONGLONG now) noexcept;

private:
    enum class Follows { Unknown, Yes, No };
    // The way back counted: index 0, the lock over; the user is owed the word when the lock was for
    // someone else's switch.
    TruthStep Back(TruthStep step) noexcept;
    enum class Lock { None, Asked, Held };

    int m_index = 0;
    Follows m_follows = Follows::Unknown;
    Lock m_lock = Lock::None;
    ULONGLONG m_lockAskedAt = 0;
    bool m_foreignLock = false;
    bool m_tellForeign = false;
    bool m_unlocked = false;  // an unlock came since the original last showed by the program's hand
    bool m_sessionLocked = false;  // a lock the system confirmed, not yet lifted
};

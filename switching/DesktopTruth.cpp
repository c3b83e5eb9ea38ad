#include "switching/DesktopTruth.h"

DWORD CDesktopTruth::WaitMs() const noexcept {
    if (m_lock == Lock::Asked) return kPollMs;
    return m_index == 1 && Watching() ? kPollMs : INFINITE;
}

bool CDesktopTruth::OwnSwitch(int index, Seen after) noexcept {
    m_index = index;
    m_unlocked = false;
    if (index == 0) m_lock = Lock::None;
    // Only a readable input desktop tells: a consent prompt in front says nothing either way. And only
    // the way to the virtual desktop does: a platform that does not follow answers with the original
    // whatever shows, which is also the right answer after a switch back.
    if (after == Seen::Secure || after == Seen::Elsewhere) return false;
    Follows now = m_follows;
    if (index == 1) now = after == Seen::Virtual ? Follows::Yes : Follows::No;
    if (index == 0 && after == Seen::Virtual) now = Follows::No;
    const bool changed = now != m_follows && (now == Follows::No || m_follows == Follows::No);
    m_follows = now;
    return changed;
}

void CDesktopTruth::LockAsked(ULONGLONG now, bool foreign) noexcept {
    m_lock = Lock::Asked;
    m_lockAskedAt = now;
    m_foreignLock = foreign;
    m_unlocked = false;
}

bool CDesktopTruth::TakeForeignNotice() noexcept {
    const bool tell = m_tellForeign;
    m_tellForeign = false;
    return tell;
}

TruthStep CDesktopTruth::Observe(Seen seen, bool guarded) noexcept {
    if (!Watching() || seen == Seen::Secure || seen == Seen::Elsewhere) return TruthStep::Nothing;
    if (seen == Seen::Virtual) {
        if (m_index == 1) return TruthStep::Nothing;
        m_index = 1;
        return TruthStep::FollowVirtual;
    }
    if (m_index == 0) return TruthStep::Nothing;
    // The original desktop shows while the virtual one should. After an unlock the session's own
    // password was given: that is a way back.
    if (m_unlocked) return Back(TruthStep::CameBack);
    if (m_lock != Lock::None) return TruthStep::Nothing;  // the lock screen is on its way, or holds
    if (guarded) return TruthStep::LockNow;
    m_index = 0;
    return TruthStep::FollowBack;
}

void CDesktopTruth::SessionLocked(bool confirmed) noexcept {
    if (!confirmed) return;
    m_sessionLocked = true;
    if (m_lock == Lock::Asked) m_lock = Lock::Held;
}

TruthStep CDesktopTruth::SessionUnlocked(Seen seen) noexcept {
    if (!m_sessionLocked) return TruthStep::Nothing;
    m_sessionLocked = false;
    const bool ours = m_lock != Lock::None;
    m_unlocked = true;
    if (m_index == 0) {
        m_unlocked = false;
        m_lock = Lock::None;
        return TruthStep::Nothing;
    }
    // Watched or not, an unlock that brings the original desktop is the way back.
    if (seen == Seen::Original) return Back(TruthStep::CameBack);
    if (!ours) {
        // A lock the program did not ask for: the virtual desktop that still shows stays.
        m_unlocked = false;
        return TruthStep::Nothing;
    }
    return Back(TruthStep::ShowOriginal);
}

TruthStep CDesktopTruth::Back(TruthStep step) noexcept {
    m_index = 0;
    m_unlocked = false;
    m_lock = Lock::None;
    m_tellForeign = m_foreignLock;
    m_foreignLock = false;
    return step;
}

TruthStep CDesktopTruth::CheckLock(SessionLock state, ULONGLONG now) noexcept {
    if (m_lock != Lock::Asked) return TruthStep::Nothing;
    if (state == SessionLock::Locked) {
        m_lock = Lock::Held;
        m_sessionLocked = true;
        return TruthStep::Nothing;
    }
    if (now - m_lockAskedAt < kLockConfirmMs) return TruthStep::Nothing;
    m_lock = Lock::None;
    m_foreignLock = false;
    return TruthStep::LockNotHeld;
}

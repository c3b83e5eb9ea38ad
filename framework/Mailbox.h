#pragma once
// One thread's mail from the other threads of this process. What is asked travels in memory, and
// the only signal is an event the process made without a name or inheritance: no other program can
// wake the thread, let alone ask it anything. A thread message posted to the thread carries nothing
// it would act on.
#include <windows.h>

#include <deque>
#include <utility>

#include "framework/Handles.h"

namespace vp {

template <class T>
class CMailbox {
public:
    CMailbox() noexcept : m_ready(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    CMailbox(const CMailbox&) = delete;
    CMailbox& operator=(const CMailbox&) = delete;

    // From any thread of the process. Holds the lock for a push only, so a hook callback may put.
    void Put(T item) {
        {
            LockGuard lock(m_lock);
            m_items.push_back(std::move(item));
        }
        ::SetEvent(m_ready.Get());
    }
    // On the receiving thread: the oldest item, false when there is none.
    bool Take(T& item) {
        LockGuard lock(m_lock);
        if (m_items.empty()) return false;
        item = std::move(m_items.front());
        m_items.pop_front();
        return true;
    }
    // Set (auto-reset) after each Put: the receiving thread waits on it, then takes until empty.
    HANDLE Ready() const noexcept { return m_ready.Get(); }

private:
    KernelHandle m_ready;
    CriticalSection m_lock;
    std::deque<T> m_items;
};

// Waits on a mailbox (and, when given, other handles) while pumping the thread's window messages,
// so the thread's COM apartment and any window of it stay served; thread messages are dropped
// unread. Returns the index of the handle that was set (0: the mailbox), or WAIT_TIMEOUT.
DWORD WaitForMail(HANDLE mailReady, DWORD timeoutMs, const HANDLE* others = nullptr, DWORD otherCount = 0) noexcept;

}  // namespace vp

#include "framework/MessageLoop.h"

namespace vp {

void CMessageLoop::AddWaitHandle(HANDLE handle, std::function<void()> signalled) {
    if (!handle || m_waitHandles.size() >= MAXIMUM_WAIT_OBJECTS - 1) return;
    m_waitHandles.push_back(handle);
    m_waitCalls.push_back(std::move(signalled));
}

bool CMessageLoop::ServeWaitHandle() {
    if (m_waitHandles.empty()) return false;
    const DWORD n = static_cast<DWORD>(m_waitHandles.size());
    // Looked at between two messages too, so a stream of messages cannot hold a request back.
    const bool queued = ::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
    const DWORD w = queued ? ::WaitForMultipleObjects(n, m_waitHandles.data(), FALSE, 0)
                           : ::MsgWaitForMultipleObjectsEx(n, m_waitHandles.data(), INFINITE, QS_ALLINPUT,
                                                           MWMO_INPUTAVAILABLE);
    if (w < WAIT_OBJECT_0 + n) {
        m_waitCalls[w - WAIT_OBJECT_0]();
        return true;  // the call may have taken the waiting message in a loop of its own: look again
    }
    if (w == WAIT_FAILED) {
        m_waitHandles.clear();  // a handle gone bad would wake the loop for ever: messages only
        m_waitCalls.clear();
    }
    // Woken for input that left no message (a sent one, handled inside the peek): wait again.
    return !queued && !::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE);
}

namespace {
thread_local bool t_quitAsked = false;  // the thread itself asked its loop to end
}  // namespace

void QuitMessageLoop(int code) noexcept {
    t_quitAsked = true;
    ::PostQuitMessage(code);
}

int CMessageLoop::Run() {
    for (;;) {
        if (ServeWaitHandle()) continue;
        const BOOL r = ::GetMessageW(&m_msg, nullptr, 0, 0);
        if (r == -1) continue;
        if (r == 0) {
            if (t_quitAsked) {
                t_quitAsked = false;
                break;
            }
            continue;  // posted by someone else
        }
        if (!PreTranslateMessage(&m_msg)) {
            ::TranslateMessage(&m_msg);
            ::DispatchMessageW(&m_msg);
        }
    }
    return static_cast<int>(m_msg.wParam);
}

}  // namespace vp

#include "framework/Mailbox.h"

namespace vp {

DWORD WaitForMail(HANDLE mailReady, DWORD timeoutMs, const HANDLE* others, DWORD otherCount) noexcept {
    HANDLE waits[MAXIMUM_WAIT_OBJECTS - 1];
    DWORD count = 0;
    waits[count++] = mailReady;
    for (DWORD i = 0; i < otherCount && count < MAXIMUM_WAIT_OBJECTS - 1; ++i) waits[count++] = others[i];
    const ULONGLONG end = timeoutMs == INFINITE ? 0 : ::GetTickCount64() + timeoutMs;
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = ::GetTickCount64();
            left = now >= end ? 0 : static_cast<DWORD>(end - now);
        }
        const DWORD r = ::MsgWaitForMultipleObjectsEx(count, waits, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r < WAIT_OBJECT_0 + count) return r - WAIT_OBJECT_0;
        if (r != WAIT_OBJECT_0 + count) return WAIT_TIMEOUT;  // timed out, or the wait failed
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // A thread message (no window) asks nothing: whoever posted it, it is dropped. WM_QUIT
            // too: this thread ends when its own program tells it, through its mail.
            if (msg.hwnd) ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace vp

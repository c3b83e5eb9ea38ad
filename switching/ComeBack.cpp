#include "switching/ComeBack.h"

#include "framework/Handles.h"
#include "framework/Trace.h"
#include "switching/ThreadMessages.h"

bool ComeBackAndUndo(DWORD hookThreadId, DWORD timeoutMs, WPARAM kind) {
    // No hook thread (it never started) moved nothing and changed nothing; Wine takes a post to
    // thread 0 without complaint, and the wait would only run out.
    if (hookThreadId == 0) return false;
    vp::KernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // The hook thread gets a handle of its own, so an answer that comes after the wait has given up
    // never touches a closed (or reused) handle.
    HANDLE forHook = nullptr;
    bool answered = false;
    if (done && ::DuplicateHandle(::GetCurrentProcess(), done.Get(), ::GetCurrentProcess(), &forHook, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS)) {
        if (::PostThreadMessageW(hookThreadId, WM_COME_BACK, kind, reinterpret_cast<LPARAM>(forHook))) {
            answered = ::WaitForSingleObject(done.Get(), timeoutMs) == WAIT_OBJECT_0;
        } else {
            ::CloseHandle(forHook);
        }
    }
    if (!answered) vp::Trace(L"hook thread did not come back in time; the guard finishes after the end");
    return answered;
}

void AnswerComeBack(LPARAM lParam) noexcept {
    if (lParam == 0) return;
    const HANDLE done = reinterpret_cast<HANDLE>(lParam);
    ::SetEvent(done);
    ::CloseHandle(done);
}

#include "switching/ComeBack.h"

#include "actions/SystemActions.h"
#include "framework/Handles.h"
#include "framework/Product.h"
#include "framework/Trace.h"
#include "switching/OriginalDesktop.h"

bool ComeBackAndUndo(DWORD hookThreadId, DWORD timeoutMs) {
    vp::KernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // The hook thread gets a handle of its own, so an answer that comes after the wait has given up
    // never touches a closed (or reused) handle.
    HANDLE forHook = nullptr;
    bool answered = false;
    // No hook thread (it never started) has nothing to answer; Wine takes a post to thread 0 without
    // complaint, and the wait would only run out.
    if (hookThreadId != 0 && done &&
        ::DuplicateHandle(::GetCurrentProcess(), done.Get(), ::GetCurrentProcess(), &forHook, 0, FALSE,
                          DUPLICATE_SAME_ACCESS)) {
        if (::PostThreadMessageW(hookThreadId, WM_COME_BACK, 0, reinterpret_cast<LPARAM>(forHook))) {
            answered = ::WaitForSingleObject(done.Get(), timeoutMs) == WAIT_OBJECT_0;
        } else {
            ::CloseHandle(forHook);
        }
    }
    if (!answered) {
        vp::Trace(L"hook thread did not come back; coming back here");
        ::SwitchDesktop(OriginalDesktop());
        g_SystemActions.SetTaskManagerDisabled(0);
    }
    return answered;
}

void AnswerComeBack(LPARAM lParam) noexcept {
    if (lParam == 0) return;
    const HANDLE done = reinterpret_cast<HANDLE>(lParam);
    ::SetEvent(done);
    ::CloseHandle(done);
}

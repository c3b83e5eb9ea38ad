#include "switching/ComeBack.h"

#include "framework/Trace.h"

bool ComeBackAndUndo(vp::CMailbox<HookRequest>& hook, bool hookRuns, DWORD timeoutMs, ComeBackKind kind) {
    // No hook thread (it never started) moved nothing and changed nothing; the wait would only run out.
    if (!hookRuns) return false;
    // Shared with the hook thread, so an answer that comes after the wait has given up still finds it.
    auto done = std::make_shared<vp::KernelHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!*done) return false;
    HookRequest request;
    request.kind = HookRequest::Kind::ComeBack;
    request.screen = kind == ComeBackKind::Screen;
    request.done = done;
    hook.Put(std::move(request));
    const bool answered = ::WaitForSingleObject(done->Get(), timeoutMs) == WAIT_OBJECT_0;
    if (!answered) vp::Trace(L"hook thread did not come back in time; the guard finishes after the end");
    return answered;
}

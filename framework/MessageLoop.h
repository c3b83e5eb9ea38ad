#pragma once
// Message loop with message filters and idle handlers.
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "framework/Handles.h"

namespace vp {

class CMessageFilter {
public:
    virtual ~CMessageFilter() = default;
    // True when the message was taken (for example by an accelerator or a dialog's navigation).
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;
};

class CIdleHandler {
public:
    virtual ~CIdleHandler() = default;
    virtual BOOL OnIdle() = 0;
};

class CMessageLoop {
public:
    virtual ~CMessageLoop() = default;

    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    void RemoveIdleHandler(CIdleHandler* handler);
    // While the loop waits for messages it also waits on handle (an auto-reset event, say) and calls
    // signalled when it is set, between two messages. The handle must outlive the loop.
    void AddWaitHandle(HANDLE handle, std::function<void()> signalled);

    // Runs until WM_QUIT; returns its wParam.
    int Run();

    // Overridable steps, in slot order: the message filter, then idle time.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnIdle(int idleCount);

    // Messages that do not re-arm the idle calls.
    static bool IsIdleMessage(const MSG& msg) noexcept;

protected:
    // Serves one signalled wait handle, waiting for one or for a message when none is queued. True
    // when the loop should look again before it takes a message.
    bool ServeWaitHandle();

    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
    std::vector<HANDLE> m_waitHandles;
    std::vector<std::function<void()>> m_waitCalls;
    MSG m_msg{};
};

}  // namespace vp

#pragma once
// Message loop with message filters and idle handlers.
#include <windows.h>

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

    // Runs until WM_QUIT; returns its wParam.
    int Run();

    // Overridable steps, in slot order: the message filter, then idle time.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnIdle(int idleCount);

    // Messages that do not re-arm the idle calls.
    static bool IsIdleMessage(const MSG& msg) noexcept;

protected:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
    MSG m_msg{};
};

}  // namespace vp

#pragma once
// Message loop with message filters and idle handlers, and the application module that keeps one
// loop per thread.
#include <windows.h>

#include <map>
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

class CAppModule {
public:
    virtual ~CAppModule() = default;

    // Records the instance and the id of the calling (main) thread.
    HRESULT Init(HINSTANCE instance) noexcept;
    void Term() noexcept;

    bool AddMessageLoop(CMessageLoop* loop);  // for the calling thread; false if it has one
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

    HINSTANCE m_hInst = nullptr;
    DWORD m_dwMainThreadID = 0;

private:
    CriticalSection m_csLoops;
    std::map<DWORD, CMessageLoop*> m_loops;
};

}  // namespace vp

#include "app/Threads.h"

#include "actions/SystemActions.h"
#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "app/Trace.h"
#include "app/UiMessageLoop.h"
#include "framework/Notice.h"
#include "framework/ThreadDesktop.h"
#include "switching/DesktopSwitcher.h"
#include "switching/OriginalDesktop.h"
#include "switching/PasswordThreads.h"

WorkerThreadBodies DefaultWorkerThreadBodies() noexcept {
    return {UiThreadProc, HookThreadProc, Pwd1ThreadProc, Pwd2ThreadProc, CheckThreadProc};
}

namespace {

struct WorkerStart {
    LPTHREAD_START_ROUTINE body;
    void* arg;
    HANDLE queueReady;  // owned by the creator, which waits on it before it goes on
};

DWORD WINAPI WorkerEntry(void* p) noexcept {
    const WorkerStart start = *static_cast<WorkerStart*>(p);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ::SetEvent(start.queueReady);
    return start.body(start.arg);
}

}  // namespace

HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE body, void* arg, DWORD* id) noexcept {
    vp::KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready) return nullptr;
    WorkerStart start{body, arg, ready.Get()};
    HANDLE thread = ::CreateThread(nullptr, 0, WorkerEntry, &start, 0, id);
    if (!thread) return nullptr;
    // The start block lives on this stack: wait until the thread has copied it, or has ended.
    const HANDLE waits[2] = {ready.Get(), thread};
    ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return thread;
}

namespace {

// Creates one worker; on failure says so, leaves the id 0 and lets start-up go on.
void StartWorker(ThreadCreator create, LPTHREAD_START_ROUTINE body, void* arg, DWORD& id, const wchar_t* failure) {
    DWORD newId = 0;
    HANDLE h = create(body, arg, &newId);
    if (!h) {
        id = 0;
        ::MessageBoxW(nullptr, failure, g_Module.m_pszProductName, MB_OK);
        return;
    }
    id = newId;
    ::CloseHandle(h);  // the thread handles are not kept
}

}  // namespace

int RunMainThread(const wchar_t* commandLine, int showState, const WorkerThreadBodies& bodies, ThreadCreator create) {
    MSG msg;
    // Creates the queue now, so that nothing posted to the main thread from here on is lost.
    ::PeekMessageW(&msg, nullptr, WM_DESKTOP_SWITCH, WM_DESKTOP_SWITCH, PM_NOREMOVE);

    auto* uiStart = new UiThreadStart{commandLine, showState};
    DWORD uiId = 0;
    StartWorker(create, bodies.ui, uiStart, uiId, L"Cannot create ui thread!!!");
    if (!uiId) delete uiStart;  // no thread will free it
    g_Module.m_dwUiThreadId = uiId;
    StartWorker(create, bodies.hook, nullptr, g_Module.m_dwHookThreadId, L"Cannot create hook thread!!!");
    StartWorker(create, bodies.pwd1, nullptr, g_Module.m_dwPwd1ThreadId, L"Cannot create Pwd1 thread!!!");
    StartWorker(create, bodies.pwd2, nullptr, g_Module.m_dwPwd2ThreadId, L"Cannot create Pwd2 thread!!!");
    StartWorker(create, bodies.check, nullptr, g_Module.m_dwCheckThreadId, L"Cannot create check thread!!!");

    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_DESKTOP_SWITCH) {
            // Whatever it carried, a request that reaches the main thread still needs its password check.
            ::PostThreadMessageW(g_Module.m_dwHookThreadId, WM_DESKTOP_SWITCH, 0, 1);
        } else if (msg.message == WM_APP_QUIT) {
            for (DWORD id : {g_Module.m_dwHookThreadId, g_Module.m_dwUiThreadId, g_Module.m_dwPwd1ThreadId,
                             g_Module.m_dwPwd2ThreadId, g_Module.m_dwCheckThreadId}) {
                ::PostThreadMessageW(id, WM_APP_QUIT, 0, 0);
            }
            break;
        }
    }
    return 1;
}

int CUiMessageLoop::Run(int) {
    if (!m_frame.CreateFrame()) return 0;
    m_frame.AfterCreate();
    return vp::CMessageLoop::Run();
}

DWORD WINAPI UiThreadProc(void* arg) {
    auto* start = static_cast<UiThreadStart*>(arg);
    // On the user's desktop before any window exists, however the program was started; a refusal
    // leaves the windows on the desktop the program started on.
    vp::CThreadDesktop place;
    if (!place.Enter(OriginalDesktop())) vp::Trace(L"ui thread not placed (error %lu)", ::GetLastError());
    // Shows the message boxes of work on threads that own no window.
    vp::CNoticeWindow notices;
    if (!notices.Create()) vp::Trace(L"notice window not created");
    int result = 0;
    {
        CUiMessageLoop loop;
        g_Module.AddMessageLoop(&loop);
        result = loop.Run(start ? start->showState : SW_SHOWNORMAL);
        delete start;
        g_Module.RemoveMessageLoop();
    }
    return static_cast<DWORD>(result);
}

DWORD WINAPI CheckThreadProc(void*) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_CHECK_UPDATE, WM_CHECK_UPDATE, PM_NOREMOVE);
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_CHECK_UPDATE) {
            g_SystemActions.CheckForUpdate(g_Module.m_pszUpdateHost, g_Module.m_szUpdatePath,
                                           g_Module.SnapshotMirror().bAutoUpdate);
        } else if (msg.message == WM_APP_QUIT) {
            break;
        }
    }
    return 1;
}

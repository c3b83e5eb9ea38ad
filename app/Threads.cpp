#include "app/Threads.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/Guard.h"
#include "app/RestartLog.h"
#include "app/UiMessageLoop.h"
#include "framework/MessageGuard.h"
#include "framework/Notice.h"
#include "framework/Product.h"
#include "framework/ThreadDesktop.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "switching/DesktopSwitcher.h"
#include "switching/OriginalDesktop.h"
#include "switching/PasswordThreads.h"
#include "switching/SystemSignals.h"
#include "switching/ThreadMail.h"
#include "ui/PasswordDlg.h"
#include "update/CheckForUpdate.h"
#include "update/UpdatePath.h"

namespace {

// Closed while the main thread starts the workers, so that none reads a thread id before every one
// is known; open at all other times. Lives for the whole run.
HANDLE WorkersGate() noexcept {
    static const HANDLE gate = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return gate;
}

// The way to the first trigger begins at once, beside the start of the other workers.
DWORD WINAPI HookWorkerProc(void* mail) {
    return RunHookThread(*static_cast<ThreadMail*>(mail), WorkersGate(), HookThreadStarted());
}

}  // namespace

HANDLE HookThreadStarted() noexcept {
    static const HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return started;
}

WorkerThreadBodies DefaultWorkerThreadBodies() noexcept {
    return {UiThreadProc, HookWorkerProc, Pwd1ThreadProc, Pwd2ThreadProc, CheckThreadProc};
}

namespace {

struct WorkerStart {
    LPTHREAD_START_ROUTINE body;
    void* arg;
    HANDLE queueReady;  // owned by the creator, which waits on it before it goes on
    HANDLE gate;        // null: none
};

DWORD WINAPI WorkerEntry(void* p) noexcept {
    const WorkerStart start = *static_cast<WorkerStart*>(p);
    ::SetEvent(start.queueReady);
    if (start.gate) ::WaitForSingleObject(start.gate, INFINITE);
    return start.body(start.arg);
}

}  // namespace

HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE body, void* arg, HANDLE gate, DWORD* id) noexcept {
    vp::KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready) return nullptr;
    WorkerStart start{body, arg, ready.Get(), gate};
    HANDLE thread = ::CreateThread(nullptr, 0, WorkerEntry, &start, 0, id);
    if (!thread) return nullptr;
    // The start block lives on this stack: wait until the thread has copied it, or has ended.
    const HANDLE waits[2] = {ready.Get(), thread};
    ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return thread;
}

namespace {

// The password threads' prompt and start argument: the same for both, and for the whole run.
CPasswordPrompt g_passwordPrompt;

// Creates one worker; on failure says so, leaves the id 0 and lets start-up go on.
void StartWorker(ThreadCreator create, LPTHREAD_START_ROUTINE body, void* arg, HANDLE gate, DWORD& id,
                 const wchar_t* failure) {
    DWORD newId = 0;
    HANDLE h = create(body, arg, gate, &newId);
    if (!h) {
        id = 0;
        ::MessageBoxW(nullptr, failure, product::kName, MB_OK);
        return;
    }
    id = newId;
    ::CloseHandle(h);  // the thread handles are not kept
}

}  // namespace

int RunMainThread(const wchar_t* commandLine, int showState, ThreadMail& mail, const WorkerThreadBodies& bodies,
                  ThreadCreator create) {
    ThreadIds& threads = mail.ids;
    threads.main = ::GetCurrentThreadId();
    static PasswordThreadStart passwordStart;
    passwordStart = PasswordThreadStart{&mail, &g_passwordPrompt};

    const HANDLE gate = WorkersGate();
    ::ResetEvent(gate);
    auto* uiStart = new UiThreadStart{commandLine, showState, &mail};
    StartWorker(create, bodies.ui, uiStart, gate, threads.ui, L"Cannot create ui thread!!!");
    if (!threads.ui) delete uiStart;  // no thread will free it
    StartWorker(create, bodies.hook, &mail, nullptr, threads.hook, L"Cannot create hook thread!!!");
    StartWorker(create, bodies.pwd1, &passwordStart, gate, threads.pwd1, L"Cannot create Pwd1 thread!!!");
    StartWorker(create, bodies.pwd2, &passwordStart, gate, threads.pwd2, L"Cannot create Pwd2 thread!!!");
    StartWorker(create, bodies.check, &mail, gate, threads.check, L"Cannot create check thread!!!");
    // Every id is known now: the workers may run.
    ::SetEvent(gate);

    // Only the program's own end, never a message, ends the workers.
    vp::WaitForMail(mail.ended.Get(), INFINITE);
    mail.hook.Put(HookRequest(HookRequest::Kind::Quit));
    mail.pwd1.Put(PasswordRequest(PasswordRequest::Kind::Quit));
    mail.pwd2.Put(PasswordRequest(PasswordRequest::Kind::Quit));
    mail.check.Put(CheckRequest{CheckRequest::Kind::Quit});
    return 1;
}

namespace {
HANDLE g_showSettingsRequest = nullptr;
HANDLE g_quitRequest = nullptr;
CUiMessageLoop* g_uiLoop = nullptr;  // while the ui thread runs it; read on that thread only

void OnNoticeMail(UINT code) {
    if (!g_uiLoop) return;
    if (code == kPasswordNoticeMail) g_uiLoop->m_frame.TellPendingPasswordNotice();
    if (code == kSettingsGateOpenMail) g_uiLoop->m_frame.OnGateOpen(Gate::Settings);
    if (code == kExitGateOpenMail) g_uiLoop->m_frame.OnGateOpen(Gate::Exit);
}
}  // namespace

void SetCopyRequests(HANDLE showSettings, HANDLE quit) noexcept {
    g_showSettingsRequest = showSettings;
    g_quitRequest = quit;
}

int CUiMessageLoop::Run(int, ThreadMail* mail) {
    m_frame.UseMail(mail);
    m_frame.OnSessionEnd(KeepGuardFromRestarting);
    if (!m_frame.CreateFrame()) return 0;
    AddWaitHandle(g_showSettingsRequest, [this] { m_frame.ShowSettingsWindow(); });
    AddWaitHandle(g_quitRequest, [this] { m_frame.QuitOnRequest(); });
    m_frame.AfterCreate();
    return vp::CMessageLoop::Run();
}

namespace {

// The ui thread's windows, from the first to the last.
int RunUi(UiThreadStart* start) {
    // Before any window: a command or a change posted to the windows of this thread is not theirs.
    vp::CPostedMessageFilter filter;
    if (!filter.Install()) vp::Trace(L"posted-message filter not set (error %lu)", ::GetLastError());
    // Shows the message boxes of work on threads that own no window.
    vp::CNoticeWindow notices;
    if (!notices.Create()) vp::Trace(L"notice window not created");
    if (restart_log::TakeGaveUp(HKEY_CURRENT_USER, g_ProgramKeys.settings)) {
        vp::PostNotice(restart_log::kGaveUpText, product::kName, MB_OK | MB_ICONWARNING);
    }
    int result = 0;
    {
        CUiMessageLoop loop;
        g_uiLoop = &loop;
        vp::SetNoticeMailHandler(OnNoticeMail);
        // The system's word on the screen (desktop switches, the session's lock and unlock) is heard
        // on this thread, which owns windows, and handed to the hook thread, which may not.
        CSystemSignals signals;
        if (start && start->mail) signals.Start(&start->mail->hook);
        result = loop.Run(start ? start->showState : SW_SHOWNORMAL, start ? start->mail : nullptr);
        delete start;
        vp::SetNoticeMailHandler(nullptr);
        g_uiLoop = nullptr;
    }
    return result;
}

}  // namespace

DWORD WINAPI UiThreadProc(void* arg) {
    // On the user's desktop before any window exists, however the program was started; a refusal
    // leaves the windows on the desktop the program started on.
    vp::CThreadDesktop place;
    if (!place.Enter(OriginalDesktop())) vp::Trace(L"ui thread not placed (error %lu)", ::GetLastError());
    // COM and the common controls belong to the thread of the windows, and loading them (with the
    // display driver, which they bring in) is the biggest part of a start that the way to the first
    // trigger does not need. One after the other on this one thread: under Wine, a library that
    // loads while another thread brings in the display driver can deadlock with it.
    const bool com = SUCCEEDED(::CoInitialize(nullptr));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    const int result = RunUi(static_cast<UiThreadStart*>(arg));
    if (com) ::CoUninitialize();
    return static_cast<DWORD>(result);
}

DWORD WINAPI CheckThreadProc(void* arg) {
    ThreadMail& mail = *static_cast<ThreadMail*>(arg);
    for (;;) {
        vp::WaitForMail(mail.check.Ready(), INFINITE);
        CheckRequest request;
        while (mail.check.Take(request)) {
            if (request.kind == CheckRequest::Kind::Quit) return 1;
            CheckForUpdate(product::kUpdateHost, UpdateRequestPath(), g_SettingsMirror.Snapshot()->autoUpdate);
        }
    }
}

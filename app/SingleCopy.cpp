#include "app/SingleCopy.h"

#include "framework/Product.h"
#include "framework/Trace.h"
#include "framework/UserObjects.h"

namespace {

constexpr DWORD kPollMs = 100;

bool Acquired(DWORD wait) noexcept { return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED; }

}  // namespace

bool OpenRunningCopy(const wchar_t* eventName, vp::KernelHandle& mutex, vp::KernelHandle& request) noexcept {
    vp::CUserObjects& objects = vp::CUserObjects::OfProcess();
    mutex = objects.OpenMutex(product::kSingleCopyMutexName, SYNCHRONIZE);
    request = mutex ? objects.OpenEvent(eventName, EVENT_MODIFY_STATE) : vp::KernelHandle();
    if (!request) mutex.Reset();
    return request.Get() != nullptr;
}

CopyClaim CSingleCopy::Claim(DWORD waitMs) {
    vp::CUserObjects& objects = vp::CUserObjects::OfProcess();
    bool existed = false;
    m_mutex = objects.CreateMutex(product::kSingleCopyMutexName, true, existed);
    if (!m_mutex) return CopyClaim::Taken;
    bool ours = !existed;
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    while (!ours) {
        // The copy that holds the mutex may be starting (no events yet) or quitting (mutex soon free).
        if (Acquired(::WaitForSingleObject(m_mutex.Get(), 0))) break;
        vp::KernelHandle mutex, request;
        if (OpenRunningCopy(product::kShowSettingsEventName, mutex, request)) {
            // This start came from the user, so it may hand the foreground on to the window it raises.
            ::AllowSetForegroundWindow(ASFW_ANY);
            ::SetEvent(request.Get());
            vp::Trace(L"another copy runs; asked it for its settings window");
            return CopyClaim::AnotherRuns;
        }
        if (::GetTickCount64() >= deadline) {
            vp::Trace(L"the copy that holds the mutex takes no requests");
            return CopyClaim::Taken;
        }
        ours = Acquired(::WaitForSingleObject(m_mutex.Get(), kPollMs));
    }
    m_showSettings = objects.CreateEvent(product::kShowSettingsEventName, false, false, existed);
    m_quit = objects.CreateEvent(product::kQuitEventName, false, false, existed);
    // A guard of the copy before this one may hold it still.
    m_guardAlive = objects.CreateEvent(product::kGuardAliveEventName, true, false, existed);
    if (m_showSettings && m_quit && m_guardAlive) return CopyClaim::Ours;
    m_showSettings.Reset();
    m_quit.Reset();
    m_guardAlive.Reset();
    ::ReleaseMutex(m_mutex.Get());
    m_mutex.Reset();
    return CopyClaim::Taken;
}

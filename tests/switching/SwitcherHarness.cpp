#include "switching/SwitcherHarness.h"

#include <gtest/gtest.h>

#include "actions/OpenActions.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "support/TestSupport.h"
#include "switching/DesktopSwitcher.h"
#include "switching/HookLib.h"
#include "switching/ThreadMessages.h"

using namespace testing_support;

namespace {
struct RecorderStart {
    std::atomic<int>* counter;
};
}  // namespace

SwitcherHarness::SwitcherHarness() {
    // A short private "Windows directory": the module's field holds 49 characters.
    m_systemRoot = L"C:\\vpsr" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(m_systemRoot.c_str(), nullptr);
    ::CopyFileW(HelperPath(L"desktop_reporter.exe").c_str(), (m_systemRoot + L"\\explorer.exe").c_str(), FALSE);
    ::DeleteFileW((m_systemRoot + L"\\explorer.exe.log").c_str());
}

SwitcherHarness::~SwitcherHarness() {
    Stop();
    for (int i = 0; i < 2; ++i) {
        if (m_recorderIds[i]) ::PostThreadMessageW(m_recorderIds[i], WM_APP_QUIT, 0, 0);
        if (m_recorders[i]) ::WaitForSingleObject(m_recorders[i].Get(), 2000);
    }
    ::DeleteFileW((m_systemRoot + L"\\explorer.exe.log").c_str());
    ::DeleteFileW((m_systemRoot + L"\\explorer.exe").c_str());
    ::RemoveDirectoryW(m_systemRoot.c_str());
    ClearMirror();
}

void SwitcherHarness::ClearMirror() {
    g_SettingsMirror.Clear();
}

DWORD WINAPI SwitcherHarness::RecorderProc(void* arg) {
    auto* counter = static_cast<std::atomic<int>*>(arg);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_ASK_PASSWORD) counter->fetch_add(1);
        if (msg.message == WM_APP_QUIT) break;
    }
    return 0;
}

DWORD WINAPI SwitcherHarness::HookProc(void* harness) {
    const auto* h = static_cast<SwitcherHarness*>(harness);
    return RunHookThread(h->m_threads, h->m_serveAfter, h->m_started);
}

bool SwitcherHarness::Start(HANDLE serveAfter, HANDLE started) {
    m_serveAfter = serveAfter;
    m_started = started;
    m_threads.main = ::GetCurrentThreadId();
    vp::SetSystemRootForTest(m_systemRoot.c_str());
    for (int i = 0; i < 2; ++i) {
        m_recorders[i].Reset(::CreateThread(nullptr, 0, RecorderProc, &m_asks[i], 0, &m_recorderIds[i]));
    }
    // The recorders' queues exist once they answer a posted message; give them a moment.
    WaitUntil([&] { return ::PostThreadMessageW(m_recorderIds[0], WM_NULL, 0, 0) &&
                           ::PostThreadMessageW(m_recorderIds[1], WM_NULL, 0, 0); }, 2000);
    m_threads.pwd1 = m_recorderIds[0];
    m_threads.pwd2 = m_recorderIds[1];

    const SwitchStamps at = LastSwitchStamps();
    m_switchesAtStart = at.switches;
    m_requestsAtStart = at.requests;
    m_triggersAtStart = hooklib::TriggersPosted();
    m_hookThread.Reset(::CreateThread(nullptr, 0, HookProc, this, 0, &m_hookId));
    m_threads.hook = m_hookId;
    // The hooks are in place before the shell is started; a shell that could not start is shown.
    WaitUntil([&] { return !ShellLog().empty() || ::WaitForSingleObject(m_hookThread.Get(), 0) == WAIT_OBJECT_0 ||
                           ::FindWindowW(L"#32770", L"Veilpane") != nullptr; },
              10000);
    return !ShellLog().empty() && hooklib::HookedDesktop(kGivenOnOriginal) && hooklib::HookedDesktop(kGivenOnVirtual);
}

void SwitcherHarness::Stop() {
    if (!m_hookThread) return;
    ::PostThreadMessageW(m_hookId, WM_APP_QUIT, 0, 0);
    ::WaitForSingleObject(m_hookThread.Get(), 10000);
    m_hookThread.Reset();
}

void SwitcherHarness::PostSwitch(LPARAM lParam, WPARAM givenOn) const {
    ::PostThreadMessageW(m_hookId, WM_DESKTOP_SWITCH, givenOn, lParam);
}

long SwitcherHarness::Switches() const { return LastSwitchStamps().switches - m_switchesAtStart; }
long SwitcherHarness::Triggers() const { return hooklib::TriggersPosted() - m_triggersAtStart; }
long SwitcherHarness::Requests() const { return LastSwitchStamps().requests - m_requestsAtStart; }

bool SwitcherHarness::WaitTriggersTaken(DWORD timeoutMs) const {
    return WaitUntil([&] { return Requests() >= Triggers(); }, timeoutMs);
}

bool SwitcherHarness::WaitSwitches(long count, DWORD timeoutMs) const {
    if (!WaitUntil([&] { return Switches() >= count; }, timeoutMs)) return false;
    // The screen went where the hook thread went, as the system tells this test, not only the count.
    const std::wstring went = HookThreadDesktop();
    if (Showing(went.c_str())) return true;
    ADD_FAILURE() << "the hook thread switched to " << Narrow(went) << ", but \"" << Narrow(InputDesktopName())
                  << "\" shows";
    return false;
}

std::wstring SwitcherHarness::HookThreadDesktop() const { return DesktopName(::GetThreadDesktop(m_hookId)); }
std::wstring SwitcherHarness::HookedDesktop(WPARAM givenOn) const {
    return DesktopName(hooklib::HookedDesktop(givenOn));
}
std::wstring SwitcherHarness::ShellLog() const { return ReadFileText(m_systemRoot + L"\\explorer.exe.log"); }

DWORD SwitcherHarness::ReadTaskManagerPolicy() {
    CRegistryStore store;
    store.SetPath(kPolicyKey);
    DWORD v = 0xFFFFFFFF;
    store.ReadDword(L"DisableTaskMgr", &v);
    return v;
}

#include "switching/SwitcherHarness.h"

#include <gtest/gtest.h>

#include "actions/OpenActions.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "support/TestSupport.h"
#include "switching/DesktopSwitcher.h"
#include "switching/InputHook.h"
#include "switching/PromptDesktop.h"
#include "switching/ThreadMail.h"

using namespace testing_support;

SwitcherHarness::SwitcherHarness(bool recorders) : m_withRecorders(recorders) {
    // A short private "Windows directory": the module's field holds 49 characters.
    m_systemRoot = L"C:\\vpsr" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(m_systemRoot.c_str(), nullptr);
    ::CopyFileW(HelperPath(L"desktop_reporter.exe").c_str(), (m_systemRoot + L"\\explorer.exe").c_str(), FALSE);
    ::DeleteFileW((m_systemRoot + L"\\explorer.exe.log").c_str());
}

SwitcherHarness::~SwitcherHarness() {
    Stop();
    for (int i = 0; i < 2; ++i) {
        if (!m_recorderThreads[i]) continue;
        m_recorders[i].mail->Put(PasswordRequest(PasswordRequest::Kind::Quit));
        ::WaitForSingleObject(m_recorderThreads[i].Get(), 2000);
    }
    ::DeleteFileW((m_systemRoot + L"\\explorer.exe.log").c_str());
    ::DeleteFileW((m_systemRoot + L"\\explorer.exe").c_str());
    ::RemoveDirectoryW(m_systemRoot.c_str());
    ClearMirror();
}

std::wstring SwitcherHarness::PromptsDesktopName() { return DesktopName(PromptDesktop()); }

void SwitcherHarness::ClearMirror() {
    g_SettingsMirror.Clear();
}

void SwitcherHarness::SetMiddleButton(bool on) {
    g_SettingsMirror.Update([&](CSettingsData& m) { m.middleButton = on; });
}

void SwitcherHarness::SetButtonPair(bool on) {
    g_SettingsMirror.Update([&](CSettingsData& m) { m.doubleButton = on; });
}

void SwitcherHarness::SetHotkey(UINT key, bool shift, bool ctrl, bool alt) {
    g_SettingsMirror.Update([&](CSettingsData& m) {
        m.switchHotkey.bEnabled = key != 0;
        m.switchHotkey.nKey = key;
        m.switchHotkey.bShift = shift;
        m.switchHotkey.bCtrl = ctrl;
        m.switchHotkey.bAlt = alt;
    });
}

DWORD WINAPI SwitcherHarness::RecorderProc(void* arg) {
    auto& recorder = *static_cast<Recorder*>(arg);
    for (;;) {
        ::WaitForSingleObject(recorder.mail->Ready(), INFINITE);
        PasswordRequest request;
        while (recorder.mail->Take(request)) {
            if (request.kind == PasswordRequest::Kind::Quit) return 0;
            recorder.lastAsk = request.ask;
            recorder.asks.fetch_add(1);
        }
    }
}

DWORD WINAPI SwitcherHarness::HookProc(void* harness) {
    const auto* h = static_cast<SwitcherHarness*>(harness);
    return RunHookThread(const_cast<SwitcherHarness*>(h)->m_mail, h->m_serveAfter, h->m_started);
}

bool SwitcherHarness::Start(HANDLE serveAfter, HANDLE started) {
    m_serveAfter = serveAfter;
    m_started = started;
    m_mail.ids.main = ::GetCurrentThreadId();
    vp::SetSystemRootForTest(m_systemRoot.c_str());
    m_recorders[0].mail = &m_mail.pwd1;
    m_recorders[1].mail = &m_mail.pwd2;
    for (int i = 0; i < 2 && m_withRecorders; ++i) {
        m_recorderThreads[i].Reset(::CreateThread(nullptr, 0, RecorderProc, &m_recorders[i], 0, nullptr));
    }

    const SwitchStamps at = LastSwitchStamps();
    m_switchesAtStart = at.switches;
    m_requestsAtStart = at.requests;
    m_triggersAtStart = CInputHook::LastTrigger().posted;
    m_hookThread.Reset(::CreateThread(nullptr, 0, HookProc, this, 0, &m_hookId));
    m_mail.ids.hook = m_hookId;
    // The hooks are in place before the shell is started; a shell that could not start is shown.
    WaitUntil([&] { return !ShellLog().empty() || ::WaitForSingleObject(m_hookThread.Get(), 0) == WAIT_OBJECT_0 ||
                           ::FindWindowW(L"#32770", L"Veilpane") != nullptr; },
              10000);
    return !ShellLog().empty();
}

void SwitcherHarness::Stop() {
    if (!m_hookThread) return;
    m_mail.hook.Put(HookRequest(HookRequest::Kind::Quit));
    ::WaitForSingleObject(m_hookThread.Get(), 10000);
    m_hookThread.Reset();
}

void SwitcherHarness::Trigger(WPARAM givenOn) {
    HookRequest trigger;
    trigger.givenOn = givenOn;
    m_mail.hook.Put(std::move(trigger));
}

void SwitcherHarness::Approve(int which) {
    HookRequest approval(HookRequest::Kind::Approved);
    approval.ask = m_recorders[which - 1].lastAsk.load();
    m_mail.hook.Put(std::move(approval));
}

void SwitcherHarness::Decline(int which) {
    HookRequest declined(HookRequest::Kind::Declined);
    declined.ask = m_recorders[which - 1].lastAsk.load();
    m_mail.hook.Put(std::move(declined));
}

long SwitcherHarness::Switches() const { return LastSwitchStamps().switches - m_switchesAtStart; }
long SwitcherHarness::Triggers() const { return CInputHook::LastTrigger().posted - m_triggersAtStart; }
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
std::wstring SwitcherHarness::ShellLog() const { return ReadFileText(m_systemRoot + L"\\explorer.exe.log"); }

DWORD SwitcherHarness::ReadTaskManagerPolicy() {
    CRegistryStore store;
    store.SetPath(kPolicyKey);
    DWORD v = 0xFFFFFFFF;
    store.ReadDword(L"DisableTaskMgr", &v);
    return v;
}

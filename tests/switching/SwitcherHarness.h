#pragma once
// Runs the program's hook thread inside a test: the module's mirror is set by the test, a stand-in
// shell (the desktop reporter, copied as explorer.exe under a private Windows directory) is started on
// "vpdesk", a recorder thread stands in for each password thread and a notice thread for the ui
// thread.
#include <windows.h>

#include <atomic>
#include <string>

#include "framework/Handles.h"
#include "support/TestSupport.h"
#include "settings/SettingsMirror.h"
#include "switching/ThreadIds.h"

class SwitcherHarness {
public:
    SwitcherHarness();
    ~SwitcherHarness();

    // Starts the hook thread; false when it did not come up (both desktops hooked, the shell started).
    // With serveAfter it serves requests once that is set, and sets started after its start-up.
    bool Start(HANDLE serveAfter = nullptr, HANDLE started = nullptr);
    // Stops it with the quit message and waits for it.
    void Stop();

    void PostSwitch(LPARAM lParam, WPARAM givenOn = 0) const;
    // Waits until the number of switches made reaches count.
    bool WaitSwitches(long count, DWORD timeoutMs = 10000) const;
    long Switches() const;
    // Triggers the hooks posted, and requests the hook thread took, since the start.
    long Triggers() const;
    long Requests() const;
    // Waits until the hook thread has taken every trigger posted so far.
    bool WaitTriggersTaken(DWORD timeoutMs = 10000) const;

    std::wstring HookThreadDesktop() const;              // desktop the hook thread is on now
    std::wstring HookedDesktop(WPARAM givenOn) const;    // desktop hooked for triggers given there
    DWORD NoticeThreadId() const { return m_notices.Id(); }

    int PasswordAsks(int which) const { return m_asks[which - 1].load(); }  // 1: Pwd1, 2: Pwd2
    std::wstring ShellLog() const;            // what the stand-in shell wrote
    const std::wstring& SystemRoot() const { return m_systemRoot; }

    DWORD HookThreadId() const { return m_hookId; }
    // The ids the hook thread was started with; a test may put other password threads in.
    ThreadIds& Threads() { return m_threads; }

    // Resets every mirror field to its initial value.
    static void ClearMirror();

    // The registry places the switch's actions touch.
    static constexpr wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    static constexpr wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    // The Task Manager policy value, or 0xFFFFFFFF when there is none.
    static DWORD ReadTaskManagerPolicy();

private:
    static DWORD WINAPI RecorderProc(void* arg);
    static DWORD WINAPI HookProc(void* harness);

    testing_support::NoticeThread m_notices;
    std::wstring m_systemRoot;
    ThreadIds m_threads;
    HANDLE m_serveAfter = nullptr, m_started = nullptr;
    vp::KernelHandle m_hookThread;
    DWORD m_hookId = 0;
    long m_switchesAtStart = 0, m_requestsAtStart = 0, m_triggersAtStart = 0;
    vp::KernelHandle m_recorders[2];
    DWORD m_recorderIds[2] = {};
    std::atomic<int> m_asks[2] = {};
};

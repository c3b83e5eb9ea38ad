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
#include "switching/ThreadMail.h"

class SwitcherHarness {
public:
    // recorders false: no stand-ins take the password threads' mail (a test starts the real ones).
    explicit SwitcherHarness(bool recorders = true);
    ~SwitcherHarness();

    // Starts the hook thread; false when it did not come up (both desktops hooked, the shell started).
    // With serveAfter it serves requests once that is set, and sets started after its start-up.
    bool Start(HANDLE serveAfter = nullptr, HANDLE started = nullptr);
    // Stops it with Quit in its mail and waits for it.
    void Stop();

    // A trigger, as the hooks of the desktop givenOn (0: none named) hand it on.
    void Trigger(WPARAM givenOn = 0);
    // The right password for the last ask the stand-in password thread which (1: Pwd1, 2: Pwd2) took.
    void Approve(int which);
    // That prompt closed without the right password.
    void Decline(int which);
    // Waits until the number of switches made reaches count.
    bool WaitSwitches(long count, DWORD timeoutMs = 10000) const;
    long Switches() const;
    // Triggers the hooks of the process posted, and requests the hook thread took, since the start.
    long Triggers() const;
    long Requests() const;
    // Waits until the hook thread has taken every trigger posted so far.
    bool WaitTriggersTaken(DWORD timeoutMs = 10000) const;

    std::wstring HookThreadDesktop() const;              // desktop the hook thread is on now
    DWORD NoticeThreadId() const { return m_notices.Id(); }

    int PasswordAsks(int which) const { return m_recorders[which - 1].asks.load(); }  // 1: Pwd1, 2: Pwd2
    std::wstring ShellLog() const;            // what the stand-in shell wrote
    const std::wstring& SystemRoot() const { return m_systemRoot; }

    DWORD HookThreadId() const { return m_hookId; }
    // The mail the hook thread serves.
    ThreadMail& Mail() { return m_mail; }

    // The prompts' desktop, by its name, which only this process knows.
    static std::wstring PromptsDesktopName();
    // Resets every mirror field to its initial value.
    static void ClearMirror();
    // The triggers in the mirror: the middle button, the button pair, a hotkey (key 0: off).
    static void SetMiddleButton(bool on);
    static void SetButtonPair(bool on);
    static void SetHotkey(UINT key, bool shift = false, bool ctrl = false, bool alt = false);

    // The registry places the switch's actions touch.
    static constexpr wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    static constexpr wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    // The Task Manager policy value, or 0xFFFFFFFF when there is none.
    static DWORD ReadTaskManagerPolicy();

private:
    struct Recorder {
        vp::CMailbox<PasswordRequest>* mail = nullptr;
        std::atomic<int> asks{0};
        std::atomic<unsigned> lastAsk{0};
    };
    static DWORD WINAPI RecorderProc(void* recorder);
    static DWORD WINAPI HookProc(void* harness);

    testing_support::NoticeThread m_notices;
    std::wstring m_systemRoot;
    ThreadMail m_mail;
    bool m_withRecorders;
    HANDLE m_serveAfter = nullptr, m_started = nullptr;
    vp::KernelHandle m_hookThread;
    DWORD m_hookId = 0;
    long m_switchesAtStart = 0, m_requestsAtStart = 0, m_triggersAtStart = 0;
    vp::KernelHandle m_recorderThreads[2];
    Recorder m_recorders[2];
};

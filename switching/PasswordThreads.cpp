#include "switching/PasswordThreads.h"

#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "app/Trace.h"
#include "framework/Handles.h"
#include "framework/PasswordHash.h"
#include "framework/ThreadDesktop.h"
#include "switching/OriginalDesktop.h"

bool AskForPassword(const wchar_t* prompt, failed_attempts::Prompt kind, failed_attempts::Summary& before) {
    before = failed_attempts::Summary{};
    const failed_attempts::CFailedAttempts attempts(g_Module.m_pszRegistryKey);
    wchar_t entered[16] = {};
    if (RunPasswordPrompt(prompt, entered, failed_attempts::WaitSeconds(attempts.FailedInARow())) != IDOK) return false;
    // The guarding password is read now, after the prompt has closed.
    wchar_t record[vp::kPasswordRecordUnits];
    if (kind == failed_attempts::Prompt::Restore) {
        g_Module.CopyRestorePassword(record);
    } else {
        g_Module.CopySwitchPassword(record);
    }
    const bool correct = vp::VerifyPasswordRecord(entered, record);
    ::SecureZeroMemory(entered, sizeof(entered));
    if (!correct) {
        SYSTEMTIME now;
        ::GetSystemTime(&now);
        attempts.Record(kind, now);
        return false;
    }
    before = attempts.TakeSummary();
    return true;
}

namespace {

DWORD RunPasswordThread(HDESK desktop, const wchar_t* prompt, failed_attempts::Prompt kind) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_ASK_PASSWORD, WM_ASK_PASSWORD, PM_NOREMOVE);
    // No window yet, so the move is allowed; a refusal leaves the prompt on the desktop we started on.
    vp::CThreadDesktop place;
    if (!place.Enter(desktop)) vp::Trace(L"password thread not placed (error %lu)", ::GetLastError());
    // The authorisation was given on this thread's desktop: the switch goes away from it.
    const WPARAM givenOn = kind == failed_attempts::Prompt::Switch ? kGivenOnOriginal : kGivenOnVirtual;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_ASK_PASSWORD) {
            failed_attempts::Summary before;
            if (!AskForPassword(prompt, kind, before)) continue;
            ::PostThreadMessageW(g_Module.m_dwHookThreadId, WM_DESKTOP_SWITCH, givenOn, 0);
            if (before.count > 0) {
                failed_attempts::SetPendingNotice(failed_attempts::NoticeText(before.count, before.since));
                ::PostThreadMessageW(g_Module.m_dwUiThreadId, WM_PASSWORD_NOTICE, 0, 0);
            }
        } else if (msg.message == WM_APP_QUIT) {
            break;
        }
    }
    return 1;
}

}  // namespace

DWORD WINAPI Pwd1ThreadProc(void*) {
    return RunPasswordThread(OriginalDesktop(), L"Please Enter Switch Password:", failed_attempts::Prompt::Switch);
}

DWORD WINAPI Pwd2ThreadProc(void*) {
    // Opens the desktop the hook thread creates, or creates it if this thread comes first; kept for
    // the life of the thread.
    vp::DesktopHandle desktop(::CreateDesktopW(g_Module.m_pszDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                               GENERIC_ALL, nullptr));
    return RunPasswordThread(desktop.Get(), L"Please Enter Restore Password:", failed_attempts::Prompt::Restore);
}

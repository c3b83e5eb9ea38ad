#include "switching/PasswordThreads.h"

#include "framework/Handles.h"
#include "framework/PasswordHash.h"
#include "framework/Product.h"
#include "framework/ThreadDesktop.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "switching/OriginalDesktop.h"
#include "framework/Notice.h"
#include "switching/ThreadMessages.h"

bool AskForPassword(IPasswordPrompt& prompter, const wchar_t* prompt, failed_attempts::Prompt kind,
                    failed_attempts::Summary& before) {
    before = failed_attempts::Summary{};
    const failed_attempts::CFailedAttempts attempts(g_ProgramKeys.settings);
    wchar_t entered[16] = {};
    if (prompter.Ask(prompt, entered, failed_attempts::WaitSeconds(attempts.FailedInARow())) != IDOK) return false;
    // The guarding password is read now, after the prompt has closed.
    const SettingsSnapshot settings = g_SettingsMirror.Snapshot();
    const PasswordSetting& guarding =
        kind == failed_attempts::Prompt::Restore ? settings->restorePassword : settings->switchPassword;
    const bool correct = vp::VerifyPasswordRecord(entered, guarding.text);
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

DWORD RunPasswordThread(HDESK desktop, const wchar_t* prompt, failed_attempts::Prompt kind,
                        const PasswordThreadStart& start) {
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
            if (!AskForPassword(*start.prompt, prompt, kind, before)) continue;
            ::PostThreadMessageW(start.threads->hook, WM_DESKTOP_SWITCH, givenOn, 0);
            if (before.count > 0) {
                failed_attempts::SetPendingNotice(failed_attempts::NoticeText(before.count, before.since));
                vp::PostNoticeMail(kPasswordNoticeMail);
            }
        } else if (msg.message == WM_APP_QUIT) {
            break;
        }
    }
    return 1;
}

}  // namespace

DWORD WINAPI Pwd1ThreadProc(void* arg) {
    return RunPasswordThread(OriginalDesktop(), L"Please Enter Switch Password:", failed_attempts::Prompt::Switch,
                             *static_cast<const PasswordThreadStart*>(arg));
}

DWORD WINAPI Pwd2ThreadProc(void* arg) {
    const auto& start = *static_cast<const PasswordThreadStart*>(arg);
    // Opens the desktop the hook thread creates, or creates it if this thread comes first; kept for
    // the life of the thread.
    vp::DesktopHandle desktop(::CreateDesktopW(product::kDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                               GENERIC_ALL, nullptr));
    return RunPasswordThread(desktop.Get(), L"Please Enter Restore Password:", failed_attempts::Prompt::Restore, start);
}

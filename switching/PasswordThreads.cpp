#include "switching/PasswordThreads.h"

#include <algorithm>

#include "framework/Handles.h"
#include "framework/MessageGuard.h"
#include "framework/PasswordHash.h"
#include "framework/Product.h"
#include "framework/ThreadDesktop.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "switching/GuardChannel.h"
#include "switching/OriginalDesktop.h"
#include "framework/Notice.h"
#include "switching/ThreadMail.h"

bool AskForPassword(IPasswordPrompt& prompter, const wchar_t* prompt, failed_attempts::Prompt kind,
                    failed_attempts::Summary& before) {
    before = failed_attempts::Summary{};
    const failed_attempts::CFailedAttempts attempts(g_ProgramKeys.settings);
    // Counted in memory too (and handed to a copy started again), so a value reset in the key
    // shortens no wait.
    const DWORD inARow = std::max(attempts.FailedInARow(), guard_channel::Current().failedInARow);
    wchar_t entered[16] = {};
    if (prompter.Ask(prompt, entered, failed_attempts::WaitSeconds(inARow)) != IDOK) return false;
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
        guard_channel::TellFailedInARow(std::max(attempts.FailedInARow(), inARow + 1));
        return false;
    }
    before = attempts.TakeSummary();
    guard_channel::TellFailedInARow(0);
    return true;
}

namespace {

DWORD RunPasswordThread(HDESK desktop, const wchar_t* prompt, failed_attempts::Prompt kind,
                        const PasswordThreadStart& start) {
    vp::CMailbox<PasswordRequest>& mail = kind == failed_attempts::Prompt::Switch ? start.mail->pwd1 : start.mail->pwd2;
    // No window yet, so the move is allowed; a refusal leaves the prompt on the desktop we started on.
    vp::CThreadDesktop place;
    if (!place.Enter(desktop)) vp::Trace(L"password thread not placed (error %lu)", ::GetLastError());
    // Set after the move: a thread with a hook can no longer change its desktop.
    vp::CPostedMessageFilter filter;
    if (!filter.Install()) vp::Trace(L"posted-message filter not set (error %lu)", ::GetLastError());
    for (;;) {
        vp::WaitForMail(mail.Ready(), INFINITE);
        PasswordRequest request;
        while (mail.Take(request)) {
            if (request.kind == PasswordRequest::Kind::Quit) return 1;
            failed_attempts::Summary before;
            const bool right = AskForPassword(*start.prompt, prompt, kind, before);
            // The answer, right or not, closes the ask; only a right one approves the switch.
            HookRequest answer(right ? HookRequest::Kind::Approved : HookRequest::Kind::Declined);
            answer.ask = request.ask;
            start.mail->hook.Put(std::move(answer));
            if (!right) continue;
            if (before.count > 0) {
                failed_attempts::SetPendingNotice(failed_attempts::NoticeText(before.count, before.since));
                vp::PostNoticeMail(kPasswordNoticeMail);
            }
        }
    }
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

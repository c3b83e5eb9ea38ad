#include "switching/PasswordThreads.h"

#include <algorithm>

#include "framework/Handles.h"
#include "framework/MessageGuard.h"
#include "framework/Notice.h"
#include "framework/PasswordHash.h"
#include "framework/Product.h"
#include "framework/ThreadDesktop.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "switching/GuardChannel.h"
#include "switching/OriginalDesktop.h"
#include "switching/PromptDesktop.h"
#include "switching/ThreadMail.h"

const wchar_t* PromptText(failed_attempts::Prompt kind) noexcept {
    return kind == failed_attempts::Prompt::Restore ? L"Please Enter Restore Password:" : L"Please Enter Switch Password:";
}

bool AskForPassword(IPasswordPrompt& prompter, failed_attempts::Prompt kind, failed_attempts::Summary& before,
                    const PromptWithdrawal& withdrawal) {
    before = failed_attempts::Summary{};
    const failed_attempts::CFailedAttempts attempts(g_ProgramKeys.settings);
    // Counted in memory too (and handed to a copy started again), so a value reset in the key
    // shortens no wait.
    const DWORD inARow = std::max(attempts.FailedInARow(), guard_channel::Current().failedInARow);
    wchar_t entered[16] = {};
    if (prompter.Ask(PromptText(kind), entered, failed_attempts::WaitSeconds(inARow), withdrawal) != IDOK) return false;
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

DWORD RunPasswordThread(HDESK desktop, vp::CMailbox<PasswordRequest>& mail, const PasswordThreadStart& start) {
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
            const bool right =
                AskForPassword(*start.prompt, request.prompt, before, PromptWithdrawal{&start.mail->withdrawnAsks, request.ask});
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
    const auto& start = *static_cast<const PasswordThreadStart*>(arg);
    const HDESK prompts = PromptDesktop();
    return RunPasswordThread(prompts ? prompts : OriginalDesktop(), start.mail->pwd1, start);
}

DWORD WINAPI Pwd2ThreadProc(void* arg) {
    const auto& start = *static_cast<const PasswordThreadStart*>(arg);
    if (const HDESK prompts = PromptDesktop()) return RunPasswordThread(prompts, start.mail->pwd2, start);
    // Without the prompts' desktop, the virtual one: opens the desktop the hook thread creates, or
    // creates it if this thread comes first; kept for the life of the thread.
    vp::DesktopHandle desktop(::CreateDesktopW(product::kDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                               GENERIC_ALL, nullptr));
    return RunPasswordThread(desktop.Get(), start.mail->pwd2, start);
}

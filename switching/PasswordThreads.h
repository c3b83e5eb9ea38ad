#pragma once
// The two password threads: Pwd1 asks what is asked from the original desktop (the switch password,
// for the switch and for the settings window), Pwd2 what is asked from the virtual desktop. Both live
// on the prompts' desktop (switching/PromptDesktop.h), where the hook thread shows them; without one,
// each on the desktop it asks from. They ask through a prompt they are given.
#include <windows.h>

#include <atomic>

#include "settings/FailedAttempts.h"
#include "switching/ThreadMail.h"

// When an open prompt is to close unanswered: once its ask is withdrawn.
struct PromptWithdrawal {
    const std::atomic<unsigned>* withdrawnAsks = nullptr;
    unsigned ask = 0;
    bool Now() const noexcept { return withdrawnAsks && ask != 0 && withdrawnAsks->load() >= ask; }
};

// Shows a password prompt on the calling thread's desktop.
class IPasswordPrompt {
public:
    virtual ~IPasswordPrompt() = default;
    // Returns the dialog's result (IDOK, IDCANCEL or the platform's failure value) and, after IDOK,
    // the entered text. waitSeconds keeps the field closed for that long after the prompt opens; a
    // prompt whose ask is withdrawn closes as on Cancel.
    virtual INT_PTR Ask(const wchar_t* prompt, wchar_t (&entered)[16], unsigned waitSeconds,
                        const PromptWithdrawal& withdrawal) = 0;
};

// Start argument of both password threads; owned by whoever starts them and kept for their life.
// Each takes its asks from its own mailbox and hands the switcher the answer to the ask, in the
// switcher's mail: a one-use approval, or the word that the prompt closed without the password.
struct PasswordThreadStart {
    ThreadMail* mail;
    IPasswordPrompt* prompt;
};

DWORD WINAPI Pwd1ThreadProc(void* start);
DWORD WINAPI Pwd2ThreadProc(void* start);

// One guarded prompt on the calling thread's desktop: waits as the wrong passwords so far ask, checks
// the entry against the hash record of the password that guards kind (the switch password guards the
// settings window too), read after the prompt has closed; records a wrong one, and after a correct
// one takes the record of earlier wrong ones into before (count 0 when there were none). True only
// for the correct password; Cancel is neither right nor wrong. The typed text is wiped before this
// returns.
bool AskForPassword(IPasswordPrompt& prompter, failed_attempts::Prompt kind, failed_attempts::Summary& before,
                    const PromptWithdrawal& withdrawal = {});
// What the prompt of kind reads.
const wchar_t* PromptText(failed_attempts::Prompt kind) noexcept;

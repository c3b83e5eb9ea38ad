#pragma once
// The two password threads: Pwd1 on the original desktop guards the switch to the virtual desktop,
// Pwd2 on the virtual desktop guards the switch back. They ask through a prompt they are given.
#include <windows.h>

#include "settings/FailedAttempts.h"
#include "switching/ThreadMail.h"

// Shows a password prompt on the calling thread's desktop.
class IPasswordPrompt {
public:
    virtual ~IPasswordPrompt() = default;
    // Returns the dialog's result (IDOK, IDCANCEL or the platform's failure value) and, after IDOK,
    // the entered text. waitSeconds keeps the field closed for that long after the prompt opens.
    virtual INT_PTR Ask(const wchar_t* prompt, wchar_t (&entered)[16], unsigned waitSeconds) = 0;
};

// Start argument of both password threads; owned by whoever starts them and kept for their life.
// Each takes its asks from its own mailbox and hands the switcher a one-use approval for the ask it
// answered, in the switcher's mail.
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
bool AskForPassword(IPasswordPrompt& prompter, const wchar_t* prompt, failed_attempts::Prompt kind,
                    failed_attempts::Summary& before);

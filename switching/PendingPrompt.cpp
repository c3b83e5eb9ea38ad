// The prompt dialog is built with the settings window; until then every prompt counts as cancelled.
#include "switching/PasswordThreads.h"

INT_PTR RunPasswordPrompt(const wchar_t*, wchar_t (&entered)[16]) {
    entered[0] = L'\0';
    return IDCANCEL;
}

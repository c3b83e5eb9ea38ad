#pragma once
// The two password threads: Pwd1 on the original desktop guards the switch to the virtual desktop,
// Pwd2 on the virtual desktop guards the switch back.
#include <windows.h>

DWORD WINAPI Pwd1ThreadProc(void*);
DWORD WINAPI Pwd2ThreadProc(void*);

// Shows the prompt on the calling thread's desktop; returns the dialog's result (IDOK, IDCANCEL or
// the platform's failure value) and, after IDOK, the entered text.
INT_PTR RunPasswordPrompt(const wchar_t* prompt, wchar_t (&entered)[16]);

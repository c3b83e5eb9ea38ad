#include "switching/PasswordThreads.h"

#include <cwchar>

#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "app/Trace.h"
#include "framework/Handles.h"
#include "framework/ThreadDesktop.h"
#include "switching/OriginalDesktop.h"

namespace {

enum class Guard { Switch, Restore };

DWORD RunPasswordThread(HDESK desktop, const wchar_t* prompt, Guard guard) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_ASK_PASSWORD, WM_ASK_PASSWORD, PM_NOREMOVE);
    // No window yet, so the move is allowed; a refusal leaves the prompt on the desktop we started on.
    vp::CThreadDesktop place;
    if (!place.Enter(desktop)) vp::Trace(L"password thread not placed (error %lu)", ::GetLastError());
    // The authorisation was given on this thread's desktop: the switch goes away from it.
    const WPARAM givenOn = guard == Guard::Switch ? kGivenOnOriginal : kGivenOnVirtual;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_ASK_PASSWORD) {
            wchar_t entered[16] = {};
            if (RunPasswordPrompt(prompt, entered) != IDOK) continue;
            // The guarding password is read now, after the prompt has closed.
            wchar_t expected[16];
            if (guard == Guard::Switch) {
                g_Module.CopySwitchPassword(expected);
            } else {
                g_Module.CopyRestorePassword(expected);
            }
            if (std::wcscmp(entered, expected) == 0) {
                ::PostThreadMessageW(g_Module.m_dwHookThreadId, WM_DESKTOP_SWITCH, givenOn, 0);
            }
            ::SecureZeroMemory(entered, sizeof(entered));
            ::SecureZeroMemory(expected, sizeof(expected));
        } else if (msg.message == WM_APP_QUIT) {
            break;
        }
    }
    return 1;
}

}  // namespace

DWORD WINAPI Pwd1ThreadProc(void*) {
    return RunPasswordThread(OriginalDesktop(), L"Please Enter Switch Password:", Guard::Switch);
}

DWORD WINAPI Pwd2ThreadProc(void*) {
    // Opens the desktop the hook thread creates, or creates it if this thread comes first; kept for
    // the life of the thread.
    vp::DesktopHandle desktop(::CreateDesktopW(g_Module.m_pszDesktopName, nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                               GENERIC_ALL, nullptr));
    return RunPasswordThread(desktop.Get(), L"Please Enter Restore Password:", Guard::Restore);
}

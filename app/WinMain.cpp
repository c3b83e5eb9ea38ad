// The process entry: the installer's "/quit" and "/afterinstall"; otherwise the main thread's run
// step (COM and the common controls are the ui thread's, app/Threads.cpp). The same program, under
// the name VeilpaneGuard.exe, also serves as its guard process (a private argument).
#include <windows.h>

#include "actions/UndoRecord.h"
#include "app/Guard.h"
#include "app/QuitRunningCopy.h"
#include "app/SingleCopy.h"
#include "app/StartArguments.h"
#include "app/Threads.h"
#include "framework/Product.h"
#include "settings/ProgramKeys.h"
#include "switching/GuardChannel.h"
#include "switching/OriginalDesktop.h"
#include "switching/ThreadMail.h"

namespace {
// How long a second start waits for a copy that is starting (its window not there yet) or quitting.
constexpr DWORD kSecondStartWaitMs = 5000;
// How long the end waits for the hook thread's quit step; what it leaves undone the guard finishes.
constexpr DWORD kHookQuitWaitMs = 2000;

// An installer that closes the program to replace its files (the system's restart manager, which asks
// it to close as a quit) may start it again afterwards. Only that: after a crash or a hang the guard
// starts it again, and after a reboot its Run value does. Looked up at run time, as older systems
// lack it.
void AllowInstallerRestart() noexcept {
    using RegisterCall = HRESULT(WINAPI*)(PCWSTR, DWORD);
    const auto registerRestart = reinterpret_cast<RegisterCall>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "RegisterApplicationRestart")));
    if (registerRestart) registerRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    // "/quit" only asks a running copy to end; it starts nothing of its own.
    if (IsQuitArgument(commandLine)) ::ExitProcess(static_cast<UINT>(QuitRunningCopies(kQuitWaitMs)));
    // After an install: the program again only when the install had ended a running copy, as a
    // process of its own, so the installer is not kept waiting.
    if (IsAfterInstallArgument(commandLine)) {
        if (TakeQuitForInstall()) StartProgramAgain();
        return 0;
    }
    const StartArguments args = ParseStartArguments(commandLine);
    if (args.role == StartRole::Guard) return RunGuard(args.watched, args.quitEvent, args.state);

    // What this copy tells its guard: from a fresh start, or as its guard handed over what the copy
    // that ended had told.
    GuardState handed;
    const bool handedOver = args.state && guard_channel::Read(args.state, handed);
    if (handedOver) ::CloseHandle(args.state);  // a value that names no such section is left alone
    guard_channel::Open(handedOver ? handed : GuardState{}, handedOver);

    static CSingleCopy single;  // its events are waited on by the ui thread until the process ends
    switch (single.Claim(kSecondStartWaitMs)) {
    case CopyClaim::Ours: break;
    case CopyClaim::AnotherRuns: return 0;
    case CopyClaim::Taken:
        // Never silently, and never a second copy beside one it cannot see.
        ::MessageBoxW(nullptr, kObjectsTakenText, product::kName, MB_OK | MB_ICONERROR);
        return 1;
    }
    SetCopyRequests(single.ShowSettingsRequest(), single.QuitRequest());
    AllowInstallerRestart();

    // A record left by a run that could not undo (its guard ended too, or the power went).
    undo_record::Undo(HKEY_CURRENT_USER, g_ProgramKeys.settings);
    // Decided here, on the desktop the process started on and before any thread has moved.
    const HDESK original = OriginalDesktop();
    InstallCrashUndo(original);
    CGuardKeeper guard;
    guard.Start(original, single.GuardAlive(), HookThreadStarted());

    // Read by the workers until the process ends, which happens before this frame is left.
    static ThreadMail mail;
    // The show state handed to the entry never decides how the settings window starts.
    const int result = RunMainThread(commandLine, SW_SHOWNORMAL, mail);
    // Not a kill: the guard will not start the program again, and finishes what is left undone.
    guard.End();
    // Give the hook thread a bounded moment for its quit step (the way back, unhook, close the
    // desktop); then end the process at once, so no worker still inside an action meets destroyed
    // shared objects. Nothing here moves the screen: a hook thread still at work keeps that job until
    // the process ends, and the guard takes it over then.
    if (HANDLE hook = ::OpenThread(SYNCHRONIZE, FALSE, mail.ids.hook)) {
        ::WaitForSingleObject(hook, kHookQuitWaitMs);
        ::CloseHandle(hook);
    }
    ::ExitProcess(static_cast<UINT>(result));
}

// The process entry: the uninstaller's "/quit"; otherwise COM, common controls, the module, then the
// main thread's run step.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/AppModule.h"
#include "app/QuitRunningCopy.h"
#include "app/Threads.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // "/quit" only asks a running copy to end; it starts nothing of its own.
    if (IsQuitArgument(commandLine)) ::ExitProcess(static_cast<UINT>(QuitRunningCopies(kQuitWaitMs)));
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    g_Module.Init(instance);
    // The show state handed to the entry never decides how the settings window starts.
    const int result = RunMainThread(commandLine, SW_SHOWNORMAL);
    // Give the hook thread a bounded moment for its quit step (unhook, close the desktop); then end
    // the process at once, so no worker still inside an action meets destroyed shared objects.
    if (HANDLE hook = ::OpenThread(SYNCHRONIZE, FALSE, g_Module.m_dwHookThreadId)) {
        ::WaitForSingleObject(hook, 2000);
        ::CloseHandle(hook);
    }
    g_Module.Term();
    ::CoUninitialize();
    ::ExitProcess(static_cast<UINT>(result));
}

#include "app/QuitRunningCopy.h"

#include <cwchar>
#include <iterator>

#include "framework/Handles.h"
#include "ui/MainFrame.h"

namespace {

BOOL CALLBACK MatchFrame(HWND window, LPARAM found) noexcept {
    wchar_t name[64];
    if (::GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 &&
        std::wcscmp(name, CMainFrame::kClassName) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The frame lives on the user's own desktop; "/quit" may have been started on the other one.
HWND FindFrame() noexcept {
    if (HWND frame = ::FindWindowW(CMainFrame::kClassName, nullptr)) return frame;
    HWND found = nullptr;
    vp::DesktopHandle desktop(::OpenDesktopW(L"Default", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (desktop) ::EnumDesktopWindows(desktop.Get(), MatchFrame, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

bool IsQuitArgument(const wchar_t* commandLine) noexcept {
    if (!commandLine) return false;
    while (*commandLine == L' ' || *commandLine == L'\t') ++commandLine;
    if (::_wcsnicmp(commandLine, L"/quit", 5) != 0) return false;
    for (commandLine += 5; *commandLine == L' ' || *commandLine == L'\t'; ++commandLine) {
    }
    return *commandLine == L'\0';
}

int QuitRunningCopies(DWORD timeoutMs) noexcept {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    const UINT request = ::RegisterWindowMessageW(CMainFrame::kQuitRequestMessage);
    if (request == 0) return 1;
    // One copy after the other: each is asked, then waited for, until no frame is left.
    while (HWND frame = FindFrame()) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(frame, &pid);
        vp::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
        if (!process || !::PostMessageW(frame, request, 0, 0)) return 1;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return 1;
        if (::WaitForSingleObject(process.Get(), static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) return 1;
    }
    return 0;
}

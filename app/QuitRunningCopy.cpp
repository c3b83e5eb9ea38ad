#include "app/QuitRunningCopy.h"

#include <cwchar>

#include "app/SingleCopy.h"
#include "framework/Handles.h"
#include "framework/Product.h"
#include "ui/MainFrame.h"

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
    const UINT request = ::RegisterWindowMessageW(product::kQuitRequestMessage);
    if (request == 0) return 1;
    // One copy after the other: each is asked, then waited for, until no frame is left.
    while (HWND frame = FindRunningCopyWindow()) {
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

#include "app/SingleCopy.h"

#include "framework/Product.h"
#include "framework/Trace.h"
#include "ui/MainFrame.h"

namespace {

constexpr DWORD kPollMs = 100;

BOOL CALLBACK FindFrameOnDesktop(HWND hwnd, LPARAM lp) {
    wchar_t cls[64];
    if (::GetClassNameW(hwnd, cls, 64) && wcscmp(cls, CMainFrame::kClassName) == 0) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK SearchDesktop(LPWSTR name, LPARAM lp) {
    vp::DesktopHandle desk(::OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (desk) ::EnumDesktopWindows(desk.Get(), FindFrameOnDesktop, lp);
    return *reinterpret_cast<HWND*>(lp) == nullptr;
}

}  // namespace

HWND FindRunningCopyWindow() noexcept {
    HWND found = ::FindWindowW(CMainFrame::kClassName, nullptr);
    if (!found) ::EnumDesktopsW(::GetProcessWindowStation(), SearchDesktop, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool CSingleCopy::Claim(DWORD waitMs) {
    m_mutex.Reset(::CreateMutexW(nullptr, TRUE, product::kSingleCopyMutexName));
    if (!m_mutex) return true;  // no way to tell: better a second copy than none
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;

    const UINT showSettings = ::RegisterWindowMessageW(product::kShowSettingsMessage);
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    for (;;) {
        // The copy that holds the mutex may be starting (no window yet) or quitting (mutex soon free).
        const DWORD r = ::WaitForSingleObject(m_mutex.Get(), 0);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) return true;
        if (HWND frame = FindRunningCopyWindow()) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(frame, &pid);
            // This start came from the user, so it may hand the foreground on to the window it raises.
            ::AllowSetForegroundWindow(pid);
            ::PostMessageW(frame, showSettings, 0, 0);
            vp::Trace(L"another copy runs; asked it for its settings window");
            return false;
        }
        if (::GetTickCount64() >= deadline) return false;
        if (const DWORD w = ::WaitForSingleObject(m_mutex.Get(), kPollMs); w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) {
            return true;
        }
    }
}

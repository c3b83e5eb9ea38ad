// Closing windows whose title holds a text, and ending processes by executable name. Both run on
// the hook thread and block it, so every wait here is bounded.
#include "actions/WindowActions.h"

#include <tlhelp32.h>

#include <cwchar>

#include "actions/ProcessPicker.h"
#include "actions/SystemActions.h"
#include "framework/Handles.h"

namespace vp {

namespace {

constexpr int kTitleUnits = 260;

BOOL CALLBACK CloseMatchingWindow(HWND window, LPARAM lParam) noexcept {
    const auto* title = reinterpret_cast<const wchar_t*>(lParam);
    if (!window || !::IsWindow(window)) return TRUE;
    // Our own windows are never closed: a boss key that closes itself would leave the user with
    // no way back and no way to hide the next time.
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == ::GetCurrentProcessId()) return TRUE;
    wchar_t text[kTitleUnits] = {};
    if (::GetWindowTextW(window, text, kTitleUnits) <= 0) return TRUE;
    if (TitleMatches(text, title)) CloseWindowThenProcess(window);
    return TRUE;
}

BOOL CALLBACK PostCloseToProcessWindow(HWND window, LPARAM lParam) noexcept {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    // Posted, never sent, so a hung window cannot stall the hook thread.
    if (processId == static_cast<DWORD>(lParam)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL CALLBACK PostCloseOnDesktop(LPWSTR name, LPARAM lParam) noexcept {
    DesktopHandle desktop(::OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (desktop) ::EnumDesktopWindows(desktop.Get(), PostCloseToProcessWindow, lParam);
    return TRUE;
}

// Every top-level window of the process, on whichever desktop of our window station it lives: the
// process actions run after the switch, from the virtual desktop, while the programs to end
// usually have their windows on the original one.
void PostCloseToProcessWindows(DWORD processId) noexcept {
    if (!::EnumDesktopsW(::GetProcessWindowStation(), PostCloseOnDesktop, static_cast<LPARAM>(processId))) {
        ::EnumWindows(PostCloseToProcessWindow, static_cast<LPARAM>(processId));
    }
}

}  // namespace

bool TitleMatches(const wchar_t* windowText, const wchar_t* title) noexcept {
    if (!windowText || !title || title[0] == L'\0') return false;
    return std::wcsstr(windowText, title) != nullptr;
}

int CloseWindowThenProcess(HWND window) noexcept {
    // Posted, never sent, so a hung window cannot stall the switch.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::Sleep(kWindowCloseWaitMs);
    if (::IsWindow(window)) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        if (processId != 0) CloseOrTerminateProcess(processId, kProcessExitWaitMs);
    }
    return 1;
}

int CloseOrTerminateProcess(DWORD processId, DWORD timeoutMs) noexcept {
    if (processId == ::GetCurrentProcessId()) return 0;
    KernelHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    if (!process) return 0;
    PostCloseToProcessWindows(processId);
    if (::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0) return 1;
    return ::TerminateProcess(process.Get(), 0) ? 2 : 0;
}

}  // namespace vp

void CSystemActions::CloseWindowsByTitle(const wchar_t* title) {
    if (!title || title[0] == L'\0') return;
    ::EnumWindows(vp::CloseMatchingWindow, reinterpret_cast<LPARAM>(title));
}

void CSystemActions::TerminateProcesses(std::vector<std::wstring> names) {
    if (names.empty()) return;
    vp::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!::Process32FirstW(snapshot.Get(), &entry)) return;
    const DWORD self = ::GetCurrentProcessId();
    do {
        // The exempt names, and this process under whatever name it was started.
        if (vp::IsExemptProcessName(entry.szExeFile) || entry.th32ProcessID == self) continue;
        // Every equal entry counts: a name listed twice handles the process twice.
        for (const std::wstring& name : names) {
            if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) {
                vp::CloseOrTerminateProcess(entry.th32ProcessID, vp::kProcessExitWaitMs);
            }
        }
    } while (::Process32NextW(snapshot.Get(), &entry));
}

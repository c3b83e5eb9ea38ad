#include "app/QuitRunningCopy.h"

#include <cwchar>
#include <vector>

#include <tlhelp32.h>

#include "app/RestartLog.h"
#include "app/SingleCopy.h"
#include "framework/Handles.h"
#include "framework/Product.h"
#include "framework/UserObjects.h"
#include "settings/ProgramKeys.h"
#include "ui/MainFrame.h"

namespace {

constexpr DWORD kPollMs = 100;
// An upgrade removes the older package and installs the newer one in one go: seconds apart.
constexpr ULONGLONG kQuitForInstallWindow = 2ull * 60 * 1000 * 10000;  // FILETIME units

const wchar_t* SkipBlanks(const wchar_t* p) noexcept {
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

// Past the word and the blanks after it; null when the text does not begin with the word alone.
const wchar_t* AfterWord(const wchar_t* commandLine, const wchar_t* word) noexcept {
    if (!commandLine) return nullptr;
    const wchar_t* p = SkipBlanks(commandLine);
    const size_t n = wcslen(word);
    if (::_wcsnicmp(p, word, n) != 0 || (p[n] != L'\0' && p[n] != L' ' && p[n] != L'\t')) return nullptr;
    return SkipBlanks(p + n);
}

}  // namespace

bool IsQuitArgument(const wchar_t* commandLine) noexcept {
    const wchar_t* rest = AfterWord(commandLine, L"/quit");
    return rest && *rest == L'\0';
}

bool IsAfterInstallArgument(const wchar_t* commandLine) noexcept {
    const wchar_t* rest = AfterWord(commandLine, L"/afterinstall");
    return rest && *rest == L'\0';
}

namespace {

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

// A copy that "/quit" cannot see through the session's objects: one whose settings window is among
// this window station's windows, on any desktop. An older build, which has no request events, takes
// only the window message.
bool QuitByWindowMessage(ULONGLONG deadline) noexcept {
    HWND frame = ::FindWindowW(CMainFrame::kClassName, nullptr);
    if (!frame) ::EnumDesktopsW(::GetProcessWindowStation(), SearchDesktop, reinterpret_cast<LPARAM>(&frame));
    if (!frame) return true;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    vp::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    const UINT request = ::RegisterWindowMessageW(product::kQuitRequestMessage);
    if (!process || request == 0 || !::PostMessageW(frame, request, 0, 0)) return false;
    // Its guard (a child of the same name) finishes after it; the files are free once both are gone.
    std::vector<vp::KernelHandle> waits;
    waits.push_back(std::move(process));
    vp::FileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Process32FirstW(snap.Get(), &e); ok; ok = ::Process32NextW(snap.Get(), &e)) {
        if (e.th32ParentProcessID != pid || _wcsicmp(e.szExeFile, product::kExeName) != 0) continue;
        if (HANDLE child = ::OpenProcess(SYNCHRONIZE, FALSE, e.th32ProcessID)) waits.emplace_back(child);
    }
    for (const vp::KernelHandle& w : waits) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline || ::WaitForSingleObject(w.Get(), static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

}  // namespace

int QuitRunningCopies(DWORD timeoutMs) noexcept {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    // The copy's own objects only: one another program made in their place stands for no copy.
    vp::CUserObjects& objects = vp::CUserObjects::OfProcess();
    for (;;) {
        vp::KernelHandle mutex = objects.OpenMutex(product::kSingleCopyMutexName, SYNCHRONIZE);
        if (!mutex) return QuitByWindowMessage(deadline) ? 0 : 1;
        vp::KernelHandle request = objects.OpenEvent(product::kQuitEventName, EVENT_MODIFY_STATE);
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return 1;
        // Without its events the copy is still starting, or already on its way out: look again soon.
        if (request) ::SetEvent(request.Get());
        const DWORD w = ::WaitForSingleObject(mutex.Get(), request ? static_cast<DWORD>(deadline - now) : kPollMs);
        if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) {
            ::ReleaseMutex(mutex.Get());  // taken only to see it free; the next copy may claim it
            // Asked, it ended (a copy ends holding the mutex); unasked, it was on its way out anyway.
            if (request) break;
        } else if (request) {
            return 1;
        }
    }
    // Its guard finishes after it: the files are free once no guard runs either.
    while (::GetTickCount64() < deadline) {
        vp::KernelHandle guard = objects.OpenEvent(product::kGuardAliveEventName, SYNCHRONIZE);
        if (!guard) break;
        guard.Reset();
        ::Sleep(kPollMs / 2);
    }
    // The installer that asked may start the new build once its files are in place.
    const ULONGLONG when = restart_log::Now();
    ::RegSetKeyValueW(HKEY_CURRENT_USER, g_ProgramKeys.settings, product::kQuitForInstallValue, REG_QWORD, &when,
                      sizeof(when));
    return 0;
}

bool TakeQuitForInstall() noexcept {
    ULONGLONG when = 0;
    DWORD bytes = sizeof(when);
    const bool found = ::RegGetValueW(HKEY_CURRENT_USER, g_ProgramKeys.settings, product::kQuitForInstallValue,
                                      RRF_RT_REG_QWORD, nullptr, &when, &bytes) == ERROR_SUCCESS;
    vp::RegKeyHandle key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, g_ProgramKeys.settings, 0, KEY_SET_VALUE, key.Put()) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key.Get(), product::kQuitForInstallValue);
    }
    const ULONGLONG now = restart_log::Now();
    return found && when <= now && now - when < kQuitForInstallWindow;
}

#include "actions/ProcessPicker.h"

#include <tlhelp32.h>

#include <cwchar>

#include "framework/Handles.h"
#include "framework/Product.h"

namespace vp {

namespace {

// Ending one of these ends or breaks the user's session: sign-in, services, the window manager,
// fonts, the shell's host and text input.
constexpr const wchar_t* kEssentialNames[] = {
    L"csrss.exe",  L"smss.exe", L"wininit.exe",     L"winlogon.exe", L"services.exe", L"lsass.exe",
    L"dwm.exe",    L"fontdrvhost.exe", L"sihost.exe", L"svchost.exe",  L"ctfmon.exe",
};

}  // namespace

bool IsDesktopShellName(const wchar_t* exeName) noexcept { return exeName && _wcsicmp(exeName, L"explorer.exe") == 0; }

bool IsExemptProcessName(const wchar_t* exeName) noexcept {
    if (!exeName || IsDesktopShellName(exeName)) return true;
    for (const wchar_t* essential : kEssentialNames) {
        if (_wcsicmp(exeName, essential) == 0) return true;
    }
    return _wcsicmp(exeName, L"[System Process]") == 0 || _wcsicmp(exeName, L"system") == 0 ||
           _wcsicmp(exeName, product::kExeName) == 0;
}

bool AddPickerName(std::vector<std::wstring>& list, const wchar_t* exeName) {
    if (IsExemptProcessName(exeName) || exeName[0] == L'\0') return false;
    for (const std::wstring& name : list) {
        if (_wcsicmp(name.c_str(), exeName) == 0) return false;
    }
    list.emplace_back(exeName);
    return true;
}

void EnumeratePickerProcesses(std::vector<std::wstring>& list) {
    list.clear();
    // No access probe: a rule that listed only the processes this program cannot open would hide
    // exactly the user's own programs, the ones worth picking.
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!::Process32FirstW(snapshot.Get(), &entry)) return;
    do {
        AddPickerName(list, entry.szExeFile);
    } while (::Process32NextW(snapshot.Get(), &entry));
}

}  // namespace vp

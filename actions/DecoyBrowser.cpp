#include "actions/DecoyBrowser.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cwchar>
#include <iterator>

#include "actions/OpenActions.h"
#include "framework/Launch.h"
#include "framework/Notice.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "framework/Trace.h"

namespace vp {

namespace {

constexpr const wchar_t* kChromiumFamily[] = {L"chrome.exe", L"msedge.exe", L"brave.exe",
                                              L"vivaldi.exe", L"opera.exe", L"chromium.exe"};
constexpr const wchar_t* kFirefoxFamily[] = {L"firefox.exe", L"librewolf.exe", L"waterfox.exe"};

constexpr wchar_t kHttpsChoiceKey[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https\\UserChoice";
// What a Firefox-family browser holds open while it runs on a profile.
constexpr wchar_t kFirefoxLockFile[] = L"parent.lock";

bool NameIn(const wchar_t* name, const wchar_t* const* names, size_t count) noexcept {
    for (size_t i = 0; i < count; ++i) {
        if (::lstrcmpiW(name, names[i]) == 0) return true;
    }
    return false;
}

bool FormatInto(wchar_t* out, size_t outUnits, const wchar_t* fmt, ...) noexcept {
    va_list args;
    va_start(args, fmt);
    const bool ok = FormatTextV(out, outUnits, fmt, args);
    va_end(args);
    if (!ok && outUnits) out[0] = L'\0';
    return ok;
}

// The program of a class's open command: the user's own classes first (the merged view Windows
// shows as the classes root holds them too), then the classes root.
bool ExecutableOfClass(const wchar_t* progId, wchar_t (&exe)[MAX_PATH]) noexcept {
    wchar_t path[CRegistryStore::kPathUnits];
    wchar_t command[kTemplateUnits];
    CRegistryStore store;
    if (FormatText(path, L"Software\\Classes\\%ls\\shell\\open\\command", progId)) {
        store.SetPath(path);
        if (store.ReadString(nullptr, command) == ERROR_SUCCESS && ExecutableOfCommand(command, exe)) return true;
    }
    if (!FormatText(path, L"%ls\\shell\\open\\command", progId)) return false;
    store.SetRoot(HKEY_CLASSES_ROOT);
    store.SetPath(path);
    return store.ReadString(nullptr, command) == ERROR_SUCCESS && ExecutableOfCommand(command, exe);
}

}  // namespace

BrowserFamily BrowserFamilyOf(const wchar_t* exePath) noexcept {
    const wchar_t* name = ::PathFindFileNameW(exePath);
    if (NameIn(name, kChromiumFamily, std::size(kChromiumFamily))) return BrowserFamily::Chromium;
    if (NameIn(name, kFirefoxFamily, std::size(kFirefoxFamily))) return BrowserFamily::Firefox;
    return BrowserFamily::Other;
}

bool ExecutableOfCommand(const wchar_t* command, wchar_t (&exe)[MAX_PATH]) noexcept {
    exe[0] = L'\0';
    while (*command == L' ' || *command == L'\t') ++command;
    const wchar_t* begin = command;
    const wchar_t* end = nullptr;
    if (*command == L'"') {
        begin = command + 1;
        end = std::wcschr(begin, L'"');
        if (!end) return false;  // an unclosed quote names no program for certain
    } else {
        for (const wchar_t* at = command; *at; ++at) {
            if (_wcsnicmp(at, L".exe", 4) == 0 && (at[4] == L'\0' || at[4] == L' ' || at[4] == L'\t')) {
                end = at + 4;
                break;
            }
        }
        if (!end) end = begin + std::wcscspn(begin, L" \t");
    }
    const size_t units = static_cast<size_t>(end - begin);
    wchar_t written[MAX_PATH];
    if (units == 0 || units >= MAX_PATH) return false;
    std::wmemcpy(written, begin, units);
    written[units] = L'\0';
    const DWORD expanded = ::ExpandEnvironmentStringsW(written, exe, MAX_PATH);
    if (expanded == 0 || expanded > MAX_PATH) {  // a cut path would name another program
        exe[0] = L'\0';
        return false;
    }
    return true;
}

bool FindHttpsBrowser(wchar_t (&exe)[MAX_PATH]) noexcept {
    CRegistryStore choice;
    choice.SetPath(kHttpsChoiceKey);
    wchar_t progId[kClassUnits];
    if (choice.ReadString(L"ProgId", progId) == ERROR_SUCCESS && progId[0] && ExecutableOfClass(progId, exe)) {
        return true;
    }
    DWORD units = MAX_PATH;
    if (::AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L"https", L"open", exe, &units) == S_OK &&
        exe[0]) {
        return true;
    }
    exe[0] = L'\0';
    return false;
}

bool DecoyProfileFolder(const wchar_t* exePath, wchar_t (&folder)[MAX_PATH]) noexcept {
    folder[0] = L'\0';
    wchar_t local[MAX_PATH];
    if (::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local) != S_OK) {
        return false;
    }
    wchar_t name[MAX_PATH];
    if (!CopyText(name, ::PathFindFileNameW(exePath))) return false;
    ::PathRemoveExtensionW(name);
    if (name[0] == L'\0' ||
        !FormatText(folder, L"%ls\\%ls\\%ls", local, product::kBrowserProfilesFolder, name)) {
        folder[0] = L'\0';
        return false;
    }
    const int made = ::SHCreateDirectoryExW(nullptr, folder, nullptr);
    const DWORD attributes = ::GetFileAttributesW(folder);
    if ((made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) ||
        attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        folder[0] = L'\0';
        return false;
    }
    return true;
}

bool FirefoxProfileInUse(const wchar_t* folder) noexcept {
    wchar_t lock[MAX_PATH + 16];
    if (!FormatText(lock, L"%ls\\%ls", folder, kFirefoxLockFile)) return false;
    FileHandle probe(::CreateFileW(lock, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool BuildDecoyBrowserCommandLine(BrowserFamily family, const wchar_t* exePath, const wchar_t* profile,
                                  const wchar_t* address, bool running, wchar_t* out, size_t outUnits) noexcept {
    if (!out || outUnits == 0) return false;
    out[0] = L'\0';
    // A quote would end the address's field and add arguments of its own; an address without a
    // scheme gets one, so it never begins with a dash the browser would read as a switch.
    if (!address || std::wcschr(address, L'"')) return false;
    const wchar_t* scheme = AddressKeepsItsScheme(address) ? L"" : L"http://";
    switch (family) {
    case BrowserFamily::Chromium:
        return FormatInto(out, outUnits,
                          L"\"%ls\" --user-data-dir=\"%ls\" --no-first-run --no-default-browser-check --new-window "
                          L"\"%ls%ls\"",
                          exePath, profile, scheme, address);
    case BrowserFamily::Firefox:
        return FormatInto(out, outUnits, L"\"%ls\" %ls-profile \"%ls\" -new-window \"%ls%ls\"", exePath,
                          running ? L"" : L"-no-remote ", profile, scheme, address);
    case BrowserFamily::Other: break;
    }
    return false;
}

DecoyCommand DecoyBrowserCommandLine(const wchar_t* address, wchar_t* out, size_t outUnits) noexcept {
    if (outUnits) out[0] = L'\0';
    wchar_t exe[MAX_PATH];
    if (!FindHttpsBrowser(exe)) return DecoyCommand::NotOurs;
    const BrowserFamily family = BrowserFamilyOf(exe);
    if (family == BrowserFamily::Other) return DecoyCommand::NotOurs;
    wchar_t profile[MAX_PATH];
    if (!DecoyProfileFolder(exe, profile)) return DecoyCommand::Refused;
    const bool running = family == BrowserFamily::Firefox && FirefoxProfileInUse(profile);
    return BuildDecoyBrowserCommandLine(family, exe, profile, address, running, out, outUnits) ? DecoyCommand::Built
                                                                                                : DecoyCommand::Refused;
}

void OpenWebsiteOnDesktop(const wchar_t* address, const wchar_t* desktopName) {
    wchar_t commandLine[kCommandUnits];
    // The user's browser with a profile of our own, started on the desktop itself; any other
    // browser, or none, through the shell. Ours but not startable with its own profile: not handed
    // to the shell, which would give it to the user's browser with the user's profile.
    const DecoyCommand decoy = DecoyBrowserCommandLine(address, commandLine, std::size(commandLine));
    const bool built = decoy == DecoyCommand::Built ||
                       (decoy == DecoyCommand::NotOurs && BuildWebsiteCommandLine(SystemRoot(), address, commandLine));
    if (!built || !LaunchOnDesktop(nullptr, commandLine, desktopName)) {
        PostNotice(L"CreateProcess for OpenWebsite failed", product::kName, MB_OK);
        return;
    }
    if (decoy == DecoyCommand::Built) Trace(L"web page: the decoy browser started");
}

}  // namespace vp

void COpenWebsiteAction::After(const CSettingsData& s) {
    if (s.openWebsite.text[0]) vp::OpenWebsiteOnDesktop(s.openWebsite.text, product::kDesktopName);
}

#include "actions/OpenActions.h"

#include <shlwapi.h>
#include <windows.h>

#include <cstdarg>
#include <cwchar>
#include <utility>

#include "framework/Launch.h"
#include "framework/Notice.h"
#include "framework/Product.h"
#include "framework/RegexMatcher.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "framework/Trace.h"

namespace vp {

namespace {

// The matcher reports offsets in bytes of the text's UTF-8 form; this finds the UTF-16 index of a
// byte offset the same conversion produced (lone surrogates become three-byte replacements there).
size_t WideIndexOfUtf8Offset(const wchar_t* text, size_t byteOffset) {
    size_t bytes = 0, i = 0;
    while (text[i] && bytes < byteOffset) {
        const wchar_t c = text[i];
        if (c < 0x80) {
            bytes += 1;
        } else if (c < 0x800) {
            bytes += 2;
        } else if (IS_HIGH_SURROGATE(c) && IS_LOW_SURROGATE(text[i + 1])) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
        ++i;
    }
    return i;
}

// Appends count units of src to out at *used; false when they do not fit with the terminator.
bool Append(wchar_t* out, size_t outUnits, size_t* used, const wchar_t* src, size_t count) {
    if (count >= outUnits - *used) return false;
    std::wmemcpy(out + *used, src, count);
    *used += count;
    out[*used] = L'\0';
    return true;
}

bool FormatInto(wchar_t* out, size_t outUnits, const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const bool ok = FormatTextV(out, outUnits, fmt, args);
    va_end(args);
    return ok;
}

bool Refuse(wchar_t* out, size_t outUnits) {
    if (outUnits) out[0] = L'\0';
    return false;
}

}  // namespace

bool ExpandEnvironmentReferences(CRegexMatcher& matcher, const wchar_t* tmpl, wchar_t* out, size_t outUnits) {
    if (!out || outUnits == 0) return false;
    out[0] = L'\0';
    size_t used = 0;
    const wchar_t* rest = tmpl;
    wchar_t name[CRegexMatcher::kScratchBytes];
    for (;;) {
        if (matcher.ExtractMatchW(rest, kEnvironmentReferencePattern, name) == 0) break;
        // A name cut to the matcher's scratch would look up some other variable.
        if (matcher.LastCut()) return Refuse(out, outUnits);
        const size_t open = WideIndexOfUtf8Offset(rest, matcher.LastStart()) - 1;  // the opening '%'
        const size_t close = WideIndexOfUtf8Offset(rest, matcher.LastEnd());        // the closing '%'
        if (!Append(out, outUnits, &used, rest, open)) return Refuse(out, outUnits);

        ::SetLastError(ERROR_SUCCESS);
        const DWORD room = static_cast<DWORD>(outUnits - used);
        const DWORD length = ::GetEnvironmentVariableW(name, out + used, room);
        if (length >= room) return Refuse(out, outUnits);  // the value does not fit
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            // Not set: the reference stays as written, up to its closing percent sign, which may
            // begin the next reference.
            out[used] = L'\0';
            if (!Append(out, outUnits, &used, rest + open, close - open)) return Refuse(out, outUnits);
            rest += close;
            continue;
        }
        used += length;
        out[used] = L'\0';
        rest += close + 1;
    }
    if (!Append(out, outUnits, &used, rest, std::wcslen(rest))) return Refuse(out, outUnits);
    return true;
}

bool BuildOpenCommandLine(const wchar_t* expanded, const wchar_t* path, wchar_t* out, size_t outUnits) {
    if (!out || outUnits == 0) return false;
    out[0] = L'\0';
    size_t used = 0;
    const wchar_t* placeholder = std::wcsstr(expanded, L"%1");
    const bool ok = placeholder
                        ? Append(out, outUnits, &used, expanded, static_cast<size_t>(placeholder - expanded)) &&
                              Append(out, outUnits, &used, path, std::wcslen(path)) &&
                              Append(out, outUnits, &used, placeholder + 2, std::wcslen(placeholder + 2))
                        : Append(out, outUnits, &used, expanded, std::wcslen(expanded)) &&
                              Append(out, outUnits, &used, L" ", 1) &&
                              Append(out, outUnits, &used, path, std::wcslen(path));
    return ok || Refuse(out, outUnits);
}

bool AddressKeepsItsScheme(const wchar_t* address) noexcept {
    if (std::wcslen(address) < 5) return false;
    static constexpr wchar_t kScheme[] = L"http";
    for (int i = 0; i < 4; ++i) {
        wchar_t c = address[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');  // ASCII letters only
        if (c != kScheme[i]) return false;
    }
    return true;
}

bool BuildWebsiteCommandLine(const wchar_t* systemRoot, const wchar_t* address, wchar_t* out, size_t outUnits) {
    if (!out || outUnits == 0) return false;
    out[0] = L'\0';
    if (!systemRoot || systemRoot[0] == L'\0' || !address || std::wcschr(address, L'"')) return false;
    const bool ok = AddressKeepsItsScheme(address)
                        ? FormatInto(out, outUnits, L"\"%ls\\%ls\" \"%ls\"", systemRoot, L"explorer.exe", address)
                        : FormatInto(out, outUnits, L"\"%ls\\%ls\" \"http://%ls\"", systemRoot, L"explorer.exe",
                                       address);
    return ok || Refuse(out, outUnits);
}

namespace {

// The Windows directory, read when it is first asked for.
struct SystemRootField {
    SystemRootField() noexcept { ReadSystemRoot(text); }
    wchar_t text[50];
};
SystemRootField& TheSystemRoot() noexcept {
    static SystemRootField field;
    return field;
}

}  // namespace

const wchar_t* SystemRoot() noexcept { return TheSystemRoot().text; }

void SetSystemRootForTest(const wchar_t* root) noexcept { CopyText(TheSystemRoot().text, root); }

void ReadSystemRoot(wchar_t (&out)[50]) noexcept {
    out[0] = L'\0';
    wchar_t value[50];
    const DWORD n = ::GetEnvironmentVariableW(L"SystemRoot", value, 50);
    // n >= 50 is the size needed for a value that does not fit; 0 means unset.
    if (n > 0 && n < 50) CopyText(out, value);
}

LaunchedProcess OpenFileOnDesktop(CRegexMatcher& matcher, const wchar_t* path, const wchar_t* desktopName,
                                  HANDLE job) {
    if (!path || path[0] == L'\0') return {};
    CRegistryStore classes;
    classes.SetRoot(HKEY_CLASSES_ROOT);

    classes.SetPath(::PathFindExtensionW(path));
    wchar_t fileClass[vp::kClassUnits];
    if (classes.ReadString(nullptr, fileClass) != ERROR_SUCCESS || fileClass[0] == L'\0') return {};

    wchar_t commandKey[vp::kClassUnits + 24];
    if (!vp::FormatText(commandKey, L"%ls\\shell\\Open\\command", fileClass)) return {};
    classes.SetPath(commandKey);
    wchar_t commandTemplate[vp::kTemplateUnits];
    if (classes.ReadString(nullptr, commandTemplate) != ERROR_SUCCESS || commandTemplate[0] == L'\0') return {};

    wchar_t expanded[vp::kExpandedUnits];
    wchar_t commandLine[vp::kCommandUnits];
    if (!vp::ExpandEnvironmentReferences(matcher, commandTemplate, expanded) ||
        !vp::BuildOpenCommandLine(expanded, path, commandLine)) {
        // Cutting it would start some other command; nothing is started.
        vp::Trace(L"open file: command too long, not started");
        return {};
    }
    LaunchedProcess started = LaunchOnDesktop(nullptr, commandLine, desktopName, {}, job);
    if (!started) vp::PostNotice(commandLine, product::kName, MB_OK);
    return started;
}

}  // namespace vp

void COpenFileAction::After(const CSettingsData& s) {
    if (!s.openFile.text[0]) return;
    if (::lstrcmpiW(m_file.text, s.openFile.text) != 0) {
        vp::CopyText(m_file.text, s.openFile.text);
        m_watch.TellAgain();
    }
    vp::KernelHandle job = COpenedElsewhereWatch::NewJob();
    vp::LaunchedProcess started = vp::OpenFileOnDesktop(m_matcher, s.openFile.text, product::kDesktopName, job.Get());
    m_watch.Start(std::move(started), std::move(job), product::kDesktopName);
}

void COpenFileAction::Undo() { m_watch.WayBack(); }

#include "actions/SystemActions.h"

#include <shlobj.h>

#include "actions/UndoRecord.h"
#include "actions/WarmActions.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "settings/ProgramKeys.h"

CSystemActions g_SystemActions;

namespace {
constexpr wchar_t kJumpListFolder[] = L"Microsoft\\Windows\\Recent\\AutomaticDestinations";
}  // namespace

void CSystemActions::ReadSystemRoot(wchar_t (&out)[50]) noexcept {
    out[0] = L'\0';
    wchar_t value[50];
    const DWORD n = ::GetEnvironmentVariableW(L"SystemRoot", value, 50);
    // n >= 50 is the size needed for a value that does not fit; 0 means unset.
    if (n > 0 && n < 50) vp::CopyText(out, value);
}

void CSystemActions::SetSystemRootForTest(const wchar_t* root) noexcept { vp::CopyText(m_szSystemRoot, root); }

void CSystemActions::GetOsMajorVersion() {
    if (m_dwMajorVersion != 0) return;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) m_dwMajorVersion = info.dwMajorVersion;
#pragma GCC diagnostic pop
}

void CSystemActions::TurnMonitorOff() {
    // Posted, never sent: a broadcast that waits for every top-level window would let one hung
    // program hold the switch, and the user's work, on screen.
    ::PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

void CSystemActions::ClearBrowsingHistory() {
    ::CoInitialize(nullptr);
    {
        CHistoryStore history;
        history.Clear();
    }  // released before the apartment is left
    ::CoUninitialize();
}

void CSystemActions::ClearTypedUrls() {
    vp::LockGuard lock(m_csStore);
    m_store.SetPath(kTypedUrlsKeyPath);
    vp::RegKeyHandle key;
    if (m_store.OpenForWrite(key.Put()) == ERROR_SUCCESS) DeleteTypedUrls(key.Get());
}

void CSystemActions::ClearRecentDocuments() {
    ::SHAddToRecentDocs(SHARD_PATHW, nullptr);
    GetOsMajorVersion();
    if (m_dwMajorVersion <= 5) return;

    wchar_t appData[MAX_PATH + 1];
    const DWORD n = ::GetEnvironmentVariableW(L"AppData", appData, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return;  // unset, or too long to name a folder we could build paths in
    wchar_t pattern[MAX_PATH + 1];
    if (!vp::FormatText(pattern, L"%ls\\%ls\\*", appData, kJumpListFolder)) return;

    WIN32_FIND_DATAW found;
    vp::FindHandle find(::FindFirstFileW(pattern, &found));
    if (!find) return;
    do {
        wchar_t file[MAX_PATH + 1];
        // A name whose full path does not fit is skipped, never cut into another file's name.
        if (vp::FormatText(file, L"%ls\\%ls\\%ls", appData, kJumpListFolder, found.cFileName)) {
            ::DeleteFileW(file);
        }
    } while (::FindNextFileW(find.Get(), &found));
}

void CSystemActions::SetTaskManagerDisabled(DWORD value) {
    vp::LockGuard lock(m_csStore);
    // Recorded before it is changed, and given back exactly as it was rather than set to 0, which
    // would also lift an administrator's own 1.
    if (value != 0) {
        undo_record::DisableTaskManager(HKEY_CURRENT_USER, g_ProgramKeys.settings);
    } else {
        undo_record::Undo(HKEY_CURRENT_USER, g_ProgramKeys.settings);
    }
}

size_t CSystemActions::ExtractMatch(const char* subject, const char* pattern, char* out, size_t outSize) {
    vp::LockGuard lock(m_csMatcher);
    return m_matcher.ExtractMatch(subject, pattern, out, outSize);
}

size_t CSystemActions::ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t* out, size_t outUnits) {
    vp::LockGuard lock(m_csMatcher);
    return m_matcher.ExtractMatchW(subject, pattern, out, outUnits);
}

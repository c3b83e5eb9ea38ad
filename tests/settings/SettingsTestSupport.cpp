#include "SettingsTestSupport.h"

#include <shellapi.h>

#include "app/Threads.h"
#include "framework/PasswordHash.h"
#include "framework/Text.h"
#include "resource.h"
#include "settings/FailedAttempts.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "support/TestSupport.h"
#include "support/ThreadJobs.h"
#include "ui/MainFrame.h"

namespace settings_test {

void SettingsKeyTest::SetUp() {
    testing_support::DeleteKeyTree(kTestRoot);
    g_ProgramKeys.settings = kSettingsKey;
    g_ProgramKeys.run = kRunKey;
}

void SettingsKeyTest::TearDown() { testing_support::DeleteKeyTree(kTestRoot); }

void UiThreadTest::SetUp() {
    SettingsKeyTest::SetUp();
    failed_attempts::CFailedAttempts(kSettingsKey).TakeSummary();
}

void UiThreadTest::TearDown() {
    if (ui && ::WaitForSingleObject(ui.Get(), 0) == WAIT_TIMEOUT && frame) {
        // A quit confirmation left open would hold the Exit below.
        if (HWND quit = FindOwnWindow(L"#32770", L"Confirm Quit ", Visibility::VisibleOnly)) {
            testing_support::PostOwn(quit, WM_COMMAND, IDCANCEL);
        }
        // Nor may a password prompt, or the password the Exit would ask for.
        if (HWND prompt = FindOwnWindow(L"#32770", L"Enter Password", Visibility::VisibleOnly)) {
            testing_support::PostOwn(prompt, WM_COMMAND, IDCANCEL);
        }
        g_SettingsMirror.Update([](CSettingsData& m) { m.switchPassword = PasswordSetting{}; });
        testing_support::PostOwn(frame, WM_COMMAND, ID_TRAY_EXIT);
        ::WaitForSingleObject(ui.Get(), 10000);
    }
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    SettingsKeyTest::TearDown();
}

void UiThreadTest::StartUi() {
    frame = nullptr;
    ui.Reset(::CreateThread(nullptr, 0, UiThreadProc, new UiThreadStart{L"", SW_SHOWNORMAL, &mail}, 0, &uiId));
    ASSERT_TRUE(ui);
    ASSERT_TRUE(Poll([&] { return (frame = FindOwnWindow(CMainFrame::kClassName, L"Veilpane Pro")) != nullptr; },
                     10000));
    // A message sent to the window is handled only once its thread is in its message loop, so when
    // this returns the start-up (settings in force, first-start decision) is complete.
    DWORD_PTR ignored = 0;
    ASSERT_NE(0, ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored));
}

DWORD UiThreadTest::WaitUiEnd(DWORD timeoutMs) {
    if (::WaitForSingleObject(ui.Get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    ::GetExitCodeThread(ui.Get(), &code);
    return code;
}

std::optional<DWORD> ReadDword(const wchar_t* name, const wchar_t* key) {
    DWORD value = 0, size = sizeof(value), type = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS) return {};
    if (type != REG_DWORD) return {};
    return value;
}

std::optional<std::wstring> ReadText(const wchar_t* name, const wchar_t* key) {
    wchar_t text[1024];
    DWORD size = sizeof(text), type = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, text, &size) != ERROR_SUCCESS) {
        return {};
    }
    if (type != REG_SZ) return {};
    return std::wstring(text);
}

DWORD ValueCount(const wchar_t* key) {
    HKEY h = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return 0;
    DWORD count = 0;
    ::RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(h);
    return count;
}

void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes, const wchar_t* key) {
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(h, name, 0, type, static_cast<const BYTE*>(data), bytes));
    ::RegCloseKey(h);
}

void WriteDword(const wchar_t* name, DWORD value, const wchar_t* key) { WriteRaw(name, REG_DWORD, &value, 4, key); }

void WriteText(const wchar_t* name, const wchar_t* text, const wchar_t* key) {
    WriteRaw(name, REG_SZ, text, static_cast<DWORD>((::wcslen(text) + 1) * sizeof(wchar_t)), key);
}

bool IsRecordOf(const std::optional<std::wstring>& record, const wchar_t* password) {
    return record.has_value() && vp::VerifyPasswordRecord(password, record->c_str());
}

namespace {

std::string HexOf(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    }
    return out;
}

std::string Base64Of(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) {  // whole groups: enough to be found inside a value
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int shift : {18, 12, 6, 0}) out += kDigits[(v >> shift) & 63];
    }
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

bool AnyValueHolds(const std::wstring& text, const wchar_t* key) {
    std::string narrow, wide;
    for (wchar_t c : text) {
        narrow += static_cast<char>(c);
        wide += static_cast<char>(c & 0xFF);
        wide += static_cast<char>(c >> 8);
    }
    // Each form is looked for in the raw bytes, and as text (either width) in any case.
    std::vector<std::string> forms = {narrow, wide};
    for (const std::string& f : {narrow, wide}) {
        forms.push_back(HexOf(f));
        forms.push_back(Base64Of(f));
    }
    HKEY k = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    bool found = false;
    for (DWORD i = 0; !found; ++i) {
        wchar_t name[256];
        DWORD nameUnits = 256;
        BYTE data[8192];
        DWORD bytes = sizeof(data);
        if (::RegEnumValueW(k, i, name, &nameUnits, nullptr, nullptr, data, &bytes) != ERROR_SUCCESS) break;
        const std::string raw(reinterpret_cast<const char*>(data), bytes);
        std::string asNarrow;  // UTF-16 text with its high bytes dropped
        for (size_t j = 0; j + 1 < raw.size(); j += 2) asNarrow += raw[j];
        for (const std::string& form : forms) {
            if (raw.find(form) != std::string::npos || Lower(raw).find(Lower(form)) != std::string::npos ||
                Lower(asNarrow).find(Lower(form)) != std::string::npos) {
                found = true;
            }
        }
    }
    ::RegCloseKey(k);
    return found;
}

void ValuePage::Copy(const SettingDescription& d, const PageValues& from, PageValues& to) {
    switch (d.kind) {
    case SettingKind::Flag: to.shown.*d.flag = from.shown.*d.flag; return;
    case SettingKind::Hotkey: to.shown.*d.hotkey = from.shown.*d.hotkey; return;
    case SettingKind::Text: to.shown.*d.text = from.shown.*d.text; return;
    case SettingKind::Password:
        to.shown.*d.password = from.shown.*d.password;
        vp::CopyText(to.*d.confirm, from.*d.confirm);
        return;
    case SettingKind::List: to.shown.*d.list = from.shown.*d.list; return;
    }
}

void ValuePage::SetSwitchPassword(BOOL on, const wchar_t* entry, const wchar_t* confirm) {
    v.shown.switchPassword.on = on;
    vp::CopyText(v.shown.switchPassword.text, entry);
    vp::CopyText(v.switchPasswordConfirm, confirm);
}

void ValuePage::SetRestorePassword(BOOL on, const wchar_t* entry, const wchar_t* confirm) {
    v.shown.restorePassword.on = on;
    vp::CopyText(v.shown.restorePassword.text, entry);
    vp::CopyText(v.restorePasswordConfirm, confirm);
}

HintWatcher::HintWatcher() : m_thread([this] { Run(); }) {}

HintWatcher::~HintWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::wstring> HintWatcher::Texts() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_texts;
}

void HintWatcher::Run() {
    while (!m_stop) {
        HWND box = nullptr;
        while ((box = ::FindWindowExW(nullptr, box, L"#32770", settings_text::kHintCaption)) != nullptr) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(box, &pid);
            if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(box)) continue;
            wchar_t text[512] = {};
            ::GetDlgItemTextW(box, 0xFFFF, text, 512);  // the message box's text control
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_texts.emplace_back(text);
            }
            testing_support::PostOwn(box, WM_COMMAND, IDOK);
            // The same box is read once: look again only once it is gone.
            Poll([box] { return !::IsWindow(box); }, 10000);
            box = nullptr;
        }
        ::Sleep(20);
    }
}

bool TrayIconPresent(HWND owner, UINT id) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = owner;
    nid.uID = id;
    nid.uFlags = 0;
    return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool Poll(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(10);
    }
    return true;
}

HWND FindOwnWindow(const wchar_t* cls, const wchar_t* title, Visibility visibility) {
    HWND h = nullptr;
    while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        if (pid == ::GetCurrentProcessId() && (visibility == Visibility::Any || ::IsWindowVisible(h))) return h;
    }
    return nullptr;
}

void SendKey(WORD vk, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &in, sizeof(in));
}

}  // namespace settings_test

#pragma once
// Shared by the settings window tests: private registry keys, pages that hold their values as plain
// fields (the real pages come with the themed window), a watcher that answers "Setting hint" boxes,
// and registry readers.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Handles.h"
#include "settings/SettingsTable.h"
#include "switching/ThreadMail.h"

namespace settings_test {

constexpr wchar_t kTestRoot[] = L"Software\\VeilpaneTests";
constexpr wchar_t kSettingsKey[] = L"Software\\VeilpaneTests\\Settings";
constexpr wchar_t kRunKey[] = L"Software\\VeilpaneTests\\Run";

// Points the module at private settings and Run keys for the test and empties them.
class SettingsKeyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The settings window on its own ui thread, started as the main thread starts it, with the test
// thread standing in for the main thread and the check thread.
class UiThreadTest : public SettingsKeyTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts the ui thread and returns once its window has finished starting up (its first message
    // after start-up is handled); the window shows on a first start only.
    void StartUi();
    // The ui thread's exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitUiEnd(DWORD timeoutMs = 10000);

    // The mail the ui thread asks the other threads through; this test stands in for them.
    ThreadMail mail;
    vp::KernelHandle ui;
    DWORD uiId = 0;
    HWND frame = nullptr;
};

// Polls without pumping, so the test thread's own thread messages stay in its queue.
bool Poll(const std::function<bool()>& condition, DWORD timeoutMs);
// A top-level window of this process with that class (and title, when given).
enum class Visibility { Any, VisibleOnly };
HWND FindOwnWindow(const wchar_t* cls, const wchar_t* title = nullptr, Visibility visibility = Visibility::Any);
void SendKey(WORD vk, bool down);

std::optional<DWORD> ReadDword(const wchar_t* name, const wchar_t* key = kSettingsKey);
std::optional<std::wstring> ReadText(const wchar_t* name, const wchar_t* key = kSettingsKey);
DWORD ValueCount(const wchar_t* key = kSettingsKey);  // 0 when the key is missing
void WriteDword(const wchar_t* name, DWORD value, const wchar_t* key = kSettingsKey);
void WriteText(const wchar_t* name, const wchar_t* text, const wchar_t* key = kSettingsKey);
void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes, const wchar_t* key = kSettingsKey);

// Whether a stored value is a hash record of password.
bool IsRecordOf(const std::optional<std::wstring>& record, const wchar_t* password);
// Whether any value under the key holds the text in a form that gives it away: UTF-16, 8-bit, or
// the hex or base64 of either.
bool AnyValueHolds(const std::wstring& text, const wchar_t* key = kSettingsKey);

// A page whose controls are plain values: Show sets them, Read returns them.
class ValuePage : public ISettingsPageView {
public:
    PageValues v;
    void Show(const SettingDescription& d, const PageValues& values) override { Copy(d, values, v); }
    void Read(const SettingDescription& d, PageValues& out) const override { Copy(d, v, out); }
    // As typed into a password's two boxes.
    void SetSwitchPassword(BOOL on, const wchar_t* entry, const wchar_t* confirm);
    void SetRestorePassword(BOOL on, const wchar_t* entry, const wchar_t* confirm);
    // One setting's values from one set of page values to another.
    static void Copy(const SettingDescription& d, const PageValues& from, PageValues& to);
};

// Answers every "Setting hint" message box of this process with OK and remembers its text.
class HintWatcher {
public:
    HintWatcher();
    ~HintWatcher();
    std::vector<std::wstring> Texts() const;

private:
    void Run();
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::vector<std::wstring> m_texts;
    std::thread m_thread;
};

// Whether the notification area holds the icon (NIM_MODIFY only succeeds for an icon that is there).
bool TrayIconPresent(HWND owner, UINT id);

}  // namespace settings_test

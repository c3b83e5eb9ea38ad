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
#include "settings/SettingsData.h"
#include "switching/ThreadIds.h"

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

    ThreadIds threads;
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

// A basic page whose controls are plain values: writes set them, Read returns them.
class ValueBasicPage : public IBasicPageView {
public:
    BasicPageValues v;
    void WriteWheel(BOOL c) override { v.bWheel = c; }
    void WriteDouble(BOOL c) override { v.bDouble = c; }
    void WriteSwitchHotkey(const HotkeySetting& h) override { v.switchHotkey = h; }
    void WriteStartup(BOOL c) override { v.bStartup = c; }
    void WriteTrayIcon(BOOL c) override { v.bTrayIcon = c; }
    void WriteUpdate(BOOL c) override { v.bUpdate = c; }
    void WriteSettingsHotkey(const HotkeySetting& h) override { v.settingsHotkey = h; }
    void WriteRestorePassword(BOOL on, const wchar_t* pwd) override;
    void WriteSwitchPassword(BOOL on, const wchar_t* pwd) override;
    void Read(BasicPageValues& out) const override { out = v; }
    void SetSwitchPassword(BOOL on, const wchar_t* entry, const wchar_t* confirm);
    void SetRestorePassword(BOOL on, const wchar_t* entry, const wchar_t* confirm);
};

class ValueAdvancedPage : public IAdvancedPageView {
public:
    AdvancedPageValues v;
    void WriteMute(BOOL c) override { v.bMute = c; }
    void WriteMonitor(BOOL c) override { v.bMonitor = c; }
    void WriteTaskMgr(BOOL c) override { v.bTaskMgr = c; }
    void WriteIEHistory(BOOL c) override { v.bIEHistory = c; }
    void WriteIEUrls(BOOL c) override { v.bIEUrls = c; }
    void WriteRecentDoc(BOOL c) override { v.bRecentDoc = c; }
    void WriteOpenFile(BOOL on, const wchar_t* path) override;
    void WriteOpenWebsite(BOOL on, const wchar_t* url) override;
    void WriteCloseWindows(BOOL on, const wchar_t* title) override;
    void WriteProcesses(BOOL on, const std::vector<std::wstring>& names) override { v.bProcessesOn = on; v.processNames = names; }
    void Read(AdvancedPageValues& out) const override { out = v; }
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

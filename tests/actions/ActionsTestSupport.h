#pragma once
// Helpers shared by the action tests: message boxes the code under test shows, the window-owner and
// command-recorder helper programs, and scratch file-type registrations.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "support/TestSupport.h"

namespace actions_test {

// Serves the notices the code under test raises (as the program's ui thread does) and watches, on a
// thread of its own, for a message box with the given caption on the desktop of the thread that
// made the watcher; records its text and dismisses it.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(const wchar_t* caption);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    int Count() const { return m_count.load(); }
    std::wstring LastText() const;

private:
    static DWORD WINAPI Proc(void* self);

    testing_support::NoticeThread m_notices;
    std::wstring m_caption;
    HDESK m_desktop;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_count{0};
    mutable vp::CriticalSection m_cs;
    std::wstring m_text;
    vp::KernelHandle m_thread;
};

// Starts window_owner.exe (or a copy of it) and waits until its titled window exists.
bool StartWindowOwner(const std::wstring& exePath, const std::wstring& title, const wchar_t* mode, int exitCode,
                      testing_support::StartedProcess& out, const std::wstring& logFile = L"");
bool IsRunning(const testing_support::StartedProcess& p);
void EndProcess(testing_support::StartedProcess& p);  // terminates it if it still runs

// One line a command recorder wrote.
struct RecordedRun {
    std::wstring desk;
    unsigned long long created = 0;  // 100 ns units, system time
    long long qpc = 0;
    std::wstring cmd;
};
std::vector<RecordedRun> ReadRecorderLog(const std::wstring& exePath);  // "<exePath>.log"
// Waits until the recorder at exePath has written count lines.
bool WaitRecorded(const std::wstring& exePath, size_t count, DWORD timeoutMs = 10000);

// Registers, under HKEY_LOCAL_MACHINE\Software\Classes (what the system shows as the classes
// root), an extension whose class opens files with the given command template; removes it again.
class ScratchFileType {
public:
    ScratchFileType();
    ~ScratchFileType();
    ScratchFileType(const ScratchFileType&) = delete;
    ScratchFileType& operator=(const ScratchFileType&) = delete;
    void SetCommand(const std::wstring& commandTemplate) const;
    const std::wstring& Extension() const { return m_extension; }
    const std::wstring& ClassName() const { return m_class; }

private:
    std::wstring m_extension;
    std::wstring m_class;
};

std::wstring ThreadDesktopName();

// Ends what the helpers left lingering: every process whose image lives under folder.
void EndProcessesUnder(const std::wstring& folder);
bool ProcessRunning(const std::wstring& image);

// The clipboard as a program that copied and ended leaves it: text as CF_UNICODETEXT and html as
// "HTML Format", owned by a window that is gone.
bool SetClipboardContent(const std::wstring& text, const std::string& html);
// The bytes the clipboard holds in a format; empty when it holds none.
std::string ClipboardBytes(UINT format);
UINT HtmlFormat();

}  // namespace actions_test

#include "ActionsTestSupport.h"

#include <tlhelp32.h>

#include <functional>
#include <sstream>

using namespace testing_support;

namespace actions_test {

namespace {

BOOL CALLBACK CollectStaticText(HWND child, LPARAM lParam) {
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Static") != 0) return TRUE;
    wchar_t text[4096] = {};
    if (::GetWindowTextW(child, text, 4096) > 0) *reinterpret_cast<std::wstring*>(lParam) += text;
    return TRUE;
}

// Calls visit with the image of each process that can be opened to end it, until it answers true.
void VisitProcesses(const std::function<bool(const wchar_t* image, HANDLE process)>& visit) {
    vp::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !::Process32FirstW(snapshot.Get(), &entry)) return;
    do {
        vp::KernelHandle p(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (p && ::QueryFullProcessImageNameW(p.Get(), 0, image, &size) && visit(image, p.Get())) return;
    } while (::Process32NextW(snapshot.Get(), &entry));
}

}  // namespace

void EndProcessesUnder(const std::wstring& folder) {
    VisitProcesses([&](const wchar_t* image, HANDLE process) {
        if (_wcsnicmp(image, folder.c_str(), folder.size()) == 0) ::TerminateProcess(process, 1);
        return false;
    });
}

bool ProcessRunning(const std::wstring& image) {
    bool running = false;
    VisitProcesses([&](const wchar_t* path, HANDLE) { return running = _wcsicmp(path, image.c_str()) == 0; });
    return running;
}

MessageBoxWatcher::MessageBoxWatcher(const wchar_t* caption)
    : m_caption(caption), m_desktop(::GetThreadDesktop(::GetCurrentThreadId())) {
    m_thread.Reset(::CreateThread(nullptr, 0, Proc, this, 0, nullptr));
}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    ::WaitForSingleObject(m_thread.Get(), 5000);
}

std::wstring MessageBoxWatcher::LastText() const {
    vp::LockGuard lock(m_cs);
    return m_text;
}

DWORD WINAPI MessageBoxWatcher::Proc(void* arg) {
    auto* self = static_cast<MessageBoxWatcher*>(arg);
    ::SetThreadDesktop(self->m_desktop);
    while (!self->m_stop) {
        HWND box = ::FindWindowW(L"#32770", self->m_caption.c_str());
        if (box && ::IsWindowVisible(box)) {
            std::wstring text;
            ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
            {
                vp::LockGuard lock(self->m_cs);
                self->m_text = text;
            }
            self->m_count.fetch_add(1);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !::IsWindow(box); }, 5000);
        }
        ::Sleep(20);
    }
    return 0;
}

bool StartWindowOwner(const std::wstring& exePath, const std::wstring& title, const wchar_t* mode, int exitCode,
                      StartedProcess& out, const std::wstring& logFile) {
    std::wstring cmd = L"\"" + exePath + L"\" \"" + title + L"\" " + mode + L" " + std::to_wstring(exitCode);
    if (!logFile.empty()) cmd += L" \"" + logFile + L"\"";
    if (!StartProcess(cmd, out)) return false;
    // Ours, not some other window of the same title; and its loop running, so that it answers
    // WM_CLOSE within the actions' waits as a settled program does.
    HWND window = nullptr;
    if (!WaitUntil([&] {
            window = ::FindWindowW(L"VpWindowOwner", title.c_str());
            DWORD pid = 0;
            if (window) ::GetWindowThreadProcessId(window, &pid);
            return window && pid == out.pid;
        }, 10000)) {
        return false;
    }
    DWORD_PTR unused = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &unused) != 0;
}

bool IsRunning(const StartedProcess& p) { return ::WaitForSingleObject(p.process.Get(), 0) == WAIT_TIMEOUT; }

void EndProcess(StartedProcess& p) {
    if (p.process && IsRunning(p)) {
        ::TerminateProcess(p.process.Get(), 77);
        ::WaitForSingleObject(p.process.Get(), 5000);
    }
}

std::vector<RecordedRun> ReadRecorderLog(const std::wstring& exePath) {
    std::vector<RecordedRun> runs;
    std::wistringstream lines(ReadFileText(exePath + L".log"));
    std::wstring line;
    while (std::getline(lines, line)) {
        RecordedRun run;
        size_t pos = 0;
        while (pos < line.size()) {
            const size_t eq = line.find(L'=', pos);
            if (eq == std::wstring::npos) break;
            const std::wstring key = line.substr(pos, eq - pos);
            // The command line is last and may hold anything, tabs included.
            const size_t tab = key == L"cmd" ? std::wstring::npos : line.find(L'\t', eq);
            const std::wstring value = line.substr(eq + 1, tab == std::wstring::npos ? std::wstring::npos : tab - eq - 1);
            if (key == L"desk") run.desk = value;
            else if (key == L"created") run.created = std::stoull(value);
            else if (key == L"qpc") run.qpc = std::stoll(value);
            else if (key == L"cmd") run.cmd = value;
            if (tab == std::wstring::npos) break;
            pos = tab + 1;
        }
        runs.push_back(run);
    }
    return runs;
}

bool WaitRecorded(const std::wstring& exePath, size_t count, DWORD timeoutMs) {
    return WaitUntil([&] { return ReadRecorderLog(exePath).size() >= count; }, timeoutMs);
}

ScratchFileType::ScratchFileType()
    : m_extension(L".vpt" + std::to_wstring(::GetCurrentProcessId())),
      m_class(L"VeilpaneTest" + std::to_wstring(::GetCurrentProcessId()) + L".Document") {
    HKEY key = nullptr;
    const std::wstring path = L"Software\\Classes\\" + m_extension;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_class.c_str()),
                         static_cast<DWORD>((m_class.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
}

ScratchFileType::~ScratchFileType() {
    for (const std::wstring* name : {&m_extension, &m_class}) {
        const std::wstring path = L"Software\\Classes\\" + *name;
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    }
}

void ScratchFileType::SetCommand(const std::wstring& commandTemplate) const {
    HKEY key = nullptr;
    const std::wstring path = L"Software\\Classes\\" + m_class + L"\\shell\\Open\\command";
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(commandTemplate.c_str()),
                     static_cast<DWORD>((commandTemplate.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

std::wstring ThreadDesktopName() { return DesktopName(::GetThreadDesktop(::GetCurrentThreadId())); }

UINT HtmlFormat() { return ::RegisterClipboardFormatW(L"HTML Format"); }

bool SetClipboardContent(const std::wstring& text, const std::string& html) {
    HWND owner = ::CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!owner || !::OpenClipboard(owner)) return false;
    ::EmptyClipboard();
    const auto put = [](UINT format, const void* data, size_t size) {
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(::GlobalLock(memory), data, size);
        ::GlobalUnlock(memory);
        return ::SetClipboardData(format, memory) != nullptr;
    };
    const bool ok = put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)) &&
                    put(HtmlFormat(), html.c_str(), html.size() + 1);
    ::CloseClipboard();
    ::DestroyWindow(owner);
    return ok;
}

std::string ClipboardBytes(UINT format) {
    std::string bytes;
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 5000)) return bytes;
    if (HANDLE data = ::GetClipboardData(format)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(data))) {
            bytes.assign(p, ::GlobalSize(data));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return bytes;
}

}  // namespace actions_test

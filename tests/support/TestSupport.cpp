#include "support/TestSupport.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Notice.h"

namespace testing_support {

std::wstring ExeDir() {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    const size_t slash = s.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : s.substr(0, slash);
}

std::wstring HelperPath(const wchar_t* exeName) { return ExeDir() + L"\\" + exeName; }

bool StartProcess(const std::wstring& commandLine, StartedProcess& out, const wchar_t* desktop) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(L'\0');
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    out.process.Reset(pi.hProcess);
    out.thread.Reset(pi.hThread);
    out.pid = pi.dwProcessId;
    out.tid = pi.dwThreadId;
    return true;
}

DWORD WaitExit(const StartedProcess& p, DWORD timeoutMs) {
    if (::WaitForSingleObject(p.process.Get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    ::GetExitCodeProcess(p.process.Get(), &code);
    return code;
}

bool InjectInput(const std::wstring& steps, const wchar_t* desktop) {
    if (!Showing(desktop ? desktop : L"Default", 0)) {
        std::fprintf(stderr, "inject_input %ls: %ls does not show (%ls does)\n", steps.c_str(),
                     desktop ? desktop : L"Default", InputDesktopName().c_str());
        return false;
    }
    std::wstring cmd = L"\"" + HelperPath(L"inject_input.exe") + L"\" ";
    if (desktop) cmd += L"--desktop " + std::wstring(desktop) + L" ";
    StartedProcess p;
    if (!StartProcess(cmd + steps, p)) return false;
    const DWORD code = WaitExit(p, 20000);
    if (code != 0) std::fprintf(stderr, "inject_input %ls: exit code %lu\n", steps.c_str(), code);
    return code == 0;
}

bool TypeThroughX(const wchar_t* title, const std::wstring& text, const wchar_t* keys) {
    // Wine runs the Unix programs itself but cannot wait for them: the shell leaves xdotool's exit
    // code in a file, which this waits for. The window is waited for, and focused before a key goes.
    static int calls = 0;
    const std::wstring done = L"/tmp/vp-xdotool-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++calls);
    // Three runs: "type" takes every word after it for text.
    const std::wstring run = L"/usr/bin/timeout 15 /usr/bin/xdotool ";
    std::wstring xdotool = run + L"search --sync --onlyvisible --name '^" + title + L"$' windowfocus --sync";
    if (!text.empty()) xdotool += L" && " + run + L"type --delay 30 '" + text + L"'";
    if (keys) xdotool += L" && " + run + L"key --delay 30 " + keys;
    StartedProcess shell;
    if (!StartProcess(L"/bin/sh -c \"" + xdotool + L"; echo $? >" + done + L"\"", shell)) return false;
    std::wstring code;
    WaitUntil([&] { return !(code = ReadFileText(L"Z:" + done)).empty(); }, 20000);
    ::DeleteFileW((L"Z:" + done).c_str());
    if (code != L"0\n") std::fprintf(stderr, "xdotool into %ls: %ls\n", title, code.empty() ? L"no end" : code.c_str());
    return code == L"0\n";
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= end) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

std::vector<std::wstring> TextsThatDoNotFit(HWND dialog) {
    std::vector<std::wstring> cut;
    HDC dc = ::GetDC(dialog);
    for (HWND ctl = ::GetWindow(dialog, GW_CHILD); ctl; ctl = ::GetWindow(ctl, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        wchar_t text[128] = {};
        ::GetClassNameW(ctl, cls, 32);
        const int len = ::GetWindowTextW(ctl, text, 128);
        const bool button = ::lstrcmpiW(cls, L"Button") == 0;
        if (len == 0 || (!button && ::lstrcmpiW(cls, L"Static") != 0)) continue;
        auto font = reinterpret_cast<HFONT>(::SendMessageW(ctl, WM_GETFONT, 0, 0));
        if (!font) font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
        HGDIOBJ old = ::SelectObject(dc, font);
        RECT rc{};
        ::GetClientRect(ctl, &rc);
        // A label breaks its text into lines at its width; a button shows one line.
        RECT need{0, 0, button ? 0 : rc.right, 0};
        ::DrawTextW(dc, text, len, &need, DT_CALCRECT | DT_NOPREFIX | (button ? DT_SINGLELINE : DT_WORDBREAK));
        ::SelectObject(dc, old);
        const SIZE extent{need.right, need.bottom};
        const LONG type = ::GetWindowLongW(ctl, GWL_STYLE) & BS_TYPEMASK;
        const bool checkBox = button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
        // A check box spends the box and a gap before its text; a push button needs a margin.
        const int room = rc.right - (checkBox ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : button ? 8 : 0);
        if (extent.cx > room || extent.cy > rc.bottom) {
            cut.push_back(L"id " + std::to_wstring(::GetDlgCtrlID(ctl)) + L": " + std::to_wstring(extent.cx) + L"x" +
                          std::to_wstring(extent.cy) + L" > " + std::to_wstring(room) + L"x" +
                          std::to_wstring(rc.bottom) + L" px");
        }
    }
    ::ReleaseDC(dialog, dc);
    return cut;
}

std::vector<std::wstring> LayoutFaults(HWND page) {
    std::vector<std::wstring> faults = TextsThatDoNotFit(page);
    RECT client{};
    ::GetClientRect(page, &client);
    std::vector<std::pair<int, RECT>> placed;
    for (HWND ctl = ::GetWindow(page, GW_CHILD); ctl; ctl = ::GetWindow(ctl, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(ctl)) continue;
        RECT rc{};
        ::GetWindowRect(ctl, &rc);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rc), 2);
        const int id = ::GetDlgCtrlID(ctl);
        RECT inside{};
        if (!::IntersectRect(&inside, &rc, &client) || !::EqualRect(&inside, &rc)) {
            faults.push_back(L"id " + std::to_wstring(id) + L" reaches out of the page");
        }
        for (const auto& [other, at] : placed) {
            RECT both{};
            if (::IntersectRect(&both, &rc, &at)) {
                faults.push_back(L"ids " + std::to_wstring(other) + L" and " + std::to_wstring(id) + L" overlap");
            }
        }
        placed.emplace_back(id, rc);
    }
    return faults;
}

namespace {
thread_local HookCounter* t_hookCounter = nullptr;  // the counter whose thread this is
}

HookCounter::HookCounter(const wchar_t* desktop, int kind, Filter counts)
    : m_desktop(::OpenDesktopW(desktop, 0, FALSE, GENERIC_ALL)), m_kind(kind), m_counts(counts),
      m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_thread.Reset(::CreateThread(nullptr, 0, Proc, this, 0, &m_id));
    ::WaitForSingleObject(m_ready.Get(), 10000);
}

HookCounter::~HookCounter() {
    ::PostThreadMessageW(m_id, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_thread.Get(), 10000);
}

LRESULT CALLBACK HookCounter::HookProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION && t_hookCounter && t_hookCounter->m_counts(wp)) {
        ::InterlockedIncrement(&t_hookCounter->m_count);
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI HookCounter::Proc(void* self) {
    auto* counter = static_cast<HookCounter*>(self);
    t_hookCounter = counter;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    vp::HookHandle hook;
    if (counter->m_desktop && ::SetThreadDesktop(counter->m_desktop.Get())) {
        hook.Reset(::SetWindowsHookExW(counter->m_kind, HookProc, ::GetModuleHandleW(nullptr), 0));
    }
    counter->m_hooked = static_cast<bool>(hook);
    ::SetEvent(counter->m_ready.Get());
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

std::wstring DesktopName(HDESK desk) {
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!desk || !::GetUserObjectInformationW(desk, UOI_NAME, name, sizeof(name), &needed)) return L"";
    return name;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring InputDesktopName() {
    vp::DesktopHandle input(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    return DesktopName(input.Get());
}

bool ShowDesktop(const wchar_t* name) {
    vp::DesktopHandle desk(::OpenDesktopW(name, 0, FALSE, DESKTOP_SWITCHDESKTOP));
    return desk && ::SwitchDesktop(desk.Get());
}

bool InputDesktopFollowsSwitches() {
    static const bool follows = [] {
        if (InputDesktopName() != L"Default") return true;  // something else shows: it follows
        vp::DesktopHandle probe(::CreateDesktopW(L"vptest-probe", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        const bool moved = probe && ::SwitchDesktop(probe.Get()) && InputDesktopName() == L"vptest-probe";
        ShowDesktop(L"Default");
        return moved;
    }();
    return follows;
}

HWND FindWindowOf(DWORD pid, const wchar_t* cls, const wchar_t* title) {
    HWND h = nullptr;
    while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        if (owner == pid && ::IsWindowVisible(h)) return h;
    }
    return nullptr;
}

bool Showing(const wchar_t* name, DWORD timeoutMs) {
    if (!InputDesktopFollowsSwitches()) return _wcsicmp(name, L"Default") != 0 || InputDesktopName() == L"Default";
    return WaitUntil([&] { return _wcsicmp(InputDesktopName().c_str(), name) == 0; }, timeoutMs);
}

namespace {

// Every test ends with the user's desktop showing: one left on another desktop would have every later
// test's input refused. A test that leaves it elsewhere is named, the screen is brought back, and the
// program fails at its end.
std::vector<std::string> g_leftElsewhere;

class BringDefaultBack : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        const std::wstring showing = InputDesktopName();
        if (showing == L"Default") return;
        g_leftElsewhere.push_back(std::string(test.test_suite_name()) + "." + test.name());
        std::fprintf(stderr, "%s left \"%ls\" showing\n", g_leftElsewhere.back().c_str(), showing.c_str());
        ShowDesktop(L"Default");
    }
};

class FailWhereDefaultWasLeft : public ::testing::Environment {
    void TearDown() override {
        for (const std::string& name : g_leftElsewhere) ADD_FAILURE() << name << " did not leave \"Default\" showing";
    }
};

// A test reads the program's windows as the program lays them out: aware of each monitor's scale, as
// the program is, so the system does not scale their sizes down to 96 DPI for it.
const bool g_perMonitorAware = [] {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    return set && set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}();

const bool g_defaultChecked = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new BringDefaultBack);  // both owned by gtest
    ::testing::AddGlobalTestEnvironment(new FailWhereDefaultWasLeft);
    return true;
}();

}  // namespace

void DeleteKeyTree(const wchar_t* path) { ::RegDeleteTreeW(HKEY_CURRENT_USER, path); ::RegDeleteKeyW(HKEY_CURRENT_USER, path); }

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    for (unsigned i = 0;; ++i) {
        m_path = std::wstring(base) + L"vptest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(i);
        if (::CreateDirectoryW(m_path.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() {
    std::wstring from = m_path;
    from.push_back(L'\0');  // double terminated
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&op);
}

NoticeThread::NoticeThread() {
    vp::KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_thread.Reset(::CreateThread(nullptr, 0, Proc, ready.Get(), 0, &m_id));
    if (m_thread) ::WaitForSingleObject(ready.Get(), 10000);
}

NoticeThread::~NoticeThread() {
    if (!m_thread) return;
    ::PostThreadMessageW(m_id, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_thread.Get(), 10000);
}

DWORD WINAPI NoticeThread::Proc(void* ready) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    vp::CNoticeWindow notices;
    notices.Create();
    ::SetEvent(static_cast<HANDLE>(ready));
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

std::wstring ReadFileText(const std::wstring& path) {
    vp::FileHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return L"";
    std::string bytes;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(f.Get(), buf, sizeof(buf), &got, nullptr) && got > 0) bytes.append(buf, got);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

bool WriteFileText(const std::wstring& path, const std::string& utf8) {
    vp::FileHandle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!f) return false;
    DWORD written = 0;
    return ::WriteFile(f.Get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
           written == utf8.size();
}

}  // namespace testing_support

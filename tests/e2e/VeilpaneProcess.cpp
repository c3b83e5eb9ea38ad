#include "e2e/VeilpaneProcess.h"

#include <tlhelp32.h>

#include <map>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

VeilpaneProcess::VeilpaneProcess() {
    m_started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_exited = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_job = ::CreateJobObjectW(nullptr, nullptr);
}

VeilpaneProcess::~VeilpaneProcess() {
    // A failed test shows what the program said: the trace holds events and numbers, never a name.
    if (::testing::Test::HasFailure()) {
        std::string text;
        for (const std::wstring& line : Trace()) {
            text += "  trace: ";
            for (wchar_t c : line) text += c >= 32 && c < 127 ? static_cast<char>(c) : ' ';
            text += '\n';
        }
        fputs(text.c_str(), stdout);
        fflush(stdout);
    }
    // Everything the program started, copies its guard started again included.
    m_stop = true;
    KillAll();
    if (m_debugger.joinable()) {
        ::WaitForSingleObject(m_exited, 10000);
        m_debugger.join();
    }
    ::CloseHandle(m_started);
    ::CloseHandle(m_exited);
    if (m_job) ::CloseHandle(m_job);
}

bool VeilpaneProcess::Start(const wchar_t* desktop, bool trace, bool family) {
    // The program inherits the environment; the trace is its to read once, at its start.
    ::SetEnvironmentVariableW(L"VEILPANE_TRACE", trace ? L"1" : nullptr);
    m_debugger = std::thread([this, desktop, family] { DebugLoop(desktop, family); });
    ::WaitForSingleObject(m_started, 30000);
    return m_startOk;
}

void VeilpaneProcess::DebugLoop(const wchar_t* desktop, bool family) {
    std::wstring cmd = L"\"" + testing_support::HelperPath(L"Veilpane.exe") + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi{};
    m_startOk = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE,
                                 family ? DEBUG_PROCESS : DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &si, &pi);
    if (!m_startOk) {
        ::SetEvent(m_started);
        ::SetEvent(m_exited);
        return;
    }
    // Held at its first debug event, the program has started nothing yet: all it starts joins the job.
    if (m_job) ::AssignProcessToJobObject(m_job, pi.hProcess);
    m_pid = pi.dwProcessId;
    m_mainTid = pi.dwThreadId;
    m_process = pi.hProcess;
    ::CloseHandle(pi.hThread);
    ::SetEvent(m_started);
    // What the debugger still holds when it lets go goes on running, until the job ends it.
    ::DebugSetProcessKillOnExit(FALSE);

    std::map<DWORD, HANDLE> debugged;  // the system's handles, closed by it
    bool mainRuns = true;
    for (;;) {
        DEBUG_EVENT ev{};
        if (!::WaitForDebugEvent(&ev, 1000)) {
            if (mainRuns && ::WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0) break;
            if (!mainRuns && (m_stop || debugged.empty())) break;
            continue;
        }
        const auto found = debugged.find(ev.dwProcessId);
        const HANDLE from = found != debugged.end() ? found->second : m_process;
        DWORD status = DBG_CONTINUE;
        switch (ev.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT: {
            const auto& s = ev.u.DebugString;
            std::wstring text;
            if (s.fUnicode) {
                std::wstring buf(s.nDebugStringLength, L'\0');
                SIZE_T got = 0;
                ::ReadProcessMemory(from, s.lpDebugStringData, buf.data(), buf.size() * sizeof(wchar_t), &got);
                text = buf.c_str();
            } else {
                std::string buf(s.nDebugStringLength, '\0');
                SIZE_T got = 0;
                ::ReadProcessMemory(from, s.lpDebugStringData, buf.data(), buf.size(), &got);
                text.assign(buf.c_str(), buf.c_str() + strlen(buf.c_str()));
            }
            std::lock_guard<std::mutex> lock(m_lock);
            m_trace.push_back(text);
            break;
        }
        case EXCEPTION_DEBUG_EVENT:
            if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            if (ev.u.CreateProcessInfo.hFile) ::CloseHandle(ev.u.CreateProcessInfo.hFile);
            debugged[ev.dwProcessId] = ev.u.CreateProcessInfo.hProcess;
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (ev.u.LoadDll.hFile) ::CloseHandle(ev.u.LoadDll.hFile);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            debugged.erase(ev.dwProcessId);
            if (ev.dwProcessId == m_pid) {
                m_exitCode = ev.u.ExitProcess.dwExitCode;
                mainRuns = false;
                ::SetEvent(m_exited);
            }
            break;
        }
        ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
        if (!mainRuns && (!family || m_stop || debugged.empty())) break;
    }
    for (const auto& [pid, handle] : debugged) ::DebugActiveProcessStop(pid);
    ::CloseHandle(m_process);
    m_process = nullptr;
    ::SetEvent(m_exited);
}

int VeilpaneProcess::WaitForTrace(const std::wstring& text, DWORD timeoutMs, int from) {
    int found = -1;
    testing_support::WaitUntil([&] {
        std::lock_guard<std::mutex> lock(m_lock);
        for (size_t i = static_cast<size_t>(from); i < m_trace.size(); ++i) {
            if (m_trace[i].find(text) != std::wstring::npos) {
                found = static_cast<int>(i);
                return true;
            }
        }
        return false;
    }, timeoutMs);
    return found;
}

int VeilpaneProcess::WaitSwitchedTo(const wchar_t* desktop, DWORD timeoutMs, int from) {
    const bool original = _wcsicmp(desktop, L"Default") == 0;
    const int at = WaitForTrace(original ? L"switched to original desktop" : L"switched to vpdesk", timeoutMs, from);
    if (at < 0) return -1;
    if (testing_support::Showing(desktop)) return at;
    ADD_FAILURE() << "the program switched to " << testing_support::Narrow(desktop) << ", but \""
                  << testing_support::Narrow(testing_support::InputDesktopName()) << "\" shows";
    return -1;
}

std::vector<std::wstring> VeilpaneProcess::Trace() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_trace;
}

bool VeilpaneProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (::WaitForSingleObject(m_exited, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) *exitCode = m_exitCode;
    return true;
}

void VeilpaneProcess::Kill() {
    if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE, FALSE, m_pid)) {
        ::TerminateProcess(p, 99);
        ::CloseHandle(p);
    }
}

void VeilpaneProcess::KillAll() {
    if (m_job) ::TerminateJobObject(m_job, 99);
}

std::vector<DWORD> VeilpaneProcess::Children(const wchar_t* exeName) const {
    std::vector<DWORD> found;
    vp::FileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Process32FirstW(snap.Get(), &e); ok; ok = ::Process32NextW(snap.Get(), &e)) {
        if (e.th32ParentProcessID == m_pid && _wcsicmp(e.szExeFile, exeName) == 0) found.push_back(e.th32ProcessID);
    }
    return found;
}

void VeilpaneProcess::KillChildren(const wchar_t* exeName) const {
    for (DWORD pid : Children(exeName)) {
        if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
            ::TerminateProcess(p, 0);
            ::CloseHandle(p);
        }
    }
}

HWND VeilpaneProcess::WaitFrameReady(DWORD timeoutMs) const {
    HWND frame = nullptr;
    // The window takes its full title as the last step of its start-up.
    if (!testing_support::WaitUntil([&] { return (frame = ::FindWindowW(L"WTL_VeilpaneFrame", L"Veilpane Pro")) != nullptr; },
                                    timeoutMs)) {
        return nullptr;
    }
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) ? frame : nullptr;
}

bool VeilpaneProcess::ExitFromTrayMenu(HWND frame) const {
    ::PostMessageW(frame, ::RegisterWindowMessageW(L"WM_TRAYICON"), 128, WM_RBUTTONUP);
    HWND menu = nullptr;
    const bool opened = testing_support::WaitUntil([&] {
        for (menu = ::FindWindowW(L"#32768", nullptr); menu; menu = ::FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(menu, &pid);
            if (pid == m_pid && ::IsWindowVisible(menu)) return true;
        }
        return false;
    }, 10000);
    if (!opened) return false;
    ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

DWORD RunQuitArgument(const wchar_t* desktop) {
    using namespace testing_support;
    StartedProcess quit;
    if (!StartProcess(L"\"" + HelperPath(L"Veilpane.exe") + L"\" /quit", quit, desktop)) return 99;
    return WaitExit(quit, 40000);
}

void Inject(const wchar_t* desktop, const wchar_t* steps) {
    using namespace testing_support;
    StartedProcess p;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"inject_input.exe") + L"\" --desktop " + desktop + L" " + steps, p));
    ASSERT_EQ(0u, WaitExit(p, 10000));
}

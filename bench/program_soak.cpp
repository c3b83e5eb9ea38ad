// The real program under Wine, from outside: how long it takes from its start until it is ready for
// the first trigger (both desktops hooked, the shell started), beside the start of a minimal windowed
// program; and a soak of switches with every fast action and the open-file action on, driven by
// injected input, with the program's handles, private bytes and GDI/USER objects before and after.
// Prints figures; it passes or fails nothing.
//   program_soak.exe [round-trips] [starts]
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "actions/ActionsTestSupport.h"
#include "e2e/VeilpaneProcess.h"
#include "framework/Clock.h"
#include "framework/Handles.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

namespace {

double g_ticksPerMs = 1.0;
double MsSince(LONGLONG start) { return static_cast<double>(vp::PerformanceStamp() - start) / g_ticksPerMs; }

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// ---- what the program holds -------------------------------------------------------------------------

struct Holdings {
    DWORD handlesReported = 0;   // GetProcessHandleCount
    DWORD handlesDuplicable = 0; // handle values that can be duplicated out of the process
    SIZE_T privateBytes = 0;
    DWORD gdi = 0, user = 0;
};

// Wine 8 answers 0 to GetProcessHandleCount for another process, so the handles are also counted by
// trying every value a handle table of this size can hold.
DWORD CountDuplicableHandles(HANDLE process) {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        HANDLE copy = nullptr;
        if (::DuplicateHandle(process, reinterpret_cast<HANDLE>(value), ::GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS)) {
            ++count;
            ::CloseHandle(copy);
        }
    }
    return count;
}

std::string ReadWholeFile(const std::wstring& path) {
    vp::FileHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   0, nullptr));
    std::string text;
    if (!f) return text;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(f.Get(), buf, sizeof(buf), &got, nullptr) && got > 0) text.append(buf, got);
    return text;
}

// Wine gives no memory counters for another process. The program is a process of the host, whose
// anonymous resident memory is what its private bytes come to: found as the one host process whose
// command line is the program's path alone (its guard has arguments).
SIZE_T HostPrivateBytes() {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    SIZE_T bytes = 0;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName;
        const std::string cmdline = ReadWholeFile(dir + L"\\cmdline");
        // The arguments as Wine leaves them: NUL-separated, padded with NULs.
        std::vector<std::string> args;
        for (size_t at = 0; at < cmdline.size();) {
            const size_t end = std::min(cmdline.find('\0', at), cmdline.size());
            if (end > at) args.push_back(cmdline.substr(at, end - at));
            at = end + 1;
        }
        if (args.size() != 1 || args[0].size() < 12 || _stricmp(args[0].c_str() + args[0].size() - 12, "Veilpane.exe") != 0) {
            continue;  // not the program, or its guard (which has arguments)
        }
        const std::string status = ReadWholeFile(dir + L"\\status");
        const size_t at = status.find("RssAnon:");
        if (at != std::string::npos) bytes = static_cast<SIZE_T>(std::strtoull(status.c_str() + at + 8, nullptr, 10)) * 1024;
        break;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return bytes;
}

Holdings Measure(DWORD pid) {
    Holdings h;
    vp::KernelHandle process(::OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return h;
    ::GetProcessHandleCount(process.Get(), &h.handlesReported);
    h.handlesDuplicable = CountDuplicableHandles(process.Get());
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (::GetProcessMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
        h.privateBytes = memory.PrivateUsage;
    }
    if (h.privateBytes == 0) h.privateBytes = HostPrivateBytes();
    h.gdi = ::GetGuiResources(process.Get(), GR_GDIOBJECTS);
    h.user = ::GetGuiResources(process.Get(), GR_USEROBJECTS);
    return h;
}

void PrintHoldings(const char* when, const Holdings& h) {
    std::printf("  %-7s handles %4lu (GetProcessHandleCount %lu)   private bytes %9.3f MiB   GDI %lu   USER %lu\n", when,
                h.handlesDuplicable, h.handlesReported, static_cast<double>(h.privateBytes) / (1024.0 * 1024.0), h.gdi,
                h.user);
}

// ---- input ------------------------------------------------------------------------------------------

// A long-lived injector that sends a middle click on the desktop it is told: one process for all the
// clicks, so the soak measures the program and not a thousand helper starts.
class Injector {
public:
    bool Start() {
        SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
        HANDLE inRead = nullptr, outWrite = nullptr;
        if (!::CreatePipe(&inRead, &m_toChild, &sa, 0) || !::CreatePipe(&m_fromChild, &outWrite, &sa, 0)) return false;
        ::SetHandleInformation(m_toChild, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(m_fromChild, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = inRead;
        si.hStdOutput = outWrite;
        si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        std::wstring cmd = L"\"" + testing_support::HelperPath(L"inject_input.exe") + L"\" --serve";
        const BOOL ok = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &m_pi);
        ::CloseHandle(inRead);
        ::CloseHandle(outWrite);
        return ok != FALSE;
    }
    void Click(const char* desktop) {
        const std::string line = std::string(desktop) + "\n";
        DWORD n = 0;
        ::WriteFile(m_toChild, line.data(), static_cast<DWORD>(line.size()), &n, nullptr);
        char c = 0;
        while (::ReadFile(m_fromChild, &c, 1, &n, nullptr) && n == 1 && c != '\n') {
        }
    }
    ~Injector() {
        if (m_toChild) ::CloseHandle(m_toChild);
        if (m_pi.hProcess) {
            ::WaitForSingleObject(m_pi.hProcess, 5000);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
        if (m_fromChild) ::CloseHandle(m_fromChild);
    }

private:
    HANDLE m_toChild = nullptr, m_fromChild = nullptr;
    PROCESS_INFORMATION m_pi{};
};

// ---- start -> ready ---------------------------------------------------------------------------------

constexpr wchar_t kReadyLine[] = L"hook thread ready; shell";

ULONGLONG FileTimeOf(HANDLE process) {
    FILETIME created{}, exited, kernel, user;
    ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// When the program's children were made, in ms after the program itself: its guard (another copy of
// the executable) and its shell; -1 for one not there (yet).
struct Children {
    double guard = -1, shell = -1;
};
Children ChildrenOf(HANDLE program, DWORD pid) {
    Children c;
    vp::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !::Process32FirstW(snapshot.Get(), &entry)) return c;
    const ULONGLONG start = FileTimeOf(program);
    do {
        if (entry.th32ParentProcessID != pid) continue;
        double* slot = _wcsicmp(entry.szExeFile, L"explorer.exe") == 0 ? &c.shell
                       : _wcsicmp(entry.szExeFile, product::kExeName) == 0 ? &c.guard
                                                                            : nullptr;
        vp::KernelHandle child(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (slot && child) *slot = static_cast<double>(FileTimeOf(child.Get()) - start) / 10000.0;
    } while (::Process32NextW(snapshot.Get(), &entry));
    return c;
}

struct ProgramStartTimes {
    double ready = -1;   // the shell it starts on "vpdesk" exists
    Children children;   // the shell as at ready, the guard as soon as it exists
};

// From the call that creates the process until the shell it starts on "vpdesk" exists, which the
// program starts once both desktops are hooked: ready for the first trigger. Without its trace and
// without a reader of it, as a user runs it.
ProgramStartTimes ProgramStart(const wchar_t* desktop) {
    ProgramStartTimes times;
    std::wstring cmd = L"\"" + testing_support::HelperPath(L"Veilpane.exe") + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi{};
    // Everything it starts (its guard, its shell) goes with it at the end.
    vp::KernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    const LONGLONG t0 = vp::PerformanceStamp();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        return times;
    }
    ::AssignProcessToJobObject(job.Get(), pi.hProcess);
    ::ResumeThread(pi.hThread);
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    while ((times.children = ChildrenOf(pi.hProcess, pi.dwProcessId)).shell < 0 && ::GetTickCount64() < deadline) {
        ::Sleep(1);
    }
    if (times.children.shell >= 0) times.ready = MsSince(t0);
    // The guard starts once the program is ready; ended while it is being made, Wine can leave the
    // half-made process behind for good.
    const double shellAt = times.children.shell;
    const ULONGLONG guardDeadline = ::GetTickCount64() + 5000;
    while (times.ready >= 0 && (times.children = ChildrenOf(pi.hProcess, pi.dwProcessId)).guard < 0 &&
           ::GetTickCount64() < guardDeadline) {
        ::Sleep(5);
    }
    times.children.shell = shellAt;
    ::TerminateJobObject(job.Get(), 0);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    // The single-copy claim of the next start must not meet this one's leftovers in the server.
    ::Sleep(200);
    return times;
}

// A minimal windowed program (one shown window and a message loop) from its creation until it waits
// for input.
double MinimalStart(const wchar_t* desktop) {
    std::wstring cmd = L"\"" + testing_support::HelperPath(L"window_owner.exe") + L"\" \"Minimal start\" exit+shown 0";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi{};
    const LONGLONG t0 = vp::PerformanceStamp();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    const bool idle = ::WaitForInputIdle(pi.hProcess, 30000) == 0;
    const double ms = MsSince(t0);
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 5000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return idle ? ms : -1;
}

void PrintStarts(const char* from, const std::vector<ProgramStartTimes>& program, const std::vector<double>& minimal) {
    std::vector<double> ready, guard, shell;
    for (const ProgramStartTimes& t : program) {
        if (t.ready >= 0) ready.push_back(t.ready);
        if (t.children.guard >= 0) guard.push_back(t.children.guard);
        if (t.children.shell >= 0) shell.push_back(t.children.shell);
    }
    const double p = Median(ready), m = Median(minimal);
    std::printf("  from %-22s start -> ready for the first trigger median %6.1f ms (%zu of %zu ready); minimal "
                "windowed program %6.1f ms; ratio %.2f (target <= 2)\n",
                from, p, ready.size(), program.size(), m, m > 0 ? p / m : 0.0);
    std::printf("  %-27s of which: guard made at %6.1f ms, shell made at %6.1f ms (medians, from the program's creation)\n",
                "", Median(guard), Median(shell));
}

void PrintStartLatency(int starts) {
    std::printf("start -> ready for the first trigger, %d starts each\n", starts);
    std::vector<ProgramStartTimes> program;
    std::vector<double> minimal;
    for (int i = 0; i < starts; ++i) {
        program.push_back(ProgramStart(nullptr));
        minimal.push_back(MinimalStart(nullptr));
    }
    PrintStarts("the original desktop", program, minimal);

    // As when the user starts it from the shell on the virtual desktop: "vpdesk" exists already.
    vp::DesktopHandle vpdesk(::CreateDesktopW(L"vpdesk", nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK, GENERIC_ALL, nullptr));
    MinimalStart(L"vpdesk");  // the first window on a new desktop waits for its window manager: not ours
    program.clear();
    minimal.clear();
    for (int i = 0; i < starts; ++i) {
        program.push_back(ProgramStart(L"vpdesk"));
        minimal.push_back(MinimalStart(L"vpdesk"));
    }
    PrintStarts("an existing \"vpdesk\"", program, minimal);
}

// ---- soak -------------------------------------------------------------------------------------------

void WriteSoakSettings(const std::wstring& openFile) {
    CRegistryStore settings;
    settings.SetPath(product::kRegistryKey);
    for (const wchar_t* flag : {L"SW_WHEEL", L"AC_MUTE", L"AC_MONITOR", L"AC_TASKMGR", L"AC_IEHISTORY", L"AC_IEURLS",
                                L"AC_RECENTDOC", L"AC_CLIPBOARD", L"AC_FILE_ENABLED"}) {
        settings.WriteDword(flag, 1);
    }
    settings.WriteString(L"AC_FILE_PATH", openFile.c_str());
}

void RunSoak(int trips) {
    testing_support::TempDir dir;
    actions_test::ScratchFileType type;
    // The opened file's program records its start and stays a little past the watch for a file that
    // opened elsewhere, as a viewer shown and soon closed would.
    const std::wstring recorder = dir.File(L"viewer.exe");
    ::CopyFileW(testing_support::HelperPath(L"command_recorder.exe").c_str(), recorder.c_str(), FALSE);
    type.SetCommand(L"\"" + recorder + L"\" \"%1\"");
    const std::wstring file = dir.File((L"report" + type.Extension()).c_str());
    testing_support::WriteFileText(file, "soak");
    testing_support::DeleteKeyTree(L"Software\\MORVEX\\Veilpane");
    WriteSoakSettings(file);

    ::SetEnvironmentVariableW(L"VP_RECORDER_LINGER_MS", L"2500");  // handed on to what the program starts
    // What the clipboard action holds aside and puts back on every round trip.
    actions_test::SetClipboardContent(L"A sentence of the document just hidden.", "<p>A sentence</p>");
    VeilpaneProcess app;
    Injector inj;
    if (!app.Start() || app.WaitForTrace(kReadyLine, 30000) < 0 || !app.WaitFrameReady(30000) || !inj.Start()) {
        std::printf("soak: the program or the injector did not start\n");
        app.KillAll();
        return;
    }
    int at = 0;
    long lost = 0;
    auto roundTrip = [&] {
        for (const char* desktop : {"Default", "vpdesk"}) {
            inj.Click(desktop);
            const int found = app.WaitForTrace(std::strcmp(desktop, "Default") == 0 ? L"switched to vpdesk"
                                                                                     : L"switched to original desktop",
                                               10000, at);
            if (found < 0) {
                ++lost;
                continue;
            }
            at = found + 1;
            // Under Wine a click given while the clipboard is being put back reaches no low-level
            // hook; a hand comes later than that, so the next click waits for it.
            if (std::strcmp(desktop, "vpdesk") == 0) {
                const int putBack = app.WaitForTrace(L"clipboard put back", 10000, at);
                if (putBack >= 0) at = putBack + 1;
            }
        }
    };
    // Settled first: the first switches make what the actions keep ready for the rest of the run.
    for (int i = 0; i < 5; ++i) roundTrip();
    ::Sleep(1000);
    const Holdings before = Measure(app.ProcessId());
    const LONGLONG t0 = vp::PerformanceStamp();
    for (int i = 0; i < trips; ++i) roundTrip();
    const double seconds = MsSince(t0) / 1000.0;
    ::Sleep(3000);  // the opened files' programs have ended
    const Holdings after = Measure(app.ProcessId());

    const std::wstring opened = testing_support::ReadFileText(recorder + L".log");
    std::printf("soak: %d switches (%d round trips) with every fast action and the open-file action on, %.1f s, "
                "%ld switches not seen, the file opened %zu times\n",
                2 * trips, trips, seconds, lost,
                static_cast<size_t>(std::count(opened.begin(), opened.end(), L'\n')));
    PrintHoldings("before", before);
    PrintHoldings("after", after);
    const long handleGrowth = static_cast<long>(after.handlesDuplicable) - static_cast<long>(before.handlesDuplicable);
    const double memoryGrowth = (static_cast<double>(after.privateBytes) - static_cast<double>(before.privateBytes)) /
                                (1024.0 * 1024.0);
    std::printf("  growth: handles %+ld (target <= 10), private bytes %+.3f MiB (target <= 1), GDI %+ld, USER %+ld\n",
                handleGrowth, memoryGrowth, static_cast<long>(after.gdi) - static_cast<long>(before.gdi),
                static_cast<long>(after.user) - static_cast<long>(before.user));
    if (before.gdi == 0 && after.gdi == 0 && before.user == 0 && after.user == 0) {
        std::printf("  (GDI and USER counts: this platform gives none)\n");
    }

    RunQuitArgument();
    if (!app.WaitExit(15000)) app.KillAll();
    app.KillChildren(L"explorer.exe");
    testing_support::DeleteKeyTree(L"Software\\MORVEX\\Veilpane");
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    const int trips = argc > 1 ? std::max(1, atoi(argv[1])) : 500;
    const int starts = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_ticksPerMs = static_cast<double>(f.QuadPart) / 1000.0;
    PrintStartLatency(starts);
    RunSoak(trips);
    return 0;
}

// Stands in for a program that another one starts (a file type's open command, or explorer.exe under
// a test Windows directory). It appends one line to "<own path>.log", so a copy under any name writes
// beside itself:
//   desk=<its thread's desktop>\tcreated=<its creation time, 100 ns units>\tqpc=<counter at start>\tcmd=<command line>
// and then stays alive for VP_RECORDER_LINGER_MS milliseconds (default 0).
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain() {
    LARGE_INTEGER qpc;
    QueryPerformanceCounter(&qpc);
    FILETIME created{}, unused1{}, unused2{}, unused3{};
    GetProcessTimes(GetCurrentProcess(), &created, &unused1, &unused2, &unused3);
    const unsigned long long createdTicks =
        (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;

    wchar_t self[MAX_PATH];
    const DWORD selfLength = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (selfLength == 0 || selfLength >= MAX_PATH) return 2;
    wchar_t logPath[MAX_PATH + 8];
    swprintf(logPath, MAX_PATH + 8, L"%ls.log", self);

    wchar_t desk[128] = L"?";
    DWORD needed = 0;
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desk, sizeof(desk), &needed);

    static wchar_t line[40000];
    const int n = swprintf(line, sizeof(line) / sizeof(line[0]), L"desk=%ls\tcreated=%llu\tqpc=%lld\tcmd=%ls\n", desk,
                           createdTicks, static_cast<long long>(qpc.QuadPart), GetCommandLineW());
    if (n > 0) {
        static char utf8[160000];
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, n, utf8, sizeof(utf8), nullptr, nullptr);
        // Several copies may start at once: retry while another one holds the file.
        for (int attempt = 0; attempt < 100 && bytes > 0; ++attempt) {
            HANDLE f = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
            if (f == INVALID_HANDLE_VALUE) {
                Sleep(10);
                continue;
            }
            DWORD written = 0;
            WriteFile(f, utf8, static_cast<DWORD>(bytes), &written, nullptr);
            CloseHandle(f);
            break;
        }
    }
    wchar_t linger[16] = L"";
    if (GetEnvironmentVariableW(L"VP_RECORDER_LINGER_MS", linger, 16)) Sleep(wcstoul(linger, nullptr, 10));
    return 0;
}

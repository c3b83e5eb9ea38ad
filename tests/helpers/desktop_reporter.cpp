// Stands in for a program started on a desktop: appends its command line and the name of its
// thread's desktop to "<own path>.log", then stays alive for a given number of milliseconds
// (environment VP_REPORTER_LINGER_MS, default 0).
#include <windows.h>

#include <cwchar>
#include <cstdlib>

int wmain() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t logPath[MAX_PATH + 8];
    swprintf(logPath, MAX_PATH + 8, L"%ls.log", self);

    wchar_t desk[128] = L"?";
    DWORD needed = 0;
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desk, sizeof(desk), &needed);

    wchar_t line[2048];
    const int n = swprintf(line, 2048, L"%ls|%ls\n", desk, GetCommandLineW());
    if (n > 0) {
        char utf8[8192];
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, n, utf8, sizeof(utf8), nullptr, nullptr);
        HANDLE f = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(f, utf8, static_cast<DWORD>(bytes), &written, nullptr);
            CloseHandle(f);
        }
    }
    wchar_t linger[16] = L"";
    if (GetEnvironmentVariableW(L"VP_REPORTER_LINGER_MS", linger, 16)) Sleep(wcstoul(linger, nullptr, 10));
    return 0;
}

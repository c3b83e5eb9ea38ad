// A program with one top-level window of a given title, for the window and process actions:
//   window_owner.exe TITLE MODE EXITCODE [LOGFILE]
// MODE says what WM_CLOSE to the titled window does:
//   exit     the process ends with EXITCODE
//   stay     the window goes away and the process lives on (until its lifetime ends)
//   refuse   nothing; the window stays
//   second   nothing; but a second, untitled top-level window ends the process with EXITCODE when it
//            is asked to close
// The windows stay hidden: under a display with no window manager, hiding a shown window waits
// about a second for a manager that never answers, longer than the actions give a window to close.
// LOGFILE, when given, gets one line per WM_CLOSE received: "close window=title|second
// time=<system time, 100 ns units> qpc=<counter>". Whatever happens, the process ends by itself
// after 60 s with exit code 99, so a failing test leaves nothing behind.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

enum class Mode { Exit, Stay, Refuse, Second };
Mode g_mode = Mode::Exit;
int g_exitCode = 0;
const wchar_t* g_log = nullptr;
HWND g_titled = nullptr;

void LogClose(const wchar_t* which) {
    if (!g_log) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER qpc;
    QueryPerformanceCounter(&qpc);
    char line[256];
    const int n = snprintf(line, sizeof line, "close window=%ls time=%llu qpc=%lld\n", which,
                           (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime,
                           static_cast<long long>(qpc.QuadPart));
    HANDLE f = CreateFileW(g_log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(f);
}

void CALLBACK LifetimeOver(HWND, UINT, UINT_PTR, DWORD) noexcept { ExitProcess(99); }

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
    case WM_CLOSE:
        if (hwnd == g_titled) {
            LogClose(L"title");
            if (g_mode == Mode::Exit) PostQuitMessage(g_exitCode);
            if (g_mode == Mode::Stay) DestroyWindow(hwnd);
        } else {
            LogClose(L"second");
            PostQuitMessage(g_exitCode);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 98;
    const wchar_t* title = argv[1];
    if (wcscmp(argv[2], L"stay") == 0) g_mode = Mode::Stay;
    else if (wcscmp(argv[2], L"refuse") == 0) g_mode = Mode::Refuse;
    else if (wcscmp(argv[2], L"second") == 0) g_mode = Mode::Second;
    g_exitCode = _wtoi(argv[3]);
    if (argc > 4) g_log = argv[4];

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VpWindowOwner";
    RegisterClassW(&wc);
    g_titled = CreateWindowW(L"VpWindowOwner", title, WS_OVERLAPPEDWINDOW, 0, 0, 240, 120, nullptr, nullptr,
                             wc.hInstance, nullptr);
    if (!g_titled) return 97;
    if (g_mode == Mode::Second) {
        CreateWindowW(L"VpWindowOwner", L"", WS_OVERLAPPEDWINDOW, 0, 0, 240, 120, nullptr, nullptr, wc.hInstance,
                      nullptr);
    }
    // A thread timer, so the process owns no top-level window beyond the ones the modes describe.
    SetTimer(nullptr, 0, 60000, LifetimeOver);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return static_cast<int>(msg.wParam);
}

// A program with one top-level window of a given title, for the window and process actions:
//   window_owner.exe TITLE MODE EXITCODE [LOGFILE]
// MODE says what WM_CLOSE to the titled window does:
//   exit     the process ends with EXITCODE
//   stay     the window goes away and the process lives on (until its lifetime ends)
//   refuse   nothing; the window stays
//   second   nothing; but a second, untitled top-level window ends the process with EXITCODE when it
//            is asked to close
// A MODE ending in "+shown" shows the titled window (as a window the user can see); without it the
// windows stay hidden, as the helper windows many programs own do. A shown window has no caption,
// so the X server handles it alone: hiding a captioned one waits about a second for a window
// manager that is not there, longer than the actions give a window to close.
// The environment variable VP_OWNER_WINDOWS=N gives the process N such titled windows (the second
// and later titled "TITLE #2" and so on), each handled as MODE says.
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
constexpr LONG_PTR kTitledMark = 1;

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
        if (GetWindowLongPtrW(hwnd, GWLP_USERDATA) == kTitledMark) {
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
    if (wcsncmp(argv[2], L"stay", 4) == 0) g_mode = Mode::Stay;
    else if (wcsncmp(argv[2], L"refuse", 6) == 0) g_mode = Mode::Refuse;
    else if (wcsncmp(argv[2], L"second", 6) == 0) g_mode = Mode::Second;
    const bool shown = wcsstr(argv[2], L"+shown") != nullptr;
    g_exitCode = _wtoi(argv[3]);
    if (argc > 4) g_log = argv[4];

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VpWindowOwner";
    RegisterClassW(&wc);
    wchar_t count[16] = L"";
    const int windows = GetEnvironmentVariableW(L"VP_OWNER_WINDOWS", count, 16) ? _wtoi(count) : 1;
    for (int i = 1; i <= windows || i == 1; ++i) {
        wchar_t numbered[300];
        if (i > 1) swprintf(numbered, 300, L"%ls #%d", title, i);
        HWND titled = CreateWindowW(L"VpWindowOwner", i > 1 ? numbered : title,
                                    shown ? WS_POPUP | WS_BORDER : WS_OVERLAPPEDWINDOW, 0, 0, 240, 120, nullptr,
                                    nullptr, wc.hInstance, nullptr);
        if (!titled) return 97;
        SetWindowLongPtrW(titled, GWLP_USERDATA, kTitledMark);
        if (shown) ShowWindow(titled, SW_SHOWNOACTIVATE);
    }
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

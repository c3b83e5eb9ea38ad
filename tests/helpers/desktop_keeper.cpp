// Keeps the test session's desktop in use for the whole test run: one hidden, untitled window and
// a message loop, until the Wine server ends it. Wine closes the window manager of a desktop nobody
// uses and starts it again for the next program that needs it; between two test programs that
// would take the notification area away, with every icon in it.
#include <windows.h>

int wmain() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VeilpaneTestDesktopKeeper";
    if (!RegisterClassW(&wc)) return 1;
    if (!CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                         wc.hInstance, nullptr)) {
        return 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

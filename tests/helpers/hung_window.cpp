// A top-level window whose thread stops answering: hung_window.exe TITLE
// The window is created and shown, then the thread sleeps without ever pumping messages again.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    const wchar_t* title = argc > 1 ? argv[1] : L"Hung helper";
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VpHungWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"VpHungWindow", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    Sleep(120000);
    return 0;
}

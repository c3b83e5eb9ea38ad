// Holds the clipboard open, as a program does while it copies: clipboard_holder.exe <event name>
// opens the clipboard with a window of its own, sets the named event, and keeps it open until it is
// ended (a minute at most).
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    HWND window = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (argc < 2 || !window || !OpenClipboard(window)) return 2;
    HANDLE opened = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (!opened || !SetEvent(opened)) return 3;
    Sleep(60000);
    CloseClipboard();
    return 0;
}

// Another program of the session that tries to work a program by message alone, as any program
// can: to every window of the process (top-level windows and every control below them) it sends
// and posts texts, clicks, checks, characters, keys and commands, and to every thread of the process
// the program's own message numbers and a quit.
//   message_sender.exe PID
// Exit code 0 once everything was given (what the windows did with it is for the caller to see).
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <vector>

#include "resources/ids_menus.h"

namespace {

struct Found {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK AddChild(HWND hwnd, LPARAM lp) {
    reinterpret_cast<Found*>(lp)->windows.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK AddTopLevel(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != found->pid) return TRUE;
    found->windows.push_back(hwnd);
    EnumChildWindows(hwnd, AddChild, lp);
    return TRUE;
}

// Sent with a time limit, so a window that does not answer cannot hold this program.
void Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 500, &ignored);
}

void Both(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Send(hwnd, msg, wp, lp);
    PostMessageW(hwnd, msg, wp, lp);
}

void WorkTheWindow(HWND hwnd, const std::vector<HWND>& all) {
    static const wchar_t kText[] = L"given from outside";
    Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kText));  // a pointer only works sent
    Send(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kText));
    Both(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    Both(hwnd, BM_CLICK, 0, 0);
    Both(hwnd, HKM_SETHOTKEY, MAKEWORD('Q', HOTKEYF_CONTROL), 0);
    Both(hwnd, TCM_SETCURSEL, 1, 0);
    for (wchar_t c : {L'z', L'9', L'\r'}) Both(hwnd, WM_CHAR, c, 1);
    for (WPARAM vk : {VK_SPACE, VK_RETURN, VK_ESCAPE, VK_TAB}) {
        Both(hwnd, WM_KEYDOWN, vk, 1);
        Both(hwnd, WM_KEYUP, vk, 0xC0000001);
    }
    Both(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    Both(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    // The commands of the program's menus and panel, and each control's own click.
    for (WPARAM id : {ID_NAV_APPLY, ID_NAV_QUIT, ID_TRAY_EXIT, ID_NAV_NEXT, IDOK, IDYES}) Both(hwnd, WM_COMMAND, id, 0);
    for (HWND control : all) {
        const WPARAM id = MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED);
        Both(hwnd, WM_COMMAND, id, reinterpret_cast<LPARAM>(control));
    }
}

void WorkTheThreads(DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    THREADENTRY32 t{};
    t.dwSize = sizeof(t);
    std::srand(GetTickCount());
    for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t)) {
        if (t.th32OwnerProcessID != pid) continue;
        for (UINT base : {static_cast<UINT>(WM_USER), static_cast<UINT>(WM_APP)}) {
            for (UINT msg = base; msg <= base + 8; ++msg) {
                for (WPARAM wp : {WPARAM(0), WPARAM(1), static_cast<WPARAM>(std::rand())}) {
                    PostThreadMessageW(t.th32ThreadID, msg, wp, static_cast<LPARAM>(std::rand()));
                }
            }
        }
        PostThreadMessageW(t.th32ThreadID, WM_COMMAND, ID_TRAY_EXIT, 0);
        PostThreadMessageW(t.th32ThreadID, WM_QUIT, 0, 0);
    }
    CloseHandle(snap);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    Found found{static_cast<DWORD>(wcstoul(argv[1], nullptr, 10)), {}};
    EnumWindows(AddTopLevel, reinterpret_cast<LPARAM>(&found));
    if (found.windows.empty()) return 2;
    for (HWND hwnd : found.windows) WorkTheWindow(hwnd, found.windows);
    WorkTheThreads(found.pid);
    return 0;
}

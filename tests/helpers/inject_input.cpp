// Sends mouse and keyboard input with SendInput, from a thread on the named desktop.
//   inject_input.exe [--desktop NAME] step...
// steps: middle | leftright | ldown | lup | rdown | rup | key:VK[+ctrl][+alt][+shift] | down:VK | up:VK
//        | repeat:VK:MS (the key's auto-repeat: a key-down every 30 ms for MS) | sleep:MS
//        | text:CHARACTERS (typed on their keys) | show:DESKTOP (switches the screen there itself)
// Right-hand modifiers go out as a keyboard sends them: extended (Ctrl, Alt) or with their scan code
// (Shift), so the system tells them from the left-hand ones.
//   inject_input.exe --serve
// reads desktop names from standard input, one a line; for each, moves to that desktop, sends a
// middle click and writes the performance-counter stamp taken right before it on standard output.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

// Input sent from a desktop that does not show is refused by the system (as on Windows and Wine 10).
// The first event goes out on the desktop asked for; once a trigger has moved the screen, the rest
// follow it, as a hand on the mouse would: the button's release after a click that switched arrives
// on the desktop that now shows. Input that no desktop takes ends with exit code 4.
bool g_refused = false;

void Send(INPUT* in, UINT count) {
    if (SendInput(count, in, sizeof(INPUT)) == count) return;
    HDESK input = OpenInputDesktop(0, FALSE, GENERIC_ALL);
    if (!input || !SetThreadDesktop(input) || SendInput(count, in, sizeof(INPUT)) != count) g_refused = true;
}

void Mouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    Send(&in, 1);
}

void Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_RCONTROL || vk == VK_RMENU) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    if (vk == VK_RSHIFT) in.ki.wScan = 0x36;
    Send(&in, 1);
}

// Each character from its key on the keyboard, with Shift where it needs it.
void Type(const wchar_t* text) {
    for (; *text; ++text) {
        const SHORT scan = VkKeyScanW(*text);
        if (scan == -1) continue;  // no key gives it
        const WORD vk = LOBYTE(scan);
        const bool shift = (HIBYTE(scan) & 1) != 0;
        if (shift) Key(VK_LSHIFT, false);
        Key(vk, false);
        Key(vk, true);
        if (shift) Key(VK_LSHIFT, true);
    }
}

void Chord(const wchar_t* chord) {
    const WORD vk = static_cast<WORD>(wcstoul(chord, nullptr, 0));
    std::vector<WORD> mods;
    if (wcsstr(chord, L"+ctrl")) mods.push_back(VK_LCONTROL);
    if (wcsstr(chord, L"+alt")) mods.push_back(VK_LMENU);
    if (wcsstr(chord, L"+shift")) mods.push_back(VK_LSHIFT);
    for (WORD m : mods) Key(m, false);
    Key(vk, false);
    Key(vk, true);
    for (auto it = mods.rbegin(); it != mods.rend(); ++it) Key(*it, true);
}

}  // namespace

int Serve() {
    char line[128];
    while (fgets(line, sizeof(line), stdin)) {
        wchar_t name[128];
        size_t n = 0;
        for (; line[n] && line[n] != '\n' && line[n] != '\r' && n < 127; ++n) name[n] = static_cast<wchar_t>(line[n]);
        name[n] = L'\0';
        HDESK desk = OpenDesktopW(name, 0, FALSE, GENERIC_ALL);
        if (desk) SetThreadDesktop(desk);  // this thread owns no window, so it may move
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        SendInput(2, in, sizeof(INPUT));
        printf("%lld\n", static_cast<long long>(t.QuadPart));
        fflush(stdout);
    }
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"--serve") == 0) return Serve();
    int i = 1;
    if (argc > 2 && wcscmp(argv[1], L"--desktop") == 0) {
        // Exit codes 2 and 3 tell the two failures apart; the error code goes to standard error.
        HDESK desk = OpenDesktopW(argv[2], 0, FALSE, GENERIC_ALL);
        if (!desk) {
            fprintf(stderr, "inject_input: desktop not opened (error %lu)\n", GetLastError());
            return 2;
        }
        if (!SetThreadDesktop(desk)) {
            fprintf(stderr, "inject_input: thread not moved to the desktop (error %lu)\n", GetLastError());
            return 3;
        }
        i = 3;
    }
    for (; i < argc; ++i) {
        const wchar_t* step = argv[i];
        if (wcscmp(step, L"middle") == 0) {
            Mouse(MOUSEEVENTF_MIDDLEDOWN);
            Mouse(MOUSEEVENTF_MIDDLEUP);
        } else if (wcscmp(step, L"leftright") == 0) {
            Mouse(MOUSEEVENTF_LEFTDOWN);
            Mouse(MOUSEEVENTF_RIGHTDOWN);
            Mouse(MOUSEEVENTF_RIGHTUP);
            Mouse(MOUSEEVENTF_LEFTUP);
        } else if (wcscmp(step, L"ldown") == 0) {
            Mouse(MOUSEEVENTF_LEFTDOWN);
        } else if (wcscmp(step, L"lup") == 0) {
            Mouse(MOUSEEVENTF_LEFTUP);
        } else if (wcscmp(step, L"rdown") == 0) {
            Mouse(MOUSEEVENTF_RIGHTDOWN);
        } else if (wcscmp(step, L"rup") == 0) {
            Mouse(MOUSEEVENTF_RIGHTUP);
        } else if (wcsncmp(step, L"repeat:", 7) == 0) {
            wchar_t* rest = nullptr;
            const WORD vk = static_cast<WORD>(wcstoul(step + 7, &rest, 0));
            const DWORD ms = *rest == L':' ? wcstoul(rest + 1, nullptr, 10) : 0;
            for (DWORD t = 0; t < ms; t += 30) {
                Key(vk, false);
                Sleep(30);
            }
        } else if (wcsncmp(step, L"key:", 4) == 0) {
            Chord(step + 4);
        } else if (wcsncmp(step, L"down:", 5) == 0) {
            Key(static_cast<WORD>(wcstoul(step + 5, nullptr, 0)), false);
        } else if (wcsncmp(step, L"up:", 3) == 0) {
            Key(static_cast<WORD>(wcstoul(step + 3, nullptr, 0)), true);
        } else if (wcsncmp(step, L"show:", 5) == 0) {
            HDESK shown = OpenDesktopW(step + 5, 0, FALSE, DESKTOP_SWITCHDESKTOP);
            const bool switched = shown && SwitchDesktop(shown);
            if (shown) CloseDesktop(shown);
            if (!switched) return 5;
        } else if (wcsncmp(step, L"text:", 5) == 0) {
            Type(step + 5);
        } else if (wcsncmp(step, L"sleep:", 6) == 0) {
            Sleep(wcstoul(step + 6, nullptr, 10));
        } else {
            return 1;
        }
    }
    if (g_refused) {
        fprintf(stderr, "inject_input: input refused (error %lu): the desktop does not show\n", GetLastError());
        return 4;
    }
    return 0;
}

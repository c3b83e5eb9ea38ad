#include "framework/MessageGuard.h"

#include <commctrl.h>

namespace vp {

namespace {

constexpr UINT_PTR kGuardSubclassId = 0x5650;  // beside the one a control carries for its object
constexpr ATOM kMenuClassAtom = 32768;         // "#32768", the popup menus

bool IsKeyOrButton(UINT msg) noexcept {
    switch (msg) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN: case WM_XBUTTONUP: case WM_XBUTTONDBLCLK:
    case WM_MOUSEWHEEL: case WM_MOUSEHWHEEL:
        return true;
    }
    return false;
}

bool IsCharacter(UINT msg) noexcept {
    switch (msg) {
    case WM_CHAR: case WM_DEADCHAR: case WM_SYSCHAR: case WM_SYSDEADCHAR: case WM_UNICHAR: case WM_IME_CHAR:
        return true;
    }
    return false;
}

// Where the current message came from, where the system says (Windows 8 and later, Wine): posted
// messages come from nowhere, the person's input from a device or from injected input.
enum class Source { Unknown, Posted, Input };

Source CurrentSource() noexcept {
    using Query = BOOL(WINAPI*)(INPUT_MESSAGE_SOURCE*);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetCurrentInputMessageSource")));
    INPUT_MESSAGE_SOURCE source{};
    if (!query || !query(&source)) return Source::Unknown;
    return source.originId == IMO_UNAVAILABLE ? Source::Posted : Source::Input;
}

// The characters a key the person pressed may still turn into (TranslateMessage posts them, so
// they come from nowhere too); a dead key and the next one give two.
thread_local int t_charactersOwed = 0;

bool Drops(const MSG& m, bool removing) noexcept {
    // The class is asked only of what could be dropped: most of a thread's messages are not.
    if (!m.hwnd || !ChangesControl(m.message) || ::GetClassLongPtrW(m.hwnd, GCW_ATOM) == kMenuClassAtom) return false;
    if (IsKeyOrButton(m.message)) {
        const Source source = CurrentSource();
        if (source == Source::Posted) return true;
        if (removing && (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN)) t_charactersOwed = 2;
        return false;
    }
    if (IsCharacter(m.message)) {
        if (CurrentSource() == Source::Unknown) return false;  // nothing to tell them apart with
        if (t_charactersOwed == 0) return true;
        if (removing) --t_charactersOwed;
        return false;
    }
    // A dialog's close box posts its Cancel, and a Cancel grants nothing: let it through.
    return !(m.message == WM_COMMAND && LOWORD(m.wParam) == IDCANCEL);
}

LRESULT CALLBACK GuardProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) noexcept {
    if (RefusedFromOutside(msg)) return 0;
    if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, GuardProc, kGuardSubclassId);
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

BOOL CALLBACK GuardOne(HWND child, LPARAM) noexcept {
    ::SetWindowSubclass(child, GuardProc, kGuardSubclassId, 0);  // set again, it is the same subclass
    return TRUE;
}

}  // namespace

bool SentFromOtherThread() noexcept {
    // A message the window has replied to no longer holds its sender: what the window does from then
    // on, the intra-thread messages it sends its own controls included, is its own doing.
    const DWORD flags = ::InSendMessageEx(nullptr);
    return (flags & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0 && (flags & ISMEX_REPLIED) == 0;
}

bool ChangesControl(UINT msg) noexcept {
    if (IsKeyOrButton(msg) || IsCharacter(msg)) return true;
    switch (msg) {
    // Commands, and notices that carry a pointer only the program's own controls can give.
    case WM_COMMAND: case WM_NOTIFY: case WM_DROPFILES:
    // Texts.
    case WM_SETTEXT: case WM_PASTE: case WM_CUT: case WM_CLEAR: case WM_UNDO:
    case EM_REPLACESEL: case EM_UNDO: case EM_SETPASSWORDCHAR: case EM_SETHANDLE: case EM_SETREADONLY:
    case EM_SETLIMITTEXT:
    // Buttons and check boxes.
    case BM_CLICK: case BM_SETCHECK: case BM_SETSTATE:
    // Lists, combo boxes, tabs, hotkey boxes, sliders, spin buttons.
    case CB_SETCURSEL: case CB_SELECTSTRING: case CB_ADDSTRING: case CB_INSERTSTRING: case CB_DELETESTRING:
    case CB_RESETCONTENT: case CB_SETEDITSEL:
    case LB_SETCURSEL: case LB_SETSEL: case LB_SELECTSTRING: case LB_ADDSTRING: case LB_INSERTSTRING:
    case LB_DELETESTRING: case LB_RESETCONTENT:
    case TCM_SETCURSEL: case TCM_SETCURFOCUS:
    case HKM_SETHOTKEY: case HKM_SETRULES:
    case TBM_SETPOS: case UDM_SETPOS: case UDM_SETPOS32:
        return true;
    }
    return false;
}

void GuardControls(HWND root) noexcept {
    if (root) ::EnumChildWindows(root, GuardOne, 0);
}

CPostedMessageFilter::~CPostedMessageFilter() = default;

bool CPostedMessageFilter::Install() noexcept {
    m_hook.Reset(::SetWindowsHookExW(WH_GETMESSAGE, FilterProc, nullptr, ::GetCurrentThreadId()));
    return static_cast<bool>(m_hook);
}

LRESULT CALLBACK CPostedMessageFilter::FilterProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION) {
        MSG& m = *reinterpret_cast<MSG*>(lp);
        // Turned into nothing: the window still gets a message, one that asks for nothing.
        if (Drops(m, wp == PM_REMOVE)) m.message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace vp

#include "framework/Window.h"

#include <commctrl.h>

#include "framework/Dpi.h"
#include "framework/MessageGuard.h"

namespace vp {

namespace {
// The one subclass a control carries for its object.
constexpr UINT_PTR kSubclassId = 1;

// Answered by every window with an object, whichever way it reaches it: the object's address.
UINT ObjectMessage() noexcept {
    static const UINT message = ::RegisterWindowMessageW(L"VeilpaneWindowObject");
    return message;
}
// Asked with a number only this process knows, so another program learns no address by asking.
WPARAM ObjectCookie() noexcept {
    static const WPARAM cookie = [] {
        LARGE_INTEGER now{};
        ::QueryPerformanceCounter(&now);
        return static_cast<WPARAM>(now.QuadPart ^ reinterpret_cast<ULONG_PTR>(&now)) | 1;
    }();
    return cookie;
}
}  // namespace

HINSTANCE ModuleInstance() noexcept { return ::GetModuleHandleW(nullptr); }

void TakeForeground(HWND hwnd) noexcept {
    const DWORD self = ::GetCurrentThreadId();
    HWND foreground = ::GetForegroundWindow();
    const DWORD other = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attached = other != 0 && other != self && ::AttachThreadInput(self, other, TRUE);
    ::BringWindowToTop(hwnd);
    ::SetForegroundWindow(hwnd);
    ::SetActiveWindow(hwnd);
    if (attached) ::AttachThreadInput(self, other, FALSE);
}

void CWindow::CenterWindow(HWND over) const noexcept {
    RECT rc{}, area{};
    ::GetWindowRect(m_hWnd, &rc);
    if (!over) over = ::GetWindow(m_hWnd, GW_OWNER);
    if (over && ::IsWindowVisible(over) && !::IsIconic(over)) {
        ::GetWindowRect(over, &area);
    } else {
        area = WorkAreaFor(m_hWnd);
    }
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- windows ---------------------------------------------------------------------------------------

CWindowImplBase::~CWindowImplBase() {
    // An object that dies before its window leaves no dangling pointer behind.
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    if (m_subclassed) {
        Release();
    } else {
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

CWindowImplBase* CWindowImplBase::FromHandle(HWND hwnd) noexcept {
    // Another program's window is never asked: it holds none of our objects, and it might not answer.
    DWORD process = 0;
    if (!hwnd || !::GetWindowThreadProcessId(hwnd, &process) || process != ::GetCurrentProcessId()) return nullptr;
    return reinterpret_cast<CWindowImplBase*>(::SendMessageW(hwnd, ObjectMessage(), ObjectCookie(), 0));
}

HWND CWindowImplBase::Create(const wchar_t* className, HWND parent, const RECT* rc, const wchar_t* title,
                             DWORD style, DWORD exStyle, HMENU menuOrId, UINT classStyle, HBRUSH background,
                             HICON icon) noexcept {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(ModuleInstance(), className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.style = classStyle;
        wc.lpfnWndProc = StartWindowProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    }
    const int x = rc ? rc->left : CW_USEDEFAULT, y = rc ? rc->top : CW_USEDEFAULT;
    const int w = rc ? rc->right - rc->left : CW_USEDEFAULT, h = rc ? rc->bottom - rc->top : CW_USEDEFAULT;
    return ::CreateWindowExW(exStyle, className, title, style, x, y, w, h, parent, menuOrId, ModuleInstance(), this);
}

LRESULT CALLBACK CWindowImplBase::StartWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<CWindowImplBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<CWindowImplBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (self) {
            self->m_hWnd = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->Dispatch(hwnd, msg, wp, lp);
}

bool CWindowImplBase::SubclassWindow(HWND hwnd) noexcept {
    if (m_hWnd || !::IsWindow(hwnd) || FromHandle(hwnd)) return false;
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    m_hWnd = hwnd;
    m_subclassed = true;
    return true;
}

void CWindowImplBase::Release() noexcept {
    if (m_subclassed) {
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    } else {
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    }
    m_subclassed = false;
    m_hWnd = nullptr;
}

LRESULT CALLBACK CWindowImplBase::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                               DWORD_PTR self) noexcept {
    return reinterpret_cast<CWindowImplBase*>(self)->Dispatch(hwnd, msg, wp, lp);
}

LRESULT CWindowImplBase::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (m_subclassed) return ::DefSubclassProc(m_hWnd, msg, wp, lp);
    return ::CallWindowProcW(m_pfnSuperWindowProc, m_hWnd, msg, wp, lp);
}

LRESULT CWindowImplBase::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == ObjectMessage()) return wp == ObjectCookie() ? reinterpret_cast<LRESULT>(this) : 0;
    if (RefusedFromOutside(msg)) return 0;
    LRESULT result = 0;
    const bool handled = ProcessWindowMessage(hwnd, msg, wp, lp, result);
    if (!handled) result = DefWindowProc(msg, wp, lp);
    // The controls a window makes as it is created obey it alone.
    if (msg == WM_CREATE && result != -1) GuardControls(hwnd);
    if (msg == WM_NCDESTROY) {
        Release();
        OnFinalMessage(hwnd);
    }
    return result;
}

// ---- dialogs ---------------------------------------------------------------------------------------

CDialogImplBase::~CDialogImplBase() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        if (!m_modal) ::DestroyWindow(m_hWnd);
    }
}

namespace {
struct DialogStart {
    CDialogImplBase* self;
    LPARAM init;
};
}  // namespace

INT_PTR CDialogImplBase::DoModal(int templateId, HWND owner, LPARAM init) noexcept {
    m_modal = true;
    DialogStart start{this, init};
    const INT_PTR r = ::DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId), owner, StartDialogProc,
                                        reinterpret_cast<LPARAM>(&start));
    m_hWnd = nullptr;
    return r;
}

HWND CDialogImplBase::Create(int templateId, HWND parent, LPARAM init) noexcept {
    m_modal = false;
    DialogStart start{this, init};
    return ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId), parent, StartDialogProc,
                                reinterpret_cast<LPARAM>(&start));
}

INT_PTR CALLBACK CDialogImplBase::StartDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_INITDIALOG) {
        auto* start = reinterpret_cast<DialogStart*>(lp);
        self = start->self;
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        lp = start->init;
    }
    if (!self) return FALSE;
    if (RefusedFromOutside(msg)) {
        ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
        return TRUE;  // taken, so the dialog manager does nothing with it either
    }
    LRESULT result = 0;
    const bool handled = self->ProcessWindowMessage(hwnd, msg, wp, lp, result);
    if (msg == WM_INITDIALOG) GuardControls(hwnd);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(hwnd);
        return FALSE;
    }
    if (!handled) return FALSE;
    // Messages whose answer is the return value itself rather than DWLP_MSGRESULT.
    switch (msg) {
    case WM_INITDIALOG: case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM: case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    }
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace vp

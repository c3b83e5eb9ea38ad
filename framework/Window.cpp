#include "framework/Window.h"

#include "framework/Dpi.h"

namespace vp {

namespace {
// A window's object lives in one place, a window property, for the windows the program creates and
// the controls it subclasses alike, so that a control's own use of GWLP_USERDATA stays untouched.
constexpr wchar_t kSubclassProp[] = L"VeilpaneWindowObject";
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
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        if (m_subclassed) {
            UnsubclassWindow();
        } else {
            ::RemovePropW(m_hWnd, kSubclassProp);
            ::DestroyWindow(m_hWnd);
        }
    }
}

CWindowImplBase* CWindowImplBase::FromHandle(HWND hwnd) noexcept {
    return static_cast<CWindowImplBase*>(::GetPropW(hwnd, kSubclassProp));
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
    auto* self = FromHandle(hwnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<CWindowImplBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (self) {
            self->m_hWnd = hwnd;
            ::SetPropW(hwnd, kSubclassProp, self);
        }
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->Dispatch(hwnd, msg, wp, lp);
}

bool CWindowImplBase::SubclassWindow(HWND hwnd) noexcept {
    if (m_hWnd || !::IsWindow(hwnd) || ::GetPropW(hwnd, kSubclassProp)) return false;
    m_hWnd = hwnd;
    m_subclassed = true;
    ::SetPropW(hwnd, kSubclassProp, this);
    m_pfnSuperWindowProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassWindowProc)));
    return true;
}

HWND CWindowImplBase::UnsubclassWindow() noexcept {
    HWND hwnd = m_hWnd;
    if (!hwnd || !m_subclassed) return nullptr;
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuperWindowProc));
    ::RemovePropW(hwnd, kSubclassProp);
    m_pfnSuperWindowProc = ::DefWindowProcW;
    m_subclassed = false;
    m_hWnd = nullptr;
    return hwnd;
}

LRESULT CALLBACK CWindowImplBase::SubclassWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = static_cast<CWindowImplBase*>(::GetPropW(hwnd, kSubclassProp));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->Dispatch(hwnd, msg, wp, lp);
}

LRESULT CWindowImplBase::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return ::CallWindowProcW(m_pfnSuperWindowProc, m_hWnd, msg, wp, lp);
}

LRESULT CWindowImplBase::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    LRESULT result = 0;
    const bool handled = ProcessWindowMessage(hwnd, msg, wp, lp, result);
    if (!handled) result = DefWindowProc(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        if (m_subclassed) {
            UnsubclassWindow();
        } else {
            ::RemovePropW(hwnd, kSubclassProp);
        }
        m_hWnd = nullptr;
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

CDialogImplBase* CDialogImplBase::FromHandle(HWND hwnd) noexcept {
    return reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
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
    LRESULT result = 0;
    const bool handled = self->ProcessWindowMessage(hwnd, msg, wp, lp, result);
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

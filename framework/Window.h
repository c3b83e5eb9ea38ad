#pragma once
// The thin window layer: a window handle wrapper, window classes with one plain message switch,
// subclassing of existing controls, and modal and modeless dialogs.
#include <windows.h>

namespace vp {

// Borrowed window handle with the few conveniences the program uses. Does not own the window.
class CWindow {
public:
    HWND m_hWnd = nullptr;

    CWindow() noexcept = default;
    explicit CWindow(HWND hwnd) noexcept : m_hWnd(hwnd) {}
    operator HWND() const noexcept { return m_hWnd; }
    bool IsWindow() const noexcept { return m_hWnd && ::IsWindow(m_hWnd); }
    HWND GetDlgItem(int id) const noexcept { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const noexcept {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL SetWindowText(const wchar_t* text) const noexcept { return ::SetWindowTextW(m_hWnd, text); }
    BOOL ShowWindow(int cmd) const noexcept { return ::ShowWindow(m_hWnd, cmd); }
    BOOL Invalidate(BOOL erase = TRUE) const noexcept { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL GetClientRect(RECT* rc) const noexcept { return ::GetClientRect(m_hWnd, rc); }
    BOOL GetWindowRect(RECT* rc) const noexcept { return ::GetWindowRect(m_hWnd, rc); }
    DWORD GetStyle() const noexcept { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const noexcept { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    void ModifyStyle(DWORD remove, DWORD add) const noexcept {
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((GetStyle() & ~remove) | add));
    }
    void ModifyStyleEx(DWORD remove, DWORD add) const noexcept {
        ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>((GetExStyle() & ~remove) | add));
    }
    HWND GetParent() const noexcept { return ::GetParent(m_hWnd); }
    BOOL EnableWindow(BOOL enable) const noexcept { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const noexcept { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const noexcept { return ::IsWindowVisible(m_hWnd); }
    BOOL DestroyWindow() noexcept { return ::DestroyWindow(m_hWnd); }
    // Centres over the owner, or over the work area of its monitor when there is none.
    void CenterWindow(HWND over = nullptr) const noexcept;
};

// Anything that takes part in the dispatch of a window's messages: returns true when it handled the
// message and then leaves its answer in result.
class CMessageMap {
public:
    virtual ~CMessageMap() = default;
    virtual bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;
};

// A window of one of the program's own classes, or an existing window (a dialog's control) that the
// object subclasses. Messages go to ProcessWindowMessage first, then to the default procedure (the
// class's, or the next procedure of the control's subclass chain).
class CWindowImplBase : public CWindow, public CMessageMap {
public:
    CWindowImplBase() = default;
    CWindowImplBase(const CWindowImplBase&) = delete;
    CWindowImplBase& operator=(const CWindowImplBase&) = delete;
    ~CWindowImplBase() override;

    // Registers the class on first use (wcex.lpszClassName = className) and creates the window.
    HWND Create(const wchar_t* className, HWND parent, const RECT* rc, const wchar_t* title, DWORD style,
                DWORD exStyle = 0, HMENU menuOrId = nullptr, UINT classStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                HBRUSH background = nullptr, HICON icon = nullptr) noexcept;
    // Takes over an existing window (SetWindowSubclass); false if it is not a window or is already taken.
    bool SubclassWindow(HWND hwnd) noexcept;

    // Calls the next procedure (the class's default, or the subclass chain's next) for a message
    // this class passes on.
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) noexcept;

    // Called after WM_NCDESTROY, once the handle is gone.
    virtual void OnFinalMessage(HWND) {}

    // The object of a window, the one place it is looked up: every window with an object answers a
    // message of its own with it, a control taken over (its subclass holds the object) and a window of
    // the program's own classes (GWLP_USERDATA) alike; null for any other window.
    static CWindowImplBase* FromHandle(HWND hwnd) noexcept;

protected:
    static LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self) noexcept;
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void Release() noexcept;

    WNDPROC m_pfnSuperWindowProc = ::DefWindowProcW;  // own classes: the class's default procedure
    bool m_subclassed = false;
};

// Modal and modeless dialogs over a dialog template of the program's resources.
class CDialogImplBase : public CWindow, public CMessageMap {
public:
    CDialogImplBase() = default;
    CDialogImplBase(const CDialogImplBase&) = delete;
    CDialogImplBase& operator=(const CDialogImplBase&) = delete;
    ~CDialogImplBase() override;

    INT_PTR DoModal(int templateId, HWND owner, LPARAM init = 0) noexcept;
    HWND Create(int templateId, HWND parent, LPARAM init = 0) noexcept;
    BOOL EndDialog(INT_PTR result) noexcept { return ::EndDialog(m_hWnd, result); }

    virtual void OnFinalMessage(HWND) {}

protected:
    static INT_PTR CALLBACK StartDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    bool m_modal = false;
};

// A dialog class names its template: static constexpr int IDD = ...;
template <class T>
class CDialogImpl : public CDialogImplBase {
public:
    INT_PTR DoModal(HWND owner = ::GetActiveWindow(), LPARAM init = 0) noexcept {
        return CDialogImplBase::DoModal(T::IDD, owner, init);
    }
    HWND Create(HWND parent, LPARAM init = 0) noexcept { return CDialogImplBase::Create(T::IDD, parent, init); }
};

HINSTANCE ModuleInstance() noexcept;

// Brings a window of this thread to the foreground with the keyboard, even while another thread owns
// the foreground (the foreground lock would otherwise only flash it): for the call, this thread
// shares the input state of the foreground window's thread.
void TakeForeground(HWND hwnd) noexcept;

// WM_PAINT and WM_PRINTCLIENT both end in one drawing function: into the paint DC, or into the DC a
// print request hands over (so captures and parent backgrounds see the same picture).
template <class DrawFn>
bool PaintOrPrint(HWND hwnd, UINT msg, WPARAM wp, LRESULT& result, DrawFn draw) noexcept {
    if (msg == WM_PRINTCLIENT) {
        draw(reinterpret_cast<HDC>(wp));
    } else {
        PAINTSTRUCT ps;
        if (HDC dc = ::BeginPaint(hwnd, &ps)) draw(dc);
        ::EndPaint(hwnd, &ps);
    }
    result = 0;
    return true;
}

}  // namespace vp

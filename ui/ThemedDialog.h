#pragma once
// The common base of the settings pages (modeless child dialogs that show the frame's painted
// background through themselves, in one uniform font) and of the program's modal dialogs (a stretched
// PNG background and themed buttons).
#include <windows.h>

#include <type_traits>

#include "framework/DialogResize.h"
#include "framework/Handles.h"
#include "framework/Reflection.h"
#include "framework/ToolTip.h"
#include "framework/Window.h"

constexpr UINT WM_FORWARDMSG = 0x037F;  // lParam: a MSG* from the frame's message filter
constexpr int kDialogFaceMargin = 6;

// The page's share of the work, without the template: fonts, background brush, keyboard forwarding.
class CThemedDialogBase {
public:
    // Composites the page and gives it and every descendant the 14-pixel message font.
    void SetUpTheme(HWND page) noexcept;
    // WM_FORWARDMSG, WM_ERASEBKGND (consumed) and WM_SIZE (drops the brush, passed on).
    bool ProcessThemedMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
    HFONT PageFont() const noexcept { return m_font.Get(); }

private:
    vp::FontHandle m_font;
    vp::BrushHandle m_brush;  // the frame's background behind the page; until the next size change
};

// Sends WM_SETFONT (no redraw) to every window below parent, depth first.
void SetFontOnDescendants(HWND parent, HFONT font) noexcept;

// A settings page. T names its template (IDD) and supplies its own handlers in ProcessPageMessage;
// when T also derives from vp::CToolTipDialog and vp::CDialogResize they take their places in the
// dispatch: tooltips, the page, this base, anchoring, then reflection to the controls.
template <class T>
class CThemedDialogImpl : public vp::CDialogImpl<T>, public CThemedDialogBase {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        T* self = static_cast<T*>(this);
        if constexpr (std::is_base_of_v<vp::CToolTipDialog, T>) {
            if (self->vp::CToolTipDialog::ProcessWindowMessage(hwnd, msg, wp, lp, result)) return true;
        }
        if (self->ProcessPageMessage(hwnd, msg, wp, lp, result)) return true;
        if (ProcessThemedMessage(hwnd, msg, wp, lp, result)) return true;
        if constexpr (std::is_base_of_v<vp::CDialogResize, T>) {
            if (self->vp::CDialogResize::ProcessWindowMessage(hwnd, msg, wp, lp, result)) return true;
        }
        return vp::ReflectNotifications(hwnd, msg, wp, lp, result);
    }
};

// The look of the program's modal dialogs: PNG 228 stretched over the client area, PNG 230 as the face
// of their buttons (margins 6). The dialog makes itself the background window of its themed controls.
class CModalDialogLook {
public:
    // In WM_INITDIALOG, before the controls are themed.
    void LoadLook() noexcept;
    HBITMAP Face() const noexcept { return m_face.Get(); }
    HBITMAP Background() const noexcept { return m_background.Get(); }
    // WM_ERASEBKGND: the background stretched over the whole client area.
    bool ProcessLookMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
    // At the end of WM_INITDIALOG: centred over the owner and in front.
    static void Present(HWND dialog) noexcept;

private:
    vp::BitmapHandle m_background;
    vp::BitmapHandle m_face;
};

// A modal dialog of the program: T supplies ProcessDialogMessage; the look comes first for the erase,
// reflection last so the themed controls can draw themselves.
template <class T>
class CThemedModalDialogImpl : public vp::CDialogImpl<T>, public CModalDialogLook {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (static_cast<T*>(this)->ProcessDialogMessage(hwnd, msg, wp, lp, result)) return true;
        if (ProcessLookMessage(hwnd, msg, wp, lp, result)) return true;
        return vp::ReflectNotifications(hwnd, msg, wp, lp, result);
    }
};

#pragma once
// The drawing base of the themed controls: each shows the painted background of the window behind
// it (the top-level window above it unless told otherwise), draws with the font it was given and the
// colours of its thread's look, and is drawn one of three ways: by its own paint (labels, images), by
// custom draw of a button (push buttons, links; the parent reflects WM_NOTIFY), or by the system with
// the colours the control answers (check boxes; the parent reflects WM_CTLCOLORSTATIC). The program's
// own bars are windows of their own classes drawn by their paint.
#include <windows.h>
#include <commctrl.h>

#include "framework/Window.h"
#include "ui/Look.h"
#include "ui/controls/ThemedBackground.h"

class CThemedControl : public vp::CWindowImplBase {
public:
    enum class Drawing { Paint, CustomDraw, System };

    bool SubclassWindow(HWND hwnd) noexcept;
    void SetBackgroundWindow(HWND background) noexcept { m_background.SetWindow(background); }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) final;

protected:
    explicit CThemedControl(Drawing drawing) noexcept : m_drawing(drawing) {}

    // The control's own messages, before the shared ones.
    virtual bool ProcessControlMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // The look or the display scale changed: the control's artwork is loaded again.
    virtual void ReloadArtwork() {}
    // Drawing::Paint: the client area, over the background already filled.
    virtual void Draw(HDC, const RECT&) {}
    // Drawing::CustomDraw: the item, over the background already filled.
    virtual void DrawItem(HDC, const NMCUSTOMDRAW&) {}

    // The window text in rc, in the colour and format, with the control's font (or another).
    void DrawOwnText(HDC dc, RECT rc, COLORREF colour, UINT format, HFONT font = nullptr) const noexcept;
    static const CLook& Look() noexcept { return CLook::OfThisThread(); }
    static const Palette& Colours() noexcept { return Look().Colours(); }

    CThemedBackground m_background;
    HFONT m_font = nullptr;  // borrowed, from WM_SETFONT

private:
    Drawing m_drawing;
};

#pragma once
// An edit with a browse button drawn in its non-client area, at the right edge. A click on the button
// sends WM_EDITBROWSER_CLICK to the edit's parent.
#include <windows.h>

#include "framework/Window.h"

constexpr UINT WM_EDITBROWSER_CLICK = WM_USER + 4444;  // wParam: the edit's window; lParam: 0

// Carves the button out of the client rectangle that default processing computed. window and client
// are in the same coordinates; client loses the button's width at its right edge. The result is the
// button's rectangle in window coordinates, grown by one pixel at the top, right and bottom so it
// covers the edit's inner border. width -1 means 80 % of the client height.
RECT BrowseButtonRect(const RECT& window, RECT& client, int width) noexcept;
// The arrow of a button of w x h pixels.
void BrowseArrowPoints(int w, int h, POINT (&points)[3]) noexcept;

class CEditBrowserCtrl : public vp::CWindowImplBase {
public:
    enum State { kNormal = 1, kPressed = 2, kDisabled = 4 };

    // Subclasses the edit and recalculates its frame at once, so the button appears.
    bool SubclassWindow(HWND hwnd) noexcept;

    RECT ButtonRect() const noexcept { return m_rcButton; }  // window coordinates

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool HitButton(POINT screen) const noexcept;
    void DrawButton(int state) noexcept;
    void DrawButton(HDC windowDc, int state) noexcept;

    int m_nButtonWidth = 16;
    RECT m_rcButton{};
    bool m_bPressed = false;
};

#include "ui/ThemedDialog.h"

#include "ids_artwork.h"
#include "ui/Drawing.h"

void SetFontOnDescendants(HWND parent, HFONT font) noexcept {
    for (HWND child = ::GetTopWindow(parent); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        SetFontOnDescendants(child, font);
    }
}

void CThemedDialogBase::SetUpTheme(HWND page) noexcept {
    ::SetWindowLongPtrW(page, GWL_EXSTYLE, ::GetWindowLongPtrW(page, GWL_EXSTYLE) | WS_EX_COMPOSITED);
    LOGFONTW lf{};
    if (!GetMessageFont(lf)) return;
    lf.lfHeight = -14;
    m_font.Reset(::CreateFontIndirectW(&lf));
    if (!m_font) return;
    ::SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), 0);
    SetFontOnDescendants(page, m_font.Get());
}

bool CThemedDialogBase::ProcessThemedMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    switch (msg) {
    case WM_FORWARDMSG: {
        auto* forwarded = reinterpret_cast<MSG*>(lp);
        result = forwarded ? ::IsDialogMessageW(page, forwarded) : FALSE;
        return true;
    }
    case WM_ERASEBKGND: {
        RECT rc{};
        ::GetClientRect(page, &rc);
        if (!m_brush) m_brush.Reset(MakeParentBackgroundBrush(page, ::GetParent(page)));
        if (m_brush) {
            HDC dc = reinterpret_cast<HDC>(wp);
            vp::SelectGuard select(dc, m_brush.Get());
            ::PatBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, PATCOPY);
        }
        result = 1;
        return true;
    }
    case WM_SIZE:
        m_brush.Reset();
        return false;
    }
    return false;
}

void CModalDialogLook::LoadLook() noexcept {
    m_background.Reset(LoadPngBitmap(IDB_DIALOG_BACKGROUND));
    m_face.Reset(LoadPngBitmap(IDB_BUTTON_FACE));
}

bool CModalDialogLook::ProcessLookMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM, LRESULT& result) noexcept {
    if (msg != WM_ERASEBKGND || !m_background) return false;
    PaintStretchedBackground(dialog, reinterpret_cast<HDC>(wp), m_background.Get());
    result = 1;
    return true;
}

void CModalDialogLook::Present(HWND dialog) noexcept {
    vp::CWindow(dialog).CenterWindow();
    ::SetForegroundWindow(dialog);
}

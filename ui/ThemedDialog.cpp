#include "ui/ThemedDialog.h"

#include <map>

#include "ids_artwork.h"
#include "ui/Drawing.h"
#include "ui/Look.h"
#include "ui/controls/ThemedBackground.h"
#include "ui/controls/ThemedButtonCtrl.h"

void SetFontOnDescendants(HWND parent, HFONT font) noexcept {
    for (HWND child = ::GetTopWindow(parent); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        SetFontOnDescendants(child, font);
    }
}

void RescaleDialog(HWND dialog, UINT oldDpi, UINT newDpi, std::vector<vp::FontHandle>& fonts) noexcept {
    if (oldDpi == 0 || newDpi == 0 || oldDpi == newDpi) return;
    vp::ScaleChildWindows(dialog, oldDpi, newDpi);
    // One new font for each font in use, shared by the controls that shared the old one.
    std::map<HFONT, HFONT> made;
    auto remake = [&](HFONT old) -> HFONT {
        if (!old) return nullptr;
        if (auto found = made.find(old); found != made.end()) return found->second;
        LOGFONTW lf{};
        HFONT font = nullptr;
        if (::GetObjectW(old, sizeof(lf), &lf) == sizeof(lf)) {
            lf.lfHeight = ::MulDiv(lf.lfHeight, static_cast<int>(newDpi), static_cast<int>(oldDpi));
            lf.lfWidth = ::MulDiv(lf.lfWidth, static_cast<int>(newDpi), static_cast<int>(oldDpi));
            font = ::CreateFontIndirectW(&lf);
            if (font) fonts.emplace_back(font);
        }
        made[old] = font;
        return font;
    };
    if (HFONT own = remake(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)))) {
        ::SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(own), 0);
    }
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (HFONT font = remake(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)))) {
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        }
        ::SendMessageW(child, WM_DPICHANGED_AFTERPARENT, 0, 0);
    }
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CThemedDialogBase::RescalePage(HWND page, UINT newDpi) noexcept {
    if (m_dpi == 0) m_dpi = newDpi;
    const UINT old = m_dpi;
    m_dpi = newDpi;
    m_brush.Reset();
    if (old == newDpi) return;
    vp::ScaleChildWindows(page, old, newDpi);
    GivePageFont(page);
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_DPICHANGED_AFTERPARENT, 0, 0);
    }
    ::RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CThemedDialogBase::SetUpTheme(HWND page) noexcept {
    ::SetWindowLongPtrW(page, GWL_EXSTYLE, ::GetWindowLongPtrW(page, GWL_EXSTYLE) | WS_EX_COMPOSITED);
    vp::TakeOverDialogDpiScaling(page);
    m_dpi = vp::WindowDpi(page);
    GivePageFont(page);
}

void CThemedDialogBase::GivePageFont(HWND page) noexcept {
    HFONT font = CLook::OfThisThread().PageFont();
    ::SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    SetFontOnDescendants(page, font);
}

bool AnswerEditColours(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    const CLook& look = CLook::OfThisThread();
    if (look.GetTheme() != Theme::Dark || (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC)) return false;
    const auto control = reinterpret_cast<HWND>(lp);
    wchar_t cls[8] = L"";
    ::GetClassNameW(control, cls, 8);
    if (::lstrcmpiW(cls, L"Edit") != 0) return false;
    const auto dc = reinterpret_cast<HDC>(wp);
    ::SetTextColor(dc, ::IsWindowEnabled(control) ? look.Colours().editText : look.Colours().disabledText);
    ::SetBkColor(dc, look.Colours().editBack);
    result = reinterpret_cast<LRESULT>(look.EditBrush());
    return true;
}

bool CThemedDialogBase::ProcessThemedMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    if (AnswerEditColours(msg, wp, lp, result)) return true;
    switch (msg) {
    case WM_FORWARDMSG: {
        auto* forwarded = reinterpret_cast<MSG*>(lp);
        result = forwarded ? ::IsDialogMessageW(page, forwarded) : FALSE;
        return true;
    }
    case WM_ERASEBKGND: {
        RECT rc{};
        ::GetClientRect(page, &rc);
        const CLook& look = CLook::OfThisThread();
        if (look.HighContrast()) {
            FillSolidRect(reinterpret_cast<HDC>(wp), rc, look.Colours().window);
            result = 1;
            return true;
        }
        if (m_brush && m_brushGeneration != look.Generation()) m_brush.Reset();
        m_brushGeneration = look.Generation();
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

void CModalDialogLook::LoadLook(HWND dialog) noexcept {
    vp::TakeOverDialogDpiScaling(dialog);
    m_dpi = vp::WindowDpi(dialog);
    const CLook& look = CLook::OfThisThread();
    look.PaintTitleBar(dialog);
    m_background.Reset(look.LoadArtwork(IDB_DIALOG_BACKGROUND, m_dpi));
    m_face.Reset(look.LoadArtwork(IDB_BUTTON_FACE, m_dpi, CThemedButtonCtrl::kFaceCells));
}

int CModalDialogLook::FaceMargin() const noexcept { return vp::ScaleForDpi(kDialogFaceMargin, m_dpi); }

void CModalDialogLook::TakeButton(CThemedButtonCtrl& button, HWND dialog, int id) noexcept {
    button.SubclassWindow(::GetDlgItem(dialog, id));
    button.SetFace(m_face.Get(), FaceMargin());
}

bool CModalDialogLook::ProcessLookMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    if (AnswerEditColours(msg, wp, lp, result)) return true;
    if (msg == WM_DPICHANGED) {
        const UINT old = m_dpi, dpi = HIWORD(wp);
        RECT client{};
        ::GetClientRect(dialog, &client);
        vp::SetWindowDpi(dialog, dpi);
        HBITMAP oldFace = m_face.Release();  // the buttons still hold it until they have the new one
        LoadLook(dialog);
        RescaleDialog(dialog, old, dpi, m_dpiFonts);
        const int margin = FaceMargin();
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (auto* button = dynamic_cast<CThemedButtonCtrl*>(vp::CWindowImplBase::FromHandle(child))) {
                button->SetFace(m_face.Get(), margin);
            }
        }
        if (oldFace) ::DeleteObject(oldFace);
        const RECT* suggested = reinterpret_cast<const RECT*>(lp);
        if (suggested) {
            ::SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        // The client area is the old one scaled, whatever size the system gives the frame around it.
        const int width = ::MulDiv(client.right, static_cast<int>(dpi), static_cast<int>(old));
        const int height = ::MulDiv(client.bottom, static_cast<int>(dpi), static_cast<int>(old));
        RECT now{}, window{};
        ::GetClientRect(dialog, &now);
        ::GetWindowRect(dialog, &window);
        if (now.right != width || now.bottom != height) {
            ::SetWindowPos(dialog, nullptr, 0, 0, (window.right - window.left) + width - now.right,
                           (window.bottom - window.top) + height - now.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        vp::KeepInWorkArea(dialog);
        result = 0;
        return true;
    }
    if (msg != WM_ERASEBKGND) return false;
    if (CLook::OfThisThread().HighContrast()) {
        RECT rc{};
        ::GetClientRect(dialog, &rc);
        FillSolidRect(reinterpret_cast<HDC>(wp), rc, CLook::OfThisThread().Colours().window);
    } else {
        if (!m_background) return false;
        PaintStretchedBackground(dialog, reinterpret_cast<HDC>(wp), m_background.Get());
    }
    result = 1;
    return true;
}

void CModalDialogLook::Present(HWND dialog, HWND focus) noexcept {
    vp::CWindow(dialog).CenterWindow();
    vp::KeepInWorkArea(dialog);
    vp::TakeForeground(dialog);
    if (focus) ::SetFocus(focus);
}

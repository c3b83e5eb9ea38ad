#include "ui/controls/FadeStateButtonCtrl.h"

#include <commctrl.h>

#include <iterator>

#include "framework/DoubleBuffer.h"
#include "framework/Dpi.h"
#include "framework/Text.h"
#include "ui/Accessible.h"
#include "ui/Drawing.h"
#include "ui/Look.h"

// ---- fade arithmetic ---------------------------------------------------------------------------------

int FadeTargetState(bool enabled, bool hover, bool pressed, UINT buttonState) noexcept {
    int s = kFadeNormal;
    if (hover) s = kFadeHot;
    if (pressed) s = kFadePressed;
    if (!enabled) s = kFadeDisabled;
    if (buttonState & BST_PUSHED) s = kFadePressed;
    if (buttonState & BST_CHECKED) s = kFadePressed;
    return s;
}

int FadeRestartProgress(int progress) noexcept {
    const int p = (255 - progress) * 2;
    return p > 255 ? 255 : p;
}

BYTE FadeCurrentAlpha(int progress) noexcept {
    // 127 would give 256: capped, or the byte wraps to 0 and the button blinks out for a frame.
    const int alpha = progress < 128 ? progress * 2 + 2 : 255;
    return static_cast<BYTE>(alpha > 255 ? 255 : alpha);
}

FadeTrack::Timer FadeTrack::Update(int target, bool visible, DWORD now) noexcept {
    Timer timer = Timer::kKeep;
    if (target != current) {
        if (target != kFadePressed && current != kFadePressed && visible) {
            previous = current;
            current = target;
            progress = FadeRestartProgress(progress);
            lastTick = now;
            timer = Timer::kStart;
        } else {
            previous = current = target;
            progress = 255;
            return Timer::kStop;
        }
    }
    if (progress < 255) {
        // Unsigned difference: right across the wrap of the tick count.
        const DWORD elapsed = now - lastTick;
        const DWORD step = elapsed * 10 / kDivisor;
        progress = step > 255 ? 256 : progress + static_cast<int>(step);
        lastTick = now;
        if (progress > 254) {
            progress = 255;
            timer = Timer::kStop;
        }
    }
    return timer;
}

// ---- the button --------------------------------------------------------------------------------------

HWND CFadeStateButtonCtrl::Create(HWND parent, const RECT& rc, const wchar_t* text, DWORD style, UINT id) noexcept {
    // A superclass of BUTTON: the button's own procedure handles what this class passes on, and it
    // keeps its state in the window's extra bytes, so those are sized as the button's.
    WNDCLASSEXW button{};
    button.cbSize = sizeof(button);
    if (!::GetClassInfoExW(nullptr, L"BUTTON", &button)) return nullptr;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(vp::ModuleInstance(), kClassName, &wc)) {
        wc = button;
        wc.cbSize = sizeof(wc);
        wc.style = 0;
        wc.lpfnWndProc = StartWindowProc;
        wc.hInstance = vp::ModuleInstance();
        wc.hbrBackground = nullptr;
        wc.lpszClassName = kClassName;
        if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    }
    m_pfnSuperWindowProc = button.lpfnWndProc;
    return CWindowImplBase::Create(kClassName, parent, &rc, text, style, 0,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), 0, nullptr);
}

void CFadeStateButtonCtrl::OnCreate() noexcept {
    ModifyStyle(0, BS_OWNERDRAW);
    m_hWndToolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                      vp::ModuleInstance(), nullptr);
    if ((m_dwExtendedStyle & kDoubleBuffer) && (::GetWindowLongPtrW(GetParent(), GWL_EXSTYLE) & WS_EX_COMPOSITED)) {
        m_dwExtendedStyle &= ~kDoubleBuffer;
    }
    wchar_t text[299] = L"";
    ::GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    if (text[0]) vp::CopyText(m_szToolTip, text);
    ApplyToolTip();
    if (!IsWindowEnabled()) m_fade.current = m_fade.previous = kFadeDisabled;
}

void CFadeStateButtonCtrl::ApplyToolTip() noexcept {
    if (!m_hWndToolTip) return;
    ::SendMessageW(m_hWndToolTip, TTM_ACTIVATE, FALSE, 0);
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    // One tool per button: a new text replaces the old registration instead of piling up beside it.
    ::SendMessageW(m_hWndToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (!m_szToolTip[0]) return;
    ti.lpszText = m_szToolTip;
    ::SendMessageW(m_hWndToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(m_hWndToolTip, TTM_ACTIVATE, TRUE, 0);
}

void CFadeStateButtonCtrl::SetToolTipText(const wchar_t* text) noexcept {
    vp::CopyText(m_szToolTip, text ? text : L"");
    ApplyToolTip();
    // The owner-drawn button shows no text: its window text is its name for screen readers.
    if (IsWindow() && m_szToolTip[0]) ::SetWindowTextW(m_hWnd, m_szToolTip);
}

DWORD CFadeStateButtonCtrl::SetExtendedStyle(DWORD bits) noexcept {
    const DWORD previous = m_dwExtendedStyle;
    m_dwExtendedStyle = bits;
    if (IsWindow()) {
        // A composited parent already paints bottom-up into one buffer; a second buffer is waste.
        if ((bits & kDoubleBuffer) && (::GetWindowLongPtrW(GetParent(), GWL_EXSTYLE) & WS_EX_COMPOSITED)) {
            m_dwExtendedStyle &= ~kDoubleBuffer;
        }
        m_background.SetWindow(GetParent());
        Invalidate(TRUE);
    }
    return previous;
}

bool CFadeStateButtonCtrl::LoadImageStrip(UINT id) noexcept {
    m_imageId = id;
    m_dpi = vp::WindowDpi(m_hWnd);
    m_strip.Reset(CLook::OfThisThread().LoadArtwork(id, m_dpi, kCells));
    m_stripSize = BitmapSize(m_strip.Get());
    if (IsWindow()) Invalidate(TRUE);
    return static_cast<bool>(m_strip);
}

void CFadeStateButtonCtrl::SetDpi(UINT dpi) noexcept {
    if (m_imageId == 0) return;
    m_dpi = dpi;
    m_strip.Reset(CLook::OfThisThread().LoadArtwork(m_imageId, dpi, kCells));
    m_stripSize = BitmapSize(m_strip.Get());
    SizeToImage();
    m_background.Forget();
    if (IsWindow()) Invalidate(TRUE);
}

bool CFadeStateButtonCtrl::LoadImageStrip(const wchar_t* name, const wchar_t* type) noexcept {
    m_imageId = 0;
    m_strip.Reset(LoadPngBitmap(name, type));
    m_stripSize = BitmapSize(m_strip.Get());
    if (IsWindow()) Invalidate(TRUE);
    return static_cast<bool>(m_strip);
}

void CFadeStateButtonCtrl::SizeToImage() noexcept {
    if (!IsWindow()) return;
    RECT window{}, client{};
    GetWindowRect(&window);
    GetClientRect(&client);
    const int frameW = (window.right - window.left) - (client.right - client.left);
    const int frameH = (window.bottom - window.top) - (client.bottom - client.top);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_stripSize.cx / kCells + frameW, m_stripSize.cy + frameH,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CFadeStateButtonCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && m_hWndToolTip) {
        MSG relayed{m_hWnd, msg, wp, lp, static_cast<DWORD>(::GetMessageTime()), {}};
        ::SendMessageW(m_hWndToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (msg) {
    case WM_CREATE:
        result = DefWindowProc(msg, wp, lp);
        if (result != -1) OnCreate();
        return true;
    case WM_DESTROY:
        if (m_hWndToolTip) ::DestroyWindow(m_hWndToolTip);
        m_hWndToolTip = nullptr;
        return false;
    case WM_LBUTTONDOWN:
        result = DefWindowProc(msg, wp, lp);
        if (::GetCapture() == m_hWnd) {
            m_bPressed = 1;
            Invalidate(TRUE);
        }
        // Code 2: the press itself; the click (code 0) follows on release from the button.
        ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), 2), reinterpret_cast<LPARAM>(m_hWnd));
        return true;
    case WM_LBUTTONDBLCLK:
        result = SendMessage(WM_LBUTTONDOWN, wp, lp);
        return true;
    case WM_MOUSEMOVE:
        if (!m_bHover) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
            m_bHover = 1;
            Invalidate(TRUE);
        }
        return false;
    case WM_MOUSELEAVE:
        if (m_bHover) {
            m_bHover = 0;
            Invalidate(TRUE);
        }
        return false;
    case WM_CAPTURECHANGED:
        m_bPressed = 0;
        Invalidate(TRUE);
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        m_bFocus = msg == WM_SETFOCUS;
        Invalidate(TRUE);
        return false;
    case WM_ENABLE:
        Invalidate(TRUE);
        return false;
    case WM_GETOBJECT:
        return AnswerGetObject(m_hWnd, wp, lp, m_szToolTip, ROLE_SYSTEM_PUSHBUTTON, result);
    case WM_GETDLGCODE:
        result = DefWindowProc(msg, wp, lp) | DLGC_BUTTON;
        return true;
    case WM_KEYDOWN:
        // Enter presses the focused button as Space does (Space is the button's own).
        if (wp != VK_RETURN) return false;
        if (IsWindowEnabled()) {
            ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), BN_CLICKED),
                           reinterpret_cast<LPARAM>(m_hWnd));
        }
        result = 0;
        return true;
    case WM_TIMER:
        if (wp != kFadeTimer) return false;
        Invalidate(TRUE);
        result = 0;
        return true;
    case WM_WINDOWPOSCHANGING:
        m_background.Forget();
        return false;
    case WM_THEMECHANGED:
        SetDpi(m_dpi);
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1;  // the paint covers everything
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        if (dc) Paint(dc, ps.rcPaint);
        ::EndPaint(m_hWnd, &ps);
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT: {
        RECT rc{};
        GetClientRect(&rc);
        Paint(reinterpret_cast<HDC>(wp), rc);
        result = 0;
        return true;
    }
    }
    return false;
}

void CFadeStateButtonCtrl::Paint(HDC dc, const RECT& area) noexcept {
    if (m_dwExtendedStyle & kDoubleBuffer) {
        vp::CMemoryDC buffer(dc, area);
        Draw(buffer.Get());
    } else {
        Draw(dc);
    }
}

void CFadeStateButtonCtrl::Draw(HDC dc) noexcept {
    RECT rc{};
    GetClientRect(&rc);
    const CLook& look = CLook::OfThisThread();
    const Palette& colours = look.Colours();
    if (look.HighContrast()) {
        // System colours only: the glyph in the button text colour on the face, inverted while hot
        // or pressed, and the focus rectangle.
        const UINT state = static_cast<UINT>(SendMessage(BM_GETSTATE));
        const bool lit = m_bHover || m_bPressed || (state & BST_PUSHED);
        FillSolidRect(dc, rc, lit ? colours.highlight : colours.buttonFace);
        const COLORREF ink = !IsWindowEnabled() ? colours.buttonTextOff : lit ? colours.buttonTextLit : colours.buttonText;
        if (m_strip) DrawInk(dc, rc, kFadeNormal, ink);
        if (m_bFocus) {
            RECT focus = rc;
            ::InflateRect(&focus, -1, -1);
            vp::BrushHandle frame(::CreateSolidBrush(lit ? colours.buttonTextLit : colours.line));
            ::FrameRect(dc, &focus, frame.Get());
            ::InflateRect(&focus, -1, -1);
            ::FrameRect(dc, &focus, frame.Get());
        }
        return;
    }
    if (m_dwExtendedStyle & kParentBackground) {
        if (!m_background.Window()) m_background.SetWindow(GetParent());
        m_background.Fill(m_hWnd, dc, rc);
    } else if (m_dwExtendedStyle & kBlackFill) {
        ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    } else {
        FillSolidRect(dc, rc, colours.window);
    }

    const UINT buttonState = static_cast<UINT>(SendMessage(BM_GETSTATE));
    const int target = FadeTargetState(IsWindowEnabled() != FALSE, m_bHover != 0, m_bPressed != 0, buttonState);
    switch (m_fade.Update(target, IsWindowVisible() != FALSE, ::GetTickCount())) {
    case FadeTrack::Timer::kStart: ::SetTimer(m_hWnd, kFadeTimer, 20, nullptr); break;
    case FadeTrack::Timer::kStop: ::KillTimer(m_hWnd, kFadeTimer); break;
    case FadeTrack::Timer::kKeep: break;
    }

    if (!m_strip) return;
    const LONG cellW = m_stripSize.cx / kCells;
    auto cell = [&](int k) { return RECT{k * cellW, 0, (k + 1) * cellW, m_stripSize.cy}; };
    if (m_fade.progress == 255) {
        AlphaBlendBitmap(dc, rc, m_strip.Get(), cell(m_fade.current), 255);
    } else {
        AlphaBlendBitmap(dc, rc, m_strip.Get(), cell(m_fade.previous), static_cast<BYTE>(255 - m_fade.progress));
        AlphaBlendBitmap(dc, rc, m_strip.Get(), cell(m_fade.current), FadeCurrentAlpha(m_fade.progress));
    }
    if (m_bFocus) {
        // The keyboard's place: a dotted rectangle just inside the button.
        RECT focus = rc;
        ::InflateRect(&focus, -1, -1);
        ::SetTextColor(dc, colours.focusInk);
        ::SetBkColor(dc, colours.focusPaper);
        ::DrawFocusRect(dc, &focus);
    }
}

void CFadeStateButtonCtrl::DrawInk(HDC dc, const RECT& dst, int cellIndex, COLORREF colour) noexcept {
    const LONG cellW = m_stripSize.cx / kCells, cellH = m_stripSize.cy;
    if (cellW <= 0 || cellH <= 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_stripSize.cx;
    info.bmiHeader.biHeight = -cellH;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    vp::BitmapHandle ink(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!ink || !bits) return;
    vp::MemoryDcHandle mem(::CreateCompatibleDC(dc));
    if (!mem) return;
    {
        vp::SelectGuard select(mem.Get(), ink.Get());
        AlphaBlendBitmap(mem.Get(), RECT{0, 0, m_stripSize.cx, cellH}, m_strip.Get(), RECT{0, 0, m_stripSize.cx, cellH});
    }
    // Premultiplied pixels: darkness times coverage becomes the ink's coverage.
    auto* px = static_cast<DWORD*>(bits);
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    for (LONG i = 0; i < m_stripSize.cx * cellH; ++i) {
        const DWORD p = px[i];
        const int a = static_cast<int>(p >> 24);
        const int lum = (static_cast<int>((p >> 16) & 0xFF) * 3 + static_cast<int>((p >> 8) & 0xFF) * 6 +
                         static_cast<int>(p & 0xFF)) / 10;  // premultiplied: at most a
        int cover = a - lum;
        cover = cover < 0 ? 0 : (cover * 2 > 255 ? 255 : cover * 2);
        px[i] = (static_cast<DWORD>(cover) << 24) | (static_cast<DWORD>(r * cover / 255) << 16) |
                (static_cast<DWORD>(g * cover / 255) << 8) | static_cast<DWORD>(b * cover / 255);
    }
    AlphaBlendBitmap(dc, dst, ink.Get(), RECT{cellIndex * cellW, 0, (cellIndex + 1) * cellW, cellH});
}

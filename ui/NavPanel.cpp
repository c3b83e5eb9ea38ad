#include "ui/NavPanel.h"

#include <algorithm>
#include <iterator>

#include "framework/Dpi.h"
#include "ui/Drawing.h"
#include "ui/Look.h"

namespace {
enum Image { kLeftCap, kRightCap, kCentre, kMiddle, kSweep };
constexpr int kCapWidth = 16;
}  // namespace

RECT NavBandRect(const RECT& client, int halfWidth, UINT dpi) noexcept {
    if (::IsRectEmpty(&client)) return client;
    const LONG centre = (client.left + client.right) / 2;
    const LONG half = vp::ScaleForDpi(halfWidth, dpi), top = client.top + vp::ScaleForDpi(10, dpi);
    return RECT{centre - half, top, centre + half, top + vp::ScaleForDpi(33, dpi)};
}

int CNavPanelView::Px(int px96) const noexcept { return vp::ScaleForDpi(px96, m_dpi); }

double SweepOffset(DWORD now, DWORD start, DWORD duration, int width) noexcept {
    if (duration == 0) return width;
    return static_cast<double>(now - start) / static_cast<double>(duration) * width;
}

void CNavPanelView::SetImages(UINT leftCap, UINT rightCap, UINT centre, UINT middle, UINT sweep) noexcept {
    const UINT ids[5] = {leftCap, rightCap, centre, middle, sweep};
    for (int i = 0; i < 5; ++i) m_imageIds[i] = ids[i];
    LoadImages();
}

void CNavPanelView::LoadImages() noexcept {
    const CLook& look = CLook::OfThisThread();
    for (int i = 0; i < 5; ++i) m_images[i].Reset(m_imageIds[i] ? look.LoadArtwork(m_imageIds[i], m_dpi) : nullptr);
}

void CNavPanelView::SetDpi(UINT dpi) noexcept {
    if (dpi == 0 || dpi == m_dpi) return;
    m_dpi = dpi;
    LoadImages();
    for (Entry& entry : m_buttons) {
        if (entry.button) entry.button->SetDpi(dpi);
    }
    if (IsWindow()) {
        LayoutButtons();
        Invalidate(TRUE);
    }
}

void CNavPanelView::SetButtons(const NavButtonInfo* buttons, size_t count) noexcept {
    m_buttons.clear();
    for (size_t i = 0; i < count; ++i) m_buttons.push_back(Entry{nullptr, buttons[i]});
}

HWND CNavPanelView::Create(HWND parent, const RECT& rc) noexcept {
    return CWindowImplBase::Create(kClassName, parent, &rc, nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
                                   nullptr, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                   reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
}

void CNavPanelView::StartSweep(double seconds) noexcept {
    m_dwSweepDuration = static_cast<DWORD>(seconds * 1000);
    m_dwSweepStart = ::GetTickCount();
    if (IsWindow()) ::SetTimer(m_hWnd, kSweepTimer, 20, nullptr);
}

RECT CNavPanelView::Band() const noexcept {
    RECT client{};
    if (IsWindow()) GetClientRect(&client);
    return NavBandRect(client, m_nBandHalfWidth, m_dpi);
}

void CNavPanelView::OnCreate() noexcept {
    const UINT dpi = vp::WindowDpi(m_hWnd);
    if (dpi != m_dpi) {
        m_dpi = dpi;
        LoadImages();
    }
    for (Entry& entry : m_buttons) {
        auto button = std::make_unique<CFadeStateButtonCtrl>();
        const RECT rc{0, 0, 0, 0};
        if (!button->Create(m_hWnd, rc, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, entry.info.id)) continue;
        wchar_t tip[300] = L"";
        ::LoadStringW(vp::ModuleInstance(), entry.info.toolTipId, tip, static_cast<int>(std::size(tip)));
        button->SetToolTipText(tip);
        button->SetExtendedStyle(entry.info.style);
        button->LoadImageStrip(entry.info.imageId);
        button->SizeToImage();
        entry.button = std::move(button);
    }
}

void CNavPanelView::LayoutButtons() noexcept {
    const RECT band = Band();
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(m_buttons.size()));
    for (const Entry& entry : m_buttons) {
        if (!entry.button || !batch) continue;
        batch = ::DeferWindowPos(batch, entry.button->m_hWnd, nullptr, band.left + Px(entry.info.x),
                                 band.top + Px(entry.info.y), 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

bool CNavPanelView::ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        result = 0;
        return true;
    case WM_SIZE:
        LayoutButtons();
        result = 0;
        return true;
    case WM_TIMER:
        if (wp != kSweepTimer) return false;
        Invalidate(TRUE);
        result = 0;
        return true;
    case WM_COMMAND:
        // Only clicks (code 0) go on; a button's press notification stays here.
        if (HIWORD(wp) == 0 && m_hWndNotify) {
            ::SendMessageW(m_hWndNotify, WM_COMMAND, MAKEWPARAM(LOWORD(wp), 0), lp);
        }
        result = 0;
        return true;
    }
    return false;
}

void CNavPanelView::Draw(HDC dc, const RECT& client) {
    const RECT band = NavBandRect(client, m_nBandHalfWidth, m_dpi);
    const CLook& look = CLook::OfThisThread();
    FillSolidRect(dc, client, look.Colours().panel);
    if (look.HighContrast()) {
        // System colours, no artwork: the band as a plain outline.
        vp::BrushHandle line(::CreateSolidBrush(look.Colours().line));
        ::FrameRect(dc, &band, line.Get());
        return;
    }

    const int capW = Px(kCapWidth);
    const SIZE capSize = BitmapSize(m_images[kLeftCap].Get()), middleSize = BitmapSize(m_images[kMiddle].Get());
    AlphaBlendBitmap(dc, RECT{band.left, band.top, band.left + capW, band.bottom}, m_images[kLeftCap].Get(),
                     RECT{0, 0, capSize.cx, capSize.cy});
    AlphaBlendBitmap(dc, RECT{band.right - capW, band.top, band.right, band.bottom}, m_images[kRightCap].Get(),
                     RECT{0, 0, capSize.cx, capSize.cy});
    AlphaBlendBitmap(dc, RECT{band.left + capW, band.top, band.right - capW, band.bottom}, m_images[kMiddle].Get(),
                     RECT{0, 0, middleSize.cx, middleSize.cy});
    const LONG cx = (band.left + band.right) / 2, cy = (band.top + band.bottom) / 2;
    const SIZE centre = BitmapSize(m_images[kCentre].Get());
    AlphaBlendBitmap(dc, RECT{cx - Px(20), cy - Px(25), cx - Px(20) + centre.cx, cy - Px(25) + centre.cy},
                     m_images[kCentre].Get(), RECT{0, 0, centre.cx, centre.cy});

    if (m_dwSweepDuration == 0) return;
    const LONG width = client.right - client.left;
    const double x = SweepOffset(::GetTickCount(), m_dwSweepStart, m_dwSweepDuration, width);
    if (x == 0) {
        ::SetTimer(m_hWnd, kSweepTimer, 20, nullptr);
    } else if (x > 0 && x < width && IsWindowVisible()) {
        const LONG left = client.left + static_cast<LONG>(x);
        const SIZE sweep = BitmapSize(m_images[kSweep].Get());
        AlphaBlendBitmap(dc, RECT{left, client.top, left + Px(kSweepWidth), client.bottom}, m_images[kSweep].Get(),
                         RECT{0, 0, sweep.cx, std::min<LONG>(sweep.cy, client.bottom - client.top)});
        ::SetTimer(m_hWnd, kSweepTimer, 20, nullptr);
    } else {
        // Done, or nobody can see it: end it so no timer keeps running for nothing.
        ::KillTimer(m_hWnd, kSweepTimer);
        m_dwSweepDuration = 0;
        m_dwSweepStart = 0;
        Invalidate(TRUE);
    }
}

#include "ui/NavPanel.h"

#include <iterator>

#include "ui/Drawing.h"

namespace {
enum Image { kLeftCap, kRightCap, kCentre, kMiddle, kSweep };
constexpr int kCapWidth = 16;
constexpr int kMiddleColumns = 5;
}  // namespace

RECT NavBandRect(const RECT& client, int halfWidth) noexcept {
    if (::IsRectEmpty(&client)) return client;
    const LONG centre = (client.left + client.right) / 2;
    return RECT{centre - halfWidth, client.top + 10, centre + halfWidth, client.top + 43};
}

double SweepOffset(DWORD now, DWORD start, DWORD duration, int width) noexcept {
    if (duration == 0) return width;
    return static_cast<double>(now - start) / static_cast<double>(duration) * width;
}

void CNavPanelView::SetImages(UINT leftCap, UINT rightCap, UINT centre, UINT middle, UINT sweep) noexcept {
    const UINT ids[5] = {leftCap, rightCap, centre, middle, sweep};
    for (int i = 0; i < 5; ++i) m_images[i].Reset(LoadPngBitmap(ids[i]));
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
    return NavBandRect(client, m_nBandHalfWidth);
}

void CNavPanelView::OnCreate() noexcept {
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
        batch = ::DeferWindowPos(batch, entry.button->m_hWnd, nullptr, band.left + entry.info.x,
                                 band.top + entry.info.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

bool CNavPanelView::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        result = 0;
        return true;
    case WM_SIZE:
        LayoutButtons();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return vp::PaintOrPrint(m_hWnd, msg, wp, result, [this](HDC dc) { Paint(dc); });
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

void CNavPanelView::Paint(HDC dc) noexcept {
    RECT client{};
    GetClientRect(&client);
    FillSolidRect(dc, client, kFillColor);

    const RECT band = NavBandRect(client, m_nBandHalfWidth);
    const LONG bandH = band.bottom - band.top;
    AlphaBlendBitmap(dc, RECT{band.left, band.top, band.left + kCapWidth, band.bottom}, m_images[kLeftCap].Get(),
                     RECT{0, 0, kCapWidth, bandH});
    AlphaBlendBitmap(dc, RECT{band.right - kCapWidth, band.top, band.right, band.bottom}, m_images[kRightCap].Get(),
                     RECT{0, 0, kCapWidth, bandH});
    AlphaBlendBitmap(dc, RECT{band.left + kCapWidth, band.top, band.right - kCapWidth, band.bottom},
                     m_images[kMiddle].Get(), RECT{0, 0, kMiddleColumns, bandH});
    const LONG cx = (band.left + band.right) / 2, cy = (band.top + band.bottom) / 2;
    AlphaBlendBitmap(dc, RECT{cx - 20, cy - 25, cx + 20, cy + 27}, m_images[kCentre].Get(), RECT{0, 0, 40, 52});

    if (m_dwSweepDuration == 0) return;
    const LONG width = client.right - client.left;
    const double x = SweepOffset(::GetTickCount(), m_dwSweepStart, m_dwSweepDuration, width);
    if (x == 0) {
        ::SetTimer(m_hWnd, kSweepTimer, 20, nullptr);
    } else if (x > 0 && x < width && IsWindowVisible()) {
        const LONG left = client.left + static_cast<LONG>(x);
        AlphaBlendBitmap(dc, RECT{left, client.top, left + kSweepWidth, client.bottom}, m_images[kSweep].Get(),
                         RECT{0, 0, kSweepWidth, client.bottom - client.top});
        ::SetTimer(m_hWnd, kSweepTimer, 20, nullptr);
    } else {
        // Done, or nobody can see it: end it so no timer keeps running for nothing.
        ::KillTimer(m_hWnd, kSweepTimer);
        m_dwSweepDuration = 0;
        m_dwSweepStart = 0;
        Invalidate(TRUE);
    }
}

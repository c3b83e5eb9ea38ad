#pragma once
// The strip along the bottom of the settings window: a band of artwork with seven image buttons, a
// light sweep that confirms Apply, and the buttons' clicks passed on to the notify window.
#include <windows.h>

#include <memory>
#include <vector>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "ui/controls/FadeStateButtonCtrl.h"
#include "ui/controls/ThemedControl.h"

struct NavButtonInfo {
    UINT id;         // command and control id
    DWORD style;     // the button's extended style
    UINT imageId;    // PNG strip of four cells
    UINT toolTipId;  // string-table entry of its tooltip
    int x, y;        // offset from the band's top-left corner
};

// The band of a client rectangle: 10 pixels below its top, 33 high, halfWidth to either side of the
// centre (all 96-DPI pixels, scaled to dpi); an empty client rectangle is its own band.
RECT NavBandRect(const RECT& client, int halfWidth, UINT dpi = 96) noexcept;
// The sweep's left edge: the share of the duration gone since start, times the width.
double SweepOffset(DWORD now, DWORD start, DWORD duration, int width) noexcept;

class CNavPanelView : public CThemedControl {
public:
    CNavPanelView() noexcept : CThemedControl(Drawing::Paint) {}

    static constexpr wchar_t kClassName[] = L"WTL_NavPanel";
    static constexpr UINT_PTR kSweepTimer = 210;
    static constexpr int kSweepWidth = 23;

    static constexpr int kHeight = 52;  // the panel's height at 96 DPI

    // Artwork ids, loaded for the panel's DPI (again on SetDpi).
    void SetImages(UINT leftCap, UINT rightCap, UINT centre, UINT middle, UINT sweep) noexcept;
    // At 96 DPI; scaled to the panel's DPI.
    void SetBandHalfWidth(int pixels) noexcept { m_nBandHalfWidth = pixels; }
    // The DPI the panel draws and lays out its buttons for: artwork, band, offsets, sizes.
    void SetDpi(UINT dpi) noexcept;
    UINT Dpi() const noexcept { return m_dpi; }
    void SetNotifyWindow(HWND notify) noexcept { m_hWndNotify = notify; }
    // Before the window exists: the buttons are made in its WM_CREATE.
    void SetButtons(const NavButtonInfo* buttons, size_t count) noexcept;
    HWND Create(HWND parent, const RECT& rc) noexcept;
    void StartSweep(double seconds) noexcept;

    RECT Band() const noexcept;

private:
    bool ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void Draw(HDC dc, const RECT& client) override;
    void ReloadArtwork() override { LoadImages(); }
    struct Entry {
        std::unique_ptr<CFadeStateButtonCtrl> button;
        NavButtonInfo info;
    };
    void OnCreate() noexcept;
    void LayoutButtons() noexcept;

    HWND m_hWndNotify = nullptr;
    void LoadImages() noexcept;
    int Px(int px96) const noexcept;

    UINT m_imageIds[5] = {};
    vp::BitmapHandle m_images[5];  // left cap, right cap, centre ornament, middle strip, sweep
    UINT m_dpi = 96;
    int m_nBandHalfWidth = 210;
    DWORD m_dwSweepDuration = 0;
    DWORD m_dwSweepStart = 0;
    std::vector<Entry> m_buttons;
};

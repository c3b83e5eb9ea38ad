#pragma once
// An image button of the program's own window class (a superclass of BUTTON) that fades between the
// four cells of its image strip (disabled, normal, hot, pressed) and shows a tooltip.
#include <windows.h>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "ui/controls/ThemedBackground.h"

// ---- fade arithmetic ---------------------------------------------------------------------------------

enum FadeState : int { kFadeDisabled = 0, kFadeNormal = 1, kFadeHot = 2, kFadePressed = 3 };

// The state to show: normal; hot while hovered; pressed while pressed; disabled when the window is;
// pressed when the button reports itself pushed or checked (later rules win).
int FadeTargetState(bool enabled, bool hover, bool pressed, UINT buttonState) noexcept;
// Where a fade that interrupts another starts: (255 - progress) * 2, at most 255.
int FadeRestartProgress(int progress) noexcept;
// Constant alpha of the current cell while a fade runs.
BYTE FadeCurrentAlpha(int progress) noexcept;

// The fade between the state shown before and the state shown now, driven by tick counts.
struct FadeTrack {
    static constexpr int kDivisor = 13;
    enum class Timer { kKeep, kStart, kStop };

    int current = kFadeNormal;
    int previous = kFadeNormal;
    int progress = 255;  // 255: the fade is over, only the current state shows
    DWORD lastTick = 0;

    // One paint's step: takes the state to show and says what the animation timer should do. Entering
    // or leaving the pressed state, or changing while hidden, shows at once; everything else fades over
    // about a third of a second.
    Timer Update(int target, bool visible, DWORD now) noexcept;
};

// ---- the button --------------------------------------------------------------------------------------

class CFadeStateButtonCtrl : public vp::CWindowImplBase {
public:
    static constexpr wchar_t kClassName[] = L"WTL_FadeStateButton";
    static constexpr UINT_PTR kFadeTimer = 5;
    static constexpr DWORD kBlackFill = 0x1;        // fill black instead of the window colour
    static constexpr DWORD kParentBackground = 0x2;  // show the parent's painted background
    static constexpr DWORD kDoubleBuffer = 0x4;      // dropped when the parent is composited
    static constexpr int kCells = 4;

    HWND Create(HWND parent, const RECT& rc, const wchar_t* text, DWORD style, UINT id) noexcept;

    void SetToolTipText(const wchar_t* text) noexcept;
    DWORD SetExtendedStyle(DWORD bits) noexcept;  // returns the previous bits
    DWORD ExtendedStyle() const noexcept { return m_dwExtendedStyle; }
    bool LoadImageStrip(const wchar_t* name, const wchar_t* type = L"PNG") noexcept;
    // The artwork for the button's DPI (ui/Drawing.h); loaded again for a new DPI by SetDpi.
    bool LoadImageStrip(UINT id) noexcept;
    void SizeToImage() noexcept;
    // A new DPI: the strip of the artwork id is loaded for it and the button takes its size.
    void SetDpi(UINT dpi) noexcept;

    HWND ToolTipWindow() const noexcept { return m_hWndToolTip; }
    const FadeTrack& Fade() const noexcept { return m_fade; }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnCreate() noexcept;
    void ApplyToolTip() noexcept;
    void Paint(HDC dc, const RECT& area) noexcept;
    void Draw(HDC dc) noexcept;
    // High contrast: the cell as a glyph in the given colour (its dark ink opaque, its light fill clear).
    void DrawInk(HDC dc, const RECT& dst, int cell, COLORREF colour) noexcept;

    vp::BitmapHandle m_strip;
    UINT m_imageId = 0;  // the artwork id of the strip, when it came from the resources by id
    SIZE m_stripSize{};
    DWORD m_dwExtendedStyle = 0;
    UINT m_dpi = 96;
    CThemedBackground m_background;  // the parent's
    HWND m_hWndToolTip = nullptr;    // owned; destroyed on WM_DESTROY
    wchar_t m_szToolTip[300] = L"";
    BYTE m_bPressed = 0;
    BYTE m_bHover = 0;
    BYTE m_bFocus = 0;
    FadeTrack m_fade;
};

#pragma once
// The row of tabs along the top of the settings window: painted from PNG artwork over the window's
// background, hot and selected looks, a fade when a tab loses its selected look, and a WM_COMMAND to
// the notify window when a tab is clicked.
#include <windows.h>

#include <vector>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "ui/Accessible.h"
#include "ui/controls/ThemedControl.h"

// ---- tab states and the fade arithmetic -----------------------------------------------------------

constexpr DWORD kTabSelected = 0x08;
constexpr DWORD kTabMarked = 0x04;  // carried over from the caller's flags; the bar never sets or clears it
constexpr DWORD kTabHot = 0x40;

struct TabItemInfo {
    UINT id;  // command sent on a click; 0 sends nothing
    wchar_t szText[100];
    DWORD state;
};

struct TabItem {
    UINT id = 0;
    wchar_t szText[100] = L"";
    DWORD state = 0;
    DWORD prevState = 0;
    RECT rc{};
    DWORD fadeStart = 0;  // tick counts; both 0 while no fade runs
    DWORD fadeEnd = 0;
};

// The state bit that decides a tab's look: selected, then marked, then hot; 0 for none.
DWORD TabTopState(DWORD state) noexcept;
// Its cell in the tab strip: 1 selected, 2 marked, 3 hot, 0 normal.
int TabCell(DWORD state) noexcept;
bool TabFadeRunning(const TabItem& tab) noexcept;
// How far the fade from the previous look to the current one has come at `now`, 0 to 255.
int TabFadeWeight(DWORD now, DWORD start, DWORD end) noexcept;
// Sets `set` on the target tab (or none for -1) and clears `clear` on every other tab. A tab that
// loses its top state fades from its old cell over `duration` ms; setting a state never fades.
// Collects the indexes of the tabs whose look changed; returns whether a fade was started.
bool ApplyTabStateChange(std::vector<TabItem>& tabs, int target, DWORD set, DWORD clear, DWORD duration, DWORD now,
                         std::vector<size_t>& changed);

// ---- the window --------------------------------------------------------------------------------------

// A tab stop of its own: Left and Right (Home and End) choose the tab beside (the first, the last), as
// a click does; a focus rectangle marks the chosen tab while the bar has the focus. Screen readers
// see a page tab list with one page tab per tab, named by its text.
class CThemedTabBar : public CThemedControl, private IAccessibleItems {
public:
    CThemedTabBar() noexcept : CThemedControl(Drawing::Paint) {}

    static constexpr wchar_t kClassName[] = L"WTL_ThemedTabBar";
    static constexpr UINT_PTR kFadeTimer = 42;
    static constexpr DWORD kFadeMs = 300;

    HWND Create(HWND parent, const RECT& rc) noexcept;
    void SetNotifyWindow(HWND notify) noexcept { m_hWndNotify = notify; }
    void SetTabs(const TabItemInfo* tabs, size_t count) noexcept;
    // Returns 0 and changes nothing for an index beyond the tabs.
    BOOL SelectTab(int index, bool animate) noexcept;

    const TabItem& Tab(size_t i) const noexcept { return m_tabs[i]; }
    // The DPI the bar draws for: font, artwork, the tabs' places and its own height.
    void SetDpi(UINT dpi) noexcept;
    UINT Dpi() const noexcept { return m_dpi; }
    // The height the bar's window takes at its DPI.
    int BarHeight() const noexcept;

private:
    bool ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void Draw(HDC dc, const RECT& client) override;
    void ReloadArtwork() override { LoadImages(); }
    static HFONT Font() noexcept;  // the look's
    void MeasureFont() noexcept;
    void LayoutTabs() noexcept;
    void LoadImages() noexcept;
    // A tab chosen from the keyboard (or a screen reader): the frame hears of it as of a click.
    void ChooseTab(int index) noexcept;
    int Px(int px96) const noexcept;

    // IAccessibleItems: the tabs.
    long ItemCount() const override { return static_cast<long>(m_tabs.size()); }
    std::wstring ItemName(long child) const override { return m_tabs[static_cast<size_t>(child - 1)].szText; }
    long ItemRole() const override { return ROLE_SYSTEM_PAGETAB; }
    long ItemState(long child) const override;
    RECT ItemScreenRect(long child) const override;
    std::wstring ItemDefaultAction(long) const override { return L"Switch"; }
    void DoItemDefaultAction(long child) override { ChooseTab(static_cast<int>(child - 1)); }
    long ItemAt(POINT screen) const override;
    void ChangeState(int target, DWORD set, DWORD clear, DWORD duration) noexcept;
    int HitTest(POINT pt) const noexcept;
    void DrawTab(HDC dc, HDC stripDc, const TabItem& tab) noexcept;
    void DrawFocus(HDC dc, const TabItem& tab) noexcept;
    void PaintHighContrast(HDC dc, const RECT& client) noexcept;
    void OnTimer() noexcept;

    HWND m_hWndNotify = nullptr;
    TEXTMETRICW m_metrics{};
    int m_nTabHeight = 0;
    int m_nSelected = -1;
    bool m_bTracking = false;
    bool m_bFocus = false;
    UINT m_dpi = 96;
    vp::BitmapHandle m_bar;
    vp::BitmapHandle m_strip;
    std::vector<TabItem> m_tabs;
};

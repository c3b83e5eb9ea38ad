#pragma once
// Tooltips for a dialog from the string table: every control shows the string whose id equals its
// control id, loaded by the tooltip when the tip is about to show. A control without such a string
// shows no tip.
#include <windows.h>
#include <commctrl.h>

namespace vp {

class CToolTipDialog {
public:
    // pageTextId: the string shown for the dialog's own empty area (the dialog's template id).
    explicit CToolTipDialog(UINT pageTextId, DWORD tipStyle = TTS_NOPREFIX | TTS_BALLOON,
                            UINT toolFlags = TTF_IDISHWND | TTF_SUBCLASS) noexcept
        : m_pageTextId(pageTextId), m_tipStyle(tipStyle), m_toolFlags(toolFlags) {}
    ~CToolTipDialog();
    CToolTipDialog(const CToolTipDialog&) = delete;
    CToolTipDialog& operator=(const CToolTipDialog&) = delete;

    // First stage of the dialog's dispatch. Relays mouse messages to the tooltip and sets the tooltip
    // up on WM_INITDIALOG; never consumes a message.
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

    // Creates the tooltip, adds the dialog and each descendant with a control id as tools, activates it.
    void SetUpToolTip(HWND dialog) noexcept;
    HWND ToolTipWindow() const noexcept { return m_hWndToolTip; }

private:
    void AddTool(HWND tool, UINT textId) noexcept;
    static BOOL CALLBACK AddChildTool(HWND child, LPARAM self) noexcept;

    UINT m_pageTextId;
    DWORD m_tipStyle;
    UINT m_toolFlags;
    HWND m_hWndDialog = nullptr;
    HWND m_hWndToolTip = nullptr;  // owned by the dialog's window; destroyed with it at the latest
};

}  // namespace vp

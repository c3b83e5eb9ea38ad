#include "framework/ToolTip.h"

#include "framework/Window.h"

namespace vp {

CToolTipDialog::~CToolTipDialog() {
    if (m_hWndToolTip && ::IsWindow(m_hWndToolTip)) ::DestroyWindow(m_hWndToolTip);
}

bool CToolTipDialog::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT&) noexcept {
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        if (m_hWndToolTip) {
            MSG relayed{hwnd, msg, wp, lp, static_cast<DWORD>(::GetMessageTime()), {}};
            const DWORD pos = ::GetMessagePos();
            relayed.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
            ::SendMessageW(m_hWndToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        }
    } else if (msg == WM_INITDIALOG) {
        SetUpToolTip(hwnd);
    }
    return false;
}

void CToolTipDialog::SetUpToolTip(HWND dialog) noexcept {
    if (m_hWndToolTip) return;
    m_hWndDialog = dialog;
    m_hWndToolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | m_tipStyle,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog,
                                      nullptr, ModuleInstance(), nullptr);
    if (!m_hWndToolTip) return;
    AddTool(dialog, m_pageTextId);
    ::EnumChildWindows(dialog, AddChildTool, reinterpret_cast<LPARAM>(this));
    ::SendMessageW(m_hWndToolTip, TTM_ACTIVATE, TRUE, 0);
}

BOOL CALLBACK CToolTipDialog::AddChildTool(HWND child, LPARAM self) noexcept {
    // GetDlgCtrlID, not the raw pointer-sized field: a static's -1 is stored as 0xFFFFFFFF.
    const int id = ::GetDlgCtrlID(child);
    if (id != -1) reinterpret_cast<CToolTipDialog*>(self)->AddTool(child, static_cast<UINT>(id));
    return TRUE;
}

void CToolTipDialog::AddTool(HWND tool, UINT textId) noexcept {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = m_toolFlags;
    ti.hwnd = m_hWndDialog;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    // The tooltip loads the text from the module's string table when it shows the tip.
    ti.hinst = ModuleInstance();
    ti.lpszText = MAKEINTRESOURCEW(textId);
    ::SendMessageW(m_hWndToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace vp

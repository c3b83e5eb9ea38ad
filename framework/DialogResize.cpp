#include "framework/DialogResize.h"

namespace vp {

RECT ResizedControlRect(const RECT& rc, DWORD flags, int dx, int dy) noexcept {
    RECT r = rc;
    if (flags & DLSZ_MOVE_X) {
        r.left += dx;
        r.right += dx;
    } else if (flags & DLSZ_SIZE_X) {
        r.right += dx;
    }
    if (flags & DLSZ_MOVE_Y) {
        r.top += dy;
        r.bottom += dy;
    } else if (flags & DLSZ_SIZE_Y) {
        r.bottom += dy;
    }
    // A control never turns inside out when the dialog gets smaller than it was.
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void CDialogResize::DlgResize_Init(HWND dialog, const DialogResizeEntry* map, size_t count) noexcept {
    m_hWndDialog = dialog;
    RECT client{};
    ::GetClientRect(dialog, &client);
    m_initialClient = SIZE{client.right - client.left, client.bottom - client.top};
    m_items.clear();
    for (size_t i = 0; i < count; ++i) {
        HWND ctrl = ::GetDlgItem(dialog, map[i].id);
        if (!ctrl) continue;
        RECT rc{};
        ::GetWindowRect(ctrl, &rc);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
        m_items.push_back(Item{map[i].id, map[i].flags, rc});
    }
}

void CDialogResize::DlgResize_UpdateLayout(int width, int height) noexcept {
    if (!m_hWndDialog || m_items.empty()) return;
    const int dx = width - m_initialClient.cx, dy = height - m_initialClient.cy;
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(m_items.size()));
    for (const Item& item : m_items) {
        HWND ctrl = ::GetDlgItem(m_hWndDialog, item.id);
        if (!ctrl) continue;
        const RECT r = ResizedControlRect(item.rc, item.flags, dx, dy);
        if (batch) {
            batch = ::DeferWindowPos(batch, ctrl, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (batch) ::EndDeferWindowPos(batch);
}

void CDialogResize::DlgResize_Scale(UINT oldDpi, UINT newDpi) noexcept {
    if (oldDpi == 0 || oldDpi == newDpi) return;
    auto scale = [&](LONG v) { return ::MulDiv(v, static_cast<int>(newDpi), static_cast<int>(oldDpi)); };
    m_initialClient = SIZE{scale(m_initialClient.cx), scale(m_initialClient.cy)};
    for (Item& item : m_items) {
        item.rc = RECT{scale(item.rc.left), scale(item.rc.top), scale(item.rc.right), scale(item.rc.bottom)};
    }
}

bool CDialogResize::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    if (msg != WM_SIZE || hwnd != m_hWndDialog) return false;
    if (wp != SIZE_MINIMIZED) DlgResize_UpdateLayout(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
    result = 0;
    return true;
}

}  // namespace vp

#include "ui/controls/PasswordEditCtrl.h"

bool CPasswordEditCtrl::SubclassWindow(HWND edit) noexcept {
    if (!vp::CWindowImplBase::SubclassWindow(edit)) return false;
    TakeOver();
    return true;
}

HWND CPasswordEditCtrl::Create(HWND parent, const RECT& rc, UINT id, DWORD style) noexcept {
    // The system edit is created first and taken over at once, which sets it up exactly as after its
    // own creation step.
    HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style | kAddedStyles, rc.left, rc.top,
                                  rc.right - rc.left, rc.bottom - rc.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), vp::ModuleInstance(), nullptr);
    if (!edit) return nullptr;
    if (!SubclassWindow(edit)) {
        ::DestroyWindow(edit);
        return nullptr;
    }
    return edit;
}

void CPasswordEditCtrl::TakeOver() noexcept {
    ModifyStyle(0, kAddedStyles);
    // ES_PASSWORD added after creation does not mask on every system; an edit that was made without
    // it would show the password in clear, so give it the mask character as well.
    if (SendMessage(EM_GETPASSWORDCHAR) == 0) SendMessage(EM_SETPASSWORDCHAR, L'*');
    SendMessage(EM_LIMITTEXT, kTypedLimit);
}

// Every message goes to the edit unchanged.
bool CPasswordEditCtrl::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

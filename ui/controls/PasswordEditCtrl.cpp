#include "ui/controls/PasswordEditCtrl.h"

bool CPasswordEditCtrl::SubclassWindow(HWND edit) noexcept {
    if (!vp::CWindowImplBase::SubclassWindow(edit)) return false;
    ModifyStyle(0, WS_VISIBLE | ES_PASSWORD | ES_AUTOHSCROLL);
    // ES_PASSWORD added after creation does not mask on every system; an edit that was made without
    // it would show the password in clear, so give it the mask character as well.
    if (SendMessage(EM_GETPASSWORDCHAR) == 0) SendMessage(EM_SETPASSWORDCHAR, L'*');
    SendMessage(EM_LIMITTEXT, kTypedLimit);
    return true;
}

// Every message goes to the edit unchanged.
bool CPasswordEditCtrl::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

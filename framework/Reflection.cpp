#include "framework/Reflection.h"

namespace vp {

HWND ReflectionTarget(HWND parent, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    HWND target = nullptr;
    switch (msg) {
    case WM_COMMAND:
        target = reinterpret_cast<HWND>(lp);  // none for menus and accelerators
        break;
    case WM_NOTIFY:
        if (lp) target = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
        break;
    case WM_PARENTNOTIFY:
        switch (LOWORD(wp)) {
        case WM_CREATE: case WM_DESTROY:
            target = reinterpret_cast<HWND>(lp);
            break;
        default:  // mouse notifications name the child by its id
            target = ::GetDlgItem(parent, HIWORD(wp));
            break;
        }
        break;
    case WM_DRAWITEM:
        if (wp && lp) target = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;  // wp 0: a menu
        break;
    case WM_MEASUREITEM:
        if (wp && lp) target = ::GetDlgItem(parent, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lp)->CtlID));
        break;
    case WM_COMPAREITEM:
        if (wp && lp) target = reinterpret_cast<const COMPAREITEMSTRUCT*>(lp)->hwndItem;
        break;
    case WM_DELETEITEM:
        if (wp && lp) target = reinterpret_cast<const DELETEITEMSTRUCT*>(lp)->hwndItem;
        break;
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        target = reinterpret_cast<HWND>(lp);
        break;
    default:
        return nullptr;
    }
    // A window never reflects to itself: that would loop.
    if (!target || target == parent || !::IsWindow(target)) return nullptr;
    return target;
}

bool ReflectNotifications(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    HWND target = ReflectionTarget(parent, msg, wp, lp);
    if (!target) return false;
    result = ::SendMessageW(target, Reflected(msg), wp, lp);
    return true;
}

}  // namespace vp

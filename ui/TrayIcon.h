#pragma once
// The tray icon part of a window class: installs and removes the notification icon and turns its
// callback message into the tray menu (right button) or the menu's default command (double click).
#include <windows.h>
#include <shellapi.h>

#include "framework/Handles.h"
#include "framework/Text.h"
#include "framework/Window.h"

template <class T>
class CTrayIconImpl {
public:
    CTrayIconImpl() noexcept : m_uTrayMessage(::RegisterWindowMessageW(L"WM_TRAYICON")) {
        m_nid.cbSize = sizeof(m_nid);
    }
    ~CTrayIconImpl() { RemoveTrayIcon(); }
    CTrayIconImpl(const CTrayIconImpl&) = delete;
    CTrayIconImpl& operator=(const CTrayIconImpl&) = delete;

    bool InstallTrayIcon(const wchar_t* tip, HICON icon, UINT id) noexcept {
        m_nid.hWnd = static_cast<T*>(this)->m_hWnd;
        m_nid.uID = id;
        m_nid.hIcon = icon;
        m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        m_nid.uCallbackMessage = m_uTrayMessage;
        vp::CopyText(m_nid.szTip, tip);  // the tip holds at most 127 characters
        m_bInstalled = ::Shell_NotifyIconW(NIM_ADD, &m_nid) != FALSE;
        return m_bInstalled;
    }

    // The installed flag stays as it is; the owner keeps its own shown flag.
    bool RemoveTrayIcon() noexcept {
        if (!m_bInstalled) return false;
        m_nid.uFlags = 0;
        return ::Shell_NotifyIconW(NIM_DELETE, &m_nid) != FALSE;
    }

    // A balloon over the installed icon; false when there is no icon to show it on.
    bool ShowTrayBalloon(const wchar_t* title, const wchar_t* text, DWORD icon = NIIF_WARNING) noexcept {
        if (!m_bInstalled) return false;
        NOTIFYICONDATAW balloon = m_nid;
        balloon.uFlags = NIF_INFO;
        balloon.dwInfoFlags = icon;
        vp::CopyText(balloon.szInfoTitle, title);  // cut texts are only less to read, not wrong
        vp::CopyText(balloon.szInfo, text);
        return ::Shell_NotifyIconW(NIM_MODIFY, &balloon) != FALSE;
    }

protected:
    // The callback message: the tray menu on a right-button release, the menu's default command on a
    // double click. Anything else, or another icon, is left alone.
    bool ProcessTrayMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
        if (m_uTrayMessage == 0 || msg != m_uTrayMessage || wp != m_nid.uID) return false;
        HWND hwnd = static_cast<T*>(this)->m_hWnd;
        // The shell waits for nothing from us; what follows is the program's own doing (a menu, a
        // password prompt), not a message from outside.
        ::ReplyMessage(0);
        switch (LOWORD(lp)) {
        case WM_RBUTTONUP: {
            vp::MenuHandle menu(::LoadMenuW(vp::ModuleInstance(), MAKEINTRESOURCEW(T::kTrayMenuId)));
            HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
            if (!popup) break;
            POINT pt{};
            ::GetCursorPos(&pt);
            // Without the foreground the menu would not close when the user clicks elsewhere.
            ::SetForegroundWindow(hwnd);
            if (m_nDefaultItem) {
                ::SetMenuDefaultItem(popup, m_nDefaultItem, FALSE);
            } else {
                ::SetMenuDefaultItem(popup, 0, TRUE);
            }
            // The choice comes back here rather than as a posted command, which the window would
            // not take: a posted command could come from anyone.
            const UINT command = static_cast<UINT>(
                ::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, hwnd, nullptr));
            ::PostMessageW(hwnd, WM_NULL, 0, 0);
            if (command != 0) static_cast<T*>(this)->OnTrayCommand(command);
            break;
        }
        case WM_LBUTTONDBLCLK: {
            ::SetForegroundWindow(hwnd);
            vp::MenuHandle menu(::LoadMenuW(vp::ModuleInstance(), MAKEINTRESOURCEW(T::kTrayMenuId)));
            HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
            if (!popup) break;
            const UINT command = m_nDefaultItem ? m_nDefaultItem : ::GetMenuItemID(popup, 0);
            static_cast<T*>(this)->OnTrayCommand(command);
            break;
        }
        default:
            return false;
        }
        result = 0;
        return true;
    }

private:
    UINT m_uTrayMessage = 0;
    NOTIFYICONDATAW m_nid{};
    bool m_bInstalled = false;
    UINT m_nDefaultItem = 0;  // 0: the first item, by position
};

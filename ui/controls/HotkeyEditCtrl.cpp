#include "ui/controls/HotkeyEditCtrl.h"

#include "framework/Text.h"

namespace {

// Reads one modifier from the keyboard state as the thread saw it when the key message was made.
void ReadModifier(int vk, const wchar_t* label, BOOL& flag, wchar_t (&text)[8]) noexcept {
    const bool down = ::GetKeyState(vk) < 0;
    flag = down ? 1 : 0;
    vp::CopyText(text, down ? label : L"");
}

}  // namespace

void CHotkeyEditCtrl::SetHotkey(BOOL complete, DWORD key, BOOL ctrl, BOOL shift, BOOL alt) noexcept {
    m_bComplete = complete;
    m_nKey = key;
    m_bCtrl = ctrl;
    m_bShift = shift;
    m_bAlt = alt;
    if (key == 0) {
        // The part texts stay as they were; only the display goes.
        if (m_hWnd) ::SetWindowTextW(m_hWnd, L"");
        return;
    }
    vp::CopyText(m_szCtrl, ctrl ? L"Ctrl+" : L"");
    vp::CopyText(m_szAlt, alt ? L"Alt+" : L"");
    vp::CopyText(m_szShift, shift ? L"Shift+" : L"");
    hotkeys::KeyName(key, m_szKeyName);
    hotkeys::FormatHotkeyText(m_szDisplay, m_szCtrl[0] != 0, m_szAlt[0] != 0, m_szShift[0] != 0, m_szKeyName);
    if (m_hWnd) ::SetWindowTextW(m_hWnd, m_szDisplay);
}

void CHotkeyEditCtrl::Capture(DWORD vk) noexcept {
    const bool modifier = vk == VK_CONTROL || vk == VK_SHIFT || vk == VK_MENU;
    if (modifier) {
        // A modifier alone starts a new combination, which is not complete yet.
        m_szKeyName[0] = L'\0';
        m_bComplete = 0;
    } else if (hotkeys::KeyName(vk, m_szKeyName) == 0) {
        // A key without a name clears the control; the modifiers stay as they were.
        m_nKey = 0;
        m_bComplete = 0;
        m_szDisplay[0] = L'\0';
        ::SetWindowTextW(m_hWnd, m_szDisplay);
        return;
    } else {
        m_nKey = vk;
        m_bComplete = 1;
    }
    // The modifier pressed counts as held; the others as the keyboard state says.
    const struct {
        int vk;
        const wchar_t* label;
        BOOL& flag;
        wchar_t (&text)[8];
    } modifiers[] = {{VK_CONTROL, L"Ctrl+", m_bCtrl, m_szCtrl}, {VK_SHIFT, L"Shift+", m_bShift, m_szShift},
                     {VK_MENU, L"Alt+", m_bAlt, m_szAlt}};
    for (const auto& m : modifiers) {
        if (static_cast<DWORD>(m.vk) == vk) {
            vp::CopyText(m.text, m.label);
            m.flag = 1;
        } else {
            ReadModifier(m.vk, m.label, m.flag, m.text);
        }
    }
    vp::FormatText(m_szDisplay, L"%ls%ls%ls%ls", m_szCtrl, m_szAlt, m_szShift, m_szKeyName);
    ShowDisplay();
}

void CHotkeyEditCtrl::ShowDisplay() noexcept {
    ::SetWindowTextW(m_hWnd, m_szDisplay);
    const int length = static_cast<int>(::wcslen(m_szDisplay));
    ::SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(length), length);
}

bool CHotkeyEditCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Capture(static_cast<DWORD>(wp));
        result = 0;
        return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Letting go of the modifiers without a key leaves nothing chosen.
        if (!m_bComplete) ::SetWindowTextW(m_hWnd, L"");
        result = 0;
        return true;
    case WM_CHAR:
        result = 0;
        return true;
    }
    return false;
}

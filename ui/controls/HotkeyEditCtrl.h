#pragma once
// An edit control that captures a key combination instead of text: the user holds the modifiers and
// presses a key; typed characters never reach the edit.
#include <windows.h>

#include "framework/Window.h"
#include "settings/Hotkeys.h"

class CHotkeyEditCtrl : public vp::CWindowImplBase {
public:
    // What the control holds; a combination counts only when complete is 1.
    struct Combination {
        BOOL complete;
        DWORD key;
        BOOL ctrl;
        BOOL shift;
        BOOL alt;
    };

    // The control that has taken over edit, or null.
    static CHotkeyEditCtrl* From(HWND edit) noexcept { return dynamic_cast<CHotkeyEditCtrl*>(FromHandle(edit)); }

    void SetHotkey(BOOL complete, DWORD key, BOOL ctrl, BOOL shift, BOOL alt) noexcept;
    Combination GetHotkey() const noexcept { return {m_bComplete, m_nKey, m_bCtrl, m_bShift, m_bAlt}; }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Capture(DWORD vk) noexcept;
    void ShowDisplay() noexcept;

    wchar_t m_szCtrl[8] = {};
    wchar_t m_szAlt[8] = {};
    wchar_t m_szShift[8] = {};
    wchar_t m_szKeyName[hotkeys::kKeyNameUnits] = {};
    wchar_t m_szDisplay[hotkeys::kHotkeyTextUnits] = {};
    BOOL m_bComplete = 0;
    DWORD m_nKey = 0;
    BOOL m_bCtrl = 0;
    BOOL m_bShift = 0;
    BOOL m_bAlt = 0;
};

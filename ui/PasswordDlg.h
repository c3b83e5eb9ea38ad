#pragma once
// The password prompt: a small modal dialog on the prompts' desktop, with the prompt of what it
// guards, a masked field and OK / Cancel. Enter and Esc act like the buttons. After wrong passwords
// it may make the user wait before it takes input; an ask withdrawn closes it as Cancel does.
#include <windows.h>

#include "framework/Handles.h"
#include "ids_dialogs.h"
#include "switching/PasswordThreads.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/PasswordEditCtrl.h"
#include "ui/controls/ThemedButtonCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

// The dialog's font grown by two units in height: the prompt of the modal dialogs. Caller owns it.
HFONT CreatePromptFont(HWND dialog) noexcept;

class CPasswordDlg : public CThemedModalDialogImpl<CPasswordDlg> {
public:
    static constexpr int IDD = IDD_PASSWORD;
    // DT_WORDBREAK | DT_SINGLELINE | DT_NOPREFIX
    static constexpr UINT kPromptFormat = 0x830;

    static constexpr UINT_PTR kWaitTimerId = 1;
    static constexpr UINT_PTR kWithdrawnTimerId = 2;
    static constexpr UINT kWithdrawnLookMs = 100;

    // waitSeconds: how long the prompt keeps its field and OK closed after it opens, counting down in
    // its prompt line (the back-off after wrong passwords). Cancel is always open.
    explicit CPasswordDlg(const wchar_t* prompt, unsigned waitSeconds = 0, PromptWithdrawal withdrawal = {}) noexcept;
    ~CPasswordDlg() override;

    // After IDOK: what was typed, at most 14 characters. Empty after Cancel.
    const wchar_t* Password() const noexcept { return m_szPassword; }

    BOOL OnInitDialog(HWND hwnd) noexcept;
    bool ProcessDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    // Shows the seconds left, or opens the field once they are over.
    void ShowWait() noexcept;
    void Cancel() noexcept;

    // Destroyed in reverse order: the buttons, the field, the label, then the font; the face and the
    // background go with the base afterwards.
    vp::FontHandle m_promptFont;
    CThemedLabelCtrl m_label;
    CPasswordEditCtrl m_field;
    CThemedButtonCtrl m_ok;
    CThemedButtonCtrl m_cancel;
    wchar_t m_szPassword[16] = {};
    wchar_t m_szPrompt[100] = {};
    unsigned m_nWaitLeft = 0;
    PromptWithdrawal m_withdrawal;
};

// The password threads' prompt: the dialog above, modal on the calling thread.
class CPasswordPrompt : public IPasswordPrompt {
public:
    INT_PTR Ask(const wchar_t* prompt, wchar_t (&entered)[16], unsigned waitSeconds,
                const PromptWithdrawal& withdrawal) override;
};

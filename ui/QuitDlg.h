#pragma once
// "Confirm Quit": asked by the navigation panel's Quit unless the user chose never to be asked again.
#include <windows.h>

#include "framework/Handles.h"
#include "ids_dialogs.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/ThemedButtonCtrl.h"
#include "ui/controls/ThemedCheckboxCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

class CQuitDlg : public CThemedModalDialogImpl<CQuitDlg> {
public:
    static constexpr int IDD = IDD_QUIT;
    static constexpr INT_PTR kQuit = 1;
    static constexpr INT_PTR kCancel = 2;

    BOOL OnInitDialog(HWND hwnd) noexcept;
    bool ProcessDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    void OnQuit() noexcept;

    vp::FontHandle m_labelFont;
    CThemedLabelCtrl m_prompt;
    CThemedImageCtrl m_picture;
    CThemedCheckboxCtrl m_noAsk;
    CThemedButtonCtrl m_quit;
    CThemedButtonCtrl m_cancel;
};

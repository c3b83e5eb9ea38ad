#pragma once
// A settings page and a modal dialog built the way the program builds its own, over the tests'
// templates: used by the dialog tests and the screenshot.
#include <windows.h>

#include "UiTestIds.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/EditBrowserCtrl.h"
#include "ui/controls/ThemedButtonCtrl.h"
#include "ui/controls/ThemedCheckboxCtrl.h"
#include "ui/controls/ThemedHyperlinkCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

class CTestPage : public CThemedDialogImpl<CTestPage> {
public:
    static constexpr int IDD = IDD_TEST_PAGE;

    BOOL OnInitDialog(HWND hwnd);
    bool ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    CThemedImageCtrl headerImages[3];
    CThemedLabelCtrl headerLabels[2];
    CThemedLabelCtrl version;
    CThemedCheckboxCtrl checks[5];
    CEditBrowserCtrl fileEdit;
    CThemedHyperlinkCtrl link;
    CThemedButtonCtrl button;
    vp::BitmapHandle face;
    int browseClicks = 0;
};

class CTestModal : public CThemedModalDialogImpl<CTestModal> {
public:
    static constexpr int IDD = IDD_TEST_MODAL;
    BOOL OnInitDialog(HWND hwnd);
    bool ProcessDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Runs once the dialog is up, then the dialog closes itself.
    void (*whileOpen)(CTestModal& dialog) = nullptr;

    CThemedButtonCtrl quit, cancel;
    CThemedLabelCtrl prompt;
    CThemedImageCtrl picture;
    CThemedCheckboxCtrl noAsk;
    vp::FontHandle promptFont;
};

#pragma once
// The about page (template 105): the product's name and logo, its version, and links to the maker's
// web site and to a new mail to its support address.
#include <windows.h>

#include "ids_dialogs.h"
#include "ui/ThemedDialog.h"
#include "ui/controls/ThemedHyperlinkCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

class CAboutDlg : public CThemedDialogImpl<CAboutDlg> {
public:
    static constexpr int IDD = IDD_ABOUT;

    ~CAboutDlg() override;

    // The frame's "version(build)" text, set once after the page is created.
    void SetVersionText(const wchar_t* text) noexcept;

    BOOL OnInitDialog(HWND hwnd) noexcept;
    bool ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    void FitTexts() noexcept;

    CThemedImageCtrl m_name;
    CThemedImageCtrl m_logo;
    LONG m_logoMargin = 0;  // from the page's right edge, at 96 DPI
    CThemedLabelCtrl m_version;
    CThemedLabelCtrl m_notice;
    CThemedHyperlinkCtrl m_maker;
    CThemedHyperlinkCtrl m_support;
};

// The dialog templates and the string table as the program's classes find them: built into real
// dialogs from the linked resources. (What the settings pages show comes from the settings table; the
// pages' layout is checked where they are laid out, in the ui tests at every display scale.)
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "support/TestSupport.h"

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT msg, WPARAM, LPARAM) noexcept {
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

// The dialog manager builds every template, a page as the child of a window as the settings window
// is to it, in the templates' font.
TEST(DialogTemplates, EveryTemplateBuildsInTheTemplateFont) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(::InitCommonControlsEx(&icc));
    HWND host = ::CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    for (int id : {IDD_ABOUT, IDD_ADVANCED_SETTINGS, IDD_BASIC_SETTINGS}) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        HWND dlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), host, QuietDialogProc, 0);
        ASSERT_NE(dlg, nullptr) << "error " << ::GetLastError();
        EXPECT_TRUE(::GetWindowLongW(dlg, GWL_STYLE) & WS_CHILD);
        LOGFONTW lf{};
        ASSERT_NE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dlg, WM_GETFONT, 0, 0)), sizeof(lf), &lf), 0);
        EXPECT_STREQ(lf.lfFaceName, L"Microsoft Sans Serif");
        ::DestroyWindow(dlg);
    }
    ::DestroyWindow(host);
}

// The modal dialogs keep their template font for buttons and check boxes, so a text that does not
// fit its control at that font is cut on screen.
TEST(DialogTemplates, ModalDialogTextsFitTheirControls) {
    for (int id : {IDD_QUIT, IDD_PROCESS_PICKER, IDD_PASSWORD}) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        HWND dlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr,
                                        QuietDialogProc, 0);
        ASSERT_NE(dlg, nullptr);
        for (const std::wstring& cut : testing_support::TextsThatDoNotFit(dlg)) ADD_FAILURE() << cut;
        ::DestroyWindow(dlg);
    }
}

std::wstring LoadText(int id) {
    wchar_t buf[512];
    const int n = ::LoadStringW(::GetModuleHandleW(nullptr), static_cast<UINT>(id), buf, 512);
    return n > 0 ? std::wstring(buf, static_cast<size_t>(n)) : std::wstring();
}

// The navigation panel's buttons take their tips from the string table, by their commands.
TEST(StringTable, TooltipsOfTheNavigationButtons) {
    EXPECT_EQ(LoadText(ID_NAV_APPLY), L"Apply all settings now.");
    EXPECT_EQ(LoadText(ID_NAV_QUIT), L"Quit Veilpane!");
    for (int id : {ID_NAV_HOMEPAGE, ID_NAV_HELP, ID_NAV_PREVIOUS, ID_NAV_NEXT, ID_NAV_HIDE}) {
        EXPECT_NE(LoadText(id), L"") << id;
    }
    EXPECT_EQ(LoadText(IDS_PRODUCT_NAME), L"Veilpane");
}

}  // namespace

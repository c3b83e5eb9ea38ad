// The advanced page's file picker: the real common dialog, driven by its handle from inside its own
// modal loop. Programs are refused after the choice with the "Setting hint" message; other files go
// into the edit.
#include <gtest/gtest.h>

#include <string>

#include "PagesTestSupport.h"
#include "support/SettingControlIds.h"
#include "support/TestSupport.h"
#include "ui/pages/AdvancedSettingsDlg.h"

using namespace pages_test;

namespace {

constexpr int kFileNameEdit = 0x480;   // edt1: the dialog's file name edit
constexpr int kFileNameCombo = 0x47C;  // cmb13: the same as a combo box, on systems that use one
constexpr int kFileTypeCombo = 0x470;  // cmb1: the filter list

struct PickerRun {
    std::vector<std::wstring> filterNames;
    std::wstring hint;  // the message shown after the choice, if any
    bool hintShown = false;
    bool timedOut = false;
};

// Opens the picker from the page's browse notice, types path into the dialog and presses Open.
PickerRun ChooseFile(HWND page, const std::wstring& path) {
    PickerRun run;
    std::vector<ModalDriver::Step> steps;
    steps.push_back([&run, path]() {
        HWND dlg = FindThreadWindow(advanced_page_text::kFilePickerTitle);
        if (!dlg) return false;
        HWND types = ::GetDlgItem(dlg, kFileTypeCombo);
        const int count = static_cast<int>(::SendMessageW(types, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t item[128] = L"";
            if (::SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 128) {
                ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            }
            run.filterNames.push_back(item);
        }
        HWND name = ::GetDlgItem(dlg, kFileNameEdit);
        if (!name) name = ::GetDlgItem(dlg, kFileNameCombo);
        ::SetWindowTextW(name, path.c_str());
        ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDOK)));
        return true;
    });
    // A hint, expected or not, is read and dismissed, so a wrong one cannot hang the test.
    steps.push_back([&run]() {
        HWND box = FindThreadWindow(advanced_page_text::kHintCaption);
        if (!box) return false;
        run.hintShown = true;
        for (const std::wstring& text : StaticTexts(box)) {
            if (!text.empty()) run.hint = text;
        }
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    ModalDriver driver(std::move(steps));
    ::SendMessageW(page, WM_EDITBROWSER_CLICK, reinterpret_cast<WPARAM>(::GetDlgItem(page, IDC_AC_FILE_PATH)), 0);
    run.timedOut = driver.TimedOut();
    return run;
}

}  // namespace

TEST(FilePicker, RefusesProgramsInAnyCaseAndTakesOtherFiles) {
    CFrameStandIn frame;
    CAdvancedSettingsDlg page;
    ASSERT_TRUE(page.Create(frame.Window()));
    PageValues values;
    values.shown.openFile = ActionText{1, L"C:\\before.txt"};
    ShowSettings(page, SettingsPage::Advanced, values);
    frame.PlacePage(page);

    testing_support::TempDir dir;
    for (const wchar_t* name : {L"setup.EXE", L"run.Cmd", L"notes.txt", L"README"}) {
        ASSERT_TRUE(testing_support::WriteFileText(dir.File(name), "x"));
    }

    for (const wchar_t* refused : {L"setup.EXE", L"run.Cmd"}) {
        SCOPED_TRACE(testing::Message() << "file " << refused);
        const PickerRun run = ChooseFile(page, dir.File(refused));
        ASSERT_FALSE(run.timedOut);
        EXPECT_TRUE(run.hintShown);
        EXPECT_EQ(run.hint, L"Can not select an executable file.");
        EXPECT_EQ(DlgItemText(page, IDC_AC_FILE_PATH), L"C:\\before.txt");
        const std::vector<std::wstring> filters = {L"All files(Not Executable)", L"Office files", L"Text files"};
        EXPECT_EQ(run.filterNames, filters);
    }
    for (const wchar_t* taken : {L"notes.txt", L"README"}) {
        SCOPED_TRACE(testing::Message() << "file " << taken);
        const PickerRun run = ChooseFile(page, dir.File(taken));
        ASSERT_FALSE(run.timedOut);
        EXPECT_FALSE(run.hintShown);
        EXPECT_EQ(DlgItemText(page, IDC_AC_FILE_PATH), dir.File(taken));
    }
}

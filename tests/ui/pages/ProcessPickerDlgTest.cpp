// The process picker, opened from the advanced page's browse notice over real running programs: a
// helper started twice (and once more under the same name in other letter case) gives one row; the
// marks come from the page's list; Refresh resets them; a double click on empty space changes
// nothing; Cancel keeps the page's list and OK drops the names that are not running.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "support/SettingControlIds.h"
#include "support/TestSupport.h"
#include "ui/pages/AdvancedSettingsDlg.h"

using namespace pages_test;

namespace {

constexpr const wchar_t* kCaption = L"Select Processes To Terminate";
constexpr const wchar_t* kHelper = L"vp_pick_me.exe";

struct Row {
    std::wstring name;
    bool checked;
};

std::vector<Row> Rows(HWND list) {
    std::vector<Row> rows;
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH] = L"";
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        ::SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        rows.push_back(Row{text, ListView_GetCheckState(list, i) != FALSE});
    }
    return rows;
}

int CountNamed(const std::vector<Row>& rows, const wchar_t* name) {
    int n = 0;
    for (const Row& row : rows) n += _wcsicmp(row.name.c_str(), name) == 0;
    return n;
}

int IndexOf(const std::vector<Row>& rows, const wchar_t* name) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (_wcsicmp(rows[i].name.c_str(), name) == 0) return static_cast<int>(i);
    }
    return -1;
}

std::vector<bool> Marks(const std::vector<Row>& rows) {
    std::vector<bool> marks;
    for (const Row& row : rows) marks.push_back(row.checked);
    return marks;
}

// A double click of the list view at a point of its client area, as the mouse would deliver it.
void DoubleClick(HWND list, POINT pt) {
    ::SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    ::SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

// Helpers that stay alive while the tests run: the same program twice, and a copy whose name differs
// only in letter case.
class RunningHelpers {
public:
    RunningHelpers() {
        ::SetEnvironmentVariableW(L"VP_RECORDER_LINGER_MS", L"60000");
        const std::wstring lower = m_dirA.File(kHelper), upper = m_dirB.File(L"VP_PICK_ME.EXE");
        ok = ::CopyFileW(testing_support::HelperPath(L"command_recorder.exe").c_str(), lower.c_str(), FALSE) &&
             ::CopyFileW(lower.c_str(), upper.c_str(), FALSE);
        for (const std::wstring& exe : {lower, lower, upper}) {
            testing_support::StartedProcess p;
            ok = ok && testing_support::StartProcess(L"\"" + exe + L"\"", p);
            m_processes.push_back(std::move(p));
        }
        ::SetEnvironmentVariableW(L"VP_RECORDER_LINGER_MS", nullptr);
        ::Sleep(300);
    }
    ~RunningHelpers() {
        for (auto& p : m_processes) {
            if (p.process) {
                ::TerminateProcess(p.process.Get(), 0);
                ::WaitForSingleObject(p.process.Get(), 5000);
            }
        }
    }
    bool ok = false;

private:
    testing_support::TempDir m_dirA, m_dirB;
    std::vector<testing_support::StartedProcess> m_processes;
};

class ProcessPickerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_helpers = new RunningHelpers;
        s_frame = new CFrameStandIn;
    }
    static void TearDownTestSuite() {
        delete s_frame;
        delete s_helpers;
    }
    void SetUp() override {
        ASSERT_TRUE(s_helpers->ok);
        ASSERT_TRUE(page.Create(s_frame->Window()));
        s_frame->PlacePage(page);
    }
    // Opens the picker as a click on the browse button does, runs steps inside it, and returns
    // whether they all ran in time.
    bool RunPicker(std::vector<ModalDriver::Step> steps) {
        ModalDriver driver(std::move(steps));
        ::SendMessageW(page, WM_EDITBROWSER_CLICK, reinterpret_cast<WPARAM>(::GetDlgItem(page, IDC_AC_PROCESSES)), 0);
        return driver.Done() && !driver.TimedOut();
    }
    static ModalDriver::Step WhenOpen(std::function<void(HWND dialog, HWND list)> body) {
        return [body]() {
            HWND dlg = FindThreadWindow(kCaption);
            if (!dlg) return false;
            body(dlg, ::GetDlgItem(dlg, IDC_PROCESS_LIST));
            return true;
        };
    }

    static inline RunningHelpers* s_helpers = nullptr;
    static inline CFrameStandIn* s_frame = nullptr;
    CAdvancedSettingsDlg page;
};

}  // namespace

TEST_F(ProcessPickerTest, RunningHelperListedOnceAndMarkedFromThePagesList) {
    ShowProcessList(page, {L"VP_Pick_Me.exe", L"not_running_here.exe"});
    std::vector<Row> rows;
    bool okIsDefault = false;
    int column = 0, widest = 0;
    ASSERT_TRUE(RunPicker({WhenOpen([&](HWND dlg, HWND list) {
        rows = Rows(list);
        column = ListView_GetColumnWidth(list, 0);
        for (const Row& row : rows) {
            widest = std::max(widest, static_cast<int>(::SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                                      reinterpret_cast<LPARAM>(row.name.c_str()))));
        }
        okIsDefault = LOWORD(::SendMessageW(dlg, DM_GETDEFID, 0, 0)) == IDOK;
        ::UpdateWindow(dlg);
        // The client area: without a window manager under Xvfb nobody draws the caption.
        SaveScreenshot(ui_test::ReadScreen(dlg), L"process_picker.png");
        Click(dlg, IDCANCEL);
    })}));
    EXPECT_EQ(CountNamed(rows, kHelper), 1);
    const int helper = IndexOf(rows, kHelper);
    ASSERT_GE(helper, 0);
    EXPECT_TRUE(rows[static_cast<size_t>(helper)].checked);
    EXPECT_EQ(CountNamed(rows, L"not_running_here.exe"), 0);
    EXPECT_EQ(CountNamed(rows, L"Veilpane.exe") + CountNamed(rows, L"system"), 0);
    int checked = 0;
    for (const Row& row : rows) checked += row.checked;
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(okIsDefault);
    // Every name shows whole: the column is wider than the longest, and never under 80 pixels.
    EXPECT_GE(column, 80);
    EXPECT_GT(column, widest + ::GetSystemMetrics(SM_CXSMICON));
}

TEST_F(ProcessPickerTest, DoubleClickTogglesRowsOnlyAndRefreshResetsTheMarks) {
    ShowProcessList(page, {kHelper});
    std::vector<bool> opened, afterEmptyClick, afterRowClick, afterRefresh;
    int helper = -1, helperOpened = -1;
    size_t rowsAfterRefresh = 0, rowsOpened = 0;
    bool emptyPointFound = false;
    ASSERT_TRUE(RunPicker({WhenOpen([&](HWND dlg, HWND list) {
        std::vector<Row> rows = Rows(list);
        rowsOpened = rows.size();
        opened = Marks(rows);
        helper = helperOpened = IndexOf(rows, kHelper);
        if (helper < 0) return;

        // Empty space: the bottom right corner of the list, when nothing is there.
        RECT client{};
        ::GetClientRect(list, &client);
        LVHITTESTINFO hit{};
        hit.pt = POINT{client.right - 6, client.bottom - 6};
        emptyPointFound = ::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == -1;
        DoubleClick(list, hit.pt);
        afterEmptyClick = Marks(Rows(list));

        // On the helper's name: its mark flips; and another row is checked by hand.
        RECT label{};
        label.left = LVIR_LABEL;
        ::SendMessageW(list, LVM_GETITEMRECT, helper, reinterpret_cast<LPARAM>(&label));
        DoubleClick(list, POINT{(label.left + label.right) / 2, (label.top + label.bottom) / 2});
        const int other = helper == 0 ? 1 : 0;
        ListView_SetCheckState(list, other, TRUE);
        afterRowClick = Marks(Rows(list));

        Click(dlg, IDC_PROCESS_REFRESH);
        Click(dlg, IDC_PROCESS_REFRESH);
        rows = Rows(list);
        rowsAfterRefresh = rows.size();
        afterRefresh = Marks(rows);
        EXPECT_EQ(CountNamed(rows, kHelper), 1);
        helper = IndexOf(rows, kHelper);
        Click(dlg, IDCANCEL);
    })}));
    ASSERT_GE(helperOpened, 0);
    ASSERT_GE(helper, 0);
    ASSERT_GE(rowsOpened, 2u);
    EXPECT_TRUE(emptyPointFound);
    EXPECT_EQ(afterEmptyClick, opened);
    ASSERT_EQ(afterRowClick.size(), opened.size());
    EXPECT_TRUE(opened[static_cast<size_t>(helperOpened)]);
    EXPECT_FALSE(afterRowClick[static_cast<size_t>(helperOpened)]);
    // Refresh: the marks of the list the picker was opened with, each running name once.
    EXPECT_GE(rowsAfterRefresh, 2u);
    int checked = 0;
    for (bool mark : afterRefresh) checked += mark;
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(afterRefresh[static_cast<size_t>(helper)]);
}

TEST_F(ProcessPickerTest, CancelKeepsThePagesListAndOkDropsWhatIsNotRunning) {
    const std::vector<std::wstring> chosen = {L"not_running_here.exe", kHelper};
    ShowProcessList(page, chosen);
    // Cancel after unchecking everything: nothing changes.
    ASSERT_TRUE(RunPicker({WhenOpen([&](HWND dlg, HWND list) {
        const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) ListView_SetCheckState(list, i, FALSE);
        Click(dlg, IDCANCEL);
    })}));
    EXPECT_EQ(ShownNames(page), chosen);
    EXPECT_EQ(DlgItemText(page, IDC_AC_PROCESSES), L"not_running_here.exe;vp_pick_me.exe;");

    // OK at once: the name that is not running has no row and goes.
    ASSERT_TRUE(RunPicker({WhenOpen([&](HWND dlg, HWND) { Click(dlg, IDOK); })}));
    ASSERT_EQ(ShownNames(page).size(), 1u);
    EXPECT_EQ(_wcsicmp(ShownNames(page)[0].c_str(), kHelper), 0);
    EXPECT_EQ(_wcsicmp(DlgItemText(page, IDC_AC_PROCESSES).c_str(), L"vp_pick_me.exe;"), 0);
    const PageValues v = ReadSettings(page, SettingsPage::Advanced);
    EXPECT_EQ(v.shown.terminateProcesses.names, ShownNames(page));

    // Enter in the list means OK, not Refresh; a row checked by hand joins the list.
    std::wstring added;
    ASSERT_TRUE(RunPicker({WhenOpen([&](HWND dlg, HWND list) {
        const std::vector<Row> rows = Rows(list);
        for (size_t i = 0; i < rows.size(); ++i) {
            if (!rows[i].checked) {
                added = rows[i].name;
                ListView_SetCheckState(list, static_cast<int>(i), TRUE);
                break;
            }
        }
        ::SetFocus(list);
        MSG enter{list, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
        ::IsDialogMessageW(dlg, &enter);
    })}));
    ASSERT_FALSE(added.empty());
    ASSERT_EQ(ShownNames(page).size(), 2u);
    EXPECT_TRUE(ShownNames(page)[0] == added || ShownNames(page)[1] == added);
}

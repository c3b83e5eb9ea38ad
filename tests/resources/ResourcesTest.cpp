// The dialog templates and the string table as the program's classes find them: read back from the
// linked resources (the binary template walked item by item) and built into real dialogs. The
// tables below are the controls the page and dialog classes subclass by id, with the texts users
// see; a wrong id, text, style or rectangle in the .rc files shows up here.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resource.h"
#include "support/TestSupport.h"

namespace {

// ---- Reading a DLGTEMPLATEEX ---------------------------------------------------------------------

struct ItemRecord {
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring cls;   // ordinal classes turned into their names
    std::wstring text;
};

struct DialogRecord {
    DWORD exStyle = 0;
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    WORD weight = 0;
    std::wstring face;
    std::vector<ItemRecord> items;
};

// Bounded reader over the resource bytes: every read checks the remaining size, so a damaged
// template fails the test instead of reading past the resource.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool Ok() const { return m_ok; }

    template <typename T>
    T Read() {
        T value{};
        if (!m_ok || m_size - m_pos < sizeof(T)) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }
    std::wstring ReadString() {
        std::wstring s;
        for (;;) {
            const wchar_t c = static_cast<wchar_t>(Read<WORD>());
            if (!m_ok || c == L'\0') return s;
            s.push_back(c);
        }
    }
    // sz_Or_Ord: nothing, an ordinal after 0xFFFF, or a terminated string.
    std::wstring ReadNameOrOrdinal(WORD* ordinal) {
        *ordinal = 0;
        const WORD first = PeekWord();
        if (first == 0x0000) {
            Read<WORD>();
            return {};
        }
        if (first == 0xFFFF) {
            Read<WORD>();
            *ordinal = Read<WORD>();
            return {};
        }
        return ReadString();
    }
    void AlignDword() {
        m_pos = (m_pos + 3) & ~static_cast<size_t>(3);
        if (m_pos > m_size) m_ok = false;
    }
    void Skip(size_t n) {
        if (m_size - m_pos < n) m_ok = false;
        else m_pos += n;
    }

private:
    WORD PeekWord() {
        const size_t at = m_pos;
        const WORD w = Read<WORD>();
        m_pos = at;
        return w;
    }
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

std::wstring ClassFromOrdinal(WORD ordinal) {
    switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    }
    return L"#" + std::to_wstring(ordinal);
}

// Loads dialog template id from this executable's resources; false when missing or malformed.
bool LoadDialogRecord(int id, DialogRecord& out) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (!info) return false;
    HGLOBAL loaded = ::LoadResource(module, info);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    if (!bytes) return false;
    Reader r(bytes, ::SizeofResource(module, info));

    if (r.Read<WORD>() != 1 || r.Read<WORD>() != 0xFFFF) return false;  // DLGTEMPLATEEX only
    r.Read<DWORD>();                                                      // help id
    out.exStyle = r.Read<DWORD>();
    out.style = r.Read<DWORD>();
    const WORD count = r.Read<WORD>();
    r.Read<short>();
    r.Read<short>();
    out.cx = r.Read<short>();
    out.cy = r.Read<short>();
    WORD ordinal = 0;
    r.ReadNameOrOrdinal(&ordinal);  // menu
    r.ReadNameOrOrdinal(&ordinal);  // window class
    out.caption = r.ReadString();
    if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
        out.pointSize = r.Read<WORD>();
        out.weight = r.Read<WORD>();
        r.Read<BYTE>();  // italic
        r.Read<BYTE>();  // character set
        out.face = r.ReadString();
    }
    for (WORD i = 0; i < count && r.Ok(); ++i) {
        r.AlignDword();
        ItemRecord item;
        r.Read<DWORD>();  // help id
        item.exStyle = r.Read<DWORD>();
        item.style = r.Read<DWORD>();
        item.x = r.Read<short>();
        item.y = r.Read<short>();
        item.cx = r.Read<short>();
        item.cy = r.Read<short>();
        item.id = r.Read<DWORD>();
        item.cls = r.ReadNameOrOrdinal(&ordinal);
        if (item.cls.empty()) item.cls = ClassFromOrdinal(ordinal);
        item.text = r.ReadNameOrOrdinal(&ordinal);
        r.Skip(r.Read<WORD>());  // creation data
        out.items.push_back(item);
    }
    return r.Ok();
}

bool SameClass(const std::wstring& a, const wchar_t* b) { return ::lstrcmpiW(a.c_str(), b) == 0; }

// ---- What each template holds --------------------------------------------------------------------

struct Control {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    short x, y, cx, cy;
    DWORD style;
};

constexpr DWORD kPage = 0x42000040;   // WS_CHILD | WS_CLIPCHILDREN | DS_SETFONT
constexpr DWORD kModal = 0x80C800C0;  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
constexpr DWORD kForegroundModal = kModal | DS_SETFOREGROUND;  // the password prompt takes the keyboard
constexpr DWORD kLabel = 0x50020000;
constexpr DWORD kCheck = 0x50010003;
constexpr DWORD kCheckLeft = 0x50010103;
constexpr DWORD kCheckNotify = 0x50014003;
constexpr DWORD kEdit = 0x50810080;
constexpr DWORD kPasswordEdit = 0x508100A0;
constexpr DWORD kButton = 0x50010000;
constexpr DWORD kDefButton = 0x50010001;

const Control kAbout[] = {
    {31029, L"Static", L"Veilpane", 10, 4, 74, 12, kLabel},
    {31030, L"Static", L"LOGO", 132, 0, 56, 47, kLabel},
    {31011, L"Static", L"3.1(232)", 10, 25, 50, 8, kLabel},
    {31010, L"Static", L"Copyright \u00A9", 10, 34, 51, 8, kLabel},
    {31014, L"Button", L"Morvex, Inc.", 65, 34, 41, 9, kButton},
    {31012, L"Button", L"support@morvex.net", 6, 43, 65, 9, kButton},
};

const Control kAdvanced[] = {
    {11002, L"Static", L"SW", 9, 2, 12, 8, kLabel},
    {11003, L"Static", L"Actions When Switching to Virtual Desktop", 25, 2, 170, 9, kLabel},
    {21010, L"Button", L"Mute", 9, 11, 87, 14, kCheckLeft},
    {21007, L"Button", L"Close Monitor", 9, 25, 87, 12, kCheckLeft},
    {21016, L"Button", L"Disable Task Manager", 9, 38, 87, 12, kCheckLeft},
    {21012, L"Button", L"Clear IE  History", 102, 11, 95, 12, kCheck},
    {21013, L"Button", L"Clear IE Typed Urls", 102, 25, 95, 12, kCheck},
    {21017, L"Button", L"Clear Recent Document List", 102, 38, 95, 12, kCheckNotify},
    {21026, L"Button", L"Hold the clipboard aside", 9, 51, 87, 12, kCheckLeft},
    {21019, L"Button", L"Open Specified File:", 9, 69, 87, 12, kCheck},
    {21021, L"Edit", L"", 102, 69, 95, 12, kEdit},
    {21022, L"Button", L"Open Specified Website:", 9, 83, 87, 12, kCheck},
    {21025, L"Edit", L"", 102, 83, 95, 12, kEdit},
    {21024, L"Button", L"Terminate Processes:", 9, 97, 87, 12, kCheck},
    {21018, L"Edit", L"", 102, 97, 95, 12, kEdit},
    {21023, L"Button", L"Close Windows With Title:", 9, 111, 87, 12, kCheck},
    {21020, L"Edit", L"", 102, 111, 95, 12, kEdit},
};

const Control kProcessPicker[] = {
    {1025, L"SysListView32", L"", 6, 3, 195, 93, 0x50810803},
    {1026, L"Button", L"Refresh", 6, 99, 52, 14, kDefButton},
    {1, L"Button", L"OK", 94, 99, 52, 14, kDefButton},
    {2, L"Button", L"Cancel", 149, 99, 52, 14, kButton},
};

const Control kBasic[] = {
    {11002, L"Static", L"SW", 7, 2, 12, 8, kLabel},
    {11003, L"Static", L"Switch Desktop By", 27, 2, 169, 8, kLabel},
    {11004, L"Button", L"Press Mouse Wheel Button", 9, 12, 96, 12, kCheckLeft},
    {11005, L"Button", L"Press Left && Right Buttons", 106, 12, 94, 12, kCheckLeft},
    {11006, L"Button", L"Press Global Hotkey:", 9, 23, 92, 12, kCheckNotify},
    {11007, L"Edit", L"", 106, 24, 95, 12, kEdit},
    {11008, L"Static", L"SYS", 7, 39, 17, 8, kLabel},
    {11009, L"Static", L"System Settings", 27, 39, 169, 8, kLabel},
    {11010, L"Button", L"Auto Startup", 9, 48, 54, 12, kCheck},
    {11011, L"Button", L"Show Tray Icon", 64, 48, 60, 12, kCheck},
    {11014, L"Button", L"Detect Update", 132, 48, 60, 12, kCheck},
    {11012, L"Button", L"Hotkey for Settings Dialog:", 9, 59, 92, 12, kCheck},
    {11013, L"Edit", L"", 106, 60, 95, 12, kEdit},
    {11017, L"Static", L"PWD", 7, 74, 17, 8, kLabel},
    {11018, L"Static", L"Switch Password", 27, 74, 165, 8, kLabel},
    {11019, L"Button", L"Switch to Original Desk:", 9, 84, 86, 12, kCheck},
    {11020, L"Edit", L"", 103, 84, 47, 12, kPasswordEdit},
    {11021, L"Edit", L"", 156, 84, 45, 12, kPasswordEdit},
    {11022, L"Button", L"Switch to Virtual Desk:", 9, 97, 85, 12, kCheck},
    {11023, L"Edit", L"", 103, 98, 47, 12, kPasswordEdit},
    {11024, L"Edit", L"", 156, 98, 45, 12, kPasswordEdit},
};

const Control kPassword[] = {
    {1, L"Button", L"OK", 152, 4, 52, 14, kDefButton},
    {2, L"Button", L"Cancel", 152, 21, 52, 14, kButton},
    {1007, L"Edit", L"", 4, 21, 142, 13, kPasswordEdit},
    {1008, L"Static", L"Please Enter Password To Restore:", 4, 4, 146, 14, kLabel},
};

// The quit confirmation's layout is ours; its ids, kinds and texts are what the quit path relies on.
const Control kQuit[] = {
    {1044, L"Button", L"Quit", 104, 26, 36, 14, kDefButton},
    {2, L"Button", L"Cancel", 144, 26, 36, 14, kButton},
    {1045, L"Static", L"Are you sure you want to quit?", 30, 6, 150, 14, kLabel},
    {1043, L"Static", L"Pic", 6, 4, 18, 18, kLabel},
    {1042, L"Button", L"Do not ask next time", 6, 28, 94, 10, kCheck},
};

struct Dialog {
    int id;
    DWORD style;
    short cx, cy;
    const wchar_t* caption;
    const Control* controls;
    size_t count;
};

template <size_t N>
constexpr Dialog MakeDialog(int id, DWORD style, short cx, short cy, const wchar_t* caption,
                            const Control (&controls)[N]) {
    return {id, style, cx, cy, caption, controls, N};
}

const Dialog kDialogs[] = {
    MakeDialog(IDD_ABOUT, kPage, 188, 117, L"", kAbout),
    MakeDialog(IDD_ADVANCED_SETTINGS, kPage, 207, 132, L"", kAdvanced),
    MakeDialog(IDD_PROCESS_PICKER, kModal, 208, 120, L"Select Processes To Terminate", kProcessPicker),
    MakeDialog(IDD_BASIC_SETTINGS, kPage, 208, 117, L"", kBasic),
    MakeDialog(IDD_PASSWORD, kForegroundModal, 210, 39, L"Enter Password", kPassword),
    MakeDialog(IDD_QUIT, kModal, 186, 44, L"Confirm Quit ", kQuit),
};

// ---- Templates -----------------------------------------------------------------------------------

TEST(DialogTemplates, HeadersFontsAndEveryControlInTemplateOrder) {
    for (const Dialog& d : kDialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << d.id);
        DialogRecord rec;
        ASSERT_TRUE(LoadDialogRecord(d.id, rec));
        EXPECT_EQ(rec.style, d.style);
        EXPECT_EQ(rec.exStyle, 0u);
        EXPECT_EQ(rec.cx, d.cx);
        EXPECT_EQ(rec.cy, d.cy);
        EXPECT_EQ(rec.caption, d.caption);
        EXPECT_EQ(rec.face, L"Microsoft Sans Serif");
        EXPECT_EQ(rec.pointSize, 11);
        EXPECT_EQ(rec.weight, 400);

        ASSERT_EQ(rec.items.size(), d.count);
        for (size_t i = 0; i < d.count; ++i) {
            const Control& want = d.controls[i];
            const ItemRecord& got = rec.items[i];
            SCOPED_TRACE(testing::Message() << "item " << i << ", control " << want.id);
            EXPECT_EQ(got.id, static_cast<DWORD>(want.id));
            EXPECT_TRUE(SameClass(got.cls, want.cls)) << "class is " << testing::PrintToString(got.cls);
            EXPECT_EQ(got.text, want.text);
            EXPECT_EQ(got.x, want.x);
            EXPECT_EQ(got.y, want.y);
            EXPECT_EQ(got.cx, want.cx);
            EXPECT_EQ(got.cy, want.cy);
            EXPECT_EQ(got.style, want.style) << std::hex << "0x" << got.style;
            EXPECT_EQ(got.exStyle, 0u);
        }
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT msg, WPARAM, LPARAM) noexcept {
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

// The dialog manager builds every template into windows of the expected classes, with the texts and
// ids the page classes look for, and no control besides them.
TEST(DialogTemplates, CreateIntoRealControls) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(::InitCommonControlsEx(&icc));
    // The pages are child dialogs: they need a parent, as the settings window is to them.
    HWND host = ::CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);

    for (const Dialog& d : kDialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << d.id);
        HWND dlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(d.id),
                                        (d.style & WS_CHILD) ? host : nullptr, QuietDialogProc, 0);
        ASSERT_NE(dlg, nullptr) << "error " << ::GetLastError();

        wchar_t buf[256];
        ::GetWindowTextW(dlg, buf, 256);
        EXPECT_STREQ(buf, d.caption);

        LOGFONTW lf{};
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(dlg, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        ASSERT_NE(::GetObjectW(font, sizeof(lf), &lf), 0);
        EXPECT_STREQ(lf.lfFaceName, L"Microsoft Sans Serif");

        for (size_t i = 0; i < d.count; ++i) {
            const Control& want = d.controls[i];
            SCOPED_TRACE(testing::Message() << "control " << want.id);
            HWND ctl = ::GetDlgItem(dlg, want.id);
            ASSERT_NE(ctl, nullptr);
            ::GetClassNameW(ctl, buf, 256);
            EXPECT_EQ(::lstrcmpiW(buf, want.cls), 0) << "class is " << testing::PrintToString(std::wstring(buf));
            ::GetWindowTextW(ctl, buf, 256);
            EXPECT_STREQ(buf, want.text);
        }
        for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const int id = ::GetDlgCtrlID(child);
            bool known = false;
            for (size_t i = 0; i < d.count; ++i) known = known || d.controls[i].id == id;
            EXPECT_TRUE(known) << "unexpected control " << id;
        }
        ::DestroyWindow(dlg);
    }
    ::DestroyWindow(host);
}

// The modal dialogs keep their template font for buttons and check boxes, so a text that does not
// fit its control at that font is cut on screen. (The pages replace their font, so this says nothing
// about them.)
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

// ---- String table --------------------------------------------------------------------------------

struct Tip {
    int id;
    const wchar_t* text;
};

const Tip kTips[] = {
    {11004, L"Enabled to switch desktops by pressing Mouse Wheel(Middle) Button."},
    {11005, L"Enabled to switch desktops by pressing both Left & Right Mouse Buttons."},
    {11006, L"Enabled to switch desktops by pressing Global Hotkey."},
    {11007, L"Global Hotkey to switch desktops."},
    {11010, L"Enabled to run automatically when Windows starts."},
    {11011, L"Enabled to show Veilpane icon in system tray."},
    {11012, L"Enabled to show settings dialog box by pressing Global Hotkey."},
    {11013, L"Global Hotkey to show settings dialog box."},
    {11014, L"Enabled to check for updates automatically and show available updates."},
    {11019, L"Enabled to password protect from switching back to original desktop."},
    {11020, L"Enter password for switching back to original desktop here."},
    {11021, L"Re-enter password for switching back to original desktop here."},
    {11022, L"Enabled to password protect from switching to virtual desktop."},
    {11023, L"Enter password for switching to virtual desktop here."},
    {11024, L"Re-enter password for switching to virtual desktop here."},
    {21007, L"Close monitor after switching to virtual desktop."},
    {21010, L"Mute after switching to virtual desktop."},
    {21012, L"Clear Internet Explorer browsing history  after switching to virtual desktop."},
    {21013, L"Clear Internet Explorer typed URL history  after switching to virtual desktop."},
    {21016, L"Disable task manager after switching to virtual desktop."},
    {21017, L"Clear recent documents list after switching to virtual desktop."},
    {21026, L"Enabled to hold the clipboard aside before switching to virtual desktop, and put it back after switching back."},
    {21019, L"Enabled to open the specified file after switching to virtual desktop."},
    {21022, L"Enabled to open the specified website page after switching to virtual desktop."},
    {21023, L"Enabled to close the windows containing specified title after switching to virtual desktop."},
    {21024, L"Enabled to terminate the specified processes after switching to virtual desktop."},
    {32787, L"Go to Veilpane services website."},
    {32792, L"Go to Veilpane help central."},
    {32788, L"Show previous setup tab window."},
    {32782, L"Apply all settings now."},
    {32789, L"Show next setup tab window."},
    {32790, L"Hide this setup window."},
    {32791, L"Quit Veilpane!"},
    {128, L"Veilpane"},
};

std::wstring LoadText(int id) {
    wchar_t buf[512];
    const int n = ::LoadStringW(::GetModuleHandleW(nullptr), static_cast<UINT>(id), buf, 512);
    return n > 0 ? std::wstring(buf, static_cast<size_t>(n)) : std::wstring();
}

TEST(StringTable, TooltipsOfPagesAndNavigationButtons) {
    for (const Tip& t : kTips) {
        SCOPED_TRACE(testing::Message() << "string " << t.id);
        EXPECT_EQ(LoadText(t.id), t.text);
    }
}

// A tooltip appears for every control that has an entry, so an entry too many is a visible fault:
// the browse edits, plain edits, headers, about-page controls, the pages themselves (tooltip of the
// page's own area) and the navigation command that has no button have none.
TEST(StringTable, NoTipWhereNoneBelongs) {
    const int none[] = {21018, 21020, 21021, 21025, 11002, 11003, 11008, 11009, 11017, 11018,
                        31010, 31011, 31012, 31014, 31029, 31030, IDD_ABOUT, IDD_ADVANCED_SETTINGS,
                        IDD_BASIC_SETTINGS, 32784};
    for (int id : none) {
        SCOPED_TRACE(testing::Message() << "string " << id);
        EXPECT_EQ(LoadText(id), L"");
    }
}

// Every check box of the two settings pages explains itself: each one in the templates has an entry.
TEST(StringTable, EveryCheckBoxOfTheSettingsPagesHasATip) {
    for (int page : {IDD_BASIC_SETTINGS, IDD_ADVANCED_SETTINGS}) {
        DialogRecord rec;
        ASSERT_TRUE(LoadDialogRecord(page, rec));
        int boxes = 0;
        for (const ItemRecord& item : rec.items) {
            if (!SameClass(item.cls, L"Button") || (item.style & BS_TYPEMASK) != BS_AUTOCHECKBOX) continue;
            ++boxes;
            EXPECT_FALSE(LoadText(static_cast<int>(item.id)).empty()) << "check box " << item.id;
        }
        EXPECT_GT(boxes, 0);
    }
}

}  // namespace

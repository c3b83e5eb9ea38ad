#include "PagesTestSupport.h"

#include "framework/Text.h"
#include "ids_artwork.h"
#include "support/TestSupport.h"
#include "ui/Drawing.h"

namespace pages_test {

void ShowSettings(ISettingsPageView& page, SettingsPage which, const PageValues& values) {
    for (const SettingDescription& d : settings_table::All()) {
        if (d.page == which) page.Show(d, values);
    }
}

PageValues ReadSettings(const ISettingsPageView& page, SettingsPage which) {
    PageValues values;
    for (const SettingDescription& d : settings_table::All()) {
        if (d.page == which) page.Read(d, values);
    }
    return values;
}

std::vector<std::wstring> ShownNames(const ISettingsPageView& page) {
    return ReadSettings(page, SettingsPage::Advanced).shown.terminateProcesses.names;
}

void ShowProcessList(ISettingsPageView& page, std::vector<std::wstring> names) {
    PageValues values;
    values.shown.terminateProcesses = ProcessList{1, std::move(names)};
    ShowSettings(page, SettingsPage::Advanced, values);
}

CFrameStandIn::CFrameStandIn() {
    ui_test::InitCommonControlsOnce();
    m_background.Reset(LoadPngBitmap(IDB_FRAME_BACKGROUND));
    m_host.SetImage(m_background.Get());
    // The page area of the settings window at the usual dialog base units: 472 wide, and the
    // window's 352 less the tab bar and the 52-pixel navigation panel.
    m_host.Create(RGB(255, 255, 255), RECT{40, 40, 40 + 472, 40 + 270});
}

void CFrameStandIn::PlacePage(HWND page) const {
    RECT client{};
    ::GetClientRect(m_host, &client);
    ::SetWindowPos(page, nullptr, 0, 0, client.right, client.bottom, SWP_NOACTIVATE | SWP_NOZORDER);
    ::ShowWindow(page, SW_SHOW);
    ::RedrawWindow(m_host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[1024];
    const int n = ::GetWindowTextW(hwnd, text, 1024);
    return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring DlgItemText(HWND dialog, int id) { return WindowText(::GetDlgItem(dialog, id)); }

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void TypeChars(HWND control, const std::wstring& text) {
    for (wchar_t c : text) ::SendMessageW(control, WM_CHAR, c, 1);
}

namespace {
struct FindCaption {
    const wchar_t* caption;
    HWND found;
};
BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM lp) {
    auto* find = reinterpret_cast<FindCaption*>(lp);
    if (WindowText(hwnd) == find->caption && ::IsWindowVisible(hwnd)) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
BOOL CALLBACK CloseDialog(HWND hwnd, LPARAM) {
    wchar_t cls[16];
    ::GetClassNameW(hwnd, cls, 16);
    if (::lstrcmpW(cls, L"#32770") == 0) ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
}  // namespace

HWND FindThreadWindow(const wchar_t* caption) {
    FindCaption find{caption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::vector<std::wstring> StaticTexts(HWND window) {
    std::vector<std::wstring> texts;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16];
        ::GetClassNameW(child, cls, 16);
        if (::lstrcmpiW(cls, L"Static") == 0) texts.push_back(WindowText(child));
    }
    return texts;
}

// ---- modal driver ----------------------------------------------------------------------------------

namespace {
ModalDriver* g_driver = nullptr;  // one at a time, on the test thread
}

ModalDriver::ModalDriver(std::vector<Step> steps, DWORD deadlineMs)
    : m_steps(std::move(steps)), m_start(::GetTickCount()), m_deadline(deadlineMs) {
    g_driver = this;
    m_timer = ::SetTimer(nullptr, 0, 50, OnTimer);
}

ModalDriver::~ModalDriver() {
    if (m_timer) ::KillTimer(nullptr, m_timer);
    g_driver = nullptr;
}

void CALLBACK ModalDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept {
    if (g_driver) g_driver->Tick();
}

void ModalDriver::Tick() {
    if (m_busy) return;  // a step that pumps messages must not run the next one inside itself
    m_busy = true;
    if (!Done() && ::GetTickCount() - m_start > m_deadline) {
        m_timedOut = true;
        m_next = m_steps.size();
        ::EnumThreadWindows(::GetCurrentThreadId(), CloseDialog, 0);
    }
    if (!Done() && m_steps[m_next]()) ++m_next;
    if (Done() && m_timer) {
        ::KillTimer(nullptr, m_timer);
        m_timer = 0;
    }
    m_busy = false;
}

// ---- screenshots -----------------------------------------------------------------------------------

namespace {

// A top-down 32-bit DIB section of the given size, selected into a memory DC while it lives.
struct Capture {
    vp::MemoryDcHandle dc{::CreateCompatibleDC(nullptr)};
    vp::BitmapHandle bitmap;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    int width, height;
    Capture(int w, int h) : width(w), height(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        bitmap.Reset(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (bitmap) old = ::SelectObject(dc.Get(), bitmap.Get());
    }
    ~Capture() {
        if (old) ::SelectObject(dc.Get(), old);
    }
    ui_test::Pixels Take() const {
        ui_test::Pixels pixels;
        if (!bits) return pixels;
        ::GdiFlush();
        pixels.width = width;
        pixels.height = height;
        const DWORD* src = static_cast<const DWORD*>(bits);
        pixels.bgra.assign(src, src + static_cast<size_t>(width) * height);
        return pixels;
    }
};

}  // namespace

ui_test::Pixels ReadScreenRect(const RECT& rc) {
    Capture capture(rc.right - rc.left, rc.bottom - rc.top);
    if (capture.bits) {
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(capture.dc.Get(), 0, 0, capture.width, capture.height, screen, rc.left, rc.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    }
    return capture.Take();
}

std::wstring SaveScreenshot(const ui_test::Pixels& pixels, const wchar_t* name) {
    const std::wstring dir = testing_support::ExeDir() + L"\\screenshots";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"\\" + name;
    return ui_test::SavePng(pixels, path) ? path : std::wstring();
}

}  // namespace pages_test

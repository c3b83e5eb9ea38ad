#include "ui/pages/PageRules.h"

#include <shlwapi.h>

#include <cwchar>
#include <iterator>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "ui/Drawing.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"

namespace page_rules {

void ProcessListText(const std::vector<std::wstring>& names, wchar_t (&text)[kProcessTextUnits]) noexcept {
    text[0] = L'\0';
    size_t length = 0;
    for (const std::wstring& name : names) {
        if (length + name.size() + 1 >= kProcessTextUnits) break;
        ::wmemcpy(text + length, name.c_str(), name.size());
        length += name.size();
        text[length++] = L';';
        text[length] = L'\0';
    }
}

bool IsExecutablePath(const wchar_t* path) noexcept {
    if (!path) return false;
    const wchar_t* extension = ::PathFindExtensionW(path);
    for (const wchar_t* refused : {L".exe", L".cmd", L".bat", L".com"}) {
        if (_wcsicmp(extension, refused) == 0) return true;
    }
    return false;
}

std::vector<PickerEntry> PickerRows(const std::vector<std::wstring>& running, const std::vector<std::wstring>& chosen) {
    std::vector<PickerEntry> rows;
    for (const std::wstring& name : running) {
        bool seen = false;
        for (const PickerEntry& row : rows) seen = seen || _wcsicmp(row.name.c_str(), name.c_str()) == 0;
        if (!seen) rows.push_back(PickerEntry{name, false});
    }
    for (const std::wstring& wanted : chosen) {
        for (PickerEntry& row : rows) {
            if (_wcsicmp(row.name.c_str(), wanted.c_str()) == 0) row.checked = true;
        }
    }
    return rows;
}

std::vector<std::wstring> CheckedNames(const std::vector<PickerEntry>& rows) {
    std::vector<std::wstring> names;
    for (const PickerEntry& row : rows) {
        if (row.checked) names.push_back(row.name);
    }
    return names;
}

int CheckBoxTextWidth(HWND checkBox, HFONT font) noexcept {
    wchar_t text[128];
    const int length = ::GetWindowTextW(checkBox, text, static_cast<int>(std::size(text)));
    HDC dc = ::GetDC(checkBox);
    if (!dc) return 0;
    SIZE extent{};
    {
        vp::SelectGuard select(dc, font);
        // Measured as the button draws it: "&&" shows one ampersand.
        RECT rc{0, 0, 0, 0};
        ::DrawTextW(dc, text, length, &rc, DT_CALCRECT | DT_SINGLELINE);
        extent.cx = rc.right - rc.left;
    }
    ::ReleaseDC(checkBox, dc);
    // The box, the gap the button leaves after it, and a pixel of slack on each side of the text.
    const UINT dpi = vp::WindowDpi(checkBox);
    return extent.cx + vp::SystemMetricForDpi(SM_CXMENUCHECK, dpi) + vp::ScaleForDpi(6, dpi);
}

namespace {

RECT ChildRect(HWND page, HWND child) noexcept {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The left edge of the nearest control that starts right of x on the rows rc covers.
LONG RoomEnd(HWND page, HWND self, const RECT& rc) noexcept {
    RECT client{};
    ::GetClientRect(page, &client);
    LONG end = client.right;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child == self) continue;
        const RECT other = ChildRect(page, child);
        const bool sameRow = other.top < rc.bottom && other.bottom > rc.top;
        if (sameRow && other.left >= rc.right - 1 && other.left < end) end = other.left;
    }
    return end;
}

}  // namespace

void WidenCheckBoxesToFit(HWND page, const int* ids, size_t count) noexcept {
    constexpr LONG kGap = 2;
    for (size_t i = 0; i < count; ++i) {
        HWND box = ::GetDlgItem(page, ids[i]);
        if (!box) continue;
        const RECT rc = ChildRect(page, box);
        const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0));
        const LONG needed = CheckBoxTextWidth(box, font);
        if (needed <= rc.right - rc.left) continue;
        const LONG room = RoomEnd(page, box, rc) - kGap - rc.left;
        const LONG width = needed < room ? needed : room;
        if (width <= rc.right - rc.left) continue;
        ::SetWindowPos(box, nullptr, 0, 0, width, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace page_rules

// ---- glue shared by the pages ---------------------------------------------------------------------

namespace page_rules {

HFONT MakeGrownFont(HWND page) noexcept {
    LOGFONTW lf{};
    const auto current = reinterpret_cast<HFONT>(::SendMessageW(page, WM_GETFONT, 0, 0));
    if (!current || !::GetObjectW(current, sizeof(lf), &lf)) return nullptr;
    lf.lfHeight = GrowFontHeight(lf.lfHeight, vp::ScaleForWindow(page, 2));
    return ::CreateFontIndirectW(&lf);
}

void SetUpHeader(HWND page, CThemedImageCtrl& image, int imageId, UINT png, CThemedLabelCtrl& label,
                 int labelId) noexcept {
    image.SubclassWindow(::GetDlgItem(page, imageId));
    image.SetImage(png);
    image.SizeToImage();
    label.SubclassWindow(::GetDlgItem(page, labelId));
    label.SetLabelColor(&Palette::heading);
    label.SetTextFormat(kHeaderFormat);
    // Screen readers name the header's mark by its header.
    wchar_t text[128] = L"";
    ::GetWindowTextW(label, text, static_cast<int>(std::size(text)));
    image.SetAccessibleName(text);
}

}  // namespace page_rules

#include "ui/pages/PageRules.h"

#include <shlwapi.h>

#include <cwchar>
#include <iterator>

#include "framework/Dpi.h"
#include "framework/Handles.h"

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

}  // namespace page_rules

#include "ui/pages/SettingControls.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "ui/Look.h"
#include "ui/controls/HotkeyEditCtrl.h"
#include "ui/controls/PasswordEditCtrl.h"
#include "ui/controls/ThemedCheckboxCtrl.h"
#include "ui/controls/ThemedImageCtrl.h"
#include "ui/controls/ThemedLabelCtrl.h"
#include "ui/pages/PageRules.h"

namespace setting_controls {

struct CSettingControls::HeadingControls {
    CThemedImageCtrl image;
    CThemedLabelCtrl label;
};

namespace {

// The grid at 96 DPI: the page's margins, the gap between columns, lines and sections, where a
// heading's text starts, and the least a box that takes text may be.
constexpr int kMargin = 18, kTop = 4, kColumnGap = 12, kLineGap = 2, kSectionGap = 6, kHeadingIndent = 44;
constexpr int kTextBoxWidth = 120, kPasswordBoxWidth = 60;
constexpr UINT kHeadingFormat = DT_NOPREFIX | DT_SINGLELINE | DT_WORDBREAK | DT_BOTTOM;

int ControlCount(const SettingDescription& d) noexcept {
    return d.kind == SettingKind::Flag ? 1 : d.kind == SettingKind::Password ? 3 : 2;
}

BOOL Checked(HWND page, int id) noexcept { return ::IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; }

// The check box and the controls it enables.
void ShowGroup(HWND page, const SettingDescription& d, BOOL on) noexcept {
    ::CheckDlgButton(page, d.controls[0], on ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 1; i < ControlCount(d); ++i) ::EnableWindow(::GetDlgItem(page, d.controls[i]), on ? TRUE : FALSE);
}

template <size_t N>
void ReadText(HWND page, int id, wchar_t (&text)[N], int units) noexcept {
    static_assert(N >= 15);
    ::GetDlgItemTextW(page, id, text, units < static_cast<int>(N) ? units : static_cast<int>(N));
}

HWND MakeControl(HWND page, const wchar_t* cls, const wchar_t* text, DWORD style, int id) noexcept {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 0, 0, page,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), vp::ModuleInstance(), nullptr);
}

template <class Control>
void TakeOver(std::vector<std::unique_ptr<vp::CWindowImplBase>>& owned, HWND window) {
    auto control = std::make_unique<Control>();
    if (control->SubclassWindow(window)) owned.push_back(std::move(control));
}

int TextHeight(HWND control) noexcept {
    vp::WindowDc dc(control);
    if (!dc) return 0;
    vp::SelectGuard select(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.Get(), &metrics);
    return metrics.tmHeight;
}

void Place(HWND window, int x, int y, int width, int height) noexcept {
    ::SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CSettingControls::CSettingControls() = default;
CSettingControls::~CSettingControls() {
    if (m_tips && ::IsWindow(m_tips)) ::DestroyWindow(m_tips);
}

void CSettingControls::Create(HWND page, SettingsPage which, std::span<const Heading> headings) {
    for (const SettingDescription& d : settings_table::All()) {
        if (d.page == which) m_rows.push_back(&d);
    }
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const SettingDescription* a, const SettingDescription* b) {
        const SettingPlace &p = a->place, &q = b->place;
        return std::tie(p.section, p.line, p.column) < std::tie(q.section, q.line, q.column);
    });
    for (const Heading& h : headings) {
        auto heading = std::make_unique<HeadingControls>();
        if (h.imageId != 0) {
            heading->image.SubclassWindow(::GetDlgItem(page, h.imageId));
            heading->image.SetImage(h.png);
            heading->image.SizeToImage();
            heading->label.SubclassWindow(::GetDlgItem(page, h.labelId));
            heading->label.SetLabelColor(&Palette::heading);
            heading->label.SetTextFormat(kHeadingFormat);
            // Screen readers name the heading's mark by its heading.
            wchar_t text[128] = L"";
            ::GetWindowTextW(heading->label, text, 128);
            heading->image.SetAccessibleName(text);
        }
        m_headings.push_back(std::move(heading));
    }

    HWND tips = m_tips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr,
                                  vp::ModuleInstance(), nullptr);
    for (const SettingDescription* d : m_rows) {
        TakeOver<CThemedCheckboxCtrl>(m_controls, MakeControl(page, L"BUTTON", d->boxText, BS_AUTOCHECKBOX, d->controls[0]));
        const DWORD editStyle = WS_BORDER | ES_AUTOHSCROLL | (d->kind == SettingKind::Password ? ES_PASSWORD : 0);
        for (int i = 1; i < ControlCount(*d); ++i) {
            HWND edit = MakeControl(page, L"EDIT", L"", editStyle, d->controls[i]);
            if (d->kind == SettingKind::Hotkey) TakeOver<CHotkeyEditCtrl>(m_controls, edit);
            if (d->kind == SettingKind::Password) TakeOver<CPasswordEditCtrl>(m_controls, edit);
        }
        for (int i = 0; i < ControlCount(*d) && tips; ++i) {
            if (!d->tips[i]) continue;
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = page;
            tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(page, d->controls[i]));
            tool.lpszText = const_cast<wchar_t*>(d->tips[i]);  // the table's, for the life of the program
            ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    if (tips) ::SendMessageW(tips, TTM_ACTIVATE, TRUE, 0);
}

void CSettingControls::Arrange(HWND page) const {
    const auto font = reinterpret_cast<WPARAM>(CLook::OfThisThread().HeadingFont());
    for (const auto& heading : m_headings) {
        if (heading->label.IsWindow()) heading->label.SendMessage(WM_SETFONT, font, 0);
    }
    for (const SettingDescription* d : m_rows) {
        if (d->kind == SettingKind::Hotkey) ::SendDlgItemMessageW(page, d->controls[1], WM_SETFONT, font, 0);
    }
    const SIZE need = Layout(page);
    RECT client{};
    ::GetClientRect(page, &client);
    if (need.cx > client.right || need.cy > client.bottom) {
        ::SetWindowPos(page, nullptr, 0, 0, std::max(need.cx, client.right), std::max(need.cy, client.bottom),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

SIZE CSettingControls::Layout(HWND page) const {
    const UINT dpi = vp::WindowDpi(page);
    const auto px = [dpi](int v) { return vp::ScaleForDpi(v, dpi); };
    // Each line: how many columns it has, what its widest cell needs and how high it is.
    struct Line {
        int columns = 0;
        int cell = 0;
        int height = 0;
    };
    std::map<std::pair<int, int>, Line> lines;
    for (const SettingDescription* d : m_rows) {
        Line& line = lines[{d->place.section, d->place.line}];
        HWND box = ::GetDlgItem(page, d->controls[0]);
        const auto boxFont = reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0));
        line.columns = std::max(line.columns, d->place.column + (ControlCount(*d) > 1 ? 2 : 1));
        line.cell = std::max(line.cell, page_rules::CheckBoxTextWidth(box, boxFont));
        line.height = std::max(line.height, TextHeight(box) + px(6));
        if (ControlCount(*d) == 1) continue;
        const int boxes = d->kind == SettingKind::Password ? 2 * px(kPasswordBoxWidth) + px(kColumnGap) : px(kTextBoxWidth);
        line.cell = std::max(line.cell, boxes);
        line.height = std::max(line.height, TextHeight(::GetDlgItem(page, d->controls[1])) + px(8));
    }

    RECT client{};
    ::GetClientRect(page, &client);
    SIZE need{0, 0};
    int y = px(kTop);
    for (size_t s = 0; s < m_headings.size(); ++s) {
        if (s > 0) y += px(kSectionGap);
        const HeadingControls& heading = *m_headings[s];
        if (heading.image.IsWindow()) {
            RECT image{};
            heading.image.GetWindowRect(&image);
            const int textHeight = TextHeight(heading.label) + px(2);
            const int height = std::max<int>(image.bottom - image.top, textHeight);
            const int labelLeft = px(kMargin) + px(kHeadingIndent);
            ::SetWindowPos(heading.image, nullptr, px(kMargin) - px(2), y + (height - (image.bottom - image.top)) / 2, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            Place(heading.label, labelLeft, y + (height - textHeight) / 2, client.right - labelLeft - px(kMargin), textHeight);
            y += height + px(kLineGap);
        }
        for (const auto& [key, line] : lines) {
            if (key.first != static_cast<int>(s)) continue;
            need.cx = std::max<LONG>(need.cx, 2 * px(kMargin) + line.columns * line.cell + (line.columns - 1) * px(kColumnGap));
            const int cell = (client.right - 2 * px(kMargin) - (line.columns - 1) * px(kColumnGap)) / line.columns;
            const auto left = [&](int column) { return px(kMargin) + column * (cell + px(kColumnGap)); };
            for (const SettingDescription* d : m_rows) {
                if (d->place.section != key.first || d->place.line != key.second) continue;
                Place(::GetDlgItem(page, d->controls[0]), left(d->place.column), y, cell, line.height);
                if (d->kind == SettingKind::Password) {
                    const int half = (cell - px(kColumnGap)) / 2;
                    Place(::GetDlgItem(page, d->controls[1]), left(d->place.column + 1), y, half, line.height);
                    Place(::GetDlgItem(page, d->controls[2]), left(d->place.column + 1) + cell - half, y, half, line.height);
                } else if (ControlCount(*d) == 2) {
                    Place(::GetDlgItem(page, d->controls[1]), left(d->place.column + 1), y, cell, line.height);
                }
            }
            y += line.height + px(kLineGap);
        }
    }
    need.cy = y + px(kTop);
    return need;
}

bool FollowCheckBox(HWND page, SettingsPage which, WPARAM commandWp) noexcept {
    if (HIWORD(commandWp) != BN_CLICKED) return false;
    for (const SettingDescription& d : settings_table::All()) {
        if (d.page != which || d.controls[0] != LOWORD(commandWp) || d.kind == SettingKind::Flag) continue;
        ShowGroup(page, d, Checked(page, d.controls[0]));
        return true;
    }
    return false;
}

void Show(HWND page, const SettingDescription& d, const PageValues& values) noexcept {
    const CSettingsData& v = values.shown;
    switch (d.kind) {
    case SettingKind::Flag: ::CheckDlgButton(page, d.controls[0], v.*d.flag ? BST_CHECKED : BST_UNCHECKED); return;
    case SettingKind::Hotkey: {
        const HotkeySetting& h = v.*d.hotkey;
        ShowGroup(page, d, h.bEnabled);
        // A stored key is a finished combination, even one whose key has no name to show.
        if (CHotkeyEditCtrl* box = CHotkeyEditCtrl::From(::GetDlgItem(page, d.controls[1]))) {
            box->SetHotkey(h.nKey != 0, h.nKey, h.bCtrl, h.bShift, h.bAlt);
        }
        return;
    }
    case SettingKind::Text:
        ShowGroup(page, d, (v.*d.text).on);
        ::SetDlgItemTextW(page, d.controls[1], (v.*d.text).text);
        return;
    case SettingKind::Password:
        ShowGroup(page, d, (v.*d.password).on);
        ::SetDlgItemTextW(page, d.controls[1], (v.*d.password).text);
        ::SetDlgItemTextW(page, d.controls[2], values.*d.confirm);
        return;
    case SettingKind::List: ShowGroup(page, d, (v.*d.list).on); return;
    }
}

void Read(HWND page, const SettingDescription& d, PageValues& values) noexcept {
    CSettingsData& v = values.shown;
    switch (d.kind) {
    case SettingKind::Flag: v.*d.flag = Checked(page, d.controls[0]); return;
    case SettingKind::Hotkey: {
        HotkeySetting hotkey;
        hotkey.bEnabled = Checked(page, d.controls[0]);
        const CHotkeyEditCtrl* box = CHotkeyEditCtrl::From(::GetDlgItem(page, d.controls[1]));
        const CHotkeyEditCtrl::Combination held = box ? box->GetHotkey() : CHotkeyEditCtrl::Combination{};
        if (held.complete == 1) {
            hotkey.nKey = held.key;
            hotkey.bCtrl = held.ctrl;
            hotkey.bShift = held.shift;
            hotkey.bAlt = held.alt;
        }
        v.*d.hotkey = hotkey;
        return;
    }
    case SettingKind::Text:
        (v.*d.text).on = Checked(page, d.controls[0]);
        ReadText(page, d.controls[1], (v.*d.text).text, 260);
        return;
    case SettingKind::Password:
        (v.*d.password).on = Checked(page, d.controls[0]);
        ReadText(page, d.controls[1], (v.*d.password).text, 15);
        ReadText(page, d.controls[2], values.*d.confirm, 15);
        return;
    case SettingKind::List: (v.*d.list).on = Checked(page, d.controls[0]); return;
    }
}

}  // namespace setting_controls

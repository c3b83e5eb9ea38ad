#pragma once
// The controls of the settings a page shows, made from the settings table: for each setting a check
// box, and beside it the edit, hotkey box or list it enables, or a password's two edits; each with
// the tip of its row. They stand in a grid with the page's section headings: a setting's row says in
// which section, line and column; a line has as many equal columns as its settings use, and the grid
// grows with the texts, the fonts of the look and the display scale.
#include <windows.h>

#include <memory>
#include <span>
#include <vector>

#include "framework/Window.h"
#include "settings/SettingsTable.h"
#include "ui/ThemedDialog.h"

namespace setting_controls {

// The heading of a page's section, from the page's template: its mark with the artwork, its text. A
// section without a heading has ids 0.
struct Heading {
    int imageId;
    int labelId;
    UINT png;
};

class CSettingControls {
public:
    CSettingControls();
    ~CSettingControls();

    // Makes the controls of the page's settings, in the order of their places (which is the order of
    // the keyboard too), and takes over the headings of the page's sections.
    void Create(HWND page, SettingsPage which, std::span<const Heading> headings);
    // Once the page has its font: the headings and hotkey boxes take the look's heading font, and the
    // grid is laid out; a page smaller than its grid grows to it.
    void Arrange(HWND page) const;
    // Places the headings and controls at the page's width; returns the size the grid needs.
    SIZE Layout(HWND page) const;

private:
    struct HeadingControls;

    std::vector<std::unique_ptr<vp::CWindowImplBase>> m_controls;
    std::vector<std::unique_ptr<HeadingControls>> m_headings;
    std::vector<const SettingDescription*> m_rows;  // the page's, in the order of their places
    HWND m_tips = nullptr;  // the tooltip of the controls, owned by the page's top-level window
};

// BN_CLICKED from a setting's check box of this page: the controls beside it are enabled exactly
// when it is checked; what they hold stays. Returns whether the command was one of them.
bool FollowCheckBox(HWND page, SettingsPage which, WPARAM commandWp) noexcept;

void Show(HWND page, const SettingDescription& d, const PageValues& values) noexcept;
// Texts are read with 260 units, passwords with 15 (at most 14 characters, as the prompt reads them).
void Read(HWND page, const SettingDescription& d, PageValues& values) noexcept;

}  // namespace setting_controls

// A settings page: the controls of its settings made from the table and laid out with its template's
// headings; a view for the settings owner. T names its template (IDD), its page (kPage) and its
// headings (kHeadings), and adds its own part in OnControlsMade and ProcessOwnMessage.
template <class T>
class CSettingsPageImpl : public CThemedDialogImpl<T>, public ISettingsPageView {
public:
    ~CSettingsPageImpl() override {
        // The window goes first, while the controls it uses still exist.
        if (this->IsWindow()) this->DestroyWindow();
    }

    void Show(const SettingDescription& setting, const PageValues& values) override {
        setting_controls::Show(this->m_hWnd, setting, values);
    }
    void Read(const SettingDescription& setting, PageValues& values) const override {
        setting_controls::Read(this->m_hWnd, setting, values);
    }

    BOOL OnInitDialog(HWND hwnd) {
        m_settings.Create(hwnd, T::kPage, T::kHeadings);
        static_cast<T*>(this)->OnControlsMade();
        this->SetUpTheme(hwnd);
        m_settings.Arrange(hwnd);
        return TRUE;
    }
    bool ProcessPageMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        switch (msg) {
        case WM_DPICHANGED_AFTERPARENT:
            m_settings.Arrange(hwnd);
            return true;
        case WM_SIZE:
            m_settings.Layout(hwnd);
            return false;
        case WM_COMMAND:
            if (!setting_controls::FollowCheckBox(hwnd, T::kPage, wp)) break;
            result = 0;
            return true;
        }
        return static_cast<T*>(this)->ProcessOwnMessage(hwnd, msg, wp, lp, result);
    }

protected:
    void OnControlsMade() noexcept {}
    bool ProcessOwnMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    setting_controls::CSettingControls m_settings;
};

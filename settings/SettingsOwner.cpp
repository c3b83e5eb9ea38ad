// The settings owner: the passes over the registry, the effects outside the record, and the pages.
#include "settings/SettingsOwner.h"

#include <memory>

#include "framework/Product.h"
#include "framework/Text.h"
#include "settings/ProgramKeys.h"

namespace table = settings_table;

namespace {

size_t PageIndex(SettingsPage page) noexcept { return page == SettingsPage::Basic ? 0 : 1; }

}  // namespace

// ---- passes ----------------------------------------------------------------------------------------

void CSettingsOwner::LoadSettings(const PasswordSetting* restoreInstead) {
    m_settingsStore.SetPath(g_ProgramKeys.settings);
    for (const SettingDescription& d : table::All()) {
        table::Load(d, m_settingsStore, m_settings);
        table::Normalise(d, m_settings);
    }
    if (restoreInstead) m_settings.restorePassword = *restoreInstead;
    ComputeExecutablePath();
    for (const SettingDescription& d : table::All()) TakeEffect(d);
    Publish();
}

ApplyResult CSettingsOwner::OnApply(const PageValues* basic, const PageValues* advanced) {
    ApplyResult result = ApplyResult::Applied;
    bool changed = false;
    for (const SettingDescription& d : table::All()) {
        const PageValues* page = d.page == SettingsPage::Basic ? basic : advanced;
        if (!page) continue;

        // Without the tray icon the settings hotkey is the only way back to this window.
        const HotkeySetting& hotkey = page->shown.settingsHotkey;
        if (d.hotkey == &CSettingsData::settingsHotkey && !m_settings.trayIcon && !(hotkey.bEnabled && hotkey.nKey != 0)) {
            m_effects.ShowSettingHint(settings_text::kTrayAndHotkeyOff);
            const SettingDescription& tray = table::Of(&CSettingsData::trayIcon);
            m_settings.trayIcon = 1;
            TakeEffect(tray);
            ShowOnPage(tray);
            table::Store(tray, m_settingsStore, m_settings);
            result = ApplyResult::TrayAndHotkeyOff;
            break;
        }
        // A password's two boxes must match exactly: boxes that differ only in letter case are a
        // typing slip (Caps Lock), not a confirmation.
        if (d.kind == SettingKind::Password && (page->shown.*d.password).on &&
            ::wcscmp((page->shown.*d.password).text, page->*d.confirm) != 0) {
            const bool isSwitch = d.password == &CSettingsData::switchPassword;
            m_effects.ShowSettingHint(isSwitch ? settings_text::kSwitchPwdMismatch : settings_text::kRestorePwdMismatch);
            result = isSwitch ? ApplyResult::SwitchPasswordMismatch : ApplyResult::RestorePasswordMismatch;
            break;
        }

        if (!table::Changed(d, m_settings, *page)) continue;
        if (d.kind == SettingKind::Password && (m_settings.*d.password).text[0] != L'\0' &&
            !m_effects.AllowPasswordChange(d.password == &CSettingsData::restorePassword)) {
            ShowOnPage(d);
            continue;
        }
        table::Take(d, *page, m_settings);
        TakeEffect(d);
        ShowOnPage(d);
        table::Store(d, m_settingsStore, m_settings);
        changed = true;
    }
    if (changed) Publish();
    return result;
}

ApplyResult CSettingsOwner::ApplyPages() {
    PageValues shown[2];
    for (const SettingDescription& d : table::All()) {
        if (ISettingsPageView* view = m_pages[PageIndex(d.page)]) view->Read(d, shown[PageIndex(d.page)]);
    }
    return OnApply(m_pages[0] ? &shown[0] : nullptr, m_pages[1] ? &shown[1] : nullptr);
}

void CSettingsOwner::SaveSettings() {
    for (const SettingDescription& d : table::All()) table::Store(d, m_settingsStore, m_settings);
    TakeEffect(table::Of(&CSettingsData::autoStartup));
}

void CSettingsOwner::SaveSettingsAndClose() {
    SaveSettings();
    m_effects.CloseSettingsWindow();
}

// ---- effects ---------------------------------------------------------------------------------------

void CSettingsOwner::TakeEffect(const SettingDescription& d) {
    if (d.flag == &CSettingsData::autoStartup) {
        m_effects.SetRunValue(m_settings.autoStartup ? m_szExePath : nullptr);
    } else if (d.flag == &CSettingsData::trayIcon) {
        if (m_settings.trayIcon && !m_bTrayIconShown) m_effects.AddSettingsTrayIcon();
        if (!m_settings.trayIcon && m_bTrayIconShown) m_effects.RemoveSettingsTrayIcon();
        m_bTrayIconShown = m_settings.trayIcon;  // even when the shell refused it: it is removed as usual at the end
    } else if (d.hotkey == &CSettingsData::settingsHotkey) {
        UnregisterSettingsHotkey();
        const HotkeySetting& hk = m_settings.settingsHotkey;
        if (hk.bEnabled) {
            // Another program may hold the combination: that is not reported, and the hotkey still
            // counts as registered so that it is released as usual.
            m_effects.RegisterSettingsHotkey((hk.bShift ? MOD_SHIFT : 0) | (hk.bCtrl ? MOD_CONTROL : 0) |
                                                 (hk.bAlt ? MOD_ALT : 0), hk.nKey);
            m_bHotkeyRegistered = 1;
        }
    }
}

void CSettingsOwner::Publish() const {
    auto snapshot = std::make_shared<CSettingsData>(m_settings);
    table::EmptyTextsThatAreOff(*snapshot);
    m_effects.PublishSettings(std::move(snapshot));
}

void CSettingsOwner::UnregisterSettingsHotkey() noexcept {
    if (m_bHotkeyRegistered) m_effects.UnregisterSettingsHotkey();
    m_bHotkeyRegistered = 0;
}

void CSettingsOwner::Release() {
    if (m_bTrayIconShown) m_effects.RemoveSettingsTrayIcon();
    m_bTrayIconShown = 0;
    UnregisterSettingsHotkey();
    m_pages[0] = m_pages[1] = nullptr;
}

// ---- pages -----------------------------------------------------------------------------------------

void CSettingsOwner::ShowOnPage(const SettingDescription& d) const {
    if (ISettingsPageView* view = m_pages[PageIndex(d.page)]) view->Show(d, table::Shown(m_settings));
}

void CSettingsOwner::ShowPage(SettingsPage page, ISettingsPageView& view) const {
    const PageValues shown = table::Shown(m_settings);
    for (const SettingDescription& d : table::All()) {
        if (d.page == page) view.Show(d, shown);
    }
}

void CSettingsOwner::AttachPage(SettingsPage page, ISettingsPageView* view) {
    m_pages[PageIndex(page)] = view;
    if (view) ShowPage(page, *view);
}

void CSettingsOwner::ComputeExecutablePath() noexcept {
    const DWORD n = ::GetModuleFileNameW(nullptr, m_szExePath, 260);
    if (n > 0 && n < 260) return;
    // No path, or one cut at the buffer's end (which would name another file): fall back to the
    // program's name in the current directory.
    m_szExePath[0] = L'\0';
    wchar_t dir[260];
    const DWORD d = ::GetCurrentDirectoryW(260, dir);
    if (d == 0 || d >= 260 || !vp::FormatText(m_szExePath, L"%ls\\%ls.exe", dir, product::kName)) m_szExePath[0] = L'\0';
}

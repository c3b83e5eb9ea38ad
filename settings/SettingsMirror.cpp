#include "settings/SettingsMirror.h"

#include "framework/Text.h"

CSettingsMirror g_SettingsMirror;

MirrorSnapshot CSettingsMirror::Snapshot() const {
    vp::LockGuard lock(m_lock);
    return m_snapshot;
}

void CSettingsMirror::Clear() {
    vp::LockGuard lock(m_lock);
    m_snapshot = MirrorSnapshot{};
    m_processNames.clear();
    m_published = true;  // settings that are all off and empty, said on purpose
}

bool CSettingsMirror::IsPublished() const {
    vp::LockGuard lock(m_lock);
    return m_published;
}

std::vector<std::wstring> CSettingsMirror::CopyProcessNames() const {
    vp::LockGuard lock(m_lock);
    return m_processNames;
}

void CSettingsMirror::SetProcessNames(std::vector<std::wstring> names) {
    vp::LockGuard lock(m_lock);
    m_processNames = std::move(names);
}

void CSettingsMirror::CopySwitchPassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const {
    vp::LockGuard lock(m_lock);
    vp::CopyText(out, m_snapshot.szSwitchPassword);
}

void CSettingsMirror::CopyRestorePassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const {
    vp::LockGuard lock(m_lock);
    vp::CopyText(out, m_snapshot.szRestorePassword);
}

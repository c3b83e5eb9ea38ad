#include "settings/SettingsMirror.h"

CSettingsMirror g_SettingsMirror;

CSettingsMirror::CSettingsMirror() : m_snapshot(std::make_shared<const CSettingsData>()) {}

SettingsSnapshot CSettingsMirror::Snapshot() const {
    vp::LockGuard lock(m_lock);
    return m_snapshot;
}

void CSettingsMirror::Publish(SettingsSnapshot settings) {
    if (!settings) settings = std::make_shared<const CSettingsData>();
    vp::LockGuard lock(m_lock);
    m_snapshot.swap(settings);
    m_published = true;
}

void CSettingsMirror::Clear() { Publish(std::make_shared<const CSettingsData>()); }

bool CSettingsMirror::IsPublished() const {
    vp::LockGuard lock(m_lock);
    return m_published;
}

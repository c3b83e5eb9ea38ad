#pragma once
// The settings the worker threads act on: one immutable snapshot of the record, replaced as a whole
// when the ui thread publishes a new one. Readers take the snapshot and act on it; it stays valid
// for as long as they hold it.
#include <windows.h>

#include <memory>

#include "framework/Handles.h"
#include "settings/SettingsData.h"

// A published record: texts that are off are empty (settings/SettingsTable.h).
using SettingsSnapshot = std::shared_ptr<const CSettingsData>;

class CSettingsMirror {
public:
    CSettingsMirror();
    CSettingsMirror(const CSettingsMirror&) = delete;
    CSettingsMirror& operator=(const CSettingsMirror&) = delete;

    // The snapshot in force; never null (empty settings before the first publication).
    SettingsSnapshot Snapshot() const;
    void Publish(SettingsSnapshot settings);
    // A copy of the snapshot in force, changed by change(CSettingsData&), published.
    template <class Change>
    void Update(Change change) {
        auto next = std::make_shared<CSettingsData>(*Snapshot());
        change(*next);
        Publish(std::move(next));
    }
    // False until the settings were first put in (Publish, Update or Clear): before that the empty
    // snapshot says nothing of the passwords, so no switch may be made on it.
    bool IsPublished() const;
    // Back to empty settings.
    void Clear();

private:
    mutable vp::CriticalSection m_lock;
    SettingsSnapshot m_snapshot;
    bool m_published = false;
};

// The program's one mirror.
extern CSettingsMirror g_SettingsMirror;

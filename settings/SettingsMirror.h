#pragma once
// The run-time mirror of the settings that the worker threads act on: one snapshot under one lock.
// The ui thread changes it as settings take effect; readers copy the snapshot out and act on the copy.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/PasswordHash.h"

// The mirror's texts and flags as one value. The passwords are hash records
// (vp::VerifyPasswordRecord); empty when the direction is not guarded.
struct MirrorSnapshot {
    wchar_t szSwitchPassword[vp::kPasswordRecordUnits] = {};
    wchar_t szRestorePassword[vp::kPasswordRecordUnits] = {};
    BOOL bAutoUpdate = 0;
    BOOL bMute = 0;
    BOOL bMonitorOff = 0;
    BOOL bDisableTaskMgr = 0;
    BOOL bClearIEHistory = 0;
    BOOL bClearTypedUrls = 0;
    BOOL bClearRecentDocs = 0;
    wchar_t szOpenFile[261] = {};
    wchar_t szOpenWebsite[261] = {};
    wchar_t szCloseWindowTitle[261] = {};
    BOOL bTerminateProcesses = 0;
};

class CSettingsMirror {
public:
    CSettingsMirror() = default;
    CSettingsMirror(const CSettingsMirror&) = delete;
    CSettingsMirror& operator=(const CSettingsMirror&) = delete;

    MirrorSnapshot Snapshot() const;
    // Changes the snapshot in place under the lock: change(MirrorSnapshot&).
    template <class Change>
    void Update(Change change) {
        vp::LockGuard lock(m_lock);
        change(m_snapshot);
        m_published = true;
    }
    // False until the settings were first put in (Update or Clear): before that the empty snapshot
    // says nothing of the passwords, so no switch may be made on it.
    bool IsPublished() const;
    // Back to the initial, empty snapshot and process list.
    void Clear();

    // The process list is kept beside the snapshot, so a switch copies it only when it needs it.
    std::vector<std::wstring> CopyProcessNames() const;
    // Replaces the list as a whole; earlier copies stay valid.
    void SetProcessNames(std::vector<std::wstring> names);

    void CopySwitchPassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const;
    void CopyRestorePassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const;

private:
    mutable vp::CriticalSection m_lock;
    MirrorSnapshot m_snapshot;
    bool m_published = false;
    std::vector<std::wstring> m_processNames;
};

// The program's one mirror.
extern CSettingsMirror g_SettingsMirror;

#pragma once
// The program's one application module: its constants, the run-time mirror of the settings that the
// worker threads act on, and the thread ids through which the threads address each other.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/PasswordHash.h"
#include "version.h"

// The mirror's texts, flags and process list as one value, copied out under the mirror lock.
// The passwords are hash records (vp::VerifyPasswordRecord); empty when the direction is not guarded.
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

class CMyAppModule : public vp::CAppModule {
public:
    CMyAppModule();
    ~CMyAppModule() override;

    // ---- run-time mirror of the settings: written by the ui thread under m_csMirror -------------
    // The guarding passwords as hash records, never as typed; empty when off.
    wchar_t m_szSwitchPassword[vp::kPasswordRecordUnits] = {};
    wchar_t m_szRestorePassword[vp::kPasswordRecordUnits] = {};
    BOOL m_bAutoUpdate = 0;
    BOOL m_bMute = 0;
    BOOL m_bMonitorOff = 0;
    BOOL m_bDisableTaskMgr = 0;
    BOOL m_bClearIEHistory = 0;
    BOOL m_bClearTypedUrls = 0;
    BOOL m_bClearRecentDocs = 0;
    wchar_t m_szOpenFile[261] = {};
    wchar_t m_szOpenWebsite[261] = {};
    wchar_t m_szCloseWindowTitle[261] = {};
    BOOL m_bTerminateProcesses = 0;
    std::vector<std::wstring> m_vecProcessNames;

    // ---- thread ids: written by the main thread as each thread is created -----------------------
    DWORD m_dwUiThreadId = 0;
    DWORD m_dwHookThreadId = 0;
    DWORD m_dwPwd1ThreadId = 0;
    DWORD m_dwPwd2ThreadId = 0;
    DWORD m_dwCheckThreadId = 0;

    // ---- constants ------------------------------------------------------------------------------
    const wchar_t* m_pszDesktopName = L"vpdesk";
    const wchar_t* m_pszRegistryKey = L"Software\\MORVEX\\Veilpane";
    const wchar_t* m_pszRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const wchar_t* m_pszProductName = L"Veilpane";
    const wchar_t* m_pszVersion = VP_WIDEN(VP_VERSION_TEXT);
    int m_nBuild = VP_VERSION_BUILD;
    const wchar_t* m_pszExeName = L"Veilpane.exe";
    wchar_t m_szSystemRoot[50] = {};
    const char* m_pszUpdateHost;
    char m_szUpdatePath[264] = {};
    const wchar_t* m_pszHomePage;
    const wchar_t* m_pszProductsPage;
    const wchar_t* m_pszHelpFile = L"Veilpane.chm";

    // Guards the mirror's texts and the process list (and, for a consistent copy, its flags).
    mutable vp::CriticalSection m_csMirror;

    MirrorSnapshot SnapshotMirror() const;
    std::vector<std::wstring> CopyProcessNames() const;
    // Replaces the process list as a whole; earlier copies stay valid.
    void SetProcessNames(std::vector<std::wstring> names);
    // Tells the hook thread that an action setting changed, so it gets the enabled actions ready.
    void PostActionsChanged() const noexcept;
    void CopySwitchPassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const;
    void CopyRestorePassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const;

    // Copies the "SystemRoot" value when it fits the field; a longer value is treated as missing,
    // since a cut directory would name another one.
    static void ReadSystemRoot(wchar_t (&out)[50]) noexcept;
    // The update request path for a volume serial number.
    static void FormatUpdatePath(char (&out)[264], DWORD volumeSerial) noexcept;
};

extern CMyAppModule g_Module;

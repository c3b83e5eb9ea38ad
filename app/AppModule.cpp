#include "app/AppModule.h"

#include "app/Endpoints.h"
#include "app/ThreadMessages.h"
#include "framework/Text.h"

// Constructed before the process entry runs, so every thread finds the constants in place.
CMyAppModule g_Module;

namespace {
constexpr DWORD kUpdateSerialMask = 0x5A17C3E9;
}

CMyAppModule::CMyAppModule()
    : m_pszUpdateHost(endpoints::kUpdateHost),
      m_pszHomePage(endpoints::kHomePage),
      m_pszProductsPage(endpoints::kProductsPage) {
    ReadSystemRoot(m_szSystemRoot);
    DWORD serial = 0;
    if (!::GetVolumeInformationW(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) serial = 0;
    FormatUpdatePath(m_szUpdatePath, serial);
    m_vecProcessNames.clear();
}

CMyAppModule::~CMyAppModule() { m_vecProcessNames.clear(); }

void CMyAppModule::ReadSystemRoot(wchar_t (&out)[50]) noexcept {
    out[0] = L'\0';
    wchar_t value[50];
    const DWORD n = ::GetEnvironmentVariableW(L"SystemRoot", value, 50);
    // n >= 50 is the size needed for a value that does not fit; 0 means unset.
    if (n > 0 && n < 50) vp::CopyText(out, value);
}

void CMyAppModule::FormatUpdatePath(char (&out)[264], DWORD volumeSerial) noexcept {
    vp::FormatText(out, "/Veilpane/checkup?a=%08X&b=%s", static_cast<unsigned>(volumeSerial ^ kUpdateSerialMask),
                   "0000000000");
}

MirrorSnapshot CMyAppModule::SnapshotMirror() const {
    MirrorSnapshot s;
    vp::LockGuard lock(m_csMirror);
    vp::CopyText(s.szSwitchPassword, m_szSwitchPassword);
    vp::CopyText(s.szRestorePassword, m_szRestorePassword);
    s.bAutoUpdate = m_bAutoUpdate;
    s.bMute = m_bMute;
    s.bMonitorOff = m_bMonitorOff;
    s.bDisableTaskMgr = m_bDisableTaskMgr;
    s.bClearIEHistory = m_bClearIEHistory;
    s.bClearTypedUrls = m_bClearTypedUrls;
    s.bClearRecentDocs = m_bClearRecentDocs;
    vp::CopyText(s.szOpenFile, m_szOpenFile);
    vp::CopyText(s.szOpenWebsite, m_szOpenWebsite);
    vp::CopyText(s.szCloseWindowTitle, m_szCloseWindowTitle);
    s.bTerminateProcesses = m_bTerminateProcesses;
    return s;
}

std::vector<std::wstring> CMyAppModule::CopyProcessNames() const {
    vp::LockGuard lock(m_csMirror);
    return m_vecProcessNames;
}

void CMyAppModule::SetProcessNames(std::vector<std::wstring> names) {
    vp::LockGuard lock(m_csMirror);
    m_vecProcessNames = std::move(names);
}

void CMyAppModule::PostActionsChanged() const noexcept {
    if (m_dwHookThreadId) ::PostThreadMessageW(m_dwHookThreadId, WM_ACTIONS_CHANGED, 0, 0);
}

void CMyAppModule::CopySwitchPassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const {
    vp::LockGuard lock(m_csMirror);
    vp::CopyText(out, m_szSwitchPassword);
}

void CMyAppModule::CopyRestorePassword(wchar_t (&out)[vp::kPasswordRecordUnits]) const {
    vp::LockGuard lock(m_csMirror);
    vp::CopyText(out, m_szRestorePassword);
}

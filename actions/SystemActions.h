#pragma once
// The one object that carries every action around a switch. Its registry store and regex matcher
// are each used under a lock held for a whole set-path-then-operate or compile-then-extract unit.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "actions/MuteControl.h"
#include "actions/WindowActions.h"
#include "framework/Handles.h"
#include "framework/RegexMatcher.h"
#include "framework/RegistryStore.h"

class CSystemActions {
public:
    CSystemActions() noexcept { ReadSystemRoot(m_szSystemRoot); }
    CSystemActions(const CSystemActions&) = delete;
    CSystemActions& operator=(const CSystemActions&) = delete;

    // ---- clean-up before the switch ------------------------------------------------------------
    void GetOsMajorVersion();
    void TurnMonitorOff();
    void ClearBrowsingHistory();
    void ClearTypedUrls();
    void ClearRecentDocuments();
    // 1: records the policy as it is, then disables Task Manager; 0: undoes what the record holds.
    void SetTaskManagerDisabled(DWORD value);

    // ---- mute ----------------------------------------------------------------------------------
    void SetMute(BOOL value);

    // ---- windows and processes -----------------------------------------------------------------
    // Only visible windows of other programs, never a desktop shell; the windows share one wait and
    // the ones still open have their processes asked together. The processes that are still running
    // then are returned, to be ended at once or right after the screen has flipped.
    vp::ProcessesToEnd CloseWindowsByTitle(const wchar_t* title);
    // Only processes still the ones listed, never the session's essential ones nor our shell.
    void TerminateProcesses(std::vector<std::wstring> names);
    // The shell this program started on the virtual desktop, which no action closes or ends.
    void SetOwnShell(DWORD processId) noexcept { m_dwOwnShellId.store(processId); }
    DWORD OwnShellId() const noexcept { return m_dwOwnShellId.load(); }

    // ---- open a file and a web page on a desktop -----------------------------------------------
    void OpenFileOnDesktop(const wchar_t* path, const wchar_t* desktopName);
    void OpenWebsiteOnDesktop(const wchar_t* address, const wchar_t* desktopName);

    // The Windows directory the shell and the browser are started from; empty when unknown.
    const wchar_t* SystemRoot() const noexcept { return m_szSystemRoot; }
    // Tests point it at a private folder of stand-in programs.
    void SetSystemRootForTest(const wchar_t* root) noexcept;
    // Copies the "SystemRoot" value when it fits the field; a longer value is treated as missing,
    // since a cut directory would name another one.
    static void ReadSystemRoot(wchar_t (&out)[50]) noexcept;

    DWORD OsMajorVersion() const noexcept { return m_dwMajorVersion; }
    // Tests pin the version to reach either road.
    void SetOsMajorVersionForTest(DWORD major) noexcept { m_dwMajorVersion = major; }

    // The matcher under its lock, for callers outside this object (one unit per call).
    size_t ExtractMatch(const char* subject, const char* pattern, char* out, size_t outSize);
    size_t ExtractMatchW(const wchar_t* subject, const wchar_t* pattern, wchar_t* out, size_t outUnits);

private:
    CRegistryStore m_store;        // root HKEY_CURRENT_USER
    CRegexMatcher m_matcher;
    XPMuteControl m_mute;
    DWORD m_dwMajorVersion = 0;
    std::atomic<DWORD> m_dwOwnShellId{0};
    wchar_t m_szSystemRoot[50] = {};

    vp::CriticalSection m_csStore;
    vp::CriticalSection m_csMatcher;
};

extern CSystemActions g_SystemActions;

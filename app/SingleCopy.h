#pragma once
// One copy of the program per session, held by a named mutex in the session's namespace. A second
// start adds nothing: it asks the running copy to bring up its settings window and ends. Requests
// between copies travel as named events beside the mutex, which reach a copy on any desktop; only
// the user who runs the copy may open them.
#include <windows.h>

#include "framework/Handles.h"

class CSingleCopy {
public:
    // True when this process is now the session's copy, with its request events made. Otherwise the
    // running copy has been asked for its settings window (when it takes requests), and this start
    // should end. A copy that is on its way out is waited for, up to waitMs, and then replaced.
    bool Claim(DWORD waitMs);

    // Set by another start that wants the settings window, and by "/quit". Auto-reset.
    HANDLE ShowSettingsRequest() const noexcept { return m_showSettings.Get(); }
    HANDLE QuitRequest() const noexcept { return m_quit.Get(); }

private:
    vp::KernelHandle m_mutex;  // held for the life of the process; never inherited
    vp::KernelHandle m_showSettings;
    vp::KernelHandle m_quit;
};

// Opens the running copy's mutex (to wait on) and one of its request events; false, with neither,
// when no copy runs or it takes no requests (yet).
bool OpenRunningCopy(const wchar_t* eventName, vp::KernelHandle& mutex, vp::KernelHandle& request) noexcept;

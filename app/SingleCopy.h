#pragma once
// One copy of the program per session, held by a named mutex in the session's namespace. A second
// start adds nothing: it asks the running copy to bring up its settings window and ends.
#include <windows.h>

#include "framework/Handles.h"

class CSingleCopy {
public:
    // True when this process is now the session's copy. Otherwise the running copy has been asked
    // for its settings window (when it has one), and this start should end. A copy that is on its
    // way out is waited for, up to waitMs, and then replaced.
    bool Claim(DWORD waitMs);

private:
    vp::KernelHandle m_mutex;  // held for the life of the process; never inherited
};

// The running copy's settings window, looked for on every desktop of the window station (a second
// start may come from the shell on the virtual desktop); null when there is none.
HWND FindRunningCopyWindow() noexcept;

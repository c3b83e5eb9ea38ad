#pragma once
// One copy of the program per session, held by a named mutex among the user's own objects
// (framework/UserObjects.h). A second start adds nothing: it asks the running copy to bring up its
// settings window and ends. Requests between copies travel as named events beside the mutex, which
// reach a copy on any desktop; only the user's own programs can have made them, and one another
// program made first is refused, never adopted.
#include <windows.h>

#include "framework/Handles.h"

enum class CopyClaim {
    Ours,         // this process is now the session's copy, with its objects made
    AnotherRuns,  // the running copy was asked for its settings window; this start ends
    Taken,        // another program holds the objects, or the copy that holds them never answers
};

// What a start that could not claim its objects tells the user before it ends.
constexpr const wchar_t* kObjectsTakenText =
    L"Veilpane could not start: another program has taken what Veilpane needs to make sure it runs only "
    L"once. Sign out and back in, then start Veilpane again.";

class CSingleCopy {
public:
    // A copy that is on its way out (or starting, its events not made yet) is waited for, up to
    // waitMs, and then replaced, or asked.
    CopyClaim Claim(DWORD waitMs);

    // Set by another start that wants the settings window, and by "/quit". Auto-reset.
    HANDLE ShowSettingsRequest() const noexcept { return m_showSettings.Get(); }
    HANDLE QuitRequest() const noexcept { return m_quit.Get(); }
    // Held open by this copy and, inherited, by every guard it starts (manual-reset, never set).
    HANDLE GuardAlive() const noexcept { return m_guardAlive.Get(); }

private:
    vp::KernelHandle m_mutex;  // held for the life of the process; never inherited
    vp::KernelHandle m_showSettings;
    vp::KernelHandle m_quit;
    vp::KernelHandle m_guardAlive;
};

// Opens the running copy's mutex (to wait on) and one of its request events; false, with neither,
// when no copy runs, it takes no requests (yet), or the objects are another program's.
bool OpenRunningCopy(const wchar_t* eventName, vp::KernelHandle& mutex, vp::KernelHandle& request) noexcept;

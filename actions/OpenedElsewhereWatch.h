#pragma once
// Whether the program started for the file opened it where it was started. Many editors and office
// programs keep one copy: a second start hands the file to the copy already running on the user's
// desktop and ends, and nothing opens on the virtual desktop. Watched on a thread of its own, so the
// hook thread never waits on the program; the user is told once they are back on their own desktop.
#include <windows.h>

#include <atomic>

#include "framework/Handles.h"
#include "framework/Launch.h"

class COpenedElsewhereWatch {
public:
    COpenedElsewhereWatch() noexcept = default;
    ~COpenedElsewhereWatch() { Stop(); }
    COpenedElsewhereWatch(const COpenedElsewhereWatch&) = delete;
    COpenedElsewhereWatch& operator=(const COpenedElsewhereWatch&) = delete;

    // The job to start the program in, so the processes it starts can be followed.
    static vp::KernelHandle NewJob() noexcept;
    // Watches the program started in job on the named desktop, letting go of an earlier watch
    // first: it opened the file elsewhere when it ends within 2 seconds, no window of it or of a
    // process it started has shown on that desktop, and none of those processes runs on.
    void Start(vp::LaunchedProcess started, vp::KernelHandle job, const wchar_t* desktopName) noexcept;
    // The way back: a file found opened elsewhere is told of now, or, while the watch is still out,
    // as soon as it finds so. Never while the virtual desktop shows; told once, and not again until
    // TellAgain (another file), so a user who keeps the program open there is not told at every flip.
    void WayBack() noexcept;
    void TellAgain() noexcept { m_told.store(false); }
    // Whether the last watch has come to its answer (true when none was started).
    bool Done() const noexcept;
    // Whether a file was found opened elsewhere and the user has not been told yet.
    bool Found() const noexcept { return m_found.load(); }

private:
    static DWORD WINAPI Proc(void* self) noexcept;
    bool OpenedHere() noexcept;  // false: it opened the file elsewhere
    void Tell() noexcept;
    void Stop() noexcept;

    vp::KernelHandle m_process;
    vp::KernelHandle m_job;
    wchar_t m_desktop[64] = {};
    vp::KernelHandle m_stop;
    vp::KernelHandle m_thread;
    std::atomic<bool> m_found{false};  // set by the watch's thread, cleared once told
    std::atomic<bool> m_back{false};   // the way back came since the last start
    std::atomic<bool> m_told{false};   // the notice was given
};

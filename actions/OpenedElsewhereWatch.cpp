#include "actions/OpenedElsewhereWatch.h"

#include <algorithm>
#include <utility>

#include "actions/SwitchAction.h"
#include "framework/Notice.h"
#include "framework/Product.h"
#include "framework/Text.h"
#include "framework/Trace.h"

namespace {

constexpr ULONGLONG kWatchMs = 2000;  // a program that hands the file on ends well within this
constexpr DWORD kLookMs = 50;
constexpr DWORD kMostWatched = 64;    // more processes than this: it surely opened the file here

// The job's running processes, as the system lists them.
struct JobMembers {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR more[kMostWatched - 1];  // the list's first entry is in it
};

// Reads the job's running processes into members; false when they cannot be told (too many, or the
// system does not answer), which counts as a program that runs.
bool ReadJobMembers(HANDLE job, JobMembers& members) noexcept {
    members.list = {};
    return ::QueryInformationJobObject(job, JobObjectBasicProcessIdList, &members, sizeof(members), nullptr) &&
           members.list.NumberOfProcessIdsInList == members.list.NumberOfAssignedProcesses;
}

struct WindowSearch {
    const JobMembers* members;
    bool found;
};

BOOL CALLBACK LookAtWindow(HWND hwnd, LPARAM lp) noexcept {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    // Only a window a person can see: programs keep hidden ones that show nothing.
    if (!::IsWindowVisible(hwnd)) return TRUE;
    const ULONG_PTR* ids = search->members->list.ProcessIdList;
    search->found = std::find(ids, ids + search->members->list.NumberOfProcessIdsInList, owner) !=
                    ids + search->members->list.NumberOfProcessIdsInList;
    return !search->found;
}

bool ShowsWindowOf(HDESK desktop, const JobMembers& members) noexcept {
    WindowSearch search{&members, false};
    ::EnumDesktopWindows(desktop, LookAtWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

vp::KernelHandle COpenedElsewhereWatch::NewJob() noexcept {
    vp::KernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    // A program that starts its own in a job of its own may still: on systems without nested jobs
    // it asks to break away, and ours must not make that start fail.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (job && !::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        job.Reset();
    }
    return job;
}

void COpenedElsewhereWatch::Start(vp::LaunchedProcess started, vp::KernelHandle job,
                                  const wchar_t* desktopName) noexcept {
    Stop();
    m_back.store(false);
    BOOL inJob = FALSE;
    // Outside the job, what it starts cannot be followed: nothing is told for certain, so nothing is.
    if (!started || !job || !::IsProcessInJob(started.process.Get(), job.Get(), &inJob) || !inJob ||
        !vp::CopyText(m_desktop, desktopName)) {
        return;
    }
    m_process = std::move(started.process);
    m_job = std::move(job);
    m_stop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (m_stop) m_thread.Reset(::CreateThread(nullptr, 0, Proc, this, 0, nullptr));
}

bool COpenedElsewhereWatch::Done() const noexcept {
    return !m_thread || ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_OBJECT_0;
}

void COpenedElsewhereWatch::Stop() noexcept {
    if (m_thread) {
        ::SetEvent(m_stop.Get());
        ::WaitForSingleObject(m_thread.Get(), INFINITE);  // it wakes on the event at once
    }
    m_thread.Reset();
    m_stop.Reset();
    m_process.Reset();
    m_job.Reset();  // the programs in it run on, unlimited
}

void COpenedElsewhereWatch::WayBack() noexcept {
    if (VirtualDesktopShows()) return;  // a way back that stayed there
    m_back.store(true);
    Tell();
}

void COpenedElsewhereWatch::Tell() noexcept {
    // Whichever of the way back and the watch's answer comes second tells; the exchange lets one.
    if (VirtualDesktopShows() || !m_found.exchange(false)) return;
    if (!vp::PostNotice(L"The program for the file to open on the virtual desktop runs on your own desktop "
                        L"already, and opened the file there.\n\nClose it there before you switch, and the file "
                        L"opens on the virtual desktop.",
                        product::kName, MB_OK | MB_ICONINFORMATION)) {
        m_found.store(true);  // no one to show it: the next way back tells
        return;
    }
    m_told.store(true);
}

DWORD WINAPI COpenedElsewhereWatch::Proc(void* self) noexcept {
    auto* watch = static_cast<COpenedElsewhereWatch*>(self);
    if (!watch->OpenedHere() && !watch->m_told.load()) {
        watch->m_found.store(true);
        vp::Trace(L"open file: its program ended at once without a window; opened elsewhere");
        if (watch->m_back.load()) watch->Tell();
    }
    return 0;
}

bool COpenedElsewhereWatch::OpenedHere() noexcept {
    vp::DesktopHandle desktop(::OpenDesktopW(m_desktop, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (!desktop) return true;  // nothing can be told: nothing is said
    const ULONGLONG until = ::GetTickCount64() + kWatchMs;
    bool ended = false;
    JobMembers members;
    for (;;) {
        if (!ReadJobMembers(m_job.Get(), members) || ShowsWindowOf(desktop.Get(), members)) return true;
        const ULONGLONG now = ::GetTickCount64();
        // Told at the end of the time, so a launcher that starts the real program and ends first is
        // not taken for a hand-over while that program is still coming up.
        if (now >= until) return !ended || members.list.NumberOfProcessIdsInList > 0;
        const HANDLE waits[2] = {m_stop.Get(), m_process.Get()};
        const DWORD waited = ::WaitForMultipleObjects(ended ? 1 : 2, waits, FALSE,
                                                      static_cast<DWORD>(std::min<ULONGLONG>(kLookMs, until - now)));
        if (waited == WAIT_OBJECT_0 || waited == WAIT_FAILED) return true;  // let go of
        if (waited == WAIT_OBJECT_0 + 1) ended = true;
    }
}

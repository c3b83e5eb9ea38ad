#include "support/ThreadJobs.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace testing_support {
namespace {

struct Job {
    std::function<void()> work;
    HANDLE done = nullptr;  // the waiting caller's; null when no one waits (any more)
};

// A thread's hook stays until the process ends; the thread's handle tells when a thread id met
// again belongs to a new thread.
struct ThreadHook {
    HHOOK hook = nullptr;
    HANDLE thread = nullptr;
};

std::mutex g_lock;
std::map<DWORD, ThreadHook> g_hooks;
std::map<DWORD, std::deque<std::shared_ptr<Job>>> g_waiting;  // by thread, until its hook takes them
std::map<UINT_PTR, std::shared_ptr<Job>> g_timed;             // taken, until their timer fires

void CALLBACK RunJob(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    std::shared_ptr<Job> job;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_timed.find(timer);
        if (it == g_timed.end()) return;
        job = it->second;
        g_timed.erase(it);
    }
    job->work();
    std::lock_guard<std::mutex> lock(g_lock);
    if (job->done) ::SetEvent(job->done);
}

// On the thread itself, as it takes a message: each waiting job gets a timer, so the work runs from
// the thread's dispatch and never inside the hook.
LRESULT CALLBACK TakeJobs(int code, WPARAM wParam, LPARAM lParam) {
    std::deque<std::shared_ptr<Job>> jobs;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_waiting.find(::GetCurrentThreadId());
        if (it != g_waiting.end()) jobs.swap(it->second);
    }
    for (auto& job : jobs) {
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 0, RunJob);
        std::lock_guard<std::mutex> lock(g_lock);
        g_timed[timer] = job;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Called with the lock held.
bool Hooked(DWORD threadId) {
    ThreadHook& h = g_hooks[threadId];
    if (h.thread && ::WaitForSingleObject(h.thread, 0) == WAIT_TIMEOUT) return true;
    if (h.thread) ::CloseHandle(h.thread);
    h.thread = ::OpenThread(SYNCHRONIZE, FALSE, threadId);
    h.hook = h.thread ? ::SetWindowsHookExW(WH_GETMESSAGE, TakeJobs, nullptr, threadId) : nullptr;
    return h.hook != nullptr;
}

bool Queue(HWND window, const std::shared_ptr<Job>& job) {
    DWORD pid = 0;
    const DWORD threadId = ::GetWindowThreadProcessId(window, &pid);
    if (!threadId || pid != ::GetCurrentProcessId()) return false;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (!Hooked(threadId)) return false;
        g_waiting[threadId].push_back(job);
    }
    return ::PostThreadMessageW(threadId, WM_NULL, 0, 0) != FALSE;  // wakes the thread's loop
}

}  // namespace

bool StartOnThreadOf(HWND window, const std::function<void()>& work) {
    auto job = std::make_shared<Job>();
    job->work = work;
    return Queue(window, job);
}

bool RunOnThreadOf(HWND window, const std::function<void()>& work, DWORD timeoutMs) {
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!done) return false;
    auto job = std::make_shared<Job>();
    job->work = work;
    job->done = done;
    const bool finished = Queue(window, job) && ::WaitForSingleObject(done, timeoutMs) == WAIT_OBJECT_0;
    {
        std::lock_guard<std::mutex> lock(g_lock);  // a job still to run must not set a closed event
        job->done = nullptr;
    }
    ::CloseHandle(done);
    return finished;
}

LRESULT SendOwn(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto answer = std::make_shared<LRESULT>(0);  // outlives a wait that gave up
    if (!RunOnThreadOf(window, [=] { *answer = ::SendMessageW(window, msg, wParam, lParam); })) return 0;
    return *answer;
}

void PostOwn(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    StartOnThreadOf(window, [=] { ::SendMessageW(window, msg, wParam, lParam); });
}

}  // namespace testing_support

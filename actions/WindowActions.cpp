// Closing windows whose title holds a text, and ending processes by executable name. Both run on
// the hook thread and block it (closing windows before the screen flips), so every wait here is
// bounded, and all windows and all processes share one wait instead of one each.
#include "actions/WindowActions.h"

#include <dwmapi.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>

#include "actions/ProcessPicker.h"
#include "framework/Handles.h"
#include "framework/Text.h"

namespace vp {

namespace {

constexpr int kTitleUnits = 260;

// A window asked to close, with the process that owned it then.
struct AskedWindow {
    HWND window;
    DWORD processId;
};

struct FindRequest {
    const wchar_t* title;
    DWORD ownShellId;
    std::vector<AskedWindow>* asked;
    // Executable names asked for so far, by process: one program often has several such windows.
    std::vector<std::pair<DWORD, std::wstring>> names;
};

// The file name part of a full image path.
const wchar_t* FileNamePart(const wchar_t* path) noexcept {
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

bool ReadExeName(DWORD processId, wchar_t (&out)[MAX_PATH]) noexcept {
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t image[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!process || !::QueryFullProcessImageNameW(process.Get(), 0, image, &size)) return false;
    return CopyTextWhole(out, FileNamePart(image));
}

bool IsCloaked(HWND window) noexcept {
    DWORD cloaked = 0;
    // Systems before 8 do not know the attribute and fail the call: nothing is cloaked there.
    return SUCCEEDED(::DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))) && cloaked != 0;
}

// Posts WM_CLOSE to a window the moment it is found to be one to close, so its program is at work
// while the rest of the windows are looked through. Posted, never sent, so a hung window cannot
// stall the switch.
BOOL CALLBACK AskWindowToClose(HWND window, LPARAM lParam) noexcept {
    auto* request = reinterpret_cast<FindRequest*>(lParam);
    // Cheapest first: most windows are hidden, and most of the rest do not carry the title.
    if ((::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) == 0) return TRUE;
    wchar_t text[kTitleUnits] = {};
    if (::GetWindowTextW(window, text, kTitleUnits) <= 0 || !TitleMatches(text, request->title)) return TRUE;
    WindowFacts facts;
    facts.visible = true;
    facts.cloaked = IsCloaked(window);
    ::GetWindowThreadProcessId(window, &facts.processId);
    auto known = std::find_if(request->names.begin(), request->names.end(),
                              [&](const auto& entry) { return entry.first == facts.processId; });
    if (known == request->names.end()) {
        wchar_t exeName[MAX_PATH] = {};
        // An empty name stands for one that could not be read.
        request->names.emplace_back(facts.processId, ReadExeName(facts.processId, exeName) ? exeName : L"");
        known = request->names.end() - 1;
    }
    if (!known->second.empty()) facts.exeName = known->second.c_str();
    if (MayCloseWindow(facts, ::GetCurrentProcessId(), request->ownShellId) &&
        ::PostMessageW(window, WM_CLOSE, 0, 0)) {
        request->asked->push_back({window, facts.processId});
    }
    return TRUE;
}

BOOL CALLBACK PostCloseToProcessWindow(HWND window, LPARAM lParam) noexcept {
    const auto* ids = reinterpret_cast<const std::vector<DWORD>*>(lParam);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    // Posted, never sent, so a hung window cannot stall the hook thread.
    if (std::find(ids->begin(), ids->end(), processId) != ids->end()) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL CALLBACK PostCloseOnDesktop(LPWSTR name, LPARAM lParam) noexcept {
    DesktopHandle desktop(::OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (desktop) ::EnumDesktopWindows(desktop.Get(), PostCloseToProcessWindow, lParam);
    return TRUE;
}

// Every top-level window of the processes, on whichever desktop of our window station it lives:
// the process actions run after the switch, from the virtual desktop, while the programs to end
// usually have their windows on the original one. One pass over the windows for all of them.
void PostCloseToProcessWindows(const std::vector<DWORD>& processIds) noexcept {
    const LPARAM ids = reinterpret_cast<LPARAM>(&processIds);
    if (!::EnumDesktopsW(::GetProcessWindowStation(), PostCloseOnDesktop, ids)) {
        ::EnumWindows(PostCloseToProcessWindow, ids);
    }
}

// Waits in steps of one millisecond finer than the default timer gives, for the length of a wait.
class FineTimer {
public:
    FineTimer() noexcept { ::timeBeginPeriod(1); }
    ~FineTimer() { ::timeEndPeriod(1); }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;
};

// Waits until every handle is signalled or timeoutMs passed; WaitForMultipleObjects takes at most
// MAXIMUM_WAIT_OBJECTS at a time, so larger sets are waited for in groups against one deadline.
void WaitAll(const std::vector<HANDLE>& handles, DWORD timeoutMs) noexcept {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (size_t at = 0; at < handles.size(); at += MAXIMUM_WAIT_OBJECTS) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD count = static_cast<DWORD>(std::min<size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - at));
        ::WaitForMultipleObjects(count, handles.data() + at, TRUE, left);
    }
}

// Waits until none of the windows exists any more, or timeoutMs passed. A window has nothing to
// wait on, so this looks every millisecond, and asks only as far as the first window still there:
// a stream of questions would slow the very programs that are closing. The processes of the
// windows are waited on meanwhile, so a program that ends after WM_CLOSE ends the wait at once.
void WaitWindowsGone(std::vector<AskedWindow>& windows, DWORD timeoutMs) noexcept {
    FineTimer fine;
    std::vector<KernelHandle> owners;
    std::vector<HANDLE> waits;
    std::vector<DWORD> ownerIds;  // one program often has several of the windows: one wait each
    for (const AskedWindow& w : windows) {
        if (waits.size() == MAXIMUM_WAIT_OBJECTS) break;
        if (std::find(ownerIds.begin(), ownerIds.end(), w.processId) != ownerIds.end()) continue;
        ownerIds.push_back(w.processId);
        KernelHandle owner(::OpenProcess(SYNCHRONIZE, FALSE, w.processId));
        if (owner) {
            waits.push_back(owner.Get());
            owners.push_back(std::move(owner));
        }
    }
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    size_t gone = 0;  // windows[0, gone) are known to be gone
    for (;;) {
        while (gone < windows.size() && !::IsWindow(windows[gone].window)) ++gone;
        if (gone == windows.size() || ::GetTickCount64() >= deadline) break;
        if (waits.empty()) {
            ::Sleep(1);
            continue;
        }
        const DWORD r = ::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, 1);
        // An owner that ended drops out, or the wait would return at once from then on.
        if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + waits.size()) waits.erase(waits.begin() + (r - WAIT_OBJECT_0));
    }
    windows.erase(windows.begin(), windows.begin() + static_cast<std::ptrdiff_t>(gone));
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](const AskedWindow& w) { return !::IsWindow(w.window); }),
                  windows.end());
}

// Asks every top-level window of each open process to close and waits once for them all; the ones
// still running are left to the returned object to end.
ProcessesToEnd AskTogether(std::vector<KernelHandle>& processes, const std::vector<DWORD>& ids,
                           DWORD timeoutMs) noexcept {
    if (processes.empty()) return {};
    PostCloseToProcessWindows(ids);
    std::vector<HANDLE> handles;
    for (const KernelHandle& p : processes) handles.push_back(p.Get());
    {
        FineTimer fine;
        WaitAll(handles, timeoutMs);
    }
    return ProcessesToEnd(std::move(processes));
}

}  // namespace

bool TitleMatches(const wchar_t* windowText, const wchar_t* title) noexcept {
    if (!windowText || !title || title[0] == L'\0') return false;
    return std::wcsstr(windowText, title) != nullptr;
}

bool MayCloseWindow(const WindowFacts& window, DWORD ownProcessId, DWORD ownShellId) noexcept {
    if (!window.visible || window.cloaked) return false;
    // Our own windows are never closed: a boss key that closes itself would leave the user with no
    // way back and no way to hide the next time.
    if (window.processId == 0 || window.processId == ownProcessId) return false;
    if (ownShellId != 0 && window.processId == ownShellId) return false;
    return !IsDesktopShellName(window.exeName);
}

ProcessesToEnd::ProcessesToEnd(std::vector<KernelHandle> processes) noexcept : m_processes(std::move(processes)) {}

ProcessesToEnd& ProcessesToEnd::operator=(ProcessesToEnd&& other) noexcept {
    if (this != &other) {
        EndNow();
        m_processes = std::move(other.m_processes);
        other.m_processes.clear();
    }
    return *this;
}

size_t ProcessesToEnd::EndNow() noexcept {
    size_t terminated = 0;
    for (const KernelHandle& p : m_processes) {
        if (::WaitForSingleObject(p.Get(), 0) != WAIT_OBJECT_0 && ::TerminateProcess(p.Get(), 0)) ++terminated;
    }
    m_processes.clear();
    return terminated;
}

ProcessesToEnd CloseWindowsWithTitle(const wchar_t* title, DWORD ownShellId) {
    if (!title || title[0] == L'\0') return {};
    // Top-level windows only: message-only windows are not enumerated, and child windows are part
    // of the window they sit in.
    std::vector<AskedWindow> open;
    FindRequest request{title, ownShellId, &open, {}};
    ::EnumWindows(AskWindowToClose, reinterpret_cast<LPARAM>(&request));
    if (open.empty()) return {};
    WaitWindowsGone(open, kWindowCloseWaitMs);

    std::vector<KernelHandle> processes;
    std::vector<DWORD> ids;
    for (const AskedWindow& w : open) {
        if (std::find(ids.begin(), ids.end(), w.processId) != ids.end()) continue;
        KernelHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, w.processId));
        // The window still there and still its own: the id names that process, and the handle
        // keeps it named so until the end.
        DWORD stillOwner = 0;
        if (!process || !::IsWindow(w.window) ||
            (::GetWindowThreadProcessId(w.window, &stillOwner), stillOwner != w.processId)) {
            continue;
        }
        processes.push_back(std::move(process));
        ids.push_back(w.processId);
    }
    return AskTogether(processes, ids, kProcessExitWaitMs);
}

bool SameProcess(const ProcessIdentity& listed, const ProcessIdentity& live) noexcept {
    return listed.processId == live.processId && _wcsicmp(listed.exeName, live.exeName) == 0 &&
           ::CompareFileTime(&listed.created, &live.created) == 0;
}

bool ReadProcessIdentity(HANDLE process, DWORD processId, ProcessIdentity& out) noexcept {
    out = ProcessIdentity{};
    out.processId = processId;
    FILETIME exited, kernel, user;
    wchar_t image[MAX_PATH];
    DWORD size = MAX_PATH;
    return ::GetProcessTimes(process, &out.created, &exited, &kernel, &user) &&
           ::QueryFullProcessImageNameW(process, 0, image, &size) && CopyTextWhole(out.exeName, FileNamePart(image));
}

size_t CloseOrTerminateProcesses(const std::vector<ProcessIdentity>& listed, DWORD ownShellId, DWORD timeoutMs) {
    std::vector<KernelHandle> processes;
    std::vector<DWORD> ids;
    const DWORD self = ::GetCurrentProcessId();
    for (const ProcessIdentity& entry : listed) {
        const DWORD id = entry.processId;
        if (id == 0 || id == self || (ownShellId != 0 && id == ownShellId) || IsExemptProcessName(entry.exeName) ||
            std::find(ids.begin(), ids.end(), id) != ids.end()) {
            continue;
        }
        KernelHandle process(
            ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        ProcessIdentity live;
        // Checked on the open handle, which keeps the process from going and its id from being reused.
        if (!process || !ReadProcessIdentity(process.Get(), id, live) || !SameProcess(entry, live)) continue;
        processes.push_back(std::move(process));
        ids.push_back(id);
    }
    return AskTogether(processes, ids, timeoutMs).EndNow();
}

std::vector<ProcessIdentity> ListProcesses(const std::vector<std::wstring>& names, DWORD ownShellId) {
    std::vector<ProcessIdentity> listed;
    if (names.empty()) return listed;
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return listed;
    FILETIME taken;  // every process in the snapshot was made before this
    ::GetSystemTimeAsFileTime(&taken);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!::Process32FirstW(snapshot.Get(), &entry)) return listed;
    const DWORD self = ::GetCurrentProcessId();
    do {
        // The exempt names, this process under whatever name it was started, and our shell.
        if (IsExemptProcessName(entry.szExeFile) || entry.th32ProcessID == self || entry.th32ProcessID == ownShellId) {
            continue;
        }
        const bool named = std::any_of(names.begin(), names.end(), [&](const std::wstring& name) {
            return _wcsicmp(entry.szExeFile, name.c_str()) == 0;
        });
        if (!named) continue;
        ProcessIdentity identity;
        identity.processId = entry.th32ProcessID;
        if (!CopyTextWhole(identity.exeName, entry.szExeFile)) continue;
        KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        FILETIME exited, kernel, user;
        if (!process || !::GetProcessTimes(process.Get(), &identity.created, &exited, &kernel, &user)) continue;
        // Made after the snapshot: the id was freed and taken again in between.
        if (::CompareFileTime(&identity.created, &taken) > 0) continue;
        listed.push_back(identity);
    } while (::Process32NextW(snapshot.Get(), &entry));
    return listed;
}

}  // namespace vp

void CCloseWindowsAction::Before(const CSettingsData& s) {
    if (s.closeWindows.text[0]) m_stubborn = vp::CloseWindowsWithTitle(s.closeWindows.text, m_ownShellId);
}

void CTerminateAction::After(const CSettingsData& s) {
    if (!s.terminateProcesses.on) return;
    const std::vector<vp::ProcessIdentity> listed = vp::ListProcesses(s.terminateProcesses.names, m_ownShellId);
    vp::CloseOrTerminateProcesses(listed, m_ownShellId, vp::kProcessExitWaitMs);
}

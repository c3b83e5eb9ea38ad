#include "framework/Launch.h"

#include <vector>

namespace vp {

namespace {

// The thread attribute list that names the only handles a program is given; freed with its holder.
// None is made for no handles.
class HandleListAttribute {
public:
    explicit HandleListAttribute(const std::vector<HANDLE>& handles) : m_handles(handles) {
        if (m_handles.empty()) return;
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        m_storage.resize(size);
        if (!::InitializeProcThreadAttributeList(List(), 1, 0, &size)) return;
        m_initialised = true;
        m_ready = ::UpdateProcThreadAttribute(List(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                              m_handles.size() * sizeof(HANDLE), nullptr, nullptr) != FALSE;
    }
    ~HandleListAttribute() {
        if (m_initialised) ::DeleteProcThreadAttributeList(List());
    }
    HandleListAttribute(const HandleListAttribute&) = delete;
    HandleListAttribute& operator=(const HandleListAttribute&) = delete;

    bool Ready() const noexcept { return m_ready; }
    LPPROC_THREAD_ATTRIBUTE_LIST List() noexcept {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
    }

private:
    std::vector<HANDLE> m_handles;  // the attribute points here, so it lives as long as the list
    std::vector<unsigned char> m_storage;
    bool m_initialised = false;
    bool m_ready = false;
};

}  // namespace

LaunchedProcess LaunchOnDesktop(const wchar_t* application, wchar_t* commandLine, const wchar_t* desktop,
                                std::initializer_list<HANDLE> inherit, HANDLE job) noexcept {
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(STARTUPINFOW);
    startup.StartupInfo.lpDesktop = const_cast<wchar_t*>(desktop);
    // In the job before its first instruction, so nothing it starts can be missed.
    DWORD flags = job ? CREATE_SUSPENDED : 0;
    PROCESS_INFORMATION info{};
    try {
        std::vector<HANDLE> handedOn;
        for (HANDLE h : inherit) {
            if (h) handedOn.push_back(h);  // a handle its creator could not make is not handed on
        }
        HandleListAttribute handles(handedOn);
        if (!handedOn.empty()) {
            // Without the list every inheritable handle of the process would go along: not started.
            if (!handles.Ready()) return {};
            startup.StartupInfo.cb = sizeof(startup);
            startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
            startup.lpAttributeList = handles.List();
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        }
        if (!::CreateProcessW(application, commandLine, nullptr, nullptr, !handedOn.empty(), flags, nullptr, nullptr,
                              &startup.StartupInfo, &info)) {
            return {};
        }
    } catch (...) {  // no memory for the list
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
    LaunchedProcess started;
    started.process.Reset(info.hProcess);
    started.thread.Reset(info.hThread);
    started.processId = info.dwProcessId;
    if (job) {
        // Started either way: a program outside the job only goes unwatched (the caller can ask).
        ::AssignProcessToJobObject(job, info.hProcess);
        if (::ResumeThread(info.hThread) == static_cast<DWORD>(-1)) {
            const DWORD error = ::GetLastError();
            ::TerminateProcess(info.hProcess, 1);  // never left suspended for good
            ::SetLastError(error);
            return {};
        }
    }
    return started;
}

}  // namespace vp

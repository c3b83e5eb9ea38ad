#include "framework/Launch.h"

#include <vector>

namespace vp {

namespace {

// The thread attribute list that names the only handles a program is given; freed with its holder.
class HandleListAttribute {
public:
    explicit HandleListAttribute(const std::vector<HANDLE>& handles) : m_handles(handles) {
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

LaunchedProcess Launched(const PROCESS_INFORMATION& info) noexcept {
    LaunchedProcess started;
    started.process.Reset(info.hProcess);
    started.thread.Reset(info.hThread);
    started.processId = info.dwProcessId;
    return started;
}

}  // namespace

LaunchedProcess LaunchOnDesktop(const wchar_t* application, wchar_t* commandLine, const wchar_t* desktop,
                                std::initializer_list<HANDLE> inherit) noexcept {
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(STARTUPINFOW);
    startup.StartupInfo.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION info{};
    try {
        std::vector<HANDLE> handedOn;
        for (HANDLE h : inherit) {
            if (h) handedOn.push_back(h);  // a handle its creator could not make is not handed on
        }
        if (handedOn.empty()) {
            if (!::CreateProcessW(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup.StartupInfo, &info)) {
                return {};
            }
            return Launched(info);
        }
        HandleListAttribute handles(handedOn);
        // Without the list every inheritable handle of the process would go along: not started.
        if (!handles.Ready()) return {};
        startup.StartupInfo.cb = sizeof(startup);
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.lpAttributeList = handles.List();
        if (!::CreateProcessW(application, commandLine, nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr,
                              nullptr, &startup.StartupInfo, &info)) {
            return {};
        }
        return Launched(info);
    } catch (...) {  // no memory for the list
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
}

}  // namespace vp

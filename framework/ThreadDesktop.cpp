#include "framework/ThreadDesktop.h"

namespace vp {

CThreadDesktop::~CThreadDesktop() {
    if (m_own && m_initial && ::SetThreadDesktop(m_initial)) ::CloseDesktop(m_own);
}

bool CThreadDesktop::Enter(HDESK desktop, MoveCall move) noexcept {
    if (!desktop) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!m_initial) m_initial = ::GetThreadDesktop(::GetCurrentThreadId());
    HANDLE own = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), desktop, ::GetCurrentProcess(), &own, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    if (!move(static_cast<HDESK>(own))) {
        const DWORD error = ::GetLastError();
        ::CloseDesktop(static_cast<HDESK>(own));
        ::SetLastError(error);
        return false;
    }
    if (m_own) ::CloseDesktop(m_own);  // no longer the thread's
    m_own = static_cast<HDESK>(own);
    return true;
}

}  // namespace vp

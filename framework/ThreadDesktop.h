#pragma once
// Puts the calling thread on desktops through desktop handles of its own. Wine closes the handle a
// thread is on when the thread ends, which would take a shared handle (the original desktop's, say)
// away from every other thread that uses it; a duplicate per thread keeps the shared one whole.
#include <windows.h>

namespace vp {

class CThreadDesktop {
public:
    using MoveCall = BOOL(WINAPI*)(HDESK);

    CThreadDesktop() noexcept = default;
    // Call on the thread that moved: puts it back on the desktop it was born on and closes its own
    // handle; when the thread owns windows by then and cannot move, the handle stays with it.
    ~CThreadDesktop();
    CThreadDesktop(const CThreadDesktop&) = delete;
    CThreadDesktop& operator=(const CThreadDesktop&) = delete;

    // Moves the calling thread onto desktop with move (SetThreadDesktop, or a test's stand-in);
    // false, with the thread where it was, when the handle cannot be duplicated or the move is
    // refused (the last error says why). The handle of the previous move is closed.
    bool Enter(HDESK desktop, MoveCall move = ::SetThreadDesktop) noexcept;

private:
    HDESK m_initial = nullptr;  // the system's, never closed by us
    HDESK m_own = nullptr;
};

}  // namespace vp

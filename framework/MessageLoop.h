#pragma once
// The ui thread's message loop: a message filter step, and handles waited on beside the messages.
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "framework/Handles.h"

namespace vp {

class CMessageLoop {
public:
    virtual ~CMessageLoop() = default;

    // While the loop waits for messages it also waits on handle (an auto-reset event, say) and calls
    // signalled when it is set, between two messages. The handle must outlive the loop.
    void AddWaitHandle(HANDLE handle, std::function<void()> signalled);

    // Runs until the thread's own QuitMessageLoop; returns its code. A WM_QUIT that anyone else
    // posts to the thread is dropped.
    int Run();

    // The message filter: true when it took the message. Takes none here.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

protected:
    // Serves one signalled wait handle, waiting for one or for a message when none is queued. True
    // when the loop should look again before it takes a message.
    bool ServeWaitHandle();

    std::vector<HANDLE> m_waitHandles;
    std::vector<std::function<void()>> m_waitCalls;
    MSG m_msg{};
};

// Ends the calling thread's CMessageLoop with code, as PostQuitMessage would.
void QuitMessageLoop(int code) noexcept;

}  // namespace vp

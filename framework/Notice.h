#pragma once
// Message boxes for work done on a thread that must never own a window (the hook thread): the
// thread that serves notices keeps a message-only notice window, PostNotice hands that window its
// own copy of the texts and returns at once, and the serving thread shows the box. A window message,
// not a thread message, so a modal loop running on the serving thread delivers it too.
#include <windows.h>

namespace vp {

class CNoticeWindow {
public:
    CNoticeWindow() noexcept = default;
    ~CNoticeWindow() { Destroy(); }
    CNoticeWindow(const CNoticeWindow&) = delete;
    CNoticeWindow& operator=(const CNoticeWindow&) = delete;

    // Creates the window on the calling thread, which from now on shows the process's notices.
    bool Create() noexcept;
    void Destroy() noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    HWND m_hWnd = nullptr;
};

// Asks the notice window's thread to show MessageBoxW(no owner, text, caption, type). Waits a
// bounded moment for a notice window to exist (its thread may still be starting); false, and
// nothing is shown, when none comes.
bool PostNotice(const wchar_t* text, const wchar_t* caption, UINT type) noexcept;

// Mail for the notice window's thread that is not a box: a code that the handler set here is called
// with, on that thread (the ui thread decides what to do with it). Waits for a notice window as
// PostNotice does; false when none comes.
using NoticeMailHandler = void (*)(UINT code);
void SetNoticeMailHandler(NoticeMailHandler handler) noexcept;
bool PostNoticeMail(UINT code) noexcept;

}  // namespace vp

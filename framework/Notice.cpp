#include "framework/Notice.h"

#include <atomic>
#include <memory>
#include <new>

#include "framework/Mailbox.h"
#include "framework/Text.h"

namespace vp {

namespace {

constexpr wchar_t kNoticeClass[] = L"VeilpaneNotice";
// Only wakes the window: what it is to show waits in the process's own mail, so a message that any
// program can post to the window carries nothing it would act on.
constexpr UINT kLookInMail = WM_APP + 1;
constexpr DWORD kWaitForWindowMs = 3000;

struct Notice {
    wchar_t text[4096];   // room for the longest command line an action refuses to cut
    wchar_t caption[128];
    UINT type;
};

// A box to show, or a code for the mail handler.
struct NoticeItem {
    std::unique_ptr<Notice> box;
    UINT code = 0;
};

CMailbox<NoticeItem>& NoticeMail() {
    static CMailbox<NoticeItem> mail;
    return mail;
}

std::atomic<HWND> g_noticeWindow{nullptr};
std::atomic<NoticeMailHandler> g_mailHandler{nullptr};

// Set while a notice window exists.
HANDLE NoticeWindowReady() noexcept {
    static const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return ready;
}

HWND WaitForNoticeWindow() noexcept {
    if (!g_noticeWindow.load()) ::WaitForSingleObject(NoticeWindowReady(), kWaitForWindowMs);
    return g_noticeWindow.load();
}

}  // namespace

bool CNoticeWindow::Create() noexcept {
    if (m_hWnd) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kNoticeClass;
    ::RegisterClassExW(&wc);  // fails harmlessly when a second window registers it again
    m_hWnd = ::CreateWindowExW(0, kNoticeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!m_hWnd) return false;
    g_noticeWindow.store(m_hWnd);
    ::SetEvent(NoticeWindowReady());
    return true;
}

void CNoticeWindow::Destroy() noexcept {
    if (!m_hWnd) return;
    HWND mine = m_hWnd;
    if (g_noticeWindow.compare_exchange_strong(mine, nullptr)) ::ResetEvent(NoticeWindowReady());
    // Notices still waiting go with the window.
    NoticeItem item;
    while (NoticeMail().Take(item)) {
    }
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CNoticeWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == kLookInMail) {
        // One item per wake: a box's modal loop may deliver the next wake, and so shows the next box.
        NoticeItem item;
        if (!NoticeMail().Take(item)) return 0;
        if (item.box) {
            ::MessageBoxW(nullptr, item.box->text, item.box->caption, item.box->type);
        } else if (const NoticeMailHandler handler = g_mailHandler.load()) {
            handler(item.code);
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void SetNoticeMailHandler(NoticeMailHandler handler) noexcept { g_mailHandler.store(handler); }

namespace {

bool Hand(NoticeItem item) noexcept {
    HWND window = WaitForNoticeWindow();
    if (!window) return false;
    NoticeMail().Put(std::move(item));
    return ::PostMessageW(window, kLookInMail, 0, 0) != FALSE;
}

}  // namespace

bool PostNoticeMail(UINT code) noexcept {
    NoticeItem item;
    item.code = code;
    return Hand(std::move(item));
}

bool PostNotice(const wchar_t* text, const wchar_t* caption, UINT type) noexcept {
    if (!WaitForNoticeWindow()) return false;
    NoticeItem item;
    item.box.reset(new (std::nothrow) Notice);
    if (!item.box) return false;
    // The box only shows these texts; a cut one still says what went wrong.
    CopyText(item.box->text, text);
    CopyText(item.box->caption, caption);
    item.box->type = type;
    return Hand(std::move(item));
}

}  // namespace vp

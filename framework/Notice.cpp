#include "framework/Notice.h"

#include <atomic>
#include <new>

#include "framework/Text.h"

namespace vp {

namespace {

constexpr wchar_t kNoticeClass[] = L"VeilpaneNotice";
constexpr UINT kShowNotice = WM_APP + 1;  // lParam: a Notice, owned by the receiver
constexpr UINT kNoticeMail = WM_APP + 2;  // wParam: the code for the mail handler
constexpr DWORD kWaitForWindowMs = 3000;

struct Notice {
    wchar_t text[4096];   // room for the longest command line an action refuses to cut
    wchar_t caption[128];
    UINT type;
};

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
    // Notices still queued for the window go with it.
    MSG msg;
    while (::PeekMessageW(&msg, m_hWnd, kShowNotice, kShowNotice, PM_REMOVE)) {
        delete reinterpret_cast<Notice*>(msg.lParam);
    }
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CNoticeWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == kShowNotice) {
        Notice* notice = reinterpret_cast<Notice*>(lp);
        ::MessageBoxW(nullptr, notice->text, notice->caption, notice->type);
        delete notice;
        return 0;
    }
    if (msg == kNoticeMail) {
        if (const NoticeMailHandler handler = g_mailHandler.load()) handler(static_cast<UINT>(wp));
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void SetNoticeMailHandler(NoticeMailHandler handler) noexcept { g_mailHandler.store(handler); }

bool PostNoticeMail(UINT code) noexcept {
    HWND window = WaitForNoticeWindow();
    return window && ::PostMessageW(window, kNoticeMail, code, 0);
}

bool PostNotice(const wchar_t* text, const wchar_t* caption, UINT type) noexcept {
    HWND window = WaitForNoticeWindow();
    if (!window) return false;
    auto* notice = new (std::nothrow) Notice;
    if (!notice) return false;
    // The box only shows these texts; a cut one still says what went wrong.
    CopyText(notice->text, text);
    CopyText(notice->caption, caption);
    notice->type = type;
    if (::PostMessageW(window, kShowNotice, 0, reinterpret_cast<LPARAM>(notice))) return true;
    delete notice;
    return false;
}

}  // namespace vp

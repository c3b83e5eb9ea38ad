#include "ui/controls/ThemedImageCtrl.h"

#include "framework/Dpi.h"
#include "ui/Accessible.h"
#include "ui/Drawing.h"

bool CThemedImageCtrl::SubclassWindow(HWND hwnd) noexcept {
    if (!CWindowImplBase::SubclassWindow(hwnd)) return false;
    m_background.SetWindow(TopLevelBackgroundWindow(hwnd));
    Invalidate(TRUE);
    return true;
}

void CThemedImageCtrl::SetImage(UINT id) noexcept {
    m_imageId = id;
    m_image.Reset(LoadPngBitmapForDpi(id, vp::WindowDpi(m_hWnd)));
    if (IsWindow()) Invalidate(TRUE);
}

void CThemedImageCtrl::SetImage(const wchar_t* name, const wchar_t* type) noexcept {
    m_imageId = 0;
    m_image.Reset(LoadPngBitmap(name, type));
    if (IsWindow()) Invalidate(TRUE);
}

void CThemedImageCtrl::SizeToImage() noexcept {
    if (!IsWindow()) return;
    m_sizedToImage = true;
    const SIZE image = BitmapSize(m_image.Get());
    RECT window{}, client{};
    GetWindowRect(&window);
    GetClientRect(&client);
    // Whatever border the static has stays around the image.
    const int frameW = (window.right - window.left) - (client.right - client.left);
    const int frameH = (window.bottom - window.top) - (client.bottom - client.top);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, image.cx + frameW, image.cy + frameH,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate(TRUE);
}

bool CThemedImageCtrl::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_GETOBJECT:
        return AnswerGetObject(m_hWnd, wp, lp, m_name, ROLE_SYSTEM_GRAPHIC, result);
    case WM_DPICHANGED_AFTERPARENT:
        if (m_imageId) {
            SetImage(m_imageId);
            if (m_sizedToImage) SizeToImage();
        }
        result = 0;
        return true;
    case WM_MOVE:
    case WM_SIZE:
        m_background.Forget();
        Invalidate(TRUE);
        result = 1;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return vp::PaintOrPrint(m_hWnd, msg, wp, result, [this](HDC dc) { Draw(dc); });
    }
    return false;
}

void CThemedImageCtrl::Draw(HDC dc) noexcept {
    RECT rc{};
    GetClientRect(&rc);
    m_background.Fill(m_hWnd, dc, rc);
    const SIZE size = BitmapSize(m_image.Get());
    AlphaBlendBitmap(dc, rc, m_image.Get(), RECT{0, 0, size.cx, size.cy});
}

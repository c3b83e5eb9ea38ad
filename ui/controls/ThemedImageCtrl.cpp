#include "ui/controls/ThemedImageCtrl.h"

#include "framework/Dpi.h"
#include "ui/Accessible.h"
#include "ui/Drawing.h"

void CThemedImageCtrl::SetImage(UINT id) noexcept {
    m_imageId = id;
    m_image.Reset(Look().LoadArtwork(id, vp::WindowDpi(m_hWnd)));
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

bool CThemedImageCtrl::ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return msg == WM_GETOBJECT && AnswerGetObject(m_hWnd, wp, lp, m_name, ROLE_SYSTEM_GRAPHIC, result);
}

void CThemedImageCtrl::ReloadArtwork() {
    if (!m_imageId) return;
    SetImage(m_imageId);
    if (m_sizedToImage) SizeToImage();
}

void CThemedImageCtrl::Draw(HDC dc, const RECT& rc) {
    const SIZE size = BitmapSize(m_image.Get());
    AlphaBlendBitmap(dc, rc, m_image.Get(), RECT{0, 0, size.cx, size.cy});
}

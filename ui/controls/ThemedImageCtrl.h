#pragma once
// A static that shows a PNG image with alpha over its window's painted background.
#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "ui/controls/ThemedBackground.h"

class CThemedImageCtrl : public vp::CWindowImplBase {
public:
    bool SubclassWindow(HWND hwnd) noexcept;

    // Loads the image (replacing the old one) and repaints.
    void SetImage(const wchar_t* name, const wchar_t* type = L"PNG") noexcept;
    // The artwork for the control's DPI; loaded again (and the size kept to it) on a DPI change.
    void SetImage(UINT id) noexcept;
    // The name screen readers give the image (its window text when none is set).
    void SetAccessibleName(const wchar_t* name) noexcept { m_name = name ? name : L""; }
    // Makes the client area exactly as large as the image, keeping the position.
    void SizeToImage() noexcept;
    void SetBackgroundWindow(HWND background) noexcept { m_background.SetWindow(background); }
    HBITMAP Image() const noexcept { return m_image.Get(); }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Draw(HDC dc) noexcept;

    CThemedBackground m_background;
    vp::BitmapHandle m_image;
    UINT m_imageId = 0;
    bool m_sizedToImage = false;
    std::wstring m_name;
};

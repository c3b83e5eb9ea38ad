#pragma once
// A static that shows a PNG image with alpha over its window's painted background.
#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "ui/controls/ThemedControl.h"

class CThemedImageCtrl : public CThemedControl {
public:
    CThemedImageCtrl() noexcept : CThemedControl(Drawing::Paint) {}

    // Loads the image (replacing the old one) and repaints.
    void SetImage(const wchar_t* name, const wchar_t* type = L"PNG") noexcept;
    // The artwork of the look for the control's DPI; loaded again (and the size kept to it) when the
    // DPI or the look changes.
    void SetImage(UINT id) noexcept;
    // The name screen readers give the image (its window text when none is set).
    void SetAccessibleName(const wchar_t* name) noexcept { m_name = name ? name : L""; }
    // Makes the client area exactly as large as the image, keeping the position.
    void SizeToImage() noexcept;

private:
    bool ProcessControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void ReloadArtwork() override;
    void Draw(HDC dc, const RECT& rc) override;

    vp::BitmapHandle m_image;
    UINT m_imageId = 0;
    bool m_sizedToImage = false;
    std::wstring m_name;
};

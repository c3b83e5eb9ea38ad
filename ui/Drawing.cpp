#include "ui/Drawing.h"

#include <objidl.h>
#include <gdiplus.h>

#include <iterator>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Window.h"
#include "ids_artwork.h"

namespace {

namespace gdip = Gdiplus::DllExports;

INIT_ONCE g_gdiplusOnce = INIT_ONCE_STATIC_INIT;
bool g_gdiplusStarted = false;

// GDI+ stays up for the life of the process: bitmaps are decoded on more than one thread (the
// settings window and the password prompts), and shutting it down between them would race.
BOOL CALLBACK StartGdiplus(PINIT_ONCE, PVOID, PVOID*) noexcept {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
    ULONG_PTR token = 0;
    g_gdiplusStarted = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    return TRUE;
}

HBITMAP ToHbitmap(Gdiplus::GpBitmap* image) noexcept {
    HBITMAP result = nullptr;
    if (gdip::GdipCreateHBITMAPFromBitmap(image, &result, 0 /* fully transparent */) != Gdiplus::Ok) result = nullptr;
    gdip::GdipDisposeImage(image);
    return result;
}

Gdiplus::GpBitmap* DecodeResourceImage(const wchar_t* name, const wchar_t* type) noexcept {
    HINSTANCE module = vp::ModuleInstance();
    HRSRC res = ::FindResourceW(module, name, type);
    if (!res) return nullptr;
    const DWORD size = ::SizeofResource(module, res);
    HGLOBAL loaded = ::LoadResource(module, res);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data || size == 0) return nullptr;

    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) return nullptr;
    void* dst = ::GlobalLock(copy);
    if (!dst) {
        ::GlobalFree(copy);
        return nullptr;
    }
    ::CopyMemory(dst, data, size);
    ::GlobalUnlock(copy);

    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE /* the stream frees the block */, &stream)) || !stream) {
        ::GlobalFree(copy);
        return nullptr;
    }
    Gdiplus::GpBitmap* image = nullptr;
    const bool decoded = gdip::GdipCreateBitmapFromStream(stream, &image) == Gdiplus::Ok && image;
    stream->Release();
    return decoded ? image : nullptr;
}

HBITMAP DecodeResource(const wchar_t* name, const wchar_t* type) noexcept {
    Gdiplus::GpBitmap* image = DecodeResourceImage(name, type);
    return image ? ToHbitmap(image) : nullptr;
}

SIZE ImageSize(Gdiplus::GpBitmap* image) noexcept {
    UINT w = 0, h = 0;
    gdip::GdipGetImageWidth(image, &w);
    gdip::GdipGetImageHeight(image, &h);
    return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

// The image resampled to width x height, cell by cell, with high-quality bicubic filtering; the
// edges repeat mirrored, so no cell darkens at its border. Takes the image; nullptr on failure.
Gdiplus::GpBitmap* Resample(Gdiplus::GpBitmap* image, int width, int height, int cells) noexcept {
    const SIZE from = ImageSize(image);
    Gdiplus::GpBitmap* result = nullptr;
    if (width <= 0 || height <= 0 || from.cx <= 0 || from.cy <= 0 ||
        gdip::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &result) != Gdiplus::Ok) {
        gdip::GdipDisposeImage(image);
        return nullptr;
    }
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdiplus::GpImageAttributes* attributes = nullptr;
    if (gdip::GdipGetImageGraphicsContext(result, &graphics) == Gdiplus::Ok) {
        gdip::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
        gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);
        gdip::GdipSetCompositingMode(graphics, Gdiplus::CompositingModeSourceCopy);
        if (gdip::GdipCreateImageAttributes(&attributes) == Gdiplus::Ok) {
            gdip::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
        }
        const int srcCell = from.cx / cells, dstCell = width / cells;
        for (int i = 0; i < cells; ++i) {
            gdip::GdipDrawImageRectRectI(graphics, image, i * dstCell, 0, dstCell, height, i * srcCell, 0, srcCell,
                                         from.cy, Gdiplus::UnitPixel, attributes, nullptr, nullptr);
        }
        if (attributes) gdip::GdipDisposeImageAttributes(attributes);
        gdip::GdipDeleteGraphics(graphics);
    }
    gdip::GdipDisposeImage(image);
    return result;
}

constexpr UINT kDrawnDpis[] = {96, 120, 144, 192};

}  // namespace

HBITMAP LoadPngBitmap(const wchar_t* name, const wchar_t* type) noexcept {
    ::InitOnceExecuteOnce(&g_gdiplusOnce, StartGdiplus, nullptr, nullptr);
    if (!g_gdiplusStarted || !name) return nullptr;

    Gdiplus::GpBitmap* image = nullptr;
    if (!IS_INTRESOURCE(name)) {
        if (gdip::GdipCreateBitmapFromFile(name, &image) != Gdiplus::Ok || !image) return nullptr;
        return ToHbitmap(image);
    }
    if (type && type != RT_BITMAP) return DecodeResource(name, type);
    if (gdip::GdipCreateBitmapFromResource(vp::ModuleInstance(), name, &image) != Gdiplus::Ok || !image) return nullptr;
    return ToHbitmap(image);
}

UINT ArtworkIdForDpi(UINT id, UINT dpi, UINT* drawnDpi) noexcept {
    UINT k = 0;
    while (k + 1 < std::size(kDrawnDpis) && kDrawnDpis[k] < dpi) ++k;
    if (drawnDpi) *drawnDpi = kDrawnDpis[k];
    return id + k * IDB_SCALE_STEP;
}

HBITMAP LoadPngBitmapForDpi(UINT id, UINT dpi, int cells) noexcept {
    ::InitOnceExecuteOnce(&g_gdiplusOnce, StartGdiplus, nullptr, nullptr);
    if (!g_gdiplusStarted) return nullptr;
    if (cells < 1) cells = 1;
    UINT drawn = 0;
    const UINT variant = ArtworkIdForDpi(id, dpi, &drawn);
    Gdiplus::GpBitmap* image = DecodeResourceImage(MAKEINTRESOURCEW(variant), L"PNG");
    if (!image) image = DecodeResourceImage(MAKEINTRESOURCEW(id), L"PNG");  // an image drawn at 100 % only
    if (!image) return nullptr;
    if (drawn == dpi && variant != id) return ToHbitmap(image);
    // Between two scales: the 100 % image's cells give the size, the larger image the pixels.
    SIZE base = ImageSize(image);
    if (variant != id) {
        Gdiplus::GpBitmap* plain = DecodeResourceImage(MAKEINTRESOURCEW(id), L"PNG");
        if (plain) {
            base = ImageSize(plain);
            gdip::GdipDisposeImage(plain);
        }
    } else if (dpi == vp::kDefaultDpi) {
        return ToHbitmap(image);
    }
    const int width = cells * vp::ScaleForDpi(static_cast<int>(base.cx) / cells, dpi);
    const int height = vp::ScaleForDpi(static_cast<int>(base.cy), dpi);
    if (Gdiplus::GpBitmap* resampled = Resample(image, width, height, cells)) return ToHbitmap(resampled);
    return nullptr;
}

HBRUSH MakeParentBackgroundBrush(HWND control, HWND background) noexcept {
    if (!::IsWindow(control) || !::IsWindow(background)) return nullptr;
    vp::WindowDc screen(background);
    if (!screen) return nullptr;

    RECT bgRect{};
    ::GetWindowRect(background, &bgRect);
    const int bgW = bgRect.right - bgRect.left, bgH = bgRect.bottom - bgRect.top;
    RECT ctrlRect{};
    ::GetWindowRect(control, &ctrlRect);
    const int w = ctrlRect.right - ctrlRect.left, h = ctrlRect.bottom - ctrlRect.top;
    if (bgW <= 0 || bgH <= 0 || w <= 0 || h <= 0) return nullptr;

    vp::MemoryDcHandle bgDc(::CreateCompatibleDC(screen.Get()));
    vp::BitmapHandle bgBitmap(::CreateCompatibleBitmap(screen.Get(), bgW, bgH));
    vp::MemoryDcHandle ctrlDc(::CreateCompatibleDC(screen.Get()));
    vp::BitmapHandle ctrlBitmap(::CreateCompatibleBitmap(screen.Get(), w, h));
    if (!bgDc || !bgBitmap || !ctrlDc || !ctrlBitmap) return nullptr;
    {
        vp::SelectGuard selectBg(bgDc.Get(), bgBitmap.Get());
        ::SendMessageW(background, WM_ERASEBKGND, reinterpret_cast<WPARAM>(bgDc.Get()), 0);
        ::SendMessageW(background, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bgDc.Get()),
                       PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        ::MapWindowPoints(nullptr, background, reinterpret_cast<POINT*>(&ctrlRect), 2);
        vp::SelectGuard selectCtrl(ctrlDc.Get(), ctrlBitmap.Get());
        ::BitBlt(ctrlDc.Get(), 0, 0, w, h, bgDc.Get(), ctrlRect.left, ctrlRect.top, SRCCOPY);
    }
    return ::CreatePatternBrush(ctrlBitmap.Get());
}

void NineGridParts(const RECT& dst, const RECT& src, int left, int top, int right, int bottom,
                   NineGridPart (&parts)[9]) noexcept {
    const LONG dx[4] = {dst.left, dst.left + left, dst.right - right, dst.right};
    const LONG dy[4] = {dst.top, dst.top + top, dst.bottom - bottom, dst.bottom};
    const LONG sx[4] = {src.left, src.left + left, src.right - right, src.right};
    const LONG sy[4] = {src.top, src.top + top, src.bottom - bottom, src.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            parts[row * 3 + col] = NineGridPart{RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]},
                                                RECT{sx[col], sy[row], sx[col + 1], sy[row + 1]}};
        }
    }
}

void DrawNineGrid(HDC dstDc, const RECT& dst, HDC srcDc, const RECT& src, BYTE alpha, int left, int top, int right,
                  int bottom) noexcept {
    NineGridPart parts[9];
    NineGridParts(dst, src, left, top, right, bottom, parts);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    for (const NineGridPart& p : parts) {
        const int dw = p.dst.right - p.dst.left, dh = p.dst.bottom - p.dst.top;
        const int sw = p.src.right - p.src.left, sh = p.src.bottom - p.src.top;
        if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) continue;
        ::AlphaBlend(dstDc, p.dst.left, p.dst.top, dw, dh, srcDc, p.src.left, p.src.top, sw, sh, blend);
    }
}

void FillSolidRect(HDC dc, const RECT& rc, COLORREF colour) noexcept {
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void AlphaBlendBitmap(HDC dstDc, const RECT& dst, HBITMAP bitmap, const RECT& src, BYTE alpha) noexcept {
    if (!bitmap) return;
    const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    const int sw = src.right - src.left, sh = src.bottom - src.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    vp::MemoryDcHandle mem(::CreateCompatibleDC(dstDc));
    if (!mem) return;
    vp::SelectGuard select(mem.Get(), bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    ::AlphaBlend(dstDc, dst.left, dst.top, dw, dh, mem.Get(), src.left, src.top, sw, sh, blend);
}

SIZE BitmapSize(HBITMAP bitmap) noexcept {
    BITMAP bm{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

HWND TopLevelBackgroundWindow(HWND control) noexcept {
    HWND top = control;
    for (HWND up = ::GetParent(top); up; up = ::GetParent(top)) top = up;
    return top;
}

bool GetMessageFontForDpi(LOGFONTW& font, UINT dpi) noexcept {
    NONCLIENTMETRICSW metrics{};
    if (!vp::NonClientMetricsForDpi(metrics, dpi)) return false;
    font = metrics.lfMessageFont;
    return true;
}

void PaintStretchedBackground(HWND window, HDC dc, HBITMAP background) noexcept {
    RECT rc{};
    ::GetClientRect(window, &rc);
    if (!background) {
        FillSolidRect(dc, rc, ::GetSysColor(COLOR_BTNFACE));
        return;
    }
    const SIZE size = BitmapSize(background);
    vp::MemoryDcHandle mem(::CreateCompatibleDC(dc));
    if (!mem) return;
    vp::SelectGuard select(mem.Get(), background);
    // Smooth scaling: the artwork is a soft gradient that blocky stretching would band.
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    ::StretchBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
}

#include "UiWindowSupport.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>

#include "framework/Reflection.h"
#include "ui/Drawing.h"
#include "ui/controls/EditBrowserCtrl.h"

namespace ui_test {

void InitCommonControlsOnce() {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    done = true;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (::GetTickCount() - start < ms);
}

HWND CTestHost::Create(COLORREF colour, const RECT& rc, DWORD style, DWORD exStyle, HWND parent) noexcept {
    m_colour = colour;
    return CWindowImplBase::Create(L"VeilpaneUiTestHost", parent, &rc, L"Veilpane", style, exStyle);
}

void CTestHost::Paint(HDC dc) noexcept {
    RECT rc{};
    GetClientRect(&rc);
    if (m_image) {
        const SIZE size = BitmapSize(m_image);
        vp::MemoryDcHandle mem(::CreateCompatibleDC(dc));
        vp::SelectGuard select(mem.Get(), m_image);
        ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    } else {
        FillSolidRect(dc, rc, m_colour);
    }
}

bool CTestHost::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        Paint(reinterpret_cast<HDC>(wp));
        result = 1;
        return true;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        result = 0;
        return true;
    case WM_COMMAND:
    case WM_EDITBROWSER_CLICK: {
        const Received r{msg, wp, lp};
        received.push_back(r);
        if (onReceive) onReceive(r);
        break;
    }
    }
    return vp::ReflectNotifications(hwnd, msg, wp, lp, result);
}

COLORREF Pixels::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const DWORD p = bgra[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Pixels::Count(COLORREF colour, const RECT& area) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) n += At(x, y) == colour;
    }
    return n;
}

double Pixels::Brightness() const {
    double sum = 0;
    for (DWORD p : bgra) sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    return bgra.empty() ? 0 : sum / (3.0 * 255.0 * static_cast<double>(bgra.size()));
}

namespace {

// A DIB section the size of the window part to capture, prefilled with kUnpainted.
struct Canvas {
    vp::MemoryDcHandle dc;
    vp::BitmapHandle bitmap;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    int width = 0, height = 0;

    Canvas(int w, int h) : width(w), height(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        dc.Reset(::CreateCompatibleDC(nullptr));
        bitmap.Reset(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        old = ::SelectObject(dc.Get(), bitmap.Get());
        FillSolidRect(dc.Get(), RECT{0, 0, w, h}, kUnpainted);
    }
    ~Canvas() { ::SelectObject(dc.Get(), old); }
    Pixels Take() {
        ::GdiFlush();
        Pixels p;
        p.width = width;
        p.height = height;
        const DWORD* src = static_cast<const DWORD*>(bits);
        p.bgra.assign(src, src + static_cast<size_t>(width) * height);
        return p;
    }
};

}  // namespace

Pixels PrintClient(HWND hwnd, LPARAM flags) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    Canvas canvas(rc.right, rc.bottom);
    ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.Get()), flags);
    return canvas.Take();
}

Pixels EraseBackground(HWND hwnd) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    Canvas canvas(rc.right, rc.bottom);
    ::SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc.Get()), 0);
    return canvas.Take();
}

Pixels PrintWindowMessage(HWND hwnd, LPARAM flags) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    Canvas canvas(rc.right - rc.left, rc.bottom - rc.top);
    ::SendMessageW(hwnd, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc.Get()), flags);
    return canvas.Take();
}

Pixels ReadScreen(HWND hwnd) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    Canvas canvas(rc.right, rc.bottom);
    HDC client = ::GetDC(hwnd);
    ::BitBlt(canvas.dc.Get(), 0, 0, canvas.width, canvas.height, client, 0, 0, SRCCOPY);
    ::ReleaseDC(hwnd, client);
    return canvas.Take();
}

bool SavePng(const Pixels& pixels, const std::wstring& path) {
    LoadPngBitmap(L"", L"PNG");  // starts GDI+ the way the program does
    namespace gdip = Gdiplus::DllExports;
    Gdiplus::GpBitmap* image = nullptr;
    std::vector<DWORD> copy = pixels.bgra;
    for (DWORD& p : copy) p |= 0xFF000000u;
    if (gdip::GdipCreateBitmapFromScan0(pixels.width, pixels.height, pixels.width * 4, PixelFormat32bppARGB,
                                        reinterpret_cast<BYTE*>(copy.data()), &image) != Gdiplus::Ok) {
        return false;
    }
    // The PNG encoder: {557CF406-1A04-11D3-9A73-0000F81EF32E}.
    const CLSID png{0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const bool ok = gdip::GdipSaveImageToFile(image, path.c_str(), &png, nullptr) == Gdiplus::Ok;
    gdip::GdipDisposeImage(image);
    return ok;
}

HBITMAP MakeStrip(const std::vector<COLORREF>& colours, int cellWidth, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cellWidth * static_cast<int>(colours.size());
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < bi.bmiHeader.biWidth; ++x) {
            const COLORREF c = colours[static_cast<size_t>(x / cellWidth)];
            px[y * bi.bmiHeader.biWidth + x] =
                0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    }
    return bitmap;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace ui_test


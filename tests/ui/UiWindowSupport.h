#pragma once
// Windows and pixel read-back for the ui tests: a host window that paints a known background,
// reflects notifications and records what its children send; captures of what a window paints.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/Window.h"

namespace ui_test {

void InitCommonControlsOnce();
// Lets posted and sent messages, timers and paints run for about ms milliseconds.
void PumpFor(DWORD ms);

struct Received {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

// A window that paints one colour (or an image stretched over it, like the settings frame) on
// WM_ERASEBKGND and WM_PRINTCLIENT, reflects its children's notifications to them, and records every
// WM_COMMAND and WM_EDITBROWSER_CLICK.
class CTestHost : public vp::CWindowImplBase {
public:
    // A tool window by default: Wine leaves it to no window manager, so closing it never waits for one.
    HWND Create(COLORREF colour, const RECT& rc, DWORD style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                DWORD exStyle = WS_EX_TOOLWINDOW, HWND parent = nullptr) noexcept;
    void SetImage(HBITMAP image) noexcept { m_image = image; }  // borrowed
    void Paint(HDC dc) noexcept;

    std::vector<Received> received;
    std::function<void(const Received&)> onReceive;

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    COLORREF m_colour = RGB(255, 255, 255);
    HBITMAP m_image = nullptr;
};

// Pixels of a capture, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> bgra;
    COLORREF At(int x, int y) const;
    // How many pixels of the rectangle have exactly this colour.
    int Count(COLORREF colour, const RECT& area) const;
    int Count(COLORREF colour) const { return Count(colour, RECT{0, 0, width, height}); }
    // The mean brightness of the pixels, 0 (black) to 1 (white).
    double Brightness() const;
};

constexpr COLORREF kUnpainted = RGB(255, 0, 255);

// What the window paints into a memory DC on WM_PRINTCLIENT (prefilled with kUnpainted).
Pixels PrintClient(HWND hwnd, LPARAM flags = PRF_CLIENT);
// What the window paints on WM_ERASEBKGND.
Pixels EraseBackground(HWND hwnd);
// What WM_PRINT paints, non-client area included.
Pixels PrintWindowMessage(HWND hwnd, LPARAM flags);
// What the window shows on the screen now: its client area read back (children included).
Pixels ReadScreen(HWND hwnd);
// Writes a capture as a PNG through GDI+.
bool SavePng(const Pixels& pixels, const std::wstring& path);

// A 32-bit top-down bitmap with opaque pixels of the given colours side by side, cellWidth each.
HBITMAP MakeStrip(const std::vector<COLORREF>& colours, int cellWidth, int height);

bool Near(COLORREF a, COLORREF b, int tolerance);

// One visible host window per test suite, its children removed after every test: Wine without a
// window manager waits two seconds whenever a visible top-level window goes away.
template <COLORREF Colour, LONG Width, LONG Height>
class HostedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitCommonControlsOnce();
        s_host = new CTestHost;
        s_host->Create(Colour, RECT{40, 40, 40 + Width, 40 + Height});
    }
    static void TearDownTestSuite() {
        delete s_host;
        s_host = nullptr;
    }
    void TearDown() override {
        while (HWND child = ::GetWindow(host, GW_CHILD)) ::DestroyWindow(child);
        host.received.clear();
        host.onReceive = nullptr;
    }
    static inline CTestHost* s_host = nullptr;
    CTestHost& host = *s_host;
};

}  // namespace ui_test

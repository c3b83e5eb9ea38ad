#include "framework/Dpi.h"

#include <vector>

namespace vp {

namespace {

constexpr wchar_t kDpiProp[] = L"VeilpaneDpi";
int g_forcedHighContrast = -1;

template <class Fn>
Fn User32Function(const char* name) noexcept {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);

HWND RootOf(HWND hwnd) noexcept {
    HWND root = ::GetAncestor(hwnd, GA_ROOT);
    return root ? root : hwnd;
}

void RescaleFont(LOGFONTW& font, UINT from, UINT to) noexcept {
    if (from != to && from != 0) font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(to), static_cast<int>(from));
}

}  // namespace

UINT SystemDpi() noexcept {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT WindowDpi(HWND hwnd) noexcept {
    if (hwnd && ::IsWindow(hwnd)) {
        if (const auto recorded = reinterpret_cast<UINT_PTR>(::GetPropW(RootOf(hwnd), kDpiProp))) {
            return static_cast<UINT>(recorded);
        }
        static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
        if (getDpiForWindow) {
            if (const UINT dpi = getDpiForWindow(hwnd)) return dpi;
        }
    }
    return SystemDpi();
}

void SetWindowDpi(HWND topLevel, UINT dpi) noexcept {
    if (topLevel && dpi) ::SetPropW(topLevel, kDpiProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(dpi)));
}

int SystemMetricForDpi(int index, UINT dpi) noexcept {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

BOOL AdjustWindowRectForDpi(RECT* rc, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) noexcept {
    static const auto forDpi = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (forDpi) return forDpi(rc, style, menu, exStyle, dpi);
    return ::AdjustWindowRectEx(rc, style, menu, exStyle);
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi) noexcept {
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof(metrics);
    static const auto forDpi = User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, dpi)) return true;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        // Systems before Vista know the structure without its last field.
        metrics.cbSize = sizeof(metrics) - sizeof(int);
        if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return false;
    }
    const UINT system = SystemDpi();
    for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                           &metrics.lfStatusFont, &metrics.lfMessageFont}) {
        RescaleFont(*font, system, dpi);
    }
    return true;
}

RECT WorkAreaFor(HWND hwnd) noexcept {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (HMONITOR monitor = ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST); monitor && ::GetMonitorInfoW(monitor, &info)) {
        return info.rcWork;
    }
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void KeepInWorkArea(HWND hwnd) noexcept {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    const RECT area = WorkAreaFor(hwnd);
    LONG x = rc.left, y = rc.top;
    if (rc.right > area.right) x -= rc.right - area.right;
    if (rc.bottom > area.bottom) y -= rc.bottom - area.bottom;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    if (x != rc.left || y != rc.top) {
        ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TakeOverDialogDpiScaling(HWND dialog) noexcept {
    static const auto behaviour = User32Function<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (behaviour) behaviour(dialog, kDisableAll, kDisableAll);
}

void ScaleChildWindows(HWND parent, UINT oldDpi, UINT newDpi) noexcept {
    if (oldDpi == 0 || oldDpi == newDpi) return;
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    auto scale = [&](LONG v) { return ::MulDiv(v, static_cast<int>(newDpi), static_cast<int>(oldDpi)); };
    for (HWND child : children) {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        ::SetWindowPos(child, nullptr, scale(rc.left), scale(rc.top), scale(rc.right) - scale(rc.left),
                       scale(rc.bottom) - scale(rc.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool HighContrastOn() noexcept {
    if (g_forcedHighContrast >= 0) return g_forcedHighContrast != 0;
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof(hc);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

void ForceHighContrastForTest(int on) noexcept { g_forcedHighContrast = on; }

}  // namespace vp

#include "ui/Look.h"

#include <iterator>

#include "framework/Dpi.h"
#include "ids_artwork.h"
#include "ui/Drawing.h"

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

Theme ReadTheme() noexcept {
    if (vp::HighContrastOn()) return Theme::HighContrast;
    DWORD light = 1, size = sizeof(light);
    const LSTATUS read = ::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD,
                                        nullptr, &light, &size);
    return read == ERROR_SUCCESS && light == 0 ? Theme::Dark : Theme::Light;
}

COLORREF Sys(int index) noexcept { return ::GetSysColor(index); }

}  // namespace

Palette CLook::PaletteOf(Theme theme) noexcept {
    switch (theme) {
    case Theme::Light:
        return Palette{RGB(0, 0, 0), RGB(40, 40, 40), RGB(40, 90, 170), RGB(40, 90, 200), RGB(60, 120, 220),
                       RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), Sys(COLOR_BTNFACE), Sys(COLOR_HIGHLIGHT),
                       Sys(COLOR_WINDOWTEXT), RGB(185, 209, 239), Sys(COLOR_WINDOW), Sys(COLOR_WINDOWTEXT),
                       Sys(COLOR_WINDOW), RGB(0, 0, 0), RGB(255, 255, 255),
                       {{RGB(234, 246, 253), RGB(215, 239, 252), RGB(189, 230, 253), RGB(166, 217, 244)},
                        {RGB(194, 228, 246), RGB(194, 228, 246), RGB(169, 217, 242), RGB(146, 204, 236)}},
                       RGB(127, 157, 185), RGB(0, 0, 0), Sys(COLOR_INACTIVEBORDER)};
    case Theme::Dark:
        return Palette{RGB(228, 232, 238), RGB(136, 144, 156), RGB(125, 172, 240), RGB(120, 170, 245),
                       RGB(160, 195, 255), RGB(228, 232, 238), RGB(255, 255, 255), RGB(150, 156, 166),
                       RGB(45, 50, 60), RGB(43, 108, 208), RGB(96, 106, 122), RGB(34, 41, 54), RGB(28, 32, 40),
                       RGB(228, 232, 238), RGB(40, 45, 54), RGB(228, 232, 238), RGB(28, 32, 40),
                       {{RGB(74, 84, 100), RGB(64, 74, 90), RGB(56, 66, 82), RGB(50, 60, 76)},
                        {RGB(43, 108, 208), RGB(43, 108, 208), RGB(36, 92, 180), RGB(30, 80, 160)}},
                       RGB(96, 106, 122), RGB(228, 232, 238), RGB(50, 55, 64)};
    case Theme::HighContrast: break;
    }
    const COLORREF face = Sys(COLOR_BTNFACE);
    return Palette{Sys(COLOR_WINDOWTEXT), Sys(COLOR_GRAYTEXT), Sys(COLOR_WINDOWTEXT), Sys(COLOR_WINDOWTEXT),
                   Sys(COLOR_WINDOWTEXT), Sys(COLOR_BTNTEXT), Sys(COLOR_HIGHLIGHTTEXT), Sys(COLOR_GRAYTEXT), face,
                   Sys(COLOR_HIGHLIGHT), Sys(COLOR_WINDOWTEXT), face, Sys(COLOR_WINDOW), Sys(COLOR_WINDOWTEXT),
                   Sys(COLOR_WINDOW), Sys(COLOR_BTNTEXT), face, {{face, face, face, face}, {face, face, face, face}},
                   Sys(COLOR_WINDOWTEXT), Sys(COLOR_BTNTEXT), Sys(COLOR_INACTIVEBORDER)};
}

CLook& CLook::OfThisThread() {
    thread_local CLook look;
    return look;
}

CLook::CLook() : m_dpi(vp::SystemDpi()) {
    m_theme = ReadTheme();
    m_palette = PaletteOf(m_theme);
    m_editBrush.Reset(::CreateSolidBrush(m_palette.editBack));
    MakeFonts();
}

void CLook::MakeFonts() {
    for (int i = 0; i < kFontCount; ++i) m_retired[i] = std::move(m_fonts[i]);
    LOGFONTW lf{};
    if (GetMessageFontForDpi(lf, m_dpi)) {
        const LONG message = lf.lfHeight;
        lf.lfHeight = -vp::ScaleForDpi(14, m_dpi);
        m_fonts[kPage].Reset(::CreateFontIndirectW(&lf));
        lf.lfHeight = GrowFontHeight(message, vp::ScaleForDpi(2, m_dpi));
        m_fonts[kTab].Reset(::CreateFontIndirectW(&lf));
    }
    // The dialog templates' font, 11 points, two units larger.
    LOGFONTW heading{};
    heading.lfHeight = -(::MulDiv(11, static_cast<int>(m_dpi), 72) + vp::ScaleForDpi(2, m_dpi));
    heading.lfWeight = FW_NORMAL;
    heading.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(heading.lfFaceName, L"Microsoft Sans Serif", static_cast<int>(std::size(heading.lfFaceName)));
    m_fonts[kHeading].Reset(::CreateFontIndirectW(&heading));
}

void CLook::SetDpi(UINT dpi) {
    if (dpi == 0 || dpi == m_dpi) return;
    m_dpi = dpi;
    MakeFonts();
    ++m_generation;
}

void CLook::Refresh() {
    m_theme = ReadTheme();
    m_palette = PaletteOf(m_theme);
    m_editBrush.Reset(::CreateSolidBrush(m_palette.editBack));
    ++m_generation;
}

HBITMAP CLook::LoadArtwork(UINT id, UINT dpi, int cells) const noexcept {
    if (m_theme == Theme::Dark) {
        if (HBITMAP dark = LoadPngBitmapForDpi(id + IDB_DARK_STEP, dpi, cells)) return dark;
    }
    return LoadPngBitmapForDpi(id, dpi, cells);
}

void CLook::PaintTitleBar(HWND window) const noexcept {
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    // Looked up, not linked: systems before Vista have no dwmapi, older ones not the attribute.
    static const auto setAttribute = [] {
        HMODULE dwm = ::LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return dwm ? reinterpret_cast<SetAttributeFn>(reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmSetWindowAttribute")))
                   : nullptr;
    }();
    if (!setAttribute || !window) return;
    const BOOL dark = m_theme == Theme::Dark;
    // DWMWA_USE_IMMERSIVE_DARK_MODE is 20 since Windows 10 20H1 and was 19 before; a system that
    // knows neither refuses both, and its title bar stays as it is.
    if (FAILED(setAttribute(window, 20, &dark, sizeof(dark)))) setAttribute(window, 19, &dark, sizeof(dark));
}

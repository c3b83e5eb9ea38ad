#pragma once
// The look of one thread's windows: the display scale, the palette and the fonts. The ui thread has
// one, and so has each password prompt's thread; every control of a thread draws with its thread's
// look, and no colour is named anywhere else.
#include <windows.h>

#include "framework/Handles.h"

// Light and dark follow the app theme of Windows; high contrast wins over both.
enum class Theme { Light, Dark, HighContrast };

struct Palette {
    COLORREF text;          // labels, check boxes and tabs
    COLORREF disabledText;
    COLORREF heading;       // the section headers of the pages
    COLORREF link;
    COLORREF linkHot;
    COLORREF buttonText;     // on a button's normal face
    COLORREF buttonTextLit;  // on its hot and pressed faces
    COLORREF buttonTextOff;  // on a disabled button
    COLORREF buttonFace;     // where no face artwork is drawn
    COLORREF highlight;
    COLORREF line;           // outlines drawn instead of artwork
    COLORREF panel;          // the navigation panel's fill
    COLORREF window;         // behind everything where no artwork is drawn
    COLORREF editText;
    COLORREF editBack;
    COLORREF focusInk;       // the dotted focus rectangle
    COLORREF focusPaper;
    COLORREF browse[2][4];   // the browse button's gradient, top to bottom: normal, pressed
    COLORREF browseEdge;
    COLORREF browseArrow;
    COLORREF browseOff;      // a disabled browse button
};

class CLook {
public:
    // The calling thread's look, made on its first use from the system's settings, at the system DPI.
    static CLook& OfThisThread();

    Theme GetTheme() const noexcept { return m_theme; }
    bool HighContrast() const noexcept { return m_theme == Theme::HighContrast; }
    const Palette& Colours() const noexcept { return m_palette; }
    UINT Dpi() const noexcept { return m_dpi; }

    // The message font, 14 pixels at 96 DPI: every control of a settings page.
    HFONT PageFont() const noexcept { return m_fonts[kPage].Get(); }
    // The section headers and the hotkey boxes: the templates' font, two units larger.
    HFONT HeadingFont() const noexcept { return m_fonts[kHeading].Get(); }
    // The tabs: the message font, two pixels larger.
    HFONT TabFont() const noexcept { return m_fonts[kTab].Get(); }
    // A brush of the edits' background.
    HBRUSH EditBrush() const noexcept { return m_editBrush.Get(); }

    // The artwork id (its light 100 % image) for a DPI in the look's theme: the dark set's image in
    // dark, the light one otherwise (ui/Drawing.h).
    HBITMAP LoadArtwork(UINT id, UINT dpi, int cells = 1) const noexcept;

    // A new DPI: the fonts are made again; the old ones live on until the change after, as windows
    // may still hold them until they are given the new ones.
    void SetDpi(UINT dpi);
    // Reads the theme again (high contrast, then the app theme). Every change, even to the same
    // theme (the system colours may have changed), starts a new generation of the look.
    void Refresh();
    // Counts the changes of the look: what was made from an older one (a background brush) is stale.
    unsigned Generation() const noexcept { return m_generation; }
    // A top-level window's title bar in the theme: dark where the system can draw it so.
    void PaintTitleBar(HWND window) const noexcept;

    // The colours of a theme; a test may draw with them.
    static Palette PaletteOf(Theme theme) noexcept;

private:
    CLook();
    void MakeFonts();

    enum Font { kPage, kHeading, kTab, kFontCount };
    Theme m_theme = Theme::Light;
    Palette m_palette{};
    UINT m_dpi = 96;
    unsigned m_generation = 1;
    vp::FontHandle m_fonts[kFontCount];
    vp::FontHandle m_retired[kFontCount];
    vp::BrushHandle m_editBrush;
};

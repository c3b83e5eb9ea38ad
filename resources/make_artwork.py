#!/usr/bin/env python3
"""Draws every PNG of the settings window and the program icon from code, with ImageMagick.

Run it after changing the look; it rewrites resources/art/ and its outputs are committed, so a build
needs nothing but the PNG files. Needs ImageMagick's convert (scripts/setup.sh installs it).

Every image is drawn at four display scales from the same shapes: NAME.png at 100 %, and
NAME@125.png, NAME@150.png and NAME@200.png; the program picks the one at or above the window's
scale. Sizes are rounded to whole pixels cell by cell (a strip of four 23-pixel cells is 4 x 29 pixels
wide at 125 %), as the program rounds them. The icon carries 16, 20, 24, 32, 40, 48 and 256 pixels.

    python3 resources/make_artwork.py [--out DIR]

One palette for everything: calm blues on white, navy ink, rounded shapes, soft gradients. Shapes
are written in ImageMagick's drawing language (MVG); colours with alpha fades are made with -fx.

The dark set (NAME_dark.png, NAME_dark@125.png, ...) is drawn from the same shapes with the ink and
lines of the dark palette, every light colour turned into a deep blue-grey of the same hue, and the
accent blue as it is. The images that are white on the accent blue (the section marks, the logo, Apply,
the quit picture, the sweep) read on both and have no dark copy; the program takes the light one.
"""
import colorsys
import re
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

# ---- palette -----------------------------------------------------------------------------------------
INK = "#1E3A5F"          # glyphs and outlines that must read clearly
INK_SOFT = "#3A5A84"
PRIMARY_TOP = "#3F86E4"  # the one accent colour: active, hot and pressed things
PRIMARY = "#2B6CD0"
PRIMARY_DEEP = "#1D55AE"
PRIMARY_DARK = "#17478F"
LINE = "#A9C0DE"         # hairlines around light shapes
LINE_STRONG = "#86A7D6"
SURFACE_TOP = "#FBFDFF"
SURFACE_BOTTOM = "#E2ECF8"
PANEL = "#B9D1EF"        # the navigation panel's own fill, RGB(185, 209, 239)
GREY = "#9AA8BA"
GREY_LIGHT = "#C9D2DE"
QUIT_RED = "#C4473E"
QUIT_RED_DEEP = "#A3362E"

DARK_PALETTE = dict(INK="#C9D6E8", INK_SOFT="#AFC0D8", LINE="#3A4658", LINE_STRONG="#4A5A72", GREY="#6A7688",
                    GREY_LIGHT="#4A5566")
DARK_SET = ("frame_background", "dialog_background", "tab_bar", "tab_strip", "nav_left_cap", "nav_right_cap",
            "nav_middle", "nav_centre", "nav_homepage", "nav_help", "nav_hide", "nav_quit", "nav_previous",
            "nav_next", "button_face", "about_name")
DARK = False   # drawing the dark set
ART = None     # the folder the images go to

CONVERT = None
SCALES = (100, 125, 150, 200)
S = 1.0        # the scale being drawn
SUFFIX = ""    # its file-name suffix: "" at 100 %, "@125" and so on


def px(v):
    """A 100 % size in whole pixels at the scale being drawn, rounded half up like MulDiv."""
    return int(v * S + 0.5)
STRIP = ["-define", "png:exclude-chunks=date,time", "+set", "date:create", "+set", "date:modify"]


def find_convert():
    for candidate in ("/usr/bin/convert", shutil.which("convert")):
        if candidate and os.path.exists(candidate):
            return candidate
    sys.exit("ImageMagick's convert is missing: run scripts/setup.sh")


def dark_colour(match):
    """A light colour of the light set as the dark set has it: the same hue, little of its
    saturation, and its lightness turned over into 0.12 (white) to 0.36; darker colours, and the
    dark palette's own inks and lines, stay."""
    text = match.group(0)
    if text.startswith("#"):
        rgb, alpha = [int(text[i:i + 2], 16) / 255 for i in (1, 3, 5)], None
    elif text.startswith("rgba"):
        *rgb, alpha = [float(v) for v in match.group(1).split(",")]
        rgb = [v / 255 for v in rgb]
    else:
        rgb, alpha = [1.0, 1.0, 1.0], None
    h, l, s = colorsys.rgb_to_hls(*rgb)
    if l < 0.7 or text.upper() in DARK_PALETTE.values():
        return text
    if s < 0.05:  # white and the greys take the blue-grey of the rest
        h, s = 0.6, 0.3
    r, g, b = (round(v * 255) for v in colorsys.hls_to_rgb(h, 0.12 + (1 - l) * 0.8, min(s, 0.3)))
    return f"#{r:02X}{g:02X}{b:02X}" if alpha is None else f"rgba({r},{g},{b},{alpha})"


COLOUR = re.compile(r"#[0-9A-Fa-f]{6}\b|rgba\(([\d.,]+)\)|\bwhite\b")


def run(args):
    args = [str(a) for a in args]
    if DARK:
        args = [COLOUR.sub(dark_colour, a) for a in args]
    subprocess.run([CONVERT] + args, check=True)


def save(out, name, args, scaled=True):
    """Runs convert with args and writes a 32-bit RGBA PNG without timestamps; the name gets the
    suffix of the scale being drawn."""
    root, ext = os.path.splitext(name)
    if DARK and out == ART:
        if root not in DARK_SET:
            return None
        root += "_dark"
    name = root + (SUFFIX if scaled else "") + ext
    path = os.path.join(out, name)
    run(args + ["+repage", "-strip"] + STRIP + ["PNG32:" + path])
    return path


def gradient(name, x1, y1, x2, y2, stops):
    lines = [f"push gradient '{name}' linear {x1},{y1} {x2},{y2}"]
    lines += [f"stop-color '{c}' {o}" for c, o in stops]
    lines.append("pop gradient")
    return "\n".join(lines)


def mvg(defs, body):
    text = ""
    if defs:
        text += "push defs\n" + "\n".join(defs) + "\npop defs\n"
    return text + body


def filled(name, shape):
    """Shapes filled with gradient `name`. Kept in a graphic context of their own: ImageMagick 6 keeps
    a gradient fill active past a later plain fill otherwise."""
    return f"push graphic-context\nfill 'url(#{name})'\n{shape}pop graphic-context\n"


def canvas(w, h, draw, scaled=True):
    """A transparent w x h canvas (100 % sizes, scaled unless told otherwise) with the shapes drawn on
    it in 100 % coordinates."""
    if not scaled:
        return ["-size", f"{w}x{h}", "xc:none", "-draw", draw]
    return ["-size", f"{px(w)}x{px(h)}", "xc:none", "-draw", f"scale {S},{S}\n" + draw]


def font_file(bold=True):
    """A sans-serif face for the wordmark; ImageMagick's default when fontconfig finds none."""
    pattern = "DejaVu Sans:bold" if bold else "DejaVu Sans"
    try:
        found = subprocess.run(["fc-match", "-f", "%{file}", pattern], capture_output=True, text=True, check=True)
        if found.stdout and os.path.exists(found.stdout):
            return found.stdout
    except (OSError, subprocess.CalledProcessError):
        pass
    return None


# ---- window backgrounds ------------------------------------------------------------------------------

def frame_background(out):
    # Stretched over the whole settings window: a soft sky at the top behind the tabs that settles into
    # near-white paper for the pages. Only a gradient, so stretching never distorts it.
    w, h = 480, 360
    draw = mvg([gradient("bg", 0, 0, 0, h, [("#DCE7F5", 0), ("#EEF3FA", 0.10), ("#FAFCFE", 0.22),
                                           ("#F6F9FD", 0.75), ("#EDF3FA", 1)])],
               filled("bg", f"rectangle 0,0 {w},{h}\n"))
    save(out, "frame_background.png", canvas(w, h, draw))


def dialog_background(out):
    w, h = 360, 200
    draw = mvg([gradient("bg", 0, 0, 0, h, [("#FBFDFF", 0), ("#F3F7FC", 0.6), ("#E5EEF9", 1)])],
               filled("bg", f"rectangle 0,0 {w},{h}\n") + f"fill '{PRIMARY}'\nrectangle 0,0 {w},2\n")
    save(out, "dialog_background.png", canvas(w, h, draw))


# ---- tab bar -----------------------------------------------------------------------------------------

def tab_bar(out):
    # 5 rows under the tabs: a hairline (hidden under the selected tab, which overlaps it by two rows)
    # and a white glow fading into the page. The ends fade so the line does not stop abruptly.
    w, h, line = px(32), px(5), px(1)
    colour = ["-size", f"{w}x{h}", "xc:white", "-fill", LINE, "-draw", f"rectangle 0,0 {w},{line - 1}"]
    alpha = ["(", "-size", f"{w}x{h}", "xc:", "-fx",
             f"(j<{line} ? 1 : 0.85*(1-(j/{S}-1)/4)) * min(1, min(i+1, w-i)/{4 * S})", ")"]
    save(out, "tab_bar.png", colour + alpha + ["-alpha", "off", "-compose", "CopyOpacity", "-composite"])


def tab_cell(w, h, fill_top, fill_bottom, border, accent, bottom_open=True):
    """One tab: rounded top corners, straight sides running into the bar, optional top accent."""
    r = 5
    # The outline stops at the bottom edge, so a selected tab joins the page beneath it.
    body = (f"M 0.5,{h} L 0.5,{r + 0.5} Q 0.5,0.5 {r + 0.5},0.5 L {w - r - 0.5},0.5 "
            f"Q {w - 0.5},0.5 {w - 0.5},{r + 0.5} L {w - 0.5},{h}")
    # ImageMagick 6 gradients lose the alpha of their stops: see-through cells use one flat colour.
    if fill_top.startswith("rgba"):
        draw = [f"fill '{fill_top}'", "stroke none", f"path '{body} Z'"]
    else:
        draw = [filled("t", f"stroke none\npath '{body} Z'\n")]
    if border:
        draw += ["fill none", f"stroke '{border}'", "stroke-width 1", f"path '{body}'"]
    if accent:
        draw += ["stroke none", f"fill '{accent}'",
                 f"path 'M 1,{r + 1} Q 1,1 {r + 1},1 L {w - r - 1},1 Q {w - 1},1 {w - 1},{r + 1} "
                 f"L {w - 1},3 L 1,3 Z'"]
    return mvg([gradient("t", 0, 0, 0, h, [(fill_top, 0), (fill_bottom, 1)])], "\n".join(draw))


def tab_strip(out):
    # Five cells: 0 normal, 1 selected, 2 marked, 3 hot, 4 unused (a quieter normal).
    cw, h = 48, 30
    cells = [
        tab_cell(cw, h, "rgba(255,255,255,0.45)", "rgba(255,255,255,0.15)", "rgba(134,167,214,0.45)", None),
        tab_cell(cw, h, "#FFFFFF", "#FFFFFF", LINE_STRONG, PRIMARY),
        tab_cell(cw, h, "#F3F8FF", "#E3EEFC", LINE_STRONG, "#8DB3EA"),
        tab_cell(cw, h, "rgba(255,255,255,0.95)", "rgba(255,255,255,0.75)", LINE_STRONG, "#A9C6F0"),
        tab_cell(cw, h, "rgba(255,255,255,0.25)", "rgba(255,255,255,0.05)", "rgba(134,167,214,0.25)", None),
    ]
    with tempfile.TemporaryDirectory() as tmp:
        parts = [save(tmp, f"c{i}.png", canvas(cw, h, c)) for i, c in enumerate(cells)]
        save(out, "tab_strip.png", parts + ["-background", "none", "+append"])


# ---- navigation panel --------------------------------------------------------------------------------

BAND_W, BAND_H = 340, 33


def nav_band(out):
    # The whole pill is drawn once; the caps and the middle strip are cut from it, so they always fit.
    w, h = BAND_W, BAND_H
    r = (h - 1) / 2
    draw = mvg([gradient("b", 0, 0, 0, h, [("#F7FAFF", 0), ("#E4EDF9", 0.55), ("#D5E3F5", 1)])],
               filled("b", f"stroke '{LINE_STRONG}'\nstroke-width 1\n"
                           f"roundrectangle 0.5,0.5 {w - 0.5},{h - 0.5} {r},{r}\n")
               # a highlight along the top gives the pill a little depth
               + f"fill none\nstroke 'rgba(255,255,255,0.9)'\n"
               f"line {r},1.5 {w - r},1.5\n")
    with tempfile.TemporaryDirectory() as tmp:
        pill = save(tmp, "pill.png", canvas(w, h, draw))
        save(out, "nav_left_cap.png", [pill, "-crop", f"{px(16)}x{px(h)}+0+0", "+repage"])
        save(out, "nav_right_cap.png", [pill, "-crop", f"{px(16)}x{px(h)}+{px(w) - px(16)}+0", "+repage"])
        save(out, "nav_middle.png", [pill, "-crop", f"{px(5)}x{px(h)}+{px(40)}+0", "+repage"])


def nav_centre(out):
    # The hub the Apply button sits in: a ring a little larger than the button, centred on the band,
    # with a soft shadow under it.
    w, h = 40, 52
    cx, cy, r = 20, 25.5, 19.2
    draw = mvg([gradient("hub", 0, cy - r, 0, cy + r, [("#FFFFFF", 0), ("#DCE8F7", 1)])],
               f"fill 'rgba(30,58,95,0.10)'\nstroke none\nellipse {cx},{cy + r + 1.5} 13,3 0,360\n"
               + filled("hub", f"stroke '{LINE_STRONG}'\nstroke-width 1\ncircle {cx},{cy} {cx + r},{cy}\n"))
    save(out, "nav_centre.png", canvas(w, h, draw))


def nav_sweep(out):
    # A vertical band of light that crosses the panel after Apply.
    w, h = px(23), px(64)
    alpha = f"0.85*sin(pi*(i+0.5)/{w})^2"
    save(out, "nav_sweep.png", ["-size", f"{w}x{h}", "xc:white", "(", "-size", f"{w}x{h}", "xc:", "-fx", alpha, ")",
                                "-alpha", "off", "-compose", "CopyOpacity", "-composite"])


# Button glyphs, drawn in a 23 x 24 cell around (11.5, 12.5).
def glyph_globe(colour):
    return (f"fill none\nstroke '{colour}'\nstroke-width 1.5\ncircle 11.5,12.5 11.5,6.5\n"
            f"ellipse 11.5,12.5 2.6,6 0,360\nline 5.8,12.5 17.2,12.5\n"
            f"stroke-width 1\nline 6.8,9.2 16.2,9.2\nline 6.8,15.8 16.2,15.8\n")


def glyph_help(colour):
    return (f"fill none\nstroke '{colour}'\nstroke-width 2\nstroke-linecap round\nstroke-linejoin round\n"
            f"path 'M 8.6,10 C 8.6,6.2 14.6,6.2 14.6,9.8 C 14.6,12.2 11.6,12.2 11.6,14.8'\n"
            f"stroke none\nfill '{colour}'\ncircle 11.6,18.2 11.6,16.9\n")


def glyph_hide(colour):
    return (f"fill none\nstroke '{colour}'\nstroke-width 2\nstroke-linecap round\nstroke-linejoin round\n"
            f"path 'M 7.5,8.5 L 11.5,12.5 L 15.5,8.5'\nline 7,17 16,17\n")


def glyph_power(colour, cx=11.5, cy=13, r=5.4, width=2.0):
    import math
    a = math.radians(50)
    x1, y1 = cx - r * math.sin(a), cy - r * math.cos(a)
    x2 = cx + r * math.sin(a)
    return (f"fill none\nstroke '{colour}'\nstroke-width {width}\nstroke-linecap round\n"
            f"path 'M {x1:.2f},{y1:.2f} A {r},{r} 0 1,0 {x2:.2f},{y1:.2f}'\n"
            f"line {cx},{cy - r - 1.2} {cx},{cy - 0.8}\n")


def round_button_cells(glyph, hot_fill="#FFFFFF", hot_ink=PRIMARY, pressed_fill=PRIMARY_DEEP):
    """Cells 0 disabled, 1 normal, 2 hot, 3 pressed of a small round icon button."""
    cx, cy, r = 11.5, 12.5, 10.6
    disc = lambda fill, stroke: f"fill '{fill}'\nstroke '{stroke}'\nstroke-width 1\ncircle {cx},{cy} {cx + r},{cy}\n"
    return [
        glyph(GREY_LIGHT),
        glyph(INK_SOFT),
        disc(hot_fill, LINE_STRONG) + glyph(hot_ink),
        disc(pressed_fill, pressed_fill) + glyph("#FFFFFF"),
    ]


def pill_button_cells(arrow):
    """Cells of the Previous and Next buttons: a pill around an arrow."""
    w, h = 50, 24
    def pill(top, bottom, stroke):
        shape = f"stroke '{stroke}'\nstroke-width 1\nroundrectangle 3.5,2.5 46.5,21.5 9.5,9.5\n"
        if top.startswith("rgba"):  # see-through: one flat colour (gradient stops lose their alpha)
            return f"fill '{top}'\n" + shape
        return mvg([gradient("p", 0, 2, 0, 22, [(top, 0), (bottom, 1)])], filled("p", shape))
    return w, h, [
        pill("rgba(255,255,255,0.55)", "rgba(240,245,252,0.55)", GREY_LIGHT) + arrow(GREY_LIGHT),
        pill("#FFFFFF", "#E9F1FB", LINE_STRONG) + arrow(INK_SOFT),
        pill("#FFFFFF", "#DCEAFC", PRIMARY) + arrow(PRIMARY),
        pill(PRIMARY, PRIMARY_DEEP, PRIMARY_DARK) + arrow("#FFFFFF"),
    ]


def arrow_left(colour):
    return (f"fill none\nstroke '{colour}'\nstroke-width 2\nstroke-linecap round\nstroke-linejoin round\n"
            f"line 18,12 32,12\npath 'M 22.5,7.5 L 18,12 L 22.5,16.5'\n")


def arrow_right(colour):
    return (f"fill none\nstroke '{colour}'\nstroke-width 2\nstroke-linecap round\nstroke-linejoin round\n"
            f"line 18,12 32,12\npath 'M 27.5,7.5 L 32,12 L 27.5,16.5'\n")


def apply_cells():
    """The Apply button: a blue disc with a white check, concentric with the hub behind it."""
    cx, cy, r = 22, 24.5, 16.5
    def disc(top, bottom, stroke, check, dy=0):
        return (mvg([gradient("a", 0, cy - r, 0, cy + r, [(top, 0), (bottom, 1)])],
                    filled("a", f"stroke '{stroke}'\nstroke-width 1\ncircle {cx},{cy} {cx + r},{cy}\n")
                    + f"fill none\nstroke 'rgba(255,255,255,0.35)'\n"
                    f"path 'M {cx - 11},{cy - 6} A 13,13 0 0,1 {cx + 11},{cy - 6}'\n"
                    f"stroke '{check}'\nstroke-width 3.2\nstroke-linecap round\nstroke-linejoin round\n"
                    f"path 'M {cx - 7.5},{cy + 0.5 + dy} L {cx - 2},{cy + 6 + dy} L {cx + 8},{cy - 5.5 + dy}'\n"))
    return 44, 44, [
        disc("#C7D1DE", "#A9B6C7", "#98A6B8", "rgba(255,255,255,0.8)"),
        disc(PRIMARY_TOP, PRIMARY_DEEP, PRIMARY_DARK, "#FFFFFF"),
        disc("#5A9BEE", PRIMARY, PRIMARY_DEEP, "#FFFFFF"),
        disc(PRIMARY_DEEP, PRIMARY_DARK, "#123A75", "#E8F0FC", dy=0.8),
    ]


def strip(out, name, w, h, cells):
    with tempfile.TemporaryDirectory() as tmp:
        parts = [save(tmp, f"c{i}.png", canvas(w, h, c)) for i, c in enumerate(cells)]
        save(out, name, parts + ["-background", "none", "+append"])


def nav_buttons(out):
    strip(out, "nav_homepage.png", 23, 24, round_button_cells(glyph_globe))
    strip(out, "nav_help.png", 23, 24, round_button_cells(glyph_help))
    strip(out, "nav_hide.png", 23, 24, round_button_cells(glyph_hide))
    strip(out, "nav_quit.png", 23, 24,
          round_button_cells(glyph_power, hot_ink=QUIT_RED, pressed_fill=QUIT_RED_DEEP))
    strip(out, "nav_previous.png", *pill_button_cells(arrow_left))
    strip(out, "nav_next.png", *pill_button_cells(arrow_right))
    strip(out, "nav_apply.png", *apply_cells())


# ---- dialog buttons ----------------------------------------------------------------------------------

def button_face(out):
    # Five cells, stretched with 6-pixel margins: 0 spare normal, 1 hot, 2 spare outlined, 3 normal
    # (also disabled), 4 pressed. Hot and pressed carry white text, the others black.
    w, h = 32, 26
    def face(top, bottom, stroke, inner=None):
        body = filled("f", f"stroke '{stroke}'\nstroke-width 1\nroundrectangle 0.5,0.5 {w - 0.5},{h - 0.5} 5,5\n")
        if inner:
            body += f"fill none\nstroke '{inner}'\nline 5,1.5 {w - 5},1.5\n"
        return mvg([gradient("f", 0, 0, 0, h, [(top, 0), (bottom, 1)])], body)
    cells = [
        face("#FFFFFF", "#E8F0FA", LINE_STRONG, "#FFFFFF"),
        face(PRIMARY_TOP, PRIMARY, PRIMARY_DEEP, "rgba(255,255,255,0.35)"),
        face("#FFFFFF", "#E1ECFA", PRIMARY, "#FFFFFF"),
        face("#FFFFFF", "#E8F0FA", LINE_STRONG, "#FFFFFF"),
        face(PRIMARY_DEEP, PRIMARY_DARK, "#123A75"),
    ]
    strip(out, "button_face.png", w, h, cells)


# ---- page headers and the about page ------------------------------------------------------------------

def badge(glyph):
    """A 16 x 16 rounded blue tile with a white glyph: the mark before each section header."""
    return mvg([gradient("g", 0, 0, 0, 16, [(PRIMARY_TOP, 0), (PRIMARY_DEEP, 1)])],
               filled("g", "stroke none\nroundrectangle 0,0 15.99,15.99 4,4\n") + glyph)


def headers(out):
    white = "'#FFFFFF'"
    switch = (f"fill none\nstroke {white}\nstroke-width 1.5\nstroke-linecap round\nstroke-linejoin round\n"
              "line 3.5,5.5 11.5,5.5\npath 'M 9.5,3 L 12,5.5 L 9.5,8'\n"
              "line 4.5,10.5 12.5,10.5\npath 'M 6.5,8 L 4,10.5 L 6.5,13'\n")
    gear = (f"fill none\nstroke {white}\nstroke-width 2.6\nstroke-dasharray 1.9,1.24\ncircle 8,8 8,3.7\n"
            f"stroke-dasharray none\nstroke-width 1.6\ncircle 8,8 8,5.6\n")
    lock = (f"fill none\nstroke {white}\nstroke-width 1.5\npath 'M 5.5,7.5 L 5.5,5.6 A 2.5,2.5 0 0,1 10.5,5.6 L 10.5,7.5'\n"
            f"stroke none\nfill {white}\nroundrectangle 3.8,7.2 12.2,13.2 1.2,1.2\n"
            f"fill '{PRIMARY_DEEP}'\ncircle 8,10 8,9\n")
    bolt = f"fill {white}\nstroke none\npolygon 9.2,2.5 4.2,9 7.6,9 6.6,13.5 11.8,6.8 8.4,6.8\n"
    save(out, "header_switch.png", canvas(16, 16, badge(switch)))
    save(out, "header_system.png", canvas(16, 16, badge(gear)))
    save(out, "header_password.png", canvas(16, 16, badge(lock)))
    save(out, "header_actions.png", canvas(16, 16, badge(bolt)))


def logo_mvg(size):
    """The product mark: a shield holding a window pane whose left half is veiled."""
    s = size / 100.0
    shield = ("M 50,5 C 63,13 76,15.5 88,15.5 L 88,46 C 88,70 72,86.5 50,95.5 "
              "C 28,86.5 12,70 12,46 L 12,15.5 C 24,15.5 37,13 50,5 Z")
    body = (f"scale {s},{s}\n"
            + filled("sh", f"stroke '{PRIMARY_DARK}'\nstroke-width {max(1.0, 1.2 / s):.2f}\npath '{shield}'\n")
            # the pane: a white frame with a mullion; the left half veiled, the right half clear
            + f"fill 'rgba(255,255,255,0.55)'\nstroke none\nroundrectangle 31,31 50,69 3,3\n"
            f"fill none\nstroke '#FFFFFF'\nstroke-width 5\nroundrectangle 31,31 69,69 4,4\nline 50,31 50,69\n")
    return mvg([gradient("sh", 0, 5, 0, 96, [(PRIMARY_TOP, 0), (PRIMARY_DEEP, 1)])], body)


NAME_SIZE = [0, 0]  # the wordmark's size at 100 %, measured when it is drawn


def about(out):
    save(out, "about_logo.png", canvas(80, 80, logo_mvg(80)))
    # Wordmark: the name in navy, with the mark's blue as a small underline accent.
    # Trimmed at 100 %; the other scales take that size scaled, so the wordmark scales as a whole.
    font = font_file(bold=True)
    args = ["-size", f"{px(128)}x{px(28)}", "xc:none", "-fill", INK, "-pointsize", f"{21 * S:g}", "-gravity", "West"]
    if font:
        args += ["-font", font]
    args += ["-annotate", f"+{px(1)}-{px(2)}", "Veilpane", "-gravity", "NorthWest", "-fill", PRIMARY,
             "-draw", f"scale {S},{S} roundrectangle 2,24 30,25.9 1,1"]
    args += ["-trim", "+repage", "-bordercolor", "none", "-border", str(px(1))]
    if S != 1.0:
        w, h = NAME_SIZE
        args += ["-background", "none", "-gravity", "center", "-extent", f"{px(w)}x{px(h)}"]
    path = save(out, "about_name.png", args)
    if S == 1.0:
        found = subprocess.run([CONVERT, path, "-format", "%w %h", "info:"], capture_output=True, text=True, check=True)
        NAME_SIZE[:] = [int(v) for v in found.stdout.split()]


def quit_image(out):
    size = 32
    body = mvg([gradient("q", 0, 1, 0, 31, [(PRIMARY_TOP, 0), (PRIMARY_DEEP, 1)])],
               filled("q", f"stroke '{PRIMARY_DARK}'\nstroke-width 1\ncircle 16,16 16,1.5\n")
               + glyph_power("#FFFFFF", cx=16, cy=17, r=7.5, width=2.6))
    save(out, "quit.png", canvas(size, size, body))


def icon(out):
    # One file for every scale: the small icon at 100 to 250 %, the large one at 100 to 150 %, and
    # 256 pixels for the shell's large views. Each size drawn from the shapes, none resampled. The icon
    # sits on the shell's colours, not the window's: it has no dark copy.
    if S != 1.0 or DARK:
        return
    with tempfile.TemporaryDirectory() as tmp:
        sizes = [16, 20, 24, 32, 40, 48, 256]
        parts = [save(tmp, f"i{n}.png", canvas(n, n, logo_mvg(n), scaled=False), scaled=False) for n in sizes]
        run(parts + [os.path.join(out, "veilpane.ico")])


def main():
    global CONVERT, S, SUFFIX, DARK, ART
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))
    args = parser.parse_args()
    CONVERT = find_convert()
    ART = args.out
    os.makedirs(args.out, exist_ok=True)
    for DARK in (False, True):
        if DARK:
            globals().update(DARK_PALETTE)
        for scale in SCALES:
            S = scale / 100.0
            SUFFIX = "" if scale == 100 else f"@{scale}"
            for step in (frame_background, dialog_background, tab_bar, tab_strip, nav_band, nav_centre, nav_sweep,
                         nav_buttons, button_face, headers, about, quit_image, icon):
                step(args.out)
    print("artwork written to", args.out)


if __name__ == "__main__":
    main()

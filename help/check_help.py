#!/usr/bin/env python3
"""Checks the compiled help file and the pages it is made from.

usage: check_help.py <Veilpane.chm> <help source folder> <resources folder>

The compiled file must be a CHM archive (it starts with "ITSF") whose directory holds every page,
the contents and the index. The sources must hang together: every page is in the project, in the
contents and reachable; no link, contents entry or index entry points to a missing page. And the
pages must keep up with the program: every check box of the two settings pages (their texts are in
the rows of the settings table, beside the resources) and every item of the tray menu is described by
its own text.
"""
import html
import os
import re
import sys

failures = []


def fail(message):
    failures.append(message)


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def page_text(markup):
    """The visible text of a page, entities decoded and blanks collapsed."""
    text = re.sub(r"<[^>]+>", " ", markup)
    return " ".join(html.unescape(text).split())


def rc_text(literal):
    """A text as the program shows it: "&&" draws as "&", and blanks collapse like in the pages."""
    return " ".join(literal.replace("&&", "&").split())


def main():
    chm_path, help_dir, res_dir = sys.argv[1:4]
    html_dir = os.path.join(help_dir, "html")
    pages = sorted(f for f in os.listdir(html_dir) if f.endswith(".html"))

    # ---- the compiled file -------------------------------------------------------------------------
    if not os.path.isfile(chm_path):
        print("missing: " + chm_path)
        return 1
    with open(chm_path, "rb") as f:
        chm = f.read()
    if chm[:4] != b"ITSF":
        fail("%s does not start with ITSF" % chm_path)
    for name in ["/html/%s" % p for p in pages] + ["/html/help.css", "/toc.hhc", "/index.hhk", "/#SYSTEM"]:
        if name.encode("ascii") not in chm:
            fail("the compiled help holds no %s" % name)

    # ---- the project -------------------------------------------------------------------------------
    hhp = read(os.path.join(help_dir, "Veilpane.hhp"))
    files_section = hhp.split("[FILES]", 1)[1] if "[FILES]" in hhp else ""
    listed = [line.strip() for line in files_section.splitlines() if line.strip() and not line.startswith("[")]
    for entry in listed:
        if not os.path.isfile(os.path.join(help_dir, entry)):
            fail("Veilpane.hhp lists %s, which does not exist" % entry)
    for p in pages:
        if "html/" + p not in listed:
            fail("html/%s is not in the [FILES] of Veilpane.hhp" % p)
    for key in ("Compiled file=Veilpane.chm", "Contents file=toc.hhc", "Index file=index.hhk"):
        if key not in hhp:
            fail("Veilpane.hhp lacks '%s'" % key)

    # ---- contents, index and links -----------------------------------------------------------------
    toc = read(os.path.join(help_dir, "toc.hhc"))
    toc_pages = re.findall(r'name="Local" value="html/([^"#]+)', toc)
    index_pages = re.findall(r'name="Local" value="html/([^"#]+)', read(os.path.join(help_dir, "index.hhk")))
    for where, targets in (("toc.hhc", toc_pages), ("index.hhk", index_pages)):
        for target in targets:
            if target not in pages:
                fail("%s points to html/%s, which does not exist" % (where, target))
    for p in pages:
        if p not in toc_pages:
            fail("html/%s is not in the contents" % p)

    texts = {}
    for p in pages:
        markup = read(os.path.join(html_dir, p))
        texts[p] = page_text(markup)
        if not re.search(r"<title>[^<]+</title>", markup):
            fail("html/%s has no title" % p)
        for href in re.findall(r'href="([^"]+)"', markup):
            target = href.split("#", 1)[0]
            if re.match(r"[a-z]+:", target) or not target:
                continue
            if not os.path.isfile(os.path.join(html_dir, target)):
                fail("html/%s links to %s, which does not exist" % (p, href))

    # ---- the pages describe what the program shows -------------------------------------------------
    # A row of the table: its kind, what comes before its place (an on/off row names its page there),
    # and the check box's text right after the place.
    table = read(os.path.join(res_dir, "..", "settings", "SettingsTable.cpp"))
    rows = re.findall(r'\b(OnOff|Hotkey|Password|Text|List)\(&S::(.*?)\{\d+, \d+, \d+\},\s*L"([^"]*)"', table, re.S)
    boxes = {"basic_settings.html": [], "advanced_settings.html": []}
    for kind, before, label in rows:
        basic = kind in ("Hotkey", "Password") or (kind == "OnOff" and "kBasic" in before)
        boxes["basic_settings.html" if basic else "advanced_settings.html"].append(rc_text(label))
    for page, labels in boxes.items():
        if not labels:
            fail("no check boxes found for %s in the settings table" % page)
        for label in labels:
            if label not in texts.get(page, ""):
                fail("html/%s does not describe the setting '%s'" % (page, label))

    menus = read(os.path.join(res_dir, "menus.rc"))
    tray = re.search(r'POPUP "Tray"\s*BEGIN(.*?)END', menus, re.S)
    if not tray:
        fail("menus.rc has no tray menu")
    else:
        for item in re.findall(r'MENUITEM\s+"([^"]+)"', tray.group(1)):
            if rc_text(item) not in texts.get("settings_window.html", ""):
                fail("html/settings_window.html does not describe the tray menu item '%s'" % item)

    for message in failures:
        print("FAIL: " + message)
    if not failures:
        print("help file %s: %d bytes, %d pages" % (chm_path, len(chm), len(pages)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

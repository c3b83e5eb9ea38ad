#!/usr/bin/env python3
"""Reads the manifests of a package run back: every field they must carry, each hash the SHA-256 of
its download, each version the version resource's. Usage: check_manifests.py DIST DOWNLOAD_URL"""
import hashlib, json, re, struct, subprocess, sys, zipfile
from pathlib import Path

dist, url = Path(sys.argv[1]), sys.argv[2].rstrip("/")
msi, portable = next(dist.glob("Veilpane-*.msi")), next(dist.glob("Veilpane-*-portable.zip"))
sha256 = lambda path: hashlib.sha256(path.read_bytes()).hexdigest()
exe = zipfile.ZipFile(portable).read("Veilpane.exe")
# The fixed file information holds major.minor.0.build; Windows Installer and the packages take
# major.minor.build.
ms, ls = struct.unpack_from("<II", exe, exe.index(struct.pack("<I", 0xFEEF04BD)) + 8)
version = f"{ms >> 16}.{ms & 0xFFFF}.{ls & 0xFFFF}" if ls >> 16 == 0 else "<third field not 0>"
msi_table = subprocess.run(["msiinfo", "export", str(msi), "Property"], check=True, capture_output=True, text=True)
msi_property = dict(line.rstrip("\r").split("\t", 1) for line in msi_table.stdout.splitlines() if "\t" in line)
given = bool
scoop = json.loads((dist / "scoop" / "veilpane.json").read_text())

ident = {"PackageIdentifier": "MORVEX.Veilpane", "PackageVersion": version,
         "ManifestVersion": lambda v: tuple(map(int, v.split("."))) >= (1, 6, 0)}
expected = {
    "winget/MORVEX.Veilpane.yaml": {**ident, "ManifestType": "version", "DefaultLocale": "en-US"},
    "winget/MORVEX.Veilpane.installer.yaml": {
        **ident, "ManifestType": "installer", "InstallerType": "msi", "Scope": "user",
        "InstallerUrl": f"{url}/{msi.name}", "InstallerSha256": sha256(msi).upper(),
        "ProductCode": msi_property["ProductCode"]},
    "winget/MORVEX.Veilpane.locale.en-US.yaml": {
        **ident, "ManifestType": "defaultLocale", "PackageLocale": "en-US", "Publisher": "MORVEX",
        "PackageName": "Veilpane", "License": given, "ShortDescription": given},
    "scoop/veilpane.json": {
        "version": version, "description": given, "homepage": given, "license": given,
        "url": f"{url}/{portable.name}", "hash": sha256(portable), "bin": "Veilpane.exe",
        "shortcuts": lambda s: s[0][0] == "Veilpane.exe",
        "pre_uninstall": lambda s: re.search(r"Veilpane\.exe\W.*/quit", s),
        # The newest zip is found by its name on the home page and fetched where this one lies.
        "checkver": lambda c: c["url"] == scoop["homepage"] and re.search(c["regex"], portable.name)[1] == version,
        "autoupdate": lambda a: a["url"].replace("$version", version) == scoop["url"]},
}
faults = [] if msi_property.get("ProductVersion") == version else [f"ProductVersion of {msi.name}"]
for name, fields in expected.items():
    text = (dist / name).read_text()
    got = scoop if name.endswith(".json") else {
        m[1]: m[2].strip("'") for m in re.finditer(r"^\s*(?:- )?(\w+): (.*?)\s*$", text, re.M)}
    for key, want in fields.items():
        try:
            ok = want(got[key]) if callable(want) else got.get(key) == want
        except (KeyError, TypeError, IndexError, ValueError):
            ok = False
        if not ok:
            faults.append(f"{name}: {key} is {got.get(key)!r}")
for fault in faults:
    print(f"FAILED: manifest {fault}", file=sys.stderr)
sys.exit(1 if faults else 0)

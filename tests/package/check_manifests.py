#!/usr/bin/env python3
"""Reads back the package-manager manifests of a package run and checks every field they must carry,
that each hash is the SHA-256 of its download, and that each version is the version resource's.
Usage: check_manifests.py DIST DOWNLOAD_URL; prints the faults and exits 1 when there are any."""
import hashlib
import json
import re
import struct
import subprocess
import sys
import zipfile
from pathlib import Path

dist, download_url = Path(sys.argv[1]), sys.argv[2].rstrip("/")
faults = []


def check(condition, what):
    if not condition:
        faults.append(what)


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def resource_version(exe):
    """major.minor.build from the executable's fixed file information (its four fields are
    major.minor.0.build; Windows Installer and the manifests take the three that change)."""
    at = exe.find(struct.pack("<I", 0xFEEF04BD))
    check(at >= 0, "Veilpane.exe has no version resource")
    ms, ls = struct.unpack_from("<II", exe, at + 8)
    check(ls >> 16 == 0, "the version resource's third field is not 0")
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls & 0xFFFF}"


def read_yaml(path):
    """The "Key: value" lines of a flat manifest (list items too), quotes taken off."""
    fields = {}
    for line in path.read_text().splitlines():
        m = re.match(r"^\s*(?:- )?([A-Za-z0-9]+): (.*)$", line)
        if m:
            fields[m.group(1)] = m.group(2).strip().strip("'\"")
    return fields


msi = next(dist.glob("Veilpane-*.msi"))
portable = next(dist.glob("Veilpane-*-portable.zip"))
with zipfile.ZipFile(portable) as z:
    version = resource_version(z.read("Veilpane.exe"))
check(msi.name == f"Veilpane-{version}.msi", f"{msi.name} is not named by the version {version}")
properties = dict(line.split("\t", 1) for line in subprocess.run(
    ["msiinfo", "export", str(msi), "Property"], check=True, capture_output=True, text=True).stdout.splitlines()
    if "\t" in line)
check(properties.get("ProductVersion", "").strip() == version, "the installer package's ProductVersion")

# ---- winget: the version, installer and default-locale files, schema 1.6.0 or later -------------
winget = {kind: read_yaml(dist / "winget" / name) for kind, name in (
    ("version", "MORVEX.Veilpane.yaml"), ("installer", "MORVEX.Veilpane.installer.yaml"),
    ("defaultLocale", "MORVEX.Veilpane.locale.en-US.yaml"))}
for kind, fields in winget.items():
    check(fields.get("PackageIdentifier") == "MORVEX.Veilpane", f"winget {kind}: PackageIdentifier")
    check(fields.get("PackageVersion") == version, f"winget {kind}: PackageVersion {fields.get('PackageVersion')}")
    check(fields.get("ManifestType") == kind, f"winget {kind}: ManifestType")
    schema = tuple(int(n) for n in re.findall(r"\d+", fields.get("ManifestVersion", "0")))
    check(schema >= (1, 6, 0), f"winget {kind}: ManifestVersion {fields.get('ManifestVersion')}")
check(winget["version"].get("DefaultLocale") == winget["defaultLocale"].get("PackageLocale"), "winget: DefaultLocale")
installer = winget["installer"]
check(installer.get("InstallerType") == "msi", "winget: InstallerType")
check(installer.get("Scope") == "user", "winget: Scope")
check(installer.get("InstallerUrl") == f"{download_url}/{msi.name}", f"winget: InstallerUrl {installer.get('InstallerUrl')}")
check(installer.get("InstallerSha256", "").lower() == sha256(msi), "winget: InstallerSha256 is not the package's")
check(installer.get("ProductCode") == properties.get("ProductCode", "").strip(), "winget: ProductCode")
locale = winget["defaultLocale"]
for field in ("Publisher", "PackageName", "License", "ShortDescription"):
    check(locale.get(field), f"winget defaultLocale: no {field}")
check(locale.get("PackageName") == "Veilpane", "winget: PackageName")

# ---- scoop: the portable zip ---------------------------------------------------------------------
scoop = json.loads((dist / "scoop" / "veilpane.json").read_text())
check(scoop.get("version") == version, f"scoop: version {scoop.get('version')}")
for field in ("description", "homepage", "license"):
    check(scoop.get(field), f"scoop: no {field}")
check(scoop.get("url") == f"{download_url}/{portable.name}", f"scoop: url {scoop.get('url')}")
check(scoop.get("hash") == sha256(portable), "scoop: hash is not the zip's")
check(scoop.get("bin") == "Veilpane.exe", "scoop: bin")
check(any(s[0] == "Veilpane.exe" for s in scoop.get("shortcuts", [])), "scoop: shortcuts")
check(re.search(r"Veilpane\.exe\W.*/quit", scoop.get("pre_uninstall", "")), "scoop: pre_uninstall does not run Veilpane.exe /quit")
# The new version is found as the home page names the zip, and fetched where this one lies.
checkver = scoop.get("checkver", {})
m = re.search(checkver.get("regex", "^$"), f'<a href="{scoop.get("url")}">')
check(checkver.get("url") == scoop.get("homepage") and m and m.group(1) == version, "scoop: checkver")
check(scoop.get("autoupdate", {}).get("url", "").replace("$version", version) == scoop.get("url"), "scoop: autoupdate")

for fault in faults:
    print(f"FAILED: manifest: {fault}", file=sys.stderr)
sys.exit(1 if faults else 0)

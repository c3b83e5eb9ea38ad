#!/usr/bin/env bash
# Builds the downloads into build/dist/:
#   Veilpane-<version>.msi           the per-user Windows Installer package (wixl)
#   Veilpane-<version>-portable.zip  the stripped executables, Veilpane.chm, README.txt, NOTICE.txt
#   <executable>.debug               the debug information split off each executable
#   winget/                          the package manifests for winget (version, installer, locale)
#   scoop/veilpane.json              the app manifest for scoop (the portable zip)
# With a key, every executable shipped and the installer package are signed with Authenticode
# (SHA-256) by osslsigncode; without one the downloads are unsigned, and the last line says so.
#
# Usage: bash scripts/package.sh [--prebuilt] [key] [--timestamp URL] [--download-url URL] [output-folder]
#   --prebuilt          packages what the build folder already holds, without set-up or build (the
#                       package test uses it)
#   key, one of:
#     --pkcs12 FILE --password-file FILE
#                       a PKCS#12 file holding the key and its certificate chain, and a file whose first
#                       line is its password
#     --pkcs11-module MODULE --pkcs11-key ID --pkcs11-cert FILE [--pin-file FILE] [--pkcs11-engine ENGINE]
#                       a key on a hardware token: the token's PKCS#11 module, the key's id or PKCS#11
#                       URI, the certificate chain (PEM), a file holding the token's PIN; the OpenSSL
#                       engine is the one libengine-pkcs11-openssl installs unless named
#   --timestamp URL     an RFC 3161 timestamp server, so the signatures outlive the certificate
#   --download-url URL  the folder address the downloads are published under (the manifests name it)
set -euo pipefail
source "$(dirname "$0")/common.sh"

# The executables the downloads ship: each is stripped, keeps its debug information beside it, is
# signed and goes into the portable zip (the installer package lists its own files).
SHIPPED_EXECUTABLES=(Veilpane.exe VeilpaneGuard.exe)

die() { echo "package: $*" >&2; exit 1; }
prebuilt=0
OUT=""
PKCS12="" PASSWORD_FILE="" PKCS11_MODULE="" PKCS11_KEY="" PKCS11_CERT="" PIN_FILE=""
PKCS11_ENGINE=""
TIMESTAMP="" DOWNLOAD_URL=https://www.morvex.net/veilpane/download
while [ $# -gt 0 ]; do
    case "$1" in
        --prebuilt) prebuilt=1; shift; continue ;;
        --pkcs12) PKCS12="${2:-}" ;;
        --password-file) PASSWORD_FILE="${2:-}" ;;
        --pkcs11-module) PKCS11_MODULE="${2:-}" ;;
        --pkcs11-key) PKCS11_KEY="${2:-}" ;;
        --pkcs11-cert) PKCS11_CERT="${2:-}" ;;
        --pin-file) PIN_FILE="${2:-}" ;;
        --pkcs11-engine) PKCS11_ENGINE="${2:-}" ;;
        --timestamp) TIMESTAMP="${2:-}" ;;
        --download-url) DOWNLOAD_URL="${2:-}" ;;
        -*) die "unknown option $1" ;;
        *) [ -z "$OUT" ] || die "one output folder only"; OUT="$1"; shift; continue ;;
    esac
    [ $# -ge 2 ] && [ -n "$2" ] || die "$1 needs a value"
    shift 2
done
OUT="${OUT:-$BUILD/dist}"
DOWNLOAD_URL="${DOWNLOAD_URL%/}"

# The signing key, as osslsigncode takes it. Secrets are read from files, never from the command line,
# where any process of the machine could read them.
SIGN_KEY=()
if [ -n "$PKCS12" ] && [ -n "$PKCS11_MODULE" ]; then
    die "--pkcs12 and --pkcs11-module: one key only"
elif [ -n "$PKCS12" ]; then
    [ -f "$PKCS12" ] || die "no PKCS#12 file $PKCS12"
    [ -f "$PASSWORD_FILE" ] || die "--pkcs12 needs --password-file with the file's password"
    SIGN_KEY=(-pkcs12 "$PKCS12" -readpass "$PASSWORD_FILE")
elif [ -n "$PKCS11_MODULE" ]; then
    [ -f "$PKCS11_MODULE" ] || die "no PKCS#11 module $PKCS11_MODULE"
    [ -n "$PKCS11_KEY" ] || die "--pkcs11-module needs --pkcs11-key"
    [ -f "$PKCS11_CERT" ] || die "--pkcs11-module needs --pkcs11-cert with the certificate chain"
    SIGN_KEY=(-pkcs11module "$PKCS11_MODULE" -key "$PKCS11_KEY" -certs "$PKCS11_CERT")
    # Unnamed, osslsigncode loads OpenSSL's engine "pkcs11" from OpenSSL's own engine folder.
    if [ -n "$PKCS11_ENGINE" ]; then
        [ -f "$PKCS11_ENGINE" ] || die "no PKCS#11 engine $PKCS11_ENGINE"
        SIGN_KEY=(-pkcs11engine "$PKCS11_ENGINE" "${SIGN_KEY[@]}")
    else
        engines="$(openssl version -e | sed -n 's/^ENGINESDIR: "\(.*\)"$/\1/p')"
        [ -f "$engines/pkcs11.so" ] || die "no PKCS#11 engine in $engines (Debian's libengine-pkcs11-openssl)"
    fi
    if [ -n "$PIN_FILE" ]; then
        [ -f "$PIN_FILE" ] || die "no PIN file $PIN_FILE"
        SIGN_KEY+=(-readpass "$PIN_FILE")
    fi
elif [ -n "$PASSWORD_FILE$PKCS11_KEY$PKCS11_CERT$PIN_FILE$TIMESTAMP" ]; then
    die "a password, PKCS#11 or timestamp option without a key (--pkcs12 or --pkcs11-module)"
fi
case "$DOWNLOAD_URL" in https://?*) ;; *) die "--download-url must be an https address" ;; esac

if [ $prebuilt = 0 ]; then
    bash "$ROOT/scripts/setup.sh"
    vp_build Veilpane veilpane_help
fi

# The version comes from the one header the program and its version resource read.
version_part() { sed -n "s/^#define VP_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" "$ROOT/resources/version.h"; }
MAJOR="$(version_part MAJOR)"; MINOR="$(version_part MINOR)"; BUILDNO="$(version_part BUILD)"
[ -n "$MAJOR" ] && [ -n "$MINOR" ] && [ -n "$BUILDNO" ] || { echo "package: no version in resources/version.h" >&2; exit 1; }
VERSION="$MAJOR.$MINOR.$BUILDNO"    # Windows Installer compares the first three fields

# What the manifests and the signatures say of the program, from the headers the program reads.
version_text() { sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$ROOT/resources/version.h"; }
PRODUCT="$(version_text VP_PRODUCT_NAME)"
PUBLISHER="$(version_text VP_COMPANY_NAME)"
DESCRIPTION="$(version_text VP_DESCRIPTION)"
DESCRIPTION="${DESCRIPTION#"$PRODUCT - "}"; DESCRIPTION="${DESCRIPTION^}"
HOMEPAGE="$(sed -n 's/^constexpr wchar_t kHomePage\[\] = L"\(.*\)";$/\1/p' "$ROOT/framework/Product.h")"
[ -n "$PRODUCT" ] && [ -n "$PUBLISHER" ] && [ -n "$DESCRIPTION" ] && [ -n "$HOMEPAGE" ] ||
    die "no product name, maker, description or home page in resources/version.h and framework/Product.h"
LICENSE=Proprietary
WINGET_SCHEMA=1.6.0

BIN="$BUILD/bin"
for f in "${SHIPPED_EXECUTABLES[@]}" Veilpane.chm; do
    [ -f "$BIN/$f" ] || die "$BIN/$f is missing; build first"
done
OBJCOPY=x86_64-w64-mingw32-objcopy
STRIP=x86_64-w64-mingw32-strip

# Licence texts of what is linked into the executable, from the sources and packages it was built with.
PCRE2_LICENCE="$ROOT/.deps/pcre2/LICENCE"
CRT_COPYRIGHT=/usr/share/doc/mingw-w64-x86-64-dev/copyright
GCC_COPYRIGHT=/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
for f in "$PCRE2_LICENCE" "$CRT_COPYRIGHT" "$GCC_COPYRIGHT"; do
    [ -f "$f" ] || { echo "package: licence text $f is missing (run scripts/setup.sh)" >&2; exit 1; }
done
pcre2_version() { sed -n "s/^m4_define(pcre2_$1, \[\([0-9]*\)\])/\1/p" "$ROOT/.deps/pcre2/configure.ac"; }
PCRE2_VERSION="$(pcre2_version major).$(pcre2_version minor)"

STAGE="$(mktemp -d "$BUILD/package-stage.XXXXXX")"
trap 'rm -rf "$STAGE"' EXIT
mkdir -p "$OUT"

# ---- executables and their debug information ---------------------------------------------------
# The build keeps the debug information beside each executable; one that still holds it gives it up
# here.
for exe in "${SHIPPED_EXECUTABLES[@]}"; do
    if [ -f "$BIN/$exe.debug" ]; then
        cp "$BIN/$exe.debug" "$STAGE/$exe.debug"
    else
        "$OBJCOPY" --only-keep-debug "$BIN/$exe" "$STAGE/$exe.debug"
    fi
    "$STRIP" --strip-all --remove-section=.gnu_debuglink -o "$STAGE/$exe" "$BIN/$exe"
    # The link names the debug file and carries its checksum, so a debugger finds it beside the executable.
    (cd "$STAGE" && "$OBJCOPY" --add-gnu-debuglink="$exe.debug" "$exe")
    size=$(stat -c %s "$STAGE/$exe")
    # A guard against what a stray dependency would bring in; the artwork is most of the resources,
    # in a light and a dark set (about 130 KB each).
    [ "$size" -le 1310720 ] || die "the stripped $exe has $size bytes, more than 1.25 MB"
done

# ---- signing ------------------------------------------------------------------------------------
SIGNED=()
# sign FILE: signs the file in place with the key (SHA-256), timestamped when a server was given.
sign() {
    [ ${#SIGN_KEY[@]} -gt 0 ] || return 0
    local timestamp=() log="$STAGE/osslsigncode.log"
    [ -z "$TIMESTAMP" ] || timestamp=(-ts "$TIMESTAMP")
    if ! osslsigncode sign "${SIGN_KEY[@]}" -h sha256 -n "$PRODUCT" -i "$HOMEPAGE" "${timestamp[@]}" \
            -in "$1" -out "$1.signed" >"$log" 2>&1; then
        cat "$log" >&2
        die "signing $(basename "$1") failed"
    fi
    mv "$1.signed" "$1"
    SIGNED+=("$(basename "$1")")
}
for exe in "${SHIPPED_EXECUTABLES[@]}"; do sign "$STAGE/$exe"; done

cp "$BIN/Veilpane.chm" "$STAGE/"
cp "$ROOT/resources/art/veilpane.ico" "$STAGE/"

# ---- README.txt and NOTICE.txt, with Windows line ends ------------------------------------------
crlf() { sed 's/\r*$/\r/'; }
sed -e "s/@VERSION@/$VERSION/g" -e "s/@VERSION_TEXT@/$MAJOR.$MINOR/g" -e "s/@BUILD@/$BUILDNO/g" \
    "$ROOT/packaging/README.txt" | crlf > "$STAGE/README.txt"
{
    cat <<NOTICE
Veilpane $MAJOR.$MINOR (build $BUILDNO)
Copyright (c) Morvex, Inc.

Veilpane.exe contains code of the following software, used under the licences reproduced below.

  1. PCRE2 $PCRE2_VERSION, the regular expression library (BSD licence).
  2. The mingw-w64 runtime: the C runtime's start-up and support code and winpthreads, the
     thread library (ZPL 2.1, MIT and public domain, as detailed below).
  3. The GCC runtime libraries libgcc and libstdc++ (GPL version 3 with the GCC Runtime Library
     Exception, version 3.1).


==================================================================================================
1. PCRE2 $PCRE2_VERSION
==================================================================================================

NOTICE
    cat "$PCRE2_LICENCE"
    cat <<NOTICE


==================================================================================================
2. The mingw-w64 runtime (copyright and licence file of Debian's package mingw-w64-x86-64-dev)
==================================================================================================

NOTICE
    cat "$CRT_COPYRIGHT"
    cat <<NOTICE


==================================================================================================
3. The GCC runtime libraries (from the copyright file of Debian's package
   gcc-mingw-w64-x86-64-posix-runtime)
==================================================================================================

NOTICE
    # The general statement and the list of runtime libraries, then the exception itself.
    awk '/^COPYRIGHT STATEMENTS AND LICENSING TERMS/{on=1} /^The libbacktrace library/{on=0} on' "$GCC_COPYRIGHT"
    awk '/^GCC RUNTIME LIBRARY EXCEPTION/{on=1} on{print} on && /requirements of the license of GCC\./{exit}' "$GCC_COPYRIGHT"
} | crlf > "$STAGE/NOTICE.txt"
grep -q "GCC RUNTIME LIBRARY EXCEPTION" "$STAGE/NOTICE.txt" || { echo "package: GCC's exception text not found" >&2; exit 1; }

# ---- the downloads ------------------------------------------------------------------------------
MSI="Veilpane-$VERSION.msi"
ZIP="Veilpane-$VERSION-portable.zip"
rm -f "$OUT/$ZIP" "$OUT/$MSI"
(cd "$STAGE" && zip -q -X "$OUT/$ZIP" "${SHIPPED_EXECUTABLES[@]}" Veilpane.chm README.txt NOTICE.txt)
# wixl looks its files up in the folder it runs in.
(cd "$STAGE" && wixl --arch x64 --define Version="$VERSION" --output "$STAGE/$MSI" "$ROOT/packaging/Veilpane.wxs")
sign "$STAGE/$MSI"
mv "$STAGE/$MSI" "$OUT/$MSI"
DEBUG_FILES=()
for exe in "${SHIPPED_EXECUTABLES[@]}"; do mv "$STAGE/$exe.debug" "$OUT/$exe.debug"; DEBUG_FILES+=("$exe.debug"); done

# ---- package-manager manifests ------------------------------------------------------------------
# From the built files: the hashes of the downloads as published, and the installer package's own
# ProductCode (wixl makes a new one for each build), by which winget finds what it installed.
sha256() { sha256sum "$1" | cut -d' ' -f1; }
PRODUCT_CODE="$(msiinfo export "$OUT/$MSI" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')"
[[ "$PRODUCT_CODE" =~ ^\{[0-9A-F-]{36}\}$ ]] || die "no ProductCode in $MSI"
WINGET="$OUT/winget"
SCOOP="$OUT/scoop"
rm -rf "$WINGET" "$SCOOP"
mkdir -p "$WINGET" "$SCOOP"
PACKAGE_ID="$PUBLISHER.$PRODUCT"
winget_header() {  # winget_header TYPE: the schema line and the package's identity
    cat <<YAML
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.$1.$WINGET_SCHEMA.schema.json
PackageIdentifier: $PACKAGE_ID
PackageVersion: $VERSION
YAML
}
winget_footer() { printf 'ManifestType: %s\nManifestVersion: %s\n' "$1" "$WINGET_SCHEMA"; }
{
    winget_header version
    echo "DefaultLocale: en-US"
    winget_footer version
} > "$WINGET/$PACKAGE_ID.yaml"
{
    winget_header installer
    cat <<YAML
InstallerType: msi
Scope: user
UpgradeBehavior: install
Installers:
  - Architecture: x64
    InstallerUrl: $DOWNLOAD_URL/$MSI
    InstallerSha256: $(sha256 "$OUT/$MSI" | tr a-f A-F)
    ProductCode: '$PRODUCT_CODE'
YAML
    winget_footer installer
} > "$WINGET/$PACKAGE_ID.installer.yaml"
{
    winget_header defaultLocale
    cat <<YAML
PackageLocale: en-US
Publisher: $PUBLISHER
PackageName: $PRODUCT
PackageUrl: $HOMEPAGE
License: $LICENSE
ShortDescription: $DESCRIPTION
YAML
    winget_footer defaultLocale
} > "$WINGET/$PACKAGE_ID.locale.en-US.yaml"
# Scoop runs pre_uninstall before an update or a removal takes the files away: the running copy is
# asked to quit as the installer package asks it (it switches back and undoes its changes), and
# waited for.
VERSION="$VERSION" DESCRIPTION="$DESCRIPTION" HOMEPAGE="$HOMEPAGE" LICENSE="$LICENSE" PRODUCT="$PRODUCT" \
URL="$DOWNLOAD_URL/$ZIP" HASH="$(sha256 "$OUT/$ZIP")" AUTOUPDATE="$DOWNLOAD_URL/Veilpane-\$version-portable.zip" \
python3 - "$SCOOP/veilpane.json" <<'PYTHON'
import json, os, sys
e = os.environ
manifest = {
    "version": e["VERSION"],
    "description": e["DESCRIPTION"],
    "homepage": e["HOMEPAGE"],
    "license": e["LICENSE"],
    "url": e["URL"],
    "hash": e["HASH"],
    "bin": "Veilpane.exe",
    "shortcuts": [["Veilpane.exe", e["PRODUCT"]]],
    "pre_uninstall": "Start-Process -Wait -FilePath \"$dir\\Veilpane.exe\" -ArgumentList '/quit'",
    # The home page links the newest portable zip by its name.
    "checkver": {"url": e["HOMEPAGE"], "regex": r"Veilpane-([\d.]+)-portable\.zip"},
    "autoupdate": {"url": e["AUTOUPDATE"]},
}
with open(sys.argv[1], "w") as f:
    json.dump(manifest, f, indent=4)
    f.write("\n")
PYTHON

for f in "$MSI" "$ZIP" "${DEBUG_FILES[@]}"; do printf '%10d  %s\n' "$(stat -c %s "$OUT/$f")" "$OUT/$f"; done
for exe in "${SHIPPED_EXECUTABLES[@]}"; do
    printf '%10d  %s (stripped, inside both)\n' "$(stat -c %s "$STAGE/$exe")" "$exe"
done
echo "manifests:"
for f in "$WINGET"/*.yaml "$SCOOP/veilpane.json"; do echo "            $f"; done
if [ ${#SIGNED[@]} -gt 0 ]; then
    stamp="no timestamp"
    [ -z "$TIMESTAMP" ] || stamp="timestamped by $TIMESTAMP"
    echo "signed (Authenticode, SHA-256, $stamp): ${SIGNED[*]}"
else
    echo "package: UNSIGNED: no signing key given (--pkcs12 or --pkcs11-module); the downloads are not signed"
fi

#!/usr/bin/env bash
# Builds the downloads into build/dist/:
#   Veilpane-<version>.msi           the per-user Windows Installer package (wixl)
#   Veilpane-<version>-portable.zip  the stripped Veilpane.exe, Veilpane.chm, README.txt, NOTICE.txt
#   Veilpane.exe.debug               the debug information split off the executable
# Usage: bash scripts/package.sh [--prebuilt] [output-folder]
#   --prebuilt packages what the build folder already holds, without set-up or build (the package
#   test uses it).
set -euo pipefail
source "$(dirname "$0")/common.sh"

prebuilt=0
if [ "${1:-}" = --prebuilt ]; then prebuilt=1; shift; fi
OUT="${1:-$BUILD/dist}"

if [ $prebuilt = 0 ]; then
    bash "$ROOT/scripts/setup.sh"
    vp_build Veilpane veilpane_help
fi

# The version comes from the one header the program and its version resource read.
version_part() { sed -n "s/^#define VP_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" "$ROOT/resources/version.h"; }
MAJOR="$(version_part MAJOR)"; MINOR="$(version_part MINOR)"; BUILDNO="$(version_part BUILD)"
[ -n "$MAJOR" ] && [ -n "$MINOR" ] && [ -n "$BUILDNO" ] || { echo "package: no version in resources/version.h" >&2; exit 1; }
VERSION="$MAJOR.$MINOR.$BUILDNO"    # Windows Installer compares the first three fields

BIN="$BUILD/bin"
for f in Veilpane.exe Veilpane.chm; do
    [ -f "$BIN/$f" ] || { echo "package: $BIN/$f is missing; build first" >&2; exit 1; }
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

# ---- executable and its debug information -------------------------------------------------------
# The build keeps the debug information beside the executable; an executable that still holds it
# gives it up here.
if [ -f "$BIN/Veilpane.exe.debug" ]; then
    cp "$BIN/Veilpane.exe.debug" "$STAGE/Veilpane.exe.debug"
else
    "$OBJCOPY" --only-keep-debug "$BIN/Veilpane.exe" "$STAGE/Veilpane.exe.debug"
fi
"$STRIP" --strip-all --remove-section=.gnu_debuglink -o "$STAGE/Veilpane.exe" "$BIN/Veilpane.exe"
# The link names the debug file and carries its checksum, so a debugger finds it beside the executable.
(cd "$STAGE" && "$OBJCOPY" --add-gnu-debuglink=Veilpane.exe.debug Veilpane.exe)
# The artwork is most of the resources, in a light and a dark set (about 130 KB each).
size=$(stat -c %s "$STAGE/Veilpane.exe")
if [ "$size" -gt 1310720 ]; then
    echo "package: the stripped Veilpane.exe has $size bytes, more than 1.25 MB" >&2
    exit 1
fi
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

# ---- the three downloads ------------------------------------------------------------------------
rm -f "$OUT/Veilpane-$VERSION-portable.zip" "$OUT/Veilpane-$VERSION.msi"
(cd "$STAGE" && zip -q -X "$OUT/Veilpane-$VERSION-portable.zip" Veilpane.exe Veilpane.chm README.txt NOTICE.txt)
# wixl looks its files up in the folder it runs in.
(cd "$STAGE" && wixl --arch x64 --define Version="$VERSION" --output "$OUT/Veilpane-$VERSION.msi" \
    "$ROOT/packaging/Veilpane.wxs")
mv "$STAGE/Veilpane.exe.debug" "$OUT/Veilpane.exe.debug"

for f in "Veilpane-$VERSION.msi" "Veilpane-$VERSION-portable.zip" Veilpane.exe.debug; do
    printf '%10d  %s\n' "$(stat -c %s "$OUT/$f")" "$OUT/$f"
done
printf '%10d  Veilpane.exe (stripped, inside both)\n' "$size"

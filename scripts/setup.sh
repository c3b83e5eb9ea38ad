#!/usr/bin/env bash
# Installs everything Veilpane needs to be built, run and tested on a Debian machine, and fetches
# the sources of PCRE2 from Debian's source packages. Safe to run any number of times.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export DEBIAN_FRONTEND=noninteractive

# Named one by one, recommended ones included: a machine whose packages came without their
# recommendations must build and test the same. Wine itself runs in a Debian 13 root of its own
# (scripts/wine_root.sh, made at the end), so the machine needs only what builds, the X server, the
# tools that look at its screen and debootstrap. The downloads are signed with osslsigncode and read
# back with msitools; the signing test makes its key with openssl and keeps one on a SoftHSM token,
# which osslsigncode reaches through OpenSSL's PKCS#11 engine.
PACKAGES=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix xvfb xauth imagemagick xdotool x11-utils
          googletest dpkg-dev fp-utils python3 wixl zip unzip debootstrap
          osslsigncode msitools openssl softhsm2 libengine-pkcs11-openssl)
# VP_HOST_WINE=1: the machine's own Wine as well (Debian 12's Wine 8), to compare the two. Wine draws
# the dialogs' "Microsoft Sans Serif" with its own faces (fonts-wine) and falls back on the Liberation
# and DejaVu faces; the X libraries are the ones its display driver loads.
if [ "${VP_HOST_WINE:-0}" = 1 ]; then
    PACKAGES+=(wine wine64 fonts-wine fonts-liberation fonts-dejavu-core fontconfig
               libxrender1 libxrandr2 libxinerama1 libxcursor1 libxi6 libxfixes3 libxcomposite1 libxxf86vm1)
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Source entries: copy the machine's own binary entries as deb-src, so that no mirror address
# lives in this repository.
ensure_deb_src() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 1
    fi
    local changed=1
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        case "$f" in *veilpane-src*) continue ;; esac
        grep -q '^Types: deb$' "$f" || continue
        sed 's/^Types: deb$/Types: deb-src/' "$f" | $SUDO tee "/etc/apt/sources.list.d/veilpane-src-$(basename "$f")" >/dev/null
        changed=0
    done
    if [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list; then
        grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee /etc/apt/sources.list.d/veilpane-src.list >/dev/null
        changed=0
    fi
    return $changed
}

updated=0
if ensure_deb_src; then
    $SUDO apt-get update -q; updated=1
fi
if [ ${#missing[@]} -gt 0 ]; then
    [ $updated = 1 ] || $SUDO apt-get update -q
    updated=1
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# PCRE2 10.42 from Debian's source package, unpacked once into .deps/pcre2. The newest source may
# sit in a suite whose mirror lacks some of its files, so fall back to the release's own version, and
# to the upstream tarball that the source package ships when no .dsc arrived.
DEPS="$ROOT/.deps"
mkdir -p "$DEPS"
if [ ! -f "$DEPS/pcre2/CMakeLists.txt" ]; then
    [ $updated = 1 ] || $SUDO apt-get update -q
    rm -rf "$DEPS/pcre2" "$DEPS"/pcre2-* "$DEPS"/pcre2_*
    (cd "$DEPS" && { apt-get source -q --download-only pcre2=10.42-1 || apt-get source -q --download-only pcre2 || true; })
    if ls "$DEPS"/pcre2_10.42*.dsc >/dev/null 2>&1; then
        (cd "$DEPS" && dpkg-source -x "$(ls pcre2_10.42*.dsc | head -n1)" >/dev/null)
    else
        (cd "$DEPS" && tar xzf pcre2_10.42.orig.tar.gz)
    fi
    src="$(ls -d "$DEPS"/pcre2-10.42*/ | head -n1)"
    mv "$src" "$DEPS/pcre2"
fi
test -f "$DEPS/pcre2/CMakeLists.txt" || { echo "setup: PCRE2 source missing" >&2; exit 1; }

# The Debian 13 root with Wine 10, made once (about a minute and 1.5 GB), reused afterwards.
bash "$ROOT/scripts/wine_root.sh"
echo "setup: ok"

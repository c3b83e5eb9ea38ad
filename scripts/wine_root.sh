#!/usr/bin/env bash
# Makes, once, the Debian 13 root whose Wine 10 runs every Windows program of the tests, the
# benchmarks and scripts/run.sh (scripts/wine10/ enters it). Wine 10 follows SwitchDesktop: the input
# desktop becomes the one switched to, so tests can see which desktop shows, and input given on a
# desktop that does not show is refused, as on Windows. Debian 12's Wine 8 does neither.
#   wine_root.sh [ROOT_FOLDER]     (default: .deps/wine10-root in the checkout, or $VP_WINE_ROOT)
# Running it again returns at once; a changed package list is installed into the existing root.
set -euo pipefail
CHECKOUT="$(cd "$(dirname "$0")/.." && pwd)"
TARGET="${1:-${VP_WINE_ROOT:-$CHECKOUT/.deps/wine10-root}}"
SUITE=trixie
# Named one by one, as on the machine itself: what a recommended package would bring changes what
# Wine draws (its own faces, then Liberation and DejaVu) and what it plays sound through.
# xdotool: the tests type into Wine's windows through the X server, from inside the root.
PACKAGES=(wine wine64 fonts-wine fonts-liberation fonts-dejavu-core fontconfig libasound2t64
          libxrender1 libxrandr2 libxinerama1 libxcursor1 libxi6 libxfixes3 libxcomposite1 libxxf86vm1 xdotool)
READY="$TARGET/.veilpane-ready"
# The ready mark lists what the root holds; a root holding every package asked for is ready.
HELD="$(cat "$READY" 2>/dev/null || true)"
missing=0
for p in "${PACKAGES[@]}"; do
    case " $HELD " in *" $p "*) ;; *) missing=1 ;; esac
done
[ -f "$READY" ] && [ "$missing" = 0 ] && exit 0
WANTED="$(printf '%s\n' $HELD "${PACKAGES[@]}" | awk '!seen[$0]++' | tr '\n' ' ' | sed 's/ $//')"

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

# The Debian mirror of the machine's own apt sources, so that no mirror address lives in this
# repository: the first entry of the main archive (not the security one) that carries "main".
host_mirror() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             {
                 types = ""; uris = ""; comps = ""
                 for (i = 1; i <= NF; i++) {
                     if ($i ~ /^Types:/) types = $i
                     if ($i ~ /^URIs:/) uris = $i
                     if ($i ~ /^Components:/) comps = $i
                 }
                 if (types ~ /[ \t]deb([ \t]|$)/ && comps ~ /[ \t]main([ \t]|$)/ && uris !~ /security/) {
                     sub(/^URIs:[ \t]*/, "", uris); split(uris, u, /[ \t]+/); print u[1]; exit
                 }
             }' "$f"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n -E 's/^deb[ \t]+(\[[^]]*\][ \t]+)?([^ \t]+)[ \t]+[^ \t]+[ \t]+.*\bmain\b.*/\2/p' /etc/apt/sources.list |
            grep -v security
    fi
}
MIRROR="$(host_mirror | grep -m1 -E '^(https?|file):')" || true
[ -n "$MIRROR" ] || { echo "wine_root: no Debian mirror in the machine's apt sources" >&2; exit 1; }

if [ ! -x "$TARGET/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || { echo "wine_root: debootstrap is missing (run scripts/setup.sh)" >&2; exit 1; }
    rm -rf "$TARGET"
    mkdir -p "$(dirname "$TARGET")"
    $SUDO debootstrap --variant=minbase "$SUITE" "$TARGET.partial" "$MIRROR" >"$TARGET.log" 2>&1 ||
        { tail -n 20 "$TARGET.log" >&2; echo "wine_root: debootstrap failed" >&2; exit 1; }
    mv "$TARGET.partial" "$TARGET"
fi
# apt inside the root needs /proc; the mount lives in a namespace of this command alone.
$SUDO unshare --mount --propagation private bash -c '
    set -e
    mount -t proc proc "$1/proc"
    chroot "$1" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
        bash -c "apt-get update -q && apt-get install -y -q --no-install-recommends $2"
' wine_root "$TARGET" "$WANTED" >>"$TARGET.log" 2>&1 ||
    { tail -n 20 "$TARGET.log" >&2; echo "wine_root: installing Wine into the root failed" >&2; exit 1; }
# A hosts file of the root's own: Wine's resolver reads it, and the update test adds a name to it.
[ -s "$TARGET/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$TARGET/etc/hosts"
echo "$WANTED" >"$READY"
echo "wine_root: Wine $(chroot "$TARGET" dpkg-query -W -f '${Version}' wine) in $TARGET"

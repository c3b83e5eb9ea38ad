#!/usr/bin/env bash
# A Wine prefix for one display scale, made in a moment from the build's prepared prefix:
#   dpi_prefix.sh BASE_PREFIX NEW_PREFIX LOGPIXELS
# Only the registry is copied (with LogPixels set where Wine reads it: HKCU "Control Panel\Desktop",
# HKLM "...\Hardware Profiles\Current\Software\Fonts" and Wine's own fonts key); drive C: is the base
# prefix's own folder, linked, so nothing of its 700 MB is copied.
set -euo pipefail
base="$(cd "$1" && pwd)"
new="$2"
dpi="$3"
hex="$(printf '%08x' "$dpi")"
test -f "$base/system.reg"
rm -rf "$new"
mkdir -p "$new/dosdevices"
cp "$base/system.reg" "$base/user.reg" "$base/userdef.reg" "$base/.update-timestamp" "$new/"
[ -f "$base/.veilpane-ready" ] && cp "$base/.veilpane-ready" "$new/"
ln -s "$base/drive_c" "$new/drive_c"
ln -s ../drive_c "$new/dosdevices/c:"
ln -s / "$new/dosdevices/z:"
sed -i "s/^\"LogPixels\"=dword:[0-9a-f]*/\"LogPixels\"=dword:$hex/" "$new/system.reg" "$new/user.reg"
# HKCU Control Panel\Desktop: replaced when there, added under the key's header otherwise.
awk -v v="\"LogPixels\"=dword:$hex" '
    /^\[/ { if (inDesk && !done) { print v; done = 1 } inDesk = ($0 ~ /^\[Control Panel\\\\Desktop\]/) }
    inDesk && /^"LogPixels"=/ { if (!done) print v; done = 1; next }
    { print }
    END { if (inDesk && !done) print v }' "$new/user.reg" >"$new/user.reg.tmp"
mv "$new/user.reg.tmp" "$new/user.reg"
test "$(grep -c "^\"LogPixels\"=dword:$hex" "$new/user.reg")" -ge 2

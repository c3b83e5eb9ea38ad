#!/usr/bin/env bash
# Builds the packages from the program in bin/ and puts the installer package through what a person
# or a fleet tool does with it under Wine: a silent install, a run of what it installed, a repair, a
# silent removal while the program runs, an upgrade to a newer package, and a removal with the
# settings. Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
ROOT="$1"
BUILD="$2"
WINE="${WINELOADER:-wine}"
OUT="$BUILD/package_test"
SETTINGS='HKCU\Software\MORVEX\Veilpane'
RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

LOG="$OUT/wine.log"
rm -rf "$OUT"
mkdir -p "$OUT"

fail() { echo "FAILED: $*" >&2; tail -n 20 "$LOG" >&2; exit 1; }
step() { echo "-- $*"; }
# Every Windows program's output goes to the log: a process that outlives the test (the shell the
# program starts on its desktop, Wine's own services) must not hold the test runner's output open.
w() { "$WINE" "$@" </dev/null >>"$LOG" 2>&1; }
win() { "$WINE" "$@" </dev/null 2>>"$LOG" | tr -d '\r'; }
has_key() { w reg query "$1"; }
has_value() { w reg query "$1" /v "$2"; }
# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.5
    done
}
# The installed-programs list, on whichever stream this Wine's uninstaller writes it (Wine 10: stderr).
installed() { "$WINE" uninstaller --list </dev/null 2>&1 | tr -d '\r'; }
listed() { installed | grep -q '|||Veilpane$'; }
msi() {  # msi ARGS...: msiexec with its exit code checked
    local rc=0
    w msiexec "$@" || rc=$?
    [ $rc = 0 ] || fail "msiexec $* ended with $rc"
}

# The settings key of this prefix is put back as it was, whatever happens.
BACKUP="$OUT/settings-before.reg"
had_settings=0
if has_key "$SETTINGS"; then
    had_settings=1
    w reg export "$SETTINGS" "$(win winepath -w "$BACKUP")" /y
fi
APP_PID=""
# The shell the program started on its desktop stays when the program ends; it goes with the test.
end_shells() {
    local p
    for p in $(pgrep -f '^C:\\windows\\explorer\.exe$'); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && kill "$p" 2>/dev/null
    done
    return 0
}
restore() {
    [ -z "$APP_PID" ] || kill "$APP_PID" 2>/dev/null || true
    local code
    for code in $(installed | sed -n 's/^\({[^}]*}\)|||Veilpane$/\1/p'); do
        w msiexec /x "$code" /qn || true
    done
    end_shells
    [ -z "${PROFILES:-}" ] || rm -rf "$(dirname "$PROFILES")"
    w reg delete "$RUN" /v Veilpane /f || true
    w reg delete "$SETTINGS" /f || true
    if [ $had_settings = 1 ]; then w reg import "$(win winepath -w "$BACKUP")" || true; fi
}
trap restore EXIT

step "build the packages"
VP_BUILD_DIR="$BUILD" bash "$ROOT/scripts/package.sh" --prebuilt "$OUT/dist"
MSI="$(ls "$OUT"/dist/Veilpane-*.msi)"
ZIP="$(ls "$OUT"/dist/Veilpane-*-portable.zip)"
[ -f "$OUT/dist/Veilpane.exe.debug" ] || fail "no Veilpane.exe.debug"
MSI_WIN="$(win winepath -w "$MSI")"
[ "$(unzip -Z1 "$ZIP" | sort | tr '\n' ' ')" = "NOTICE.txt README.txt Veilpane.chm Veilpane.exe VeilpaneGuard.exe " ] ||
    fail "portable zip holds: $(unzip -Z1 "$ZIP" | tr '\n' ' ')"
unzip -p "$ZIP" NOTICE.txt | grep -q "PCRE2 LICENCE" || fail "NOTICE.txt lacks PCRE2's licence"
unzip -q -o "$ZIP" Veilpane.exe -d "$OUT/portable"

INSTALL_WIN="$(win cmd /c echo %LOCALAPPDATA%)\\Programs\\Veilpane"
INSTALL="$(win winepath -u "$INSTALL_WIN")"
SHORTCUT="$(win winepath -u "$(win cmd /c echo %APPDATA%)\\Microsoft\\Windows\\Start Menu\\Programs\\Veilpane.lnk")"
listed && fail "Veilpane is installed before the test"
w reg delete "$SETTINGS" /f || true

step "silent install"
msi /i "$MSI_WIN" /qn
for f in Veilpane.exe VeilpaneGuard.exe Veilpane.chm NOTICE.txt; do [ -f "$INSTALL/$f" ] || fail "$f not installed"; done
cmp -s "$INSTALL/Veilpane.exe" "$OUT/portable/Veilpane.exe" || fail "installed Veilpane.exe differs from the portable one"
[ -f "$SHORTCUT" ] || fail "no Start-menu shortcut"
strings -a "$SHORTCUT" | grep -qF 'AppData\Local\Programs\Veilpane\Veilpane.exe' || fail "the shortcut points elsewhere"
listed || fail "not in the installed-programs list"
# winget finds what it installed by the ProductCode its manifest names.
code="$(sed -n "s/^ *ProductCode: '\(.*\)'\$/\1/p" "$OUT"/dist/winget/*.installer.yaml)"
installed | grep -qxF "$code|||Veilpane" || fail "the winget manifest names ProductCode '$code', installed: $(installed | grep Veilpane)"

# start_installed: runs the installed program and waits until its settings window has shown (on a
# first start it marks that in the settings).
start_installed() {
    "$WINE" "$INSTALL_WIN\\Veilpane.exe" </dev/null >>"$LOG" 2>&1 &
    APP_PID=$!
    wait_for 60 has_value "$SETTINGS" SS_FIRST_SHOWN || fail "the installed Veilpane.exe did not start"
}
ended() { ! kill -0 "$APP_PID" 2>/dev/null; }
# No guard of this prefix runs any more (its own image name, VeilpaneGuard.exe).
guard_gone() {
    local p
    for p in $(pgrep -f 'VeilpaneGuard\.exe'); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 1
    done
    return 0
}

step "the installed program starts and quits"
w "$INSTALL_WIN\\Veilpane.exe" /quit || fail "/quit with no copy running did not succeed"
start_installed
w "$INSTALL_WIN\\Veilpane.exe" /quit || fail "/quit did not succeed"
wait_for 10 ended || fail "Veilpane still runs after /quit"
APP_PID=""

step "install again: a repair"
msi /i "$MSI_WIN" /qn
[ -f "$INSTALL/Veilpane.exe" ] || fail "Veilpane.exe gone after the repair"

step "silent uninstall while the program runs"
# A browser profile the program made for the web page stays with the settings.
PROFILES="$(win winepath -u "$(win cmd /c echo %LOCALAPPDATA%)\\Veilpane\\Browsers")"
mkdir -p "$PROFILES/chrome" && echo visited >"$PROFILES/chrome/History"
w reg delete "$SETTINGS" /v SS_FIRST_SHOWN /f
start_installed
w reg add "$RUN" /v Veilpane /d "\"$INSTALL_WIN\\Veilpane.exe\"" /f
msi /x "$MSI_WIN" /qn
wait_for 10 ended || fail "Veilpane still runs after the uninstall"
wait_for 10 guard_gone || fail "its guard still runs after the uninstall"
APP_PID=""
[ ! -e "$INSTALL" ] || fail "left behind: $(ls -A "$INSTALL" | tr '\n' ' ')"
[ ! -e "$SHORTCUT" ] || fail "the shortcut is left behind"
listed && fail "still in the installed-programs list"
has_value "$RUN" Veilpane && fail "the Run value is left behind"
has_value "$SETTINGS" SS_FIRST_SHOWN || fail "the settings went with the program"
[ -f "$PROFILES/chrome/History" ] || fail "the browser profiles went without the settings"

step "a newer package replaces this one, and starts it again when it was running"
msi /i "$MSI_WIN" /qn
first="$(installed | grep '|||Veilpane$')"
start_installed
mkdir -p "$OUT/newer"
unzip -q -o "$ZIP" -d "$OUT/newer"
cp "$ROOT/resources/art/veilpane.ico" "$OUT/newer/"
version="$(basename "$MSI" .msi)"; version="${version#Veilpane-}"
(cd "$OUT/newer" && wixl --arch x64 --define Version="${version%.*}.$((${version##*.} + 1))" \
    --output newer.msi "$ROOT/packaging/Veilpane.wxs")
NEWER_WIN="$(win winepath -w "$OUT/newer/newer.msi")"
w reg delete "$SETTINGS" /v UPDATE_SHOWED /f
msi /i "$NEWER_WIN" /qn
wait_for 10 ended || fail "the older Veilpane still runs after the upgrade"
APP_PID=""
# A program that starts clears the update mark first thing once its window exists.
wait_for 60 has_value "$SETTINGS" UPDATE_SHOWED || fail "the upgrade did not start the new build"
w "$INSTALL_WIN\\Veilpane.exe" /quit || fail "/quit of the restarted build did not succeed"
entries="$(installed | grep '|||Veilpane$')"
[ "$(echo "$entries" | wc -l)" = 1 ] && [ "$entries" != "$first" ] || fail "after the upgrade the list holds: $entries"
[ -f "$INSTALL/Veilpane.exe" ] || fail "Veilpane.exe gone after the upgrade"

step "silent uninstall with REMOVESETTINGS=1"
msi /x "$NEWER_WIN" /qn REMOVESETTINGS=1
[ ! -e "$INSTALL" ] || fail "files left behind"
has_key "$SETTINGS" && fail "the settings are left behind"
[ ! -e "$(dirname "$PROFILES")" ] || fail "the browser profiles are left behind"
listed && fail "still in the installed-programs list"
echo "package test: ok"

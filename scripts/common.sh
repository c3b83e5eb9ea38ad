# Shared by the scripts: paths and the Wine environment of a build folder.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VP_BUILD_DIR:-$ROOT/build}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
# Every Wine command of a run is Wine 10's, from the root scripts/wine_root.sh makes: the commands of
# scripts/wine10/ enter it. VP_HOST_WINE=1 uses the machine's own Wine instead (Debian 12's Wine 8),
# to compare the two; a prefix is only ever served by the Wine that made it.
# The prefixes (the tests', the demonstration's, the idle check's) live in PREFIXES, apart for each.
if [ "${VP_HOST_WINE:-0}" = 1 ]; then
    PREFIXES="$BUILD/wine8"
    if [ -x /usr/lib/wine/wine64 ]; then export WINELOADER=/usr/lib/wine/wine64; WINE=/usr/lib/wine/wine64; else WINE=wine; fi
else
    export PATH="$ROOT/scripts/wine10:$PATH"
    WINE="$ROOT/scripts/wine10/wine"
    PREFIXES="$BUILD"
fi
export WINEPREFIX="$PREFIXES/wineprefix"

# vp_build [target...]: configures once and builds the given targets (all when none).
vp_build() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
        -DWINE_EXECUTABLE="$WINE" -DVP_WINEPREFIX="$WINEPREFIX" >/dev/null
    if [ $# -gt 0 ]; then
        local t
        for t in "$@"; do cmake --build "$BUILD" -j2 --target "$t"; done
    else
        cmake --build "$BUILD" -j2
    fi
}

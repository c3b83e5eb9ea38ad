# Shared by the scripts: paths and the Wine environment of a build folder.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VP_BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
if [ -x /usr/lib/wine/wine64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    WINE=/usr/lib/wine/wine64
else
    WINE=wine
fi

# vp_build [target...]: configures once and builds the given targets (all when none).
vp_build() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
    if [ $# -gt 0 ]; then
        local t
        for t in "$@"; do cmake --build "$BUILD" -j2 --target "$t"; done
    else
        cmake --build "$BUILD" -j2
    fi
}

#!/usr/bin/env bash
# Builds the Windows editor on this Linux machine: Debian's mingw-w64 cross compiler, Qt for
# Windows built once from Debian's own source (scripts/windows-qt.sh, cached outside the work
# tree), the program and its test programs, then the zip and the installer in build/windows/.
# With --test it also runs the Windows tests under Wine (offscreen, and on Xvfb end to end).
# Usage: scripts/windows.sh [--test]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/windows-qt.sh"

run_tests=false
[ "${1:-}" = "--test" ] && run_tests=true

# wine64 alone brings no wine, wineboot, winepath or wineserver commands: they come with the
# wine package, which wine64 only recommends.
orv_windows_packages() {
  orv_install_debian g++-mingw-w64-x86-64-posix wine wine64 googletest qt6-translations-l10n \
    xvfb xauth xdotool openbox x11-utils
}

orv_windows_packages
orv_windows_qt

build=$ORV_ROOT/build/windows
# A build configured against another Qt for Windows (a new Debian version, other options) is
# configured anew: its cache would keep the old paths.
if [ -f "$build/build.ninja" ] && [ "$(cat "$build/.orveditor-qt" 2>/dev/null)" != "$ORV_WINDOWS_QT" ]; then
  echo "Qt for Windows changed: configuring $build anew" >&2
  rm -rf "$build"
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$ORV_ROOT" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ORV_WINDOWS_QT/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$ORV_WINDOWS_TOOLCHAIN" \
    -DORV_WERROR=ON \
    -DORV_GOOGLETEST_SOURCE_DIR=/usr/src/googletest \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ORV_ROOT/scripts/wine-run.sh;$ORV_WINDOWS_QT"
  echo "$ORV_WINDOWS_QT" >"$build/.orveditor-qt"
fi
cmake --build "$build"
"$ORV_ROOT/scripts/windows-package.sh" "$build" "$ORV_WINDOWS_QT"

if $run_tests; then
  # The shared test programs under Wine, offscreen (a real full disk is mounted for one of them,
  # which needs root), then the program itself on an X server of its own under a window manager
  # (without one, Wine leaves the input nowhere once a box has closed), then its packages.
  (cd "$build" && ctest -j2 --output-on-failure)
  "$ORV_ROOT/tests/e2e/windows_e2e.sh" "$build" "$ORV_WINDOWS_QT" openbox
  "$ORV_ROOT/tests/package/windows_installer_test.sh" "$build" "$ORV_WINDOWS_QT"
fi

#!/usr/bin/env bash
# Builds the libraries and their tests for Windows with MinGW-w64 and runs
# the test programs under Wine, in a code page 936 locale. The Qt window,
# the command line and the benchmarks are not built here.
#   tools/test-windows.sh            everything, from setup to the test run
# The build lands in build/windows (INICRYPT_WINDOWS_BUILD to change); Wine's
# prefix in its folder wine.
# Two jobs at a time (INICRYPT_JOBS to change), as on a small CI machine.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
bash tools/setup-windows.sh
arch=$(bash tools/windows-arch.sh)
build=${INICRYPT_WINDOWS_BUILD:-build/windows}
loader=/usr/lib/wine/wine; server=/usr/lib/wine/wineserver32
if [[ $arch == x86_64 ]]; then loader=/usr/lib/wine/wine64; server=/usr/lib/wine/wineserver64; fi

export WINEPREFIX=$PWD/$build/wine WINELOADER=$loader WINESERVER=$server
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
unset DISPLAY WAYLAND_DISPLAY
echo "target: $arch"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINICRYPT_WERROR=ON -DINICRYPT_BUILD_UI=OFF \
  -DINICRYPT_BUILD_CLI=OFF -DINICRYPT_BUILD_BENCH=OFF -DINICRYPT_GTEST_SOURCE=/usr/src/googletest \
  "${launcher[@]}"
jobs=${INICRYPT_JOBS:-2}
cmake --build "$build" -j "$jobs"
built=$SECONDS

# The first start of a prefix builds it; it is kept for the next run.
# wineboot reports a failure when a 32-bit part is missing (x86_64 only);
# the prefix is usable when its registry is there.
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot --init || true
  "$server" -w  # the registry is on disk once the server has ended
  [[ -f $WINEPREFIX/system.reg ]] || { echo "Wine could not make its prefix" >&2; exit 1; }
fi
"$server" -p  # one server for every test program
trap '"$server" -k' EXIT
# Wine's own services start with the first program and outlive it; started
# here, they do not hold a test's output open (CTest waits for its end).
"$loader" wineboot </dev/null >/dev/null 2>&1 || true
booted=$SECONDS
ctest --test-dir "$build" --output-on-failure -j "$jobs"
echo "times: setup+build $((built - start)) s, wine start $((booted - built)) s, tests $((SECONDS - booted)) s"

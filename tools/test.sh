#!/usr/bin/env bash
# Sets everything up and runs every test: a release build with warnings as
# errors, then the same tests under AddressSanitizer + UndefinedBehaviorSanitizer,
# then the Windows build's tests under Wine (INICRYPT_SKIP_WINDOWS=1 leaves
# them out).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINICRYPT_WERROR=ON
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DINICRYPT_WERROR=ON \
  -DINICRYPT_SANITIZE=ON -DINICRYPT_BUILD_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

if [[ -z ${INICRYPT_SKIP_WINDOWS:-} ]]; then
  bash tools/test-windows.sh
fi

#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each
# briefly from a copy of its committed corpus.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]     (default: 25 s each, every target)
#
# A finding stops with the input that caused it in build/fuzz/findings/;
# make it a regression case in fuzz/corpus/<target>/, named after what it
# found. The exit code is 0 only when no target found anything.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(text_fuzz lines_fuzz options_fuzz ini_fuzz)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DINICRYPT_FUZZ=ON -DINICRYPT_WERROR=ON -DINICRYPT_BUILD_TESTS=OFF -DINICRYPT_BUILD_BENCH=OFF \
  -DINICRYPT_BUILD_UI=OFF "${launcher[@]}" >/dev/null
cmake --build build/fuzz --target "${targets[@]}"

findings=build/fuzz/findings
mkdir -p "$findings"
failed=()
for target in "${targets[@]}"; do
  corpus=$(mktemp -d)
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: $seconds s"
  if ! build/fuzz/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$findings/$target-" "$corpus" > "$findings/$target.log" 2>&1; then
    failed+=("$target")
    grep -E "ERROR|$target:|Test unit written" "$findings/$target.log" || tail -20 "$findings/$target.log"
  fi
  grep -E "stat::number_of_executed_units" "$findings/$target.log" || true
  rm -rf "$corpus"
done
if ((${#failed[@]})); then
  echo "findings in: ${failed[*]} (logs and inputs in $findings)"
  exit 1
fi
echo "no findings"

#!/usr/bin/env bash
# Side by side, in one run: TransformAt over 64 MiB in one call (on one thread
# and on every core) against `openssl speed -evp rc4` (16 KiB blocks, wall
# clock). Rounds alternate between the three, so that a busy machine slows
# all of them alike; the best and the median of the rounds are printed with
# their ratios.
#
#   bench/cipher/compare.sh [rounds]      (default 5)
#
# Uses build/release (the Release build of tools/run.sh), or the build folder
# named by INICRYPT_BUILD; builds only the cipher benchmark there.
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${1:-5}
build=${INICRYPT_BUILD:-build/release}

if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target cipher_bench >/dev/null
bench="$build/bench/cipher/cipher_bench"

# MB/s (10^6 bytes a second) of one benchmark case.
ours() {
  "$bench" --benchmark_filter="^BM_TransformWhole/threads:$1/" --benchmark_format=csv \
      --benchmark_min_time=2 2>/dev/null |
    awk -F, '/^"BM_TransformWhole/ { printf "%.0f\n", $6 / 1e6 }'
}
openssl_rc4() {
  openssl speed -provider legacy -provider default -elapsed -seconds 3 -bytes 16384 \
      -evp rc4 2>/dev/null |
    awk '$1 == "RC4" || $1 == "rc4" { v = $NF; sub(/k$/, "", v); printf "%.0f\n", v / 1000 }'
}

echo "$(nproc) cores; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %12s %12s %12s\n' round "openssl" "ours 1 thr" "ours all"
one=() all=() ssl=()
for ((r = 1; r <= rounds; ++r)); do
  s=$(openssl_rc4)
  o=$(ours 1)
  a=$(ours 0)
  ssl+=("$s") one+=("$o") all+=("$a")
  printf '%-6s %12s %12s %12s\n' "$r" "$s" "$o" "$a"
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# best and median of a list of numbers
stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END {
  m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.0f %.0f\n", v[NR], m }'; }
read -r ssl_best ssl_median < <(stats "${ssl[@]}")
read -r one_best one_median < <(stats "${one[@]}")
read -r all_best all_median < <(stats "${all[@]}")

echo
echo "MB/s                      best   median"
printf 'openssl speed -evp rc4 %7s %8s\n' "$ssl_best" "$ssl_median"
printf 'ours, one thread       %7s %8s\n' "$one_best" "$one_median"
printf 'ours, all cores        %7s %8s\n' "$all_best" "$all_median"
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'one thread / openssl   %7s %8s   (target 1.5 or more)\n' \
  "$(ratio "$one_best" "$ssl_best")" "$(ratio "$one_median" "$ssl_median")"
printf 'all cores / one thread %7s %8s   (target 1.8 or more on 2 cores)\n' \
  "$(ratio "$all_best" "$one_best")" "$(ratio "$all_median" "$one_median")"

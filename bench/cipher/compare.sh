#!/usr/bin/env bash
# Side by side, in one run: TransformAt over 64 MiB in one call (on one thread
# and on every core) against `openssl speed -evp rc4` (16 KiB blocks). Rounds
# alternate between them, so that a busy machine slows all of them alike; the
# best and the median of the rounds are printed with their ratios.
#
# Two clocks: the wall clock (what a user waits for; the only one that shows
# what several cores bring), and the CPU time of the process (OpenSSL's own
# default), which other work on a busy machine disturbs less.
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
mb=$((64 << 20))

# "wall cpu" in MB/s (10^6 bytes a second) for one case of the benchmark.
ours() {
  "$bench" --benchmark_filter="^BM_TransformWhole/threads:$1/" --benchmark_format=csv \
      --benchmark_min_time=2 2>/dev/null |
    awk -F, -v mb="$mb" '/^"BM_TransformWhole/ {
      scale = $5 == "ms" ? 1e3 : $5 == "us" ? 1e6 : $5 == "ns" ? 1e9 : 1
      printf "%.0f %.0f\n", mb / ($3 / scale) / 1e6, mb / ($4 / scale) / 1e6 }'
}
# MB/s of openssl speed; "-elapsed" for the wall clock.
openssl_rc4() {
  openssl speed -provider legacy -provider default "$@" -seconds 3 -bytes 16384 \
      -evp rc4 2>/dev/null |
    awk '$1 == "RC4" || $1 == "rc4" { v = $NF; sub(/k$/, "", v); printf "%.0f\n", v / 1000 }'
}

echo "$(nproc) cores; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "MB/s        ---------- wall clock ----------   ---- CPU time ----"
printf '%-6s %12s %12s %12s %12s %12s\n' round openssl "ours 1 thr" "ours all" openssl "ours 1 thr"
ssl=() one=() all=() ssl_cpu=() one_cpu=()
for ((r = 1; r <= rounds; ++r)); do
  s=$(openssl_rc4 -elapsed)
  s_cpu=$(openssl_rc4)
  read -r o o_cpu < <(ours 1)
  read -r a _ < <(ours 0)
  ssl+=("$s") one+=("$o") all+=("$a") ssl_cpu+=("$s_cpu") one_cpu+=("$o_cpu")
  printf '%-6s %12s %12s %12s %12s %12s\n' "$r" "$s" "$o" "$a" "$s_cpu" "$o_cpu"
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# "best median" of a list of numbers
stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END {
  m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.0f %.0f\n", v[NR], m }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
read -r ssl_b ssl_m < <(stats "${ssl[@]}")
read -r one_b one_m < <(stats "${one[@]}")
read -r all_b all_m < <(stats "${all[@]}")
read -r sslc_b sslc_m < <(stats "${ssl_cpu[@]}")
read -r onec_b onec_m < <(stats "${one_cpu[@]}")

echo
echo "MB/s                                best   median"
printf 'openssl speed -evp rc4, wall  %9s %8s\n' "$ssl_b" "$ssl_m"
printf 'ours, one thread, wall        %9s %8s\n' "$one_b" "$one_m"
printf 'ours, all cores, wall         %9s %8s\n' "$all_b" "$all_m"
printf 'openssl speed -evp rc4, CPU   %9s %8s\n' "$sslc_b" "$sslc_m"
printf 'ours, one thread, CPU         %9s %8s\n' "$onec_b" "$onec_m"
echo
printf 'one thread / openssl, wall    %9s %8s   (target 1.5 or more)\n' \
  "$(ratio "$one_b" "$ssl_b")" "$(ratio "$one_m" "$ssl_m")"
printf 'one thread / openssl, CPU     %9s %8s   (target 1.5 or more)\n' \
  "$(ratio "$onec_b" "$sslc_b")" "$(ratio "$onec_m" "$sslc_m")"
printf 'all cores / one thread, wall  %9s %8s   (target 1.8 or more on 2 cores)\n' \
  "$(ratio "$all_b" "$one_b")" "$(ratio "$all_m" "$one_m")"

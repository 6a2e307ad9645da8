#!/usr/bin/env bash
# Kills inicrypt with SIGKILL at random moments and checks what it leaves.
#
#   tests/crash/crash_test.sh [--concurrent] [--pairs N] INICRYPT COUNT
#
# Builds nothing: INICRYPT is the path of a built inicrypt program.
#
# Default mode, COUNT kills: in a fresh temporary folder an enciphered INI
# file of N pairs (20,000 unless given) is made; each round starts one of
# `set`, `encrypt --raw -o` and `rekey` on a fresh copy of the old target,
# kills it after a random delay (up to about the time one uninterrupted run
# takes), and checks that the target is byte for byte the old file or the
# new one. Then the same command runs to completion, and nothing may be
# left beside the target (no temporary file) nor in $TMPDIR (no plain copy).
#
# --concurrent, COUNT rounds: two `set` writers run at once on one file,
# each on keys of its own, a quarter of their runs killed at random; every
# update acknowledged with exit 0 must read back afterwards, and the file
# must still read under its password.
#
# Prints a summary; the exit code is 0 only when every check held.
set -uo pipefail

concurrent=0
pairs=20000
while [[ $# -gt 0 && $1 == --* ]]; do
  case $1 in
    --concurrent) concurrent=1 ;;
    --pairs) pairs=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
if [[ $# -ne 2 ]]; then
  echo "usage: $0 [--concurrent] [--pairs N] INICRYPT COUNT" >&2
  exit 2
fi
inicrypt=$(realpath "$1")
count=$2
[[ -x $inicrypt ]] || { echo "not a program: $inicrypt" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/inicrypt-crash.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/run" "$work/tmp"
export TMPDIR=$work/tmp
export INICRYPT_PASSWORD=old-password
unset INICRYPT_NEW_PASSWORD

# A plain INI file of n pairs, 100 keys to a section.
make_plain() {
  awk -v n="$1" 'BEGIN {
    for (i = 0; i < n; i++) {
      if (i % 100 == 0) printf "[section%d]\r\n", i / 100
      printf "key%d=value %d of the configuration\r\n", i % 100, i
    }
  }'
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Sleeps a random time of 0 to $1 milliseconds.
random_sleep() {
  local ms=$(( (RANDOM * 32768 + RANDOM) % ($1 + 1) ))
  sleep "$(printf '%d.%03d' $((ms / 1000)) $((ms % 1000)))"
}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

make_plain "$pairs" > "$work/in/plain.ini"
"$inicrypt" encrypt --raw "$work/in/plain.ini" -o "$work/in/enc.ini" 2>/dev/null ||
  { echo "cannot encipher the test file" >&2; exit 1; }

if [[ $concurrent -eq 0 ]]; then
  target=$work/run/target.ini
  # The command of each kind, run on $target; with "exec" as $2 the shell
  # becomes the program (so that a kill reaches the program itself).
  run_kind() {
    local run=${2:-}
    case $1 in
      set) $run "$inicrypt" set "$target" section7 key42 "a new value" ;;
      encrypt) $run "$inicrypt" encrypt --raw "$work/in/plain2.ini" -o "$target" ;;
      rekey) INICRYPT_NEW_PASSWORD=new-password $run "$inicrypt" rekey "$target" ;;
    esac
  }
  # The old target of each kind, and the new one an uninterrupted run makes.
  make_plain "$((pairs + 1))" > "$work/in/plain2.ini"
  kinds=(set encrypt rekey)
  declare -A took
  for kind in "${kinds[@]}"; do
    cp "$work/in/enc.ini" "$work/in/$kind.old"
    took[$kind]=999999
    for _ in 1 2 3; do  # the quickest of three runs
      cp "$work/in/enc.ini" "$target"
      start=$(now_ms)
      run_kind "$kind" 2>/dev/null || { echo "$kind fails without a kill" >&2; exit 1; }
      elapsed=$(( $(now_ms) - start ))
      (( elapsed < took[$kind] )) && took[$kind]=$elapsed
    done
    mv "$target" "$work/in/$kind.new"
    cmp -s "$work/in/$kind.old" "$work/in/$kind.new" && { echo "$kind changes nothing" >&2; exit 1; }
  done

  echo "one uninterrupted run (ms): set ${took[set]}, encrypt ${took[encrypt]}, rekey ${took[rekey]}"
  torn=0 beside=0 plain_copies=0 old_kept=0 new_made=0
  for ((round = 1; round <= count; round++)); do
    kind=${kinds[$((round % 3))]}
    cp "$work/in/$kind.old" "$target"
    run_kind "$kind" exec >/dev/null 2>&1 &
    pid=$!
    random_sleep "${took[$kind]}"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if cmp -s "$target" "$work/in/$kind.old"; then
      old_kept=$((old_kept + 1))
    elif cmp -s "$target" "$work/in/$kind.new"; then
      new_made=$((new_made + 1))
    else
      torn=$((torn + 1))
      fail "round $round ($kind): the target is neither the old file nor the new one"
      cp "$work/in/$kind.old" "$target"
    fi
    # The next run completes, and leaves nothing behind.
    if cmp -s "$target" "$work/in/rekey.new"; then
      INICRYPT_PASSWORD=new-password INICRYPT_NEW_PASSWORD=new-password \
        "$inicrypt" rekey "$target" >/dev/null 2>&1
    else
      run_kind "$kind" >/dev/null 2>&1
    fi || fail "round $round ($kind): the run after the kill failed"
    cmp -s "$target" "$work/in/$kind.new" ||
      fail "round $round ($kind): the run after the kill did not make the new file"
    left=$(find "$work/run" -mindepth 1 ! -path "$target" | wc -l)
    if [[ $left -gt 0 ]]; then
      beside=$((beside + 1))
      [[ $beside -le 3 ]] && fail "round $round ($kind): left beside the target:" \
        "$(find "$work/run" -mindepth 1 ! -path "$target" -printf '%f %m %s; ')"
      find "$work/run" -mindepth 1 ! -path "$target" -delete
    fi
    left=$(find "$TMPDIR" -mindepth 1 | wc -l)
    if [[ $left -gt 0 ]]; then
      plain_copies=$((plain_copies + 1))
      [[ $plain_copies -le 3 ]] && fail "round $round ($kind): left in \$TMPDIR:" \
        "$(find "$TMPDIR" -mindepth 1 -printf '%P %m %s; ')"
      find "$TMPDIR" -mindepth 1 -delete
    fi
    ((round % 25 == 0)) && echo "  $round kills: old $old_kept, new $new_made, neither $torn"
  done
  echo "kills: $count ($pairs pairs; set, encrypt --raw, rekey in turn)"
  echo "  target old afterwards: $old_kept, new: $new_made, neither: $torn"
  echo "  rounds leaving files beside the target: $beside; in \$TMPDIR: $plain_copies"
else
  target=$work/run/shared.ini
  cp "$work/in/enc.ini" "$target"
  # One writer: COUNT sets of keys of its own; a quarter killed at random.
  # Writes "key value" to its log for every set that exited 0.
  writer() {
    local name=$1 log=$2 i pid
    : > "$log"
    for ((i = 1; i <= count; i++)); do
      "$inicrypt" set "$target" concurrent "$name-$i" "v$i" >/dev/null 2>&1 &
      pid=$!
      if ((RANDOM % 4 == 0)); then
        random_sleep 300
        kill -KILL "$pid" 2>/dev/null
      fi
      if wait "$pid" 2>/dev/null; then echo "$name-$i v$i" >> "$log"; fi
    done
  }
  writer a "$work/in/a.log" &
  writer_a=$!
  writer b "$work/in/b.log" &
  writer_b=$!
  wait "$writer_a" "$writer_b"
  acknowledged=0 lost=0
  while read -r key value; do
    acknowledged=$((acknowledged + 1))
    got=$("$inicrypt" get "$target" concurrent "$key" 2>/dev/null)
    [[ $got == "$value" ]] || lost=$((lost + 1))
  done < <(cat "$work/in/a.log" "$work/in/b.log")
  "$inicrypt" get "$target" section3 key5 >/dev/null 2>&1 ||
    fail "the shared file no longer reads under its password"
  [[ $lost -eq 0 ]] || fail "$lost of $acknowledged acknowledged updates lost"
  echo "concurrent writers: 2 x $count sets; acknowledged: $acknowledged, lost: $lost"
fi

if [[ $failures -eq 0 ]]; then
  echo "PASS"
else
  echo "FAIL ($failures)"
  exit 1
fi

#!/usr/bin/env bash
# The long fuzz run of one target (10 minutes by default): "run", whole runs, or
# "archive", the archive reader. It works on its own growing corpus in the build
# tree, seeded from tests/fuzz/seeds_TARGET (only read).
#
#   scripts/fuzz-long.sh [seconds] [run|archive]
#
# Builds build/fuzz with clang first if needed. FUZZ_JOBS=N runs N workers
# (libFuzzer -fork). Crash inputs go to build/fuzz/long/artifacts/; minimise one with
#   build/fuzz/tests/fuzz_TARGET -minimize_crash=1 -runs=100000 <crash-file>
# Exits non-zero when the fuzzer found something.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
target=${2:-run}
work=$build/long-$target
jobs=${FUZZ_JOBS:-1}
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCPVALID_FUZZ=ON || exit 2
fi
cmake --build "$build" --target "fuzz_$target" || exit 2
mkdir -p "$work/corpus" "$work/artifacts"
fork=()
[ "$jobs" -gt 1 ] && fork=(-fork="$jobs" -ignore_crashes=1)
echo "fuzz_$target: ${1:-600} s, log in $work/log"
(cd "$work" && "$build/tests/fuzz_$target" corpus "$root/tests/fuzz/seeds_$target" \
  -dict="$root/tests/fuzz/$target.dict" -max_total_time="${1:-600}" \
  -rss_limit_mb=2048 -timeout=30 -max_len=8192 -artifact_prefix="$work/artifacts/" \
  -print_final_stats=1 "${fork[@]}" >log 2>&1)
status=$?
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
  echo "found something: $(ls "$work/artifacts")"
  exit 1
fi
echo "no fault found"

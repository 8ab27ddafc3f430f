#!/usr/bin/env bash
# The long fuzz runs: each target for a while (10 minutes by default), one
# after another, each on its own growing corpus in the build tree, seeded
# from the committed corpus (which is only read).
#
#   scripts/fuzz-long.sh [seconds-per-target] [target...]
#
# Builds build/fuzz with clang first if needed. FUZZ_JOBS=N runs N workers
# per target (libFuzzer -fork); the default is 1. Crash inputs go to
# build/fuzz/long/<target>/artifacts/; minimise one with
#   build/fuzz/tests/fuzz/<target> -minimize_crash=1 -runs=100000 <crash-file>
# and read what fuzz_walk saw with FUZZ_WALK_SHOW=1 <fuzz_walk> <file>.
# Exits non-zero when any target found something.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_arguments fuzz_walk fuzz_registry)
jobs=${FUZZ_JOBS:-1}

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCPVALID_FUZZ=ON || exit 2
fi
cmake --build "$build" --target "${targets[@]}" || exit 2

failed=()
for target in "${targets[@]}"; do
  work=$build/long/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  fork=()
  [ "$jobs" -gt 1 ] && fork=(-fork="$jobs" -ignore_crashes=1)
  echo "== $target: ${seconds}s, log in $work/log"
  (cd "$work" && "$build/tests/fuzz/$target" corpus "$root/tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 -max_len=8192 \
      -artifact_prefix="$work/artifacts/" -print_final_stats=1 "${fork[@]}" >log 2>&1)
  status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log"
  echo "   corpus: $(ls "$work/corpus" | wc -l) inputs; exit status $status"
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
    failed+=("$target")
    ls "$work/artifacts"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "found something: ${failed[*]}"
  exit 1
fi
echo "no fault found"

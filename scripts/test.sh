#!/usr/bin/env bash
# Installs what is missing, builds all three builds, checks the format and runs
# every test: the sanitized unit tests and fuzz run, the release checks of the
# shipped program, and the end-to-end cases under Wine (the shipped 32-bit
# program where it runs here, else the 64-bit build; the log says which).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build-windows.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/native" -G Ninja \
  -DCPVALID_SANITIZE=ON -DCPVALID_FUZZ=ON -DCPVALID_BENCH=ON \
  -DCPVALID_WIN32_EXE="$root/build/win32/cpvalid.exe" \
  -DCPVALID_WIN64_EXE="$root/build/win64/cpvalid.exe" >/dev/null
cmake --build "$root/build/native"
find "$root/src" "$root/tests" "$root/bench" -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run -Werror
cd "$root/build/native"
# ctest hides a passing test's output, but the log has to say which program the Wine cases
# ran: their runner's first line, kept in its Wine log too, goes in just before the summary.
ctest --output-on-failure -j2 --timeout 900 | while IFS= read -r line; do
  if [[ $line == *"% tests passed, "* ]]; then
    grep -m1 '^Wine cases run ' tests/wineprefix.log || true
  fi
  printf '%s\n' "$line"
done

#!/usr/bin/env bash
# Builds the shipped 32-bit program (build/win32) and the 64-bit one that
# the Wine tests run (build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for target in "win32 i686" "win64 x86_64"; do
  set -- $target
  cmake -S "$root" -B "$root/build/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2-mingw.cmake" >/dev/null
  cmake --build "$root/build/$1"
done

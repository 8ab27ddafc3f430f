#!/usr/bin/env bash
# Installs what is missing, builds all three builds and runs every test:
# the sanitized unit tests, the fuzz smoke runs, the PE32 check of the
# shipped program, the format check and the Wine end-to-end tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build-windows.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/native" -G Ninja \
  -DCPVALID_SANITIZE=ON -DCPVALID_FUZZ=ON -DCPVALID_BENCH=ON \
  -DCPVALID_WIN32_EXE="$root/build/win32/cpvalid.exe" \
  -DCPVALID_WIN64_EXE="$root/build/win64/cpvalid.exe" >/dev/null
cmake --build "$root/build/native"
cd "$root/build/native"
ctest --output-on-failure -j2 --timeout 900

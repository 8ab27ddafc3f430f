#!/bin/bash
# The release as users get it: sizes; a PE32 console program that XP loads, with only the
# allowed imports, its version and manifest; built again elsewhere, the same bytes; the archive.
set -eu; export LC_ALL=C
exe32=$(realpath "$1") exe64=$(realpath "$2") work=$3 root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work/src" "$work/zip"
sizes="$(stat -c %s "$exe32") / $(stat -c %s "$exe64") bytes"
[ "$(stat -c %s "$exe32")" -le 118784 ] && [ "$(stat -c %s "$exe64")" -le 114688 ] || fail "$sizes"
head=$(objdump -p "$exe32")
[ "$(echo "$head" | grep -cE '^(Magic\s+010b|Subsystem\s+00000003|Major(OSystem|Subsystem)Version\s+5|Minor(OSystem|Subsystem)Version\s+1)\b')" = 6 ] ||
  fail "not a PE32 console program for Windows 5.1: $(echo "$head" | grep -E 'Magic|Subsystem|Version')"
imports=$(echo "$head" | awk '/DLL Name:/ {d=$3; next} d && /^\t[0-9a-f]+\t/ {print d, $3} !/^\t/ {d=""}')
extra=$(echo "$imports" | grep -vxFf <(grep -v '^#' "$root/tests/imports-allowed.txt") || true)
[ -n "$imports" ] && [ -z "$extra" ] || fail "imports not allowed: $(echo $extra)"
rc=$(i686-w64-mingw32-windres -i "$exe32" -O rc)
echo "$rc" | grep -q '^ FILEVERSION 1, 5, 0, 0$' || fail "no version resource 1.5.0.0"
echo "$rc" | sed -n '/^1 24 /,/^END/p' | grep -q 'level=""asInvoker""' || fail "no asInvoker manifest"
cp -r "$root/CMakeLists.txt" "$root/cmake" "$root/packaging" "$root/src" "$work/src"
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$work/build" >/dev/null && (cd "$work/build" && cpack >/dev/null)
cmp "$work/build/cpvalid.exe" "$exe32" || fail "a second build differs"
cd "$work/zip" && unzip -q "$work"/build/cpvalid-*-win32.zip
[ "$(ls | tr '\n' ' ')" = "SHA256SUMS USAGE.txt cpvalid.exe " ] || fail "the archive holds $(ls)"
sha256sum --quiet -c SHA256SUMS && cmp cpvalid.exe "$exe32" || fail "archive or checksums wrong"
echo "$sizes, $(echo "$imports" | wc -l) imports: OK"

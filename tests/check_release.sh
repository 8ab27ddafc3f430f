#!/bin/sh
# The release, checked as users get it: both programs within their size budgets;
# the 32-bit one a PE32 console program that XP SP3 loads, importing only what
# imports-allowed.txt lists, with version resource and manifest; a second build
# elsewhere gives the same bytes; the archive holds program, usage and checksums.
#   check_release.sh WIN32_EXE WIN64_EXE WORK_DIR
set -eu; export LC_ALL=C
exe32=$(realpath "$1") exe64=$(realpath "$2") work=$3
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work/src" "$work/zip"
[ "$(stat -c %s "$exe32")" -le 24576 ] || fail "32-bit program: $(stat -c %s "$exe32") bytes"
[ "$(stat -c %s "$exe64")" -le 32768 ] || fail "64-bit program: $(stat -c %s "$exe64") bytes"
head=$(objdump -p "$exe32")
for f in 'Magic\s+010b' 'Subsystem\s+00000003' 'MajorOSystemVersion\s+5' 'MinorOSystemVersion\s+1' \
    'MajorSubsystemVersion\s+5' 'MinorSubsystemVersion\s+1'; do
  echo "$head" | grep -qE "^$f\b" || fail "32-bit header lacks $f"
done
imports=$(echo "$head" | awk '/DLL Name:/ {d=$3; next} d && /^\t[0-9a-f]+\t/ {print d, $3} !/^\t/ {d=""}')
[ -n "$imports" ] || fail "no imports read"
grep -vE '^(#|$)' "$root/tests/imports-allowed.txt" >"$work/allowed"
extra=$(echo "$imports" | grep -vxFf "$work/allowed" || true)
[ -z "$extra" ] || fail "imports not allowed: $(echo $extra)"
rc=$(i686-w64-mingw32-windres -i "$exe32" -O rc)
echo "$rc" | grep -q '^ FILEVERSION 1, 5, 0, 0$' || fail "no version resource 1.5.0.0"
echo "$rc" | sed -n '/^1 24 /,/^END/p' | grep -q 'level=""asInvoker""' || fail "no asInvoker manifest"
cp -r "$root/CMakeLists.txt" "$root/cmake" "$root/packaging" "$root/src" "$work/src"
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$work/build" >/dev/null
(cd "$work/build" && cpack >/dev/null)
cmp "$work/build/cpvalid.exe" "$exe32" || fail "a second build differs"
cd "$work/zip"
unzip -q "$work"/build/cpvalid-*-win32.zip
listing=$(ls | tr '\n' ' ')
[ "$listing" = "SHA256SUMS USAGE.txt cpvalid.exe " ] || fail "the archive holds $listing"
[ "$(cut -d' ' -f3 SHA256SUMS | tr '\n' ' ')" = "cpvalid.exe USAGE.txt " ] || fail "SHA256SUMS"
sha256sum --quiet -c SHA256SUMS || fail "checksums do not match"
cmp cpvalid.exe "$exe32" || fail "the archive holds another program"
echo "sizes $(stat -c %s "$exe32") / $(stat -c %s "$exe64"), $(echo "$imports" | wc -l) imports: OK"

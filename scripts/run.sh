#!/usr/bin/env bash
# Installs what is missing, builds the Windows program and runs it under
# Wine: the shipped 32-bit program where it runs here, else the 64-bit build.
# With no arguments it runs "-p -l -j -c -w" on the bundled sample environment;
# otherwise it passes the arguments on, with your CLASSPATH and LIB (PATH
# comes from WINEPATH, as Wine builds the program's PATH).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build-windows.sh" >/dev/null

export WINEPREFIX="$root/build/wineprefix-run" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/.cpvalid-ready" ]; then
  echo "Creating a Wine prefix (once)..." >&2
  "$wine" wineboot --init >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  # Without the registry's PATH the program sees exactly WINEPATH.
  "$wine" reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v PATH /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.cpvalid-ready"
fi

if [ $# -eq 0 ]; then
  export SAMPLE_ROOT="$root/build/sample" SAMPLE_EXE="$root/build/win64/cpvalid.exe"
  rm -rf "$SAMPLE_ROOT"
  # shellcheck source=../samples/sample-env.sh
  . "$root/samples/sample-env.sh"
  cd "$SAMPLE_ROOT/app"
  set -- -p -l -j -c -w
fi
# Output goes through a file: Wine's first program can hold a pipe open.
out=$(mktemp)
# The program always exits with 0: any other status means the 32-bit one did not run.
if ! /usr/lib/wine/wine "$root/build/win32/cpvalid.exe" "$@" >"$out" 2>/dev/null; then
  echo "The 32-bit program does not run here; this is the report of the 64-bit build." >&2
  "$wine" "$root/build/win64/cpvalid.exe" "$@" >"$out" 2>/dev/null || true
fi
tr -d '\r' <"$out"
# On the sample, cpvalid in front of each start script's java command too.
if [ -n "${SAMPLE_ROOT:-}" ]; then
  for script in start broken; do
    read -r -a command < <(tr -d '\r' <"$SAMPLE_ROOT/app/$script.cmd")
    printf '\n$ cpvalid %s\n' "${command[*]}"
    /usr/lib/wine/wine "$root/build/win32/cpvalid.exe" "${command[@]}" >"$out" 2>/dev/null ||
      "$wine" "$root/build/win64/cpvalid.exe" "${command[@]}" >"$out" 2>/dev/null || true
    tr -d '\r' <"$out"
  done
fi
rm -f "$out"

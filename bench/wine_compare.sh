#!/usr/bin/env bash
# Whole-process timing of the 64-bit cpvalid.exe under Wine: `-p` with PATH
# at the 32,767-character limit (thousands of entries, half of them real
# directories in a scratch tree, half missing) against `-p` with an empty
# PATH, so that the walk's own cost shows against the cost of starting a
# process under Wine.
#
#   bench/wine_compare.sh path/to/cpvalid.exe [runs]
#
# MIX=dirs or MIX=missing: every entry a directory, or every entry missing.
# MISSING_DRIVE=T: missing entries in the big directory (see below).
#
# The Wine prefix is made once, in build/wine-bench/prefix (override with
# WINEPREFIX), and reused. PATH reaches the program only through WINEPATH:
# the prefix's registry PATH value is deleted, so WINEPATH is the whole PATH.
set -eu

exe=${1:?usage: $0 path/to/cpvalid.exe [runs]}
runs=${2:-20}
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
root=$(cd "$(dirname "$0")/.." && pwd)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

export WINEPREFIX=${WINEPREFIX:-$root/build/wine-bench/prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY CLASSPATH LIB Path path || true

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "making the Wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
  "$wine" reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v PATH /f >/dev/null 2>&1
  "$wineserver" -w
fi

scratch=$(mktemp -d /tmp/cpvalid-wine-bench.XXXXXX)
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -f "$WINEPREFIX/dosdevices/t:" "$WINEPREFIX/dosdevices/u:"
  rm -rf "$scratch"
}
trap cleanup EXIT

# The tree is drive T: in the prefix, so entries are short ("T:\d00042")
# and a full PATH holds thousands of them. Missing entries name nothing on
# drive U:, an empty directory: Wine looks a missing name up by reading the
# whole directory, so misses among T:'s thousands of entries would measure
# that scan more than the tool (MISSING_DRIVE=T shows it).
missing_drive=${MISSING_DRIVE:-U}
# MIX=dirs or MIX=missing makes every entry one kind, to split the cost.
mix=${MIX:-half}
mkdir -p "$scratch/tree" "$scratch/empty"
ln -sfn "$scratch/tree" "$WINEPREFIX/dosdevices/t:"
ln -sfn "$scratch/empty" "$WINEPREFIX/dosdevices/u:"
long_path=""
i=0
while :; do
  if [ "$mix" = dirs ] || { [ "$mix" != missing ] && [ $((i % 2)) -eq 0 ]; }; then
    printf -v entry 'T:\\d%05d' "$i"
    mkdir "$scratch/tree/${entry#T:\\}"
  else
    printf -v entry '%s:\\m%05d' "$missing_drive" "$i"
  fi
  next=${long_path:+$long_path;}$entry
  [ ${#next} -gt 32767 ] && break
  long_path=$next
  i=$((i + 1))
done
# Pad the last entry (which then names nothing) to exactly 32,767 characters.
pad=$((32767 - ${#long_path}))
while [ $pad -gt 0 ]; do long_path+=x; pad=$((pad - 1)); done
entries=$i

# One persistent server for the session, and a first program that starts
# Wine's background services with its output in a file, not a pipe.
"$wineserver" -p
"$wine" cmd.exe /c exit >"$scratch/setup.log" 2>&1

cd "$scratch"
# Output goes to a regular file, as a redirected report would: the tool
# then writes 4096-byte blocks instead of one write per line.
check() {
  WINEPATH=$2 "$wine" "$exe" -p >"$scratch/$1.out" 2>/dev/null
  tr -d '\r' <"$scratch/$1.out" | grep -E '^Total' | sed "s/^/  $1: /"
}
echo "PATH: ${#long_path} characters, $entries entries"
check empty ""
check full "$long_path"
echo "  full: $(grep -c '^Found Dir' "$scratch/full.out") found, $(grep -c '^\*Not found\*' "$scratch/full.out") not found"

now_ns() { date +%s%N; }
declare -a t_empty t_full
for ((r = 0; r < runs; r++)); do
  # Alternate, so that drift in the machine's load hits both alike.
  s=$(now_ns); WINEPATH="" "$wine" "$exe" -p >"$scratch/run.out" 2>/dev/null; e=$(now_ns)
  t_empty+=($((e - s)))
  s=$(now_ns); WINEPATH=$long_path "$wine" "$exe" -p >"$scratch/run.out" 2>/dev/null; e=$(now_ns)
  t_full+=($((e - s)))
done

stats() {
  printf '%s\n' "$@" | awk '{ s += $1; q += $1 * $1; if (NR == 1 || $1 < m) m = $1 }
    END { mean = s / NR; sd = sqrt(q / NR - mean * mean);
          printf "mean %7.1f ms  sd %5.1f ms  min %7.1f ms", mean / 1e6, sd / 1e6, m / 1e6 }'
}
mean_ns() { printf '%s\n' "$@" | awk '{ s += $1 } END { printf "%.0f", s / NR }'; }

echo "runs: $runs of each"
echo "  -p, PATH empty      : $(stats "${t_empty[@]}")"
echo "  -p, PATH 32,767 ch. : $(stats "${t_full[@]}")"
diff_ns=$(($(mean_ns "${t_full[@]}") - $(mean_ns "${t_empty[@]}")))
awk -v d="$diff_ns" -v n="$entries" 'BEGIN {
  printf "  the walk itself     : %.1f ms, %.1f us per entry\n", d / 1e6, d / n / 1e3 }'

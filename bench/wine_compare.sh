#!/usr/bin/env bash
# Whole-process time of the 64-bit cpvalid.exe -p under Wine, alternating an
# empty PATH with one of exactly 32,767 characters: 1,638 directories on T:
# (a scratch tree) and 1,639 missing entries on U:, an empty directory, since
# Wine scans a whole directory to miss a name.  Usage: wine_compare.sh EXE [RUNS]
set -eu
exe=$(realpath "${1:?usage: $0 EXE [RUNS]}")
runs=${2:-10}
wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver
scratch=$(mktemp -d /tmp/cpvalid-wine-bench.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY Path path CLASSPATH LIB
trap '"$server" -k 2>/dev/null; rm -rf "$scratch"' EXIT
# A private prefix whose registry has no PATH: WINEPATH is then the whole PATH.
"$wine" wineboot --init >"$scratch/setup.log" 2>&1 && "$server" -w
"$wine" reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
  /v PATH /f >>"$scratch/setup.log" 2>&1 && "$server" -w
mkdir "$scratch/t" "$scratch/u"
ln -s "$scratch/t" "$WINEPREFIX/dosdevices/t:" && ln -s "$scratch/u" "$WINEPREFIX/dosdevices/u:"
long='' dirs=()
for ((i = 0; i < 3276; i += 2)); do
  printf -v pair 'T:\\d%05d;U:\\m%05d;' "$i" $((i + 1))
  long+=$pair dirs+=("$scratch/t/${pair:3:6}")
done
mkdir "${dirs[@]}" && long+='U:\last' && [ ${#long} -eq 32767 ]
# One server for the session; its background services start with output in a file, not a pipe.
"$server" -p && "$wine" cmd.exe /c exit >>"$scratch/setup.log" 2>&1
cd "$scratch"
WINEPATH=$long "$wine" "$exe" -p >full.out && tr -d '\r' <full.out | grep '^Total entries'
for ((r = 0; r < runs; r++)); do
  for p in empty full; do
    [ $p = empty ] && value='' || value=$long
    s=$(date +%s%N) && WINEPATH=$value "$wine" "$exe" -p >run.out && e=$(date +%s%N)
    echo "$p $(((e - s) / 1000))"
  done
done | awk '{ n[$1]++; s[$1] += $2; if (!m[$1] || $2 < m[$1]) m[$1] = $2 }
  END { for (p in n) printf "%-5s PATH: %d runs, mean %.1f ms, min %.1f ms\n", p, n[p], s[p] / n[p] / 1e3, m[p] / 1e3
        d = s["full"] / n["full"] - s["empty"] / n["empty"]
        printf "walk (difference of means): %.1f ms, %.0f us per entry\n", d / 1e3, d / 3277 }' | sort

#!/usr/bin/env bash
# Whole-process time of the 64-bit cpvalid.exe under Wine, runs alternating, with a PATH of 32,767
# characters: 1,638 directories on T: and 1,639 missing entries on U: (an empty directory: Wine
# scans a whole directory to miss a name). -p with that PATH against an empty one; with "java",
# -p against -w, 20 files in each directory, then with a java.exe (a copy of EXE) in each too.
# Usage: wine_compare.sh EXE [RUNS] [java]
set -eu
exe=$(realpath "${1:?usage: $0 EXE [RUNS] [java]}") runs=${2:-10} java=${3:-}
wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver scratch=$(mktemp -d /tmp/cpvalid-wine-bench.XXXXXX)
. "$(dirname "$0")/wine_path.sh"
[ -z "$java" ] || for d in "${dirs[@]}"; do touch "$d"/f{01..20}.txt; done
# One server for the session; its background services start with output in a file, not a pipe.
"$server" -p && "$wine" cmd.exe /c exit >>"$scratch/setup.log" 2>&1
cd "$scratch"
WINEPATH=$long "$wine" "$exe" -p >full.out && tr -d '\r' <full.out | grep '^Total entries'
run() {  # LABEL OPTION PATH: the label and the run's wall time in microseconds
  s=$(date +%s%N) && WINEPATH=$3 "$wine" "$exe" "$2" >run.out && echo "$1 $((($(date +%s%N) - s) / 1000))"
}
for phase in 1 ${java:+2}; do
  [ $phase = 1 ] || for d in "${dirs[@]}"; do cp "$exe" "$d/java.exe"; done
  for ((r = 0; r < runs; r++)); do
    if [ -z "$java" ]; then run empty -p '' && run full -p "$long"; else
      run "p$phase" -p "$long" && run "w$phase" -w "$long"; fi
  done
done | sort -k1,1 -k2,2n | awk '{ v[$1, ++n[$1]] = $2; s[$1] += $2 }
  END { for (p in n) { k = n[p]; m[p] = (v[p, int((k + 1) / 2)] + v[p, int(k / 2) + 1]) / 2
          printf "%-5s: %d runs, median %.1f ms, mean %.1f ms, min %.1f ms\n", p, k, m[p] / 1e3, s[p] / k / 1e3, v[p, 1] / 1e3 }
        if (n["full"]) { d = s["full"] / n["full"] - s["empty"] / n["empty"]
          printf "walk (difference of means): %.1f ms, %.0f us per entry\n", d / 1e3, d / 3277 }
        if (n["w2"]) printf "-w / -p, medians: %.2f; with java.exe: %.2f; versions about %.0f%% of -w\n",
          m["w1"] / m["p1"], m["w2"] / m["p2"], 100 * (m["w2"] - m["w1"]) / m["w2"] }' | sort

#!/usr/bin/env bash
# Whole-process wall time of two builds of cpvalid.exe under Wine, one prefix, the two alternating
# (which goes first swaps every round): -c over every jar under /usr/share/java (each real file
# once); -c over a folder of 70,000 class files (each the same compiled class); -w on a PATH of 32,767 characters (1,638
# directories of 20 files on T:, 1,639 missing entries on U:), then with a java.exe (a copy of
# AFTER) in each of those directories. Prints the load, each build's totals once, and per phase
# and build the median wall time and the median CPU time of the program's process (user and
# system; the persistent wineserver's share is not in it); PHASES="path java" runs only those.
# Usage: compare_builds.sh BEFORE AFTER [RUNS] [LOADER]
set -eu
before=$(realpath "${1:?usage: $0 BEFORE AFTER [RUNS] [LOADER]}") after=$(realpath "${2:?}")
runs=${3:-10} wine=${4:-/usr/lib/wine/wine}
server=/usr/lib/wine/wineserver scratch=$(mktemp -d /tmp/cpvalid-builds.XXXXXX)
. "$(dirname "$0")/wine_path.sh"
for d in "${dirs[@]}"; do touch "$d"/f{01..20}.txt; done
mkdir "$scratch/cls"
# Each a real class file (this one compiled, 2 to 3 KB), so that -c reads and parses each as it
# would a program's.
javac -d "$scratch" "$(dirname "$0")/ClassScan.java"
python3 -c 'import sys; b = open(sys.argv[1], "rb").read(); [open("%s/C%05d.class" % (sys.argv[2], i), "wb").write(b) for i in range(70000)]' \
  "$scratch/ClassScan.class" "$scratch/cls"
folder=Z:$(printf '%s' "$scratch/cls" | tr / '\\')
mapfile -t jars < <(for f in /usr/share/java/*.jar; do realpath -e "$f"; done | sort -u)
jarpath=$(printf 'Z:%s;' "${jars[@]}" | tr / '\\') && jarpath=${jarpath%;}
# One server for the session; its background services start with output in a file, not a pipe.
"$server" -p && /usr/lib/wine/wine64 cmd.exe /c exit >>"$scratch/setup.log" 2>&1
cd "$scratch"
run() {  # PHASE BUILD: the label, the run's wall time and its CPU time (user and system), in s
  local exe=$before cp='' wp='' opt=-w TIMEFORMAT="$1-$2 %R %U %S"
  [ "$2" = before ] || exe=$after
  case $1 in jars) cp=$jarpath opt=-c ;; folder) cp=$folder opt=-c ;; *) wp=$long ;; esac
  { time CLASSPATH=$cp WINEPATH=$wp "$wine" "$exe" "$opt" >run.out; } 2>&1
}
for phase in ${PHASES:-jars folder path java}; do
  [ $phase != java ] || for d in "${dirs[@]}"; do cp "$after" "$d/java.exe"; done
  echo "== $phase, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
  for build in before after; do
    run $phase $build >/dev/null && tr -d '\r' <run.out | grep -E '^Total classes|runs' | head -2 |
      sed "s/^/$build: /" >&2
  done
  for ((r = 0; r < runs; r++)); do
    if ((r % 2)); then run $phase after && run $phase before; else run $phase before && run $phase after; fi
  done
  echo "== $phase done, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
done | awk '{ n[$1]++; wall[$1, n[$1]] = $2 * 1e3; cpu[$1, n[$1]] = ($3 + $4) * 1e3 }
  function median(a, p, k,  i, j, t, v) {
    for (i = 1; i <= k; i++) v[i] = a[p, i]
    for (i = 2; i <= k; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return (v[int((k + 1) / 2)] + v[int(k / 2) + 1]) / 2 }
  END { for (p in n) { w[p] = median(wall, p, n[p]); c[p] = median(cpu, p, n[p])
          printf "%-13s: %d runs, median wall %.1f ms, median CPU %.1f ms\n", p, n[p], w[p], c[p] }
        for (p in n) if (p ~ /-after$/) { q = p; sub(/-after$/, "-before", q)
          printf "%-13s: after / before, medians: wall %.3f, CPU %.3f\n", substr(p, 1, length(p) - 6), w[p] / w[q], c[p] / c[q] } }' | sort

#!/usr/bin/env bash
# Whole-process wall time under Wine of -c over every jar under /usr/share/java (each real file
# once) given as CLASSPATH, against a java command with the same class path given with -cp and
# -c, alternating (which goes first swaps every round). The command's main class is on no
# element: cpvalid looks for it in every one. Prints each form's median wall and CPU time (user
# and system of the program's process) and their ratio.
# Usage: command_compare.sh EXE [RUNS] [LOADER]
set -eu
exe=$(realpath "${1:?usage: $0 EXE [RUNS] [LOADER]}") runs=${2:-10} wine=${3:-/usr/lib/wine/wine}
server=/usr/lib/wine/wineserver scratch=$(mktemp -d /tmp/cpvalid-command.XXXXXX)
. "$(dirname "$0")/wine_path.sh"
mapfile -t jars < <(for f in /usr/share/java/*.jar; do realpath -e "$f"; done | sort -u)
jarpath=$(printf 'Z:%s;' "${jars[@]}" | tr / '\\') && jarpath=${jarpath%;}
"$server" -p && /usr/lib/wine/wine64 cmd.exe /c exit >>"$scratch/setup.log" 2>&1
cd "$scratch"
run() {  # FORM: the label, the run's wall time and its CPU time, in s
  local TIMEFORMAT="$1 %R %U %S"
  if [ "$1" = classpath ]; then
    { time CLASSPATH=$jarpath "$wine" "$exe" -c >run.out; } 2>&1
  else
    { time "$wine" "$exe" -c java -cp "$jarpath" no.such.Main >run.out || true; } 2>&1
  fi
}
for form in classpath command; do
  run $form >/dev/null
  tr -d '\r' <run.out | grep -E '^Total classes|java stops' | sed "s/^/$form: /" >&2
done
for ((r = 0; r < runs; r++)); do
  if ((r % 2)); then run command && run classpath; else run classpath && run command; fi
done | awk '{ n[$1]++; wall[$1, n[$1]] = $2 * 1e3; cpu[$1, n[$1]] = ($3 + $4) * 1e3 }
  function median(a, p, k,  i, j, t, v) {
    for (i = 1; i <= k; i++) v[i] = a[p, i]
    for (i = 2; i <= k; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return (v[int((k + 1) / 2)] + v[int(k / 2) + 1]) / 2 }
  END { for (p in n) { w[p] = median(wall, p, n[p]); c[p] = median(cpu, p, n[p])
          printf "%-9s: %d runs, median wall %.1f ms, median CPU %.1f ms\n", p, n[p], w[p], c[p] }
        printf "command / classpath, medians: wall %.3f, CPU %.3f\n", w["command"] / w["classpath"], c["command"] / c["classpath"] }'

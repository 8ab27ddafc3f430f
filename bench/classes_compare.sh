#!/usr/bin/env bash
# Whole-process time of the 64-bit cpvalid.exe -c under Wine against a JVM making the same scan
# (ClassScan.java, compiled once), over every jar under /usr/share/java, each real file once. The
# two alternate (with BEFORE, an older cpvalid.exe, the three); prints their totals and version
# lines (which must agree), median wall times and ratios. Usage: classes_compare.sh EXE [RUNS [BEFORE]]
set -eu
exe=$(realpath "${1:?usage: $0 EXE [RUNS [BEFORE]]}") runs=${2:-10} before=${3:+$(realpath "$3")}
wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver scratch=$(mktemp -d /tmp/cpvalid-cls.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY CLASSPATH
trap '"$server" -k 2>/dev/null; rm -rf "$scratch"' EXIT
mapfile -t jars < <(for f in /usr/share/java/*.jar; do realpath -e "$f"; done | sort -u)
classpath=$(printf 'Z:%s;' "${jars[@]}" | tr / '\\') && classpath=${classpath%;}
[ ${#classpath} -lt 32767 ] && echo "${#jars[@]} jars, CLASSPATH of ${#classpath} characters"
javac -d "$scratch/java" "$(dirname "$0")/ClassScan.java"
"$wine" wineboot --init >"$scratch/setup.log" 2>&1 && "$server" -w
# One server for the session; its background services start with output in a file, not a pipe.
"$server" -p && "$wine" cmd.exe /c exit >>"$scratch/setup.log" 2>&1
cd "$scratch"
tool() { CLASSPATH=$classpath "$wine" "$exe" -c >tool.out; }
jvm() { java -cp java ClassScan "${jars[@]}" >jvm.out; }
before() { CLASSPATH=$classpath "$wine" "$before" -c >before.out; }
tool && jvm && tr -d '\r' <tool.out | grep -E '^(Classes for|Total classes)' && sed 's/^/JVM: /' jvm.out
# The same versions, the same first archives: the tool names them Z:\usr\..., the JVM /usr/...
diff <(tr -d '\r' <tool.out | grep '^Classes for' | sed 's|Z:||; s|\\|/|g') \
  <(grep '^Classes for' jvm.out) && echo "version lines agree"
sides="tool jvm${before:+ before}"
for ((r = 0; r < runs; r++)); do
  for side in $sides; do
    s=$(date +%s%N) && $side && e=$(date +%s%N) && echo "$side $(((e - s) / 1000))"
  done
done | sort -k1,1 -k2n | awk '{ t[$1, n[$1]++] = $2 }
  function median(k) { return (t[k, int((n[k] - 1) / 2)] + t[k, int(n[k] / 2)]) / 2e3 }
  END { printf "cpvalid -c under Wine: %d runs, median %.1f ms\n", n["tool"], median("tool")
        printf "JVM with ZipFile:      %d runs, median %.1f ms\n", n["jvm"], median("jvm")
        printf "ratio cpvalid / JVM:   %.2f\n", median("tool") / median("jvm")
        if (n["before"]) { printf "cpvalid -c before:     %d runs, median %.1f ms\n", n["before"], median("before")
                           printf "ratio cpvalid / before: %.2f\n", median("tool") / median("before") } }'

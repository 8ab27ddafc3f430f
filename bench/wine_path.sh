# Sourced by wine_compare.sh and compare_builds.sh: a private Wine prefix in $scratch whose
# registry has no PATH (WINEPATH is then the whole PATH), its server stopped and the scratch
# removed at exit, and the longest PATH: $long, 32,767 characters of 1,638 directories on T:
# ($dirs, empty) and 1,639 missing entries on U: (an empty directory: Wine scans
# a whole directory to miss a name). Needs $scratch and $server.
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY Path path CLASSPATH LIB JAVA_HOME
trap '"$server" -k 2>/dev/null; rm -rf "$scratch"' EXIT
/usr/lib/wine/wine64 wineboot --init >"$scratch/setup.log" 2>&1 && "$server" -w
/usr/lib/wine/wine64 reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
  /v PATH /f >>"$scratch/setup.log" 2>&1 && "$server" -w
mkdir "$scratch/t" "$scratch/u"
ln -s "$scratch/t" "$WINEPREFIX/dosdevices/t:" && ln -s "$scratch/u" "$WINEPREFIX/dosdevices/u:"
long='' dirs=()
for ((i = 0; i < 3276; i += 2)); do
  printf -v pair 'T:\\d%05d;U:\\m%05d;' "$i" $((i + 1))
  long+=$pair dirs+=("$scratch/t/${pair:3:6}")
done
mkdir "${dirs[@]}" && long+='U:\last' && [ ${#long} -eq 32767 ]

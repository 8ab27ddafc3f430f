#!/bin/sh
# The shipped program must be a 32-bit console program that runs alone:
# PE32 (not PE32+), the console subsystem, and no DLL beyond the system's.
set -e
exe="$1"
header=$(objdump -f "$exe")
echo "$header" | grep -q 'file format pei-i386' || { echo "not PE32: $header"; exit 1; }
objdump -p "$exe" | grep -q 'Subsystem.*00000003' || { echo "not a console program"; exit 1; }
dlls=$(objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|msvcrt.dll|api-ms-win-*) ;;
    *) echo "depends on $dll"; exit 1 ;;
  esac
done
echo "PE32 console program, imports: $(echo $dlls)"

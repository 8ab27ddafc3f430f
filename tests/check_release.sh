#!/bin/sh
# The release archive, made by cpack in the 32-bit build, holds the program
# and its usage text, and nothing else.
set -e
dir=$(dirname "$1")
cd "$dir"
cpack >/dev/null
listing=$(unzip -Z1 cpvalid-*-win32.zip | sort | tr '\n' ' ')
[ "$listing" = "USAGE.txt cpvalid.exe " ] || { echo "archive holds: $listing"; exit 1; }
unzip -p cpvalid-*-win32.zip cpvalid.exe | cmp - cpvalid.exe
echo "archive holds: $listing"

#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when any is missing;
# the 32-bit Wine too when this machine can run 32-bit programs.
set -euo pipefail
packages=(cmake ninja-build clang libclang-rt-14-dev libgtest-dev libbenchmark-dev binutils unzip
          python3 g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine64 clang-format libslf4j-java
          zlib1g-dev libz-mingw-w64-dev libcdi-api-java libel-api-java libatinject-jsr330-api-java
          libplexus-interpolation-java libplexus-utils2-java liberror-prone-java)
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# Whether 32-bit programs run here is found out by running one: a static i386
# program of 91 bytes that exits with status 42 (mov bl,42; xor eax,eax; inc eax;
# int 0x80), so that a status of 42 can only mean it ran.
probe=$(mktemp)
base64 -d >"$probe" <<<'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhbAAAAWwAAAAUAAAAAEAAAsyoxwEDNgA=='
chmod +x "$probe"
status=0
"$probe" 2>/dev/null || status=$?
rm -f "$probe"
if [ "$status" -eq 42 ]; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
else
  echo "This machine cannot run 32-bit programs: no 32-bit Wine, the Wine tests run the 64-bit build."
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # Also fetches the i386 package lists after the architecture was added.
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

#!/bin/bash
# Installs what building and testing Grinsel needs, if anything is missing.
# Quiet and quick when everything is there.
set -euo pipefail

PACKAGES=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 fonts-wine
          xvfb xdotool x11-utils imagemagick cmake googletest clang
          libclang-rt-14-dev python3 zip unzip wixl msitools python3-pefile)

SUDO=
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

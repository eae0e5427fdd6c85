#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs, when they are missing.
# Usage: scripts/deps.sh run|test|windows
set -euo pipefail

# The Windows build: MinGW-w64's compiler and Windows headers, and zip for the package.
windows=(cmake g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev zip)
packages=(build-essential cmake pkg-config libsdl2-dev libfreetype-dev libfontconfig-dev
          libgl-dev libglu1-mesa-dev libgl1-mesa-dri fonts-liberation)
[ "${1:-run}" = windows ] && packages=("${windows[@]}")
if [ "${1:-run}" = test ]; then
    # Tests run the program under a virtual X server, drive it with xdotool and read screenshots;
    # SDL's X11 message box needs the core fonts; clang brings libFuzzer.
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-utils xfonts-base
               imagemagick clang libclang-rt-dev)
    # The Windows build's tests run under Wine; unzip unpacks its zip.
    packages+=("${windows[@]}" wine wine64 unzip)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs, when they are missing.
# Usage: scripts/deps.sh run|test|windows|bench|package|web
set -euo pipefail

# The Windows build: MinGW-w64's compiler and Windows headers, and zip for the package.
windows=(cmake g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev zip)
packages=(build-essential cmake pkg-config libsdl2-dev libfreetype-dev libfontconfig-dev
          libx11-dev libxrandr-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri fonts-liberation
          fonts-dejavu-core)
[ "${1:-run}" = windows ] && packages=("${windows[@]}")
if [ "${1:-run}" = test ]; then
    # Tests run the program under a virtual X server (Xvfb, and Xorg with the dummy driver where
    # the display mode must really change), drive it with xdotool and read screenshots; xmllint
    # checks the ride picture; clang brings libFuzzer.
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev libxres-dev xvfb xauth xdotool x11-utils
               x11-xserver-utils xserver-xorg-core xserver-xorg-video-dummy imagemagick
               libxml2-utils clang libclang-rt-dev)
    # The Windows build's tests run under Wine; unzip unpacks its zip.
    packages+=("${windows[@]}" wine wine64 unzip)
fi
# The Debian package: dpkg-dev works out its dependencies. Its tests check it with lintian,
# desktop-file-validate and appstreamcli, and the Windows exe's resources with wrestool.
[ "${1:-run}" = package ] && packages+=(dpkg-dev)
[ "${1:-run}" = test ] && packages+=(dpkg-dev lintian desktop-file-utils appstream icoutils)
# The web page: Debian's Emscripten and the parser its optimiser needs, and what the glyph table
# is rasterised with (scripts/build-web.sh).
web=(emscripten node-acorn python3 build-essential cmake pkg-config libfreetype-dev
     libfontconfig-dev fonts-liberation)
[ "${1:-run}" = web ] && packages=("${web[@]}")
if [ "${1:-run}" = test ]; then
    # The page's cases run in Debian's Chromium, driven from Node.js with npm's puppeteer-core;
    # a Node.js that came with npm of its own is kept.
    packages+=("${web[@]}" chromium)
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
fi
# The comparison of the model import with Assimp's (scripts/readbench.sh).
[ "${1:-run}" = bench ] && packages+=(libassimp-dev python3)

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

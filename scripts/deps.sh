#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs, when they are missing.
# Usage: scripts/deps.sh run|test|windows|bench|package|web
set -euo pipefail

# The Windows build: MinGW-w64's compiler and Windows headers, zip for the zip, and wixl and
# msitools' msibuild for the installer.
windows=(cmake g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev zip wixl msitools)
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
# The web page: Debian's Emscripten and the parser its optimiser needs, what the glyph table
# is rasterised with, and cwebp for the app icons (scripts/build-web.sh).
web=(emscripten node-acorn python3 build-essential cmake pkg-config libfreetype-dev
     libfontconfig-dev fonts-liberation webp)
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

# Without apt-get and dpkg (another distribution), nothing is installed: what each Debian package
# brings is looked for (commands, a pkg-config module, a font) and what is missing is named as
# other systems know it. The checks of a package are separated by commas.
by_hand() {
    case $1 in
    build-essential) echo "cmd:c++,cmd:make|a C++17 compiler (c++) and make" ;;
    cmake) echo "cmd:cmake|CMake 3.16 or later" ;;
    pkg-config) echo "cmd:pkg-config|pkg-config (or pkgconf)" ;;
    libsdl2-dev) echo "pc:sdl2|SDL2's development files (pkg-config sdl2)" ;;
    libfreetype-dev) echo "pc:freetype2|FreeType's development files (pkg-config freetype2)" ;;
    libfontconfig-dev) echo "pc:fontconfig|fontconfig's development files (pkg-config fontconfig)" ;;
    libx11-dev) echo "pc:x11|Xlib's development files (pkg-config x11)" ;;
    libxrandr-dev) echo "pc:xrandr|XRandR's development files (pkg-config xrandr)" ;;
    libxres-dev) echo "pc:xres|XRes's development files (pkg-config xres)" ;;
    libgl-dev) echo "pc:gl|OpenGL's development files (pkg-config gl: libglvnd or Mesa)" ;;
    libglu1-mesa-dev) echo "pc:glu|GLU's development files (pkg-config glu: Mesa's GLU)" ;;
    libgtest-dev) echo "pc:gtest|GoogleTest (pkg-config gtest)" ;;
    libgmock-dev) echo "pc:gmock|GoogleMock (pkg-config gmock)" ;;
    libbenchmark-dev) echo "pc:benchmark|Google Benchmark (pkg-config benchmark)" ;;
    libassimp-dev) echo "pc:assimp|Assimp's development files (pkg-config assimp)" ;;
    fonts-liberation) echo "font:Liberation Mono|the Liberation fonts (Liberation Mono)" ;;
    fonts-dejavu-core) echo "font:DejaVu Sans|the DejaVu fonts (DejaVu Sans)" ;;
    g++-mingw-w64-x86-64-posix | mingw-w64-x86-64-dev)
        echo "cmd:x86_64-w64-mingw32-g++|MinGW-w64's C++ compiler for x86_64, posix threads" ;;
    xvfb) echo "cmd:Xvfb|Xvfb" ;;
    xserver-xorg-core) echo "cmd:Xorg|the Xorg server, with its dummy video driver" ;;
    x11-utils) echo "cmd:xwininfo,cmd:xdpyinfo|the X utilities (xwininfo, xdpyinfo)" ;;
    x11-xserver-utils) echo "cmd:xrandr,cmd:xset|xrandr and xset" ;;
    imagemagick) echo "cmd:convert,cmd:import|ImageMagick" ;;
    webp) echo "cmd:cwebp|cwebp (libwebp's tools)" ;;
    libxml2-utils) echo "cmd:xmllint|xmllint (libxml2)" ;;
    desktop-file-utils) echo "cmd:desktop-file-validate|desktop-file-utils" ;;
    appstream) echo "cmd:appstreamcli|AppStream (appstreamcli)" ;;
    icoutils) echo "cmd:wrestool|icoutils (wrestool)" ;;
    emscripten) echo "cmd:emcc|Emscripten (emcc)" ;;
    nodejs) echo "cmd:node|Node.js" ;;
    wine | wine64) echo "cmd:wine|Wine" ;;
    msitools) echo "cmd:msibuild|msitools (msibuild)" ;;
    dpkg-dev) echo "cmd:dpkg-shlibdeps|dpkg-dev: the Debian package is built on Debian only" ;;
    libgl1-mesa-dri) echo "|an OpenGL driver (Mesa's)" ;;
    xserver-xorg-video-dummy) echo "|Xorg's dummy video driver" ;;
    libclang-rt-dev) echo "|clang's runtime libraries (libFuzzer)" ;;
    node-acorn) echo "|acorn for Node.js (Emscripten's optimiser uses it)" ;;
    zip | unzip | wixl | xdotool | xauth | clang | lintian | python3 | npm | chromium)
        echo "cmd:$1|$1" ;;
    esac
}
if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
    declare -A named
    missing=() unchecked=()
    for p in "${packages[@]}"; do
        IFS='|' read -r checks name <<<"$(by_hand "$p")"
        if [ -z "$checks" ]; then
            unchecked+=("$name")
            continue
        fi
        IFS=, read -ra checks <<<"$checks"
        for check in "${checks[@]}"; do
            case $check in
            cmd:*) command -v "${check#cmd:}" >/dev/null ;;
            pc:*) pkg-config --exists "${check#pc:}" 2>/dev/null ;;
            font:*) fc-list -q "${check#font:}" 2>/dev/null ;;
            esac && continue
            [ -n "${named[$name]:-}" ] || missing+=("$name")
            named[$name]=1
            break
        done
    done
    [ ${#unchecked[@]} -eq 0 ] || printf 'Not checked, but needed: %s\n' "${unchecked[@]}" >&2
    [ ${#missing[@]} -eq 0 ] && exit 0
    echo "No apt-get here to install what is missing; install it with the system's own" \
        "package manager (see README, \"Build by hand\"), then run this again:" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
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

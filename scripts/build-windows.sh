#!/usr/bin/env bash
# Cross-builds the simulator for 64-bit Windows with MinGW-w64 and packs it twice: the installer
# dist/balantor-VERSION-x64.msi (wixl, from packaging/balantor.wxs) and dist/balantor-windows.zip,
# both with balantor.exe, the models folder, README.txt with the keys and LICENSE.txt. The build
# directory (build-windows) keeps the debugging information, the packed copy is stripped of it.
# Extra arguments go to CMake's configuration of the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows

cmake -S . -B build-windows --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build-windows -j"$(nproc)" --target balantor

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
x86_64-w64-mingw32-strip -o "$stage/balantor.exe" build-windows/balantor.exe
cp -r models "$stage/"
# Notepad on older Windows shows a text file's lines only when they end in CR LF.
sed 's/$/\r/' packaging/windows-readme.txt >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
zip=$PWD/dist/balantor-windows.zip
mkdir -p dist
rm -f "$zip"
(cd "$stage" && zip -qr "$zip" balantor.exe models README.txt LICENSE.txt)
echo "dist/balantor-windows.zip: $(du -k "$zip" | cut -f1) kB," \
    "balantor.exe $(du -k "$stage/balantor.exe" | cut -f1) kB"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
msi=dist/balantor-$version-x64.msi
scripts/msi.sh "$stage" "$version" "$msi"
echo "$msi: $(du -k "$msi" | cut -f1) kB"

#!/usr/bin/env bash
# Builds the Windows installer from a folder with the zip's files (balantor.exe, models,
# README.txt, LICENSE.txt): wixl from packaging/balantor.wxs, then msibuild adds the dialogs of
# packaging/balantor-msi-ui.sql.
# Usage: scripts/msi.sh FOLDER VERSION OUTPUT.msi
set -euo pipefail
dir=$(realpath "$1") version=$2 out=$3
root=$(realpath "$(dirname "$0")/..")
command -v wixl >/dev/null && command -v msibuild >/dev/null || "$root/scripts/deps.sh" windows

# The product code is new for each version and the same for every build of one version: Windows
# takes a rebuilt package of an installed version for the installed product (to repair or remove)
# and never lists one version twice.
hash=$(printf 'Balantor %s' "$version" | sha1sum)
variant=$(printf '%x' $((0x${hash:16:1} & 3 | 8)))
product=${hash:0:8}-${hash:8:4}-5${hash:13:3}-$variant${hash:17:3}-${hash:20:12}

# wixl finds files relative to its sources only: both sources, the files and the icon go into one
# folder.
out=$(realpath "$out")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$dir" "$work/files"
cp "$root/packaging/balantor.wxs" "$root/packaging/icons/balantor.ico" "$work/"
cd "$work"
find files/models -type f | LC_ALL=C sort |
    wixl-heat -p files/ --directory-ref INSTALLDIR --component-group Models --var var.SourceDir \
        --win64 >models.wxs
wixl -a x64 -D Version="$version" -D ProductCode="$product" -D SourceDir=files -D Win64=yes \
    -D IconFile=balantor.ico -o "$out" balantor.wxs models.wxs
# The dialogs, with the licence as RTF: a paragraph of LICENSE.txt per RTF paragraph.
rtf=$(tr -d '\r' <files/LICENSE.txt |
    awk 'BEGIN {RS = ""; ORS = ""} {gsub(/\n/, " "); print (NR > 1 ? "\\par\\par " : "") $0}')
rtf="{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs16 $rtf}"
queries=()
while read -r line; do
    [[ -z $line || $line == "#"* ]] || queries+=(-q "${line//@LICENCE@/"$rtf"}")
done <"$root/packaging/balantor-msi-ui.sql"
msibuild "$out" "${queries[@]}"

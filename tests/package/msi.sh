#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own: it installs quietly; the Start
# menu's shortcut starts the installed program in its folder, and the ride case runs so; the list
# of installed programs shows it once, with its version, publisher and icon, also after the same
# version is installed again and after a newer version (built here from the zip's files) is
# installed over it through the installer's dialogs, which show the licence; uninstalled, it leaves
# no file, folder, shortcut or registry value behind.
# Usage: msi.sh INSTALLER ZIP X11_HELPER
set -uo pipefail
msi=$(realpath "$1")
zip=$(realpath "$2")
x11=$(realpath "$3")
here=$(dirname "$(realpath "$0")")
tmp=$(mktemp -d)
# No .NET or browser in the prefix, and no menu entries for the desktop outside it.
export WINEPREFIX=$tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb=""
trap '[ -d "$WINEPREFIX" ] && wineserver -k; [ -n "$xvfb" ] && kill $xvfb; rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/Balantor"
# Windows puts the shortcut of an installation for all users into their common Start menu; Wine's
# installer puts it into the installing user's.
menus=("$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
       "$drive/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")

# msiexec ARGS...: Wine's msiexec, its output kept; returns when the prefix's server has ended, so
# that the registry is on disk.
msiexec() {
    wine msiexec "$@" >>"$tmp/msiexec.log" 2>&1 || { cat "$tmp/msiexec.log" >&2; return 1; }
    wineserver -w
}
# unix PATH: the file a path on drive C names.
unix() {
    local p=${1//\\//}
    echo "$drive/${p#[Cc]:/}"
}
# entries: "version|publisher" of each entry named Balantor in the list of installed programs.
entries() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk '/^HKEY/ {if (n == "Balantor") print v "|" p; n = v = p = ""}
            $1 == "DisplayName" {n = $3} $1 == "DisplayVersion" {v = $3}
            $1 == "Publisher" {sub(/.*REG_SZ +/, ""); p = $0}
            END {if (n == "Balantor") print v "|" p}'
}
# installed VERSION: one entry, of that version, with its publisher and icon; the program's files.
installed() {
    local list
    list=$(entries)
    [ "$list" = "$1|The Balantor authors" ] || fail "installed programs: $list"
    local icon
    icon=$(wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' |
        awk '$1 == "ProductIcon" {sub(/.*REG_SZ +/, ""); print}')
    wineserver -w
    [ -s "$(unix "$icon")" ] || fail "no icon for the list of installed programs: '$icon'"
    [ -f "$folder/balantor.exe" ] && [ -f "$folder/LICENSE.txt" ] && [ -f "$folder/README.txt" ] ||
        fail "the program, its licence or its README is missing"
    [ "$(ls "$folder/models")" = "$(ls "$tmp/files/models")" ] || fail "models: $(ls "$folder/models")"
}
# values FILE: each registry value of a Wine registry file, as its key and name.
values() {
    awk '/^\[/ {k = $0; sub(/\] [0-9]+$/, "]", k)} /^("|@)/ {split($0, a, "="); print k a[1]}' \
        "$1" | LC_ALL=C sort
}

# An X server of its own, for the dialogs.
Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset >"$tmp/display" 2>/dev/null &
xvfb=$!
until grep -q '^[0-9]' "$tmp/display"; do
    kill -0 $xvfb || fail "no X server"
    sleep 0.1
done
export DISPLAY=":$(head -1 "$tmp/display")"
wine wineboot -i </dev/null >"$tmp/wineboot.log" 2>&1 || fail "no Wine prefix"
wineserver -w
(cd "$drive" && find . | LC_ALL=C sort) >"$tmp/files.before"
values "$WINEPREFIX/system.reg" >"$tmp/system.before"
values "$WINEPREFIX/user.reg" >"$tmp/user.before"
# A newer version: the same files, the next version number.
version=$(basename "$msi" | cut -d- -f2)
newer=${version%.*}.$((${version##*.} + 1))
mkdir "$tmp/files" && (cd "$tmp/files" && unzip -q "$zip") || fail "cannot unpack $zip"
"$here/../../scripts/msi.sh" "$tmp/files" "$newer" "$tmp/newer.msi" >/dev/null 2>&1 ||
    fail "cannot build a newer installer"

msiexec /i "$msi" /qn || fail "msiexec /i $msi"
installed "$version"
shortcuts=$(find "${menus[@]}" -name '*.lnk' 2>/dev/null)
[ "$(basename "$shortcuts")" = Balantor.lnk ] || fail "shortcuts: ${shortcuts:-none}"
# The shortcut's target, working directory and icon, from its link-info and string data.
mapfile -t link < <(python3 - "$shortcuts" <<'EOF'
import struct, sys
d = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", d, 0x14)[0]
pos, target, strings = 0x4C, "", {}
if flags & 1:
    pos += 2 + struct.unpack_from("<H", d, pos)[0]
if flags & 2:
    size, _, info_flags, _, base = struct.unpack_from("<5I", d, pos)
    if info_flags & 1:
        target = d[pos + base:d.index(b"\0", pos + base)].decode("latin-1")
    pos += size
for bit in (4, 8, 0x10, 0x20, 0x40):
    if flags & bit:
        n = struct.unpack_from("<H", d, pos)[0]
        strings[bit] = d[pos + 2:pos + 2 + 2 * n].decode("utf-16-le")
        pos += 2 + 2 * n
print(target, strings.get(0x10, ""), strings.get(0x40, ""), sep="\n")
EOF
)
[ "${link[0]:-}" = 'C:\Program Files\Balantor\balantor.exe' ] || fail "the shortcut starts '${link[0]:-}'"
[ "${link[1]:-}" = 'C:\Program Files\Balantor\' ] || fail "the shortcut starts in '${link[1]:-}'"
[ -s "$(unix "${link[2]:-}")" ] || fail "the shortcut's icon '${link[2]:-}' is missing"
echo "ok: installed, with a shortcut to $(unix "${link[0]}") in $(unix "${link[1]}")"

E2E_WINE=1 E2E_CWD=$(unix "${link[1]}") bash "$here/../e2e/cases.sh" ride "$(unix "${link[0]}")" \
    "$x11" || fail "the ride case, started as the shortcut starts it"

msiexec /i "$msi" /qn || fail "msiexec /i $msi, a second time"
installed "$version"
# The newer version through the installer's dialogs, as a user installs it: first the licence,
# with nothing changed until Install is pressed, then the end.
# dialog [HEIGHT]: waits for the installer's window (of that height) and leaves its id and height
# in win and win_height.
dialog() {
    local deadline=$((SECONDS + 120)) found
    while [ $SECONDS -lt $deadline ]; do
        found=$(xwininfo -root -tree | awk -v h="${1:-}" '/"Balantor Setup"/ {
            for (i = 2; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) split($i, g, /[x+]/)
            if (h == "" || (g[2] >= h - 1 && g[2] <= h + 1)) {print $1, g[2]; exit}}')
        [ -n "$found" ] && read -r win win_height <<<"$found" &&
            xwininfo -id "$win" | grep -q IsViewable && return 0
        kill -0 "$ui" 2>/dev/null || fail "the installer ended: $(cat "$tmp/ui.log")"
        sleep 0.2
    done
    fail "no installer window${1:+ $1 pixels high}"
}
wine msiexec /i "$tmp/newer.msi" >"$tmp/ui.log" 2>&1 &
ui=$!
dialog
[ "$(entries)" = "$version|The Balantor authors" ] || fail "changed before Install: $(entries)"
xdotool windowfocus --sync "$win" key alt+i
# The last dialog is 100 units high, the licence's 270.
dialog $((win_height * 100 / 270))
xdotool windowfocus --sync "$win" key Return
wait $ui || fail "the installer's dialogs: $(cat "$tmp/ui.log")"
wineserver -w
installed "$newer"
[ "$(find "${menus[@]}" -name '*.lnk' 2>/dev/null)" = "$shortcuts" ] || fail "shortcuts after upgrade"
echo "ok: installed twice, then a newer version over it after its licence: one entry, one shortcut"

msiexec /x "$tmp/newer.msi" /qn || fail "msiexec /x"
[ ! -e "$folder" ] || fail "$folder is left"
[ -z "$(find "${menus[@]}" -name '*.lnk' 2>/dev/null)" ] || fail "a shortcut is left"
# The Installer folder, where Windows keeps the packages it installed, is the system's own.
left=$(cd "$drive" && find . | LC_ALL=C sort | comm -13 "$tmp/files.before" - |
    grep -vx ./windows/Installer)
[ -z "$left" ] || fail "files or folders left: $left"
left=$(values "$WINEPREFIX/system.reg" | comm -13 "$tmp/system.before" -
       values "$WINEPREFIX/user.reg" | comm -13 "$tmp/user.before" -)
[ -z "$left" ] || fail "registry values left: $left"
echo "passed: the installer"

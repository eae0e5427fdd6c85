#!/usr/bin/env bash
# The Debian package as a user gets it: lintian finds no error in it, the menu entry and the
# AppStream metadata pass their validators, each icon is a picture of its size, and unpacked into
# an empty root, its launcher starts the program where its models are and the ride case runs.
# Usage: deb.sh PACKAGE X11_HELPER
set -uo pipefail
deb=$(realpath "$1")
x11=$(realpath "$2")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: cannot unpack $deb" >&2; exit 1; }
desktop-file-validate "$root/usr/share/applications/balantor.desktop" || fail "the menu entry"
# The metadata's id is the menu entry's name: the project has no domain to name it after.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
    "$root/usr/share/metainfo/balantor.metainfo.xml" ||
    fail "the AppStream metadata"
for icon in "$root"/usr/share/icons/hicolor/*/apps/balantor.png; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    # convert reads every pixel, not only the header, and says so when the data is broken.
    [ "$(convert "$icon" -format '%wx%h' info: 2>&1)" = "$size" ] || fail "$icon is not $size"
done
[ -n "${icon:-}" ] || fail "no icons"

# Started from the root, which has no models folder: only the launcher can find them.
E2E_CWD=$root bash "$(dirname "$0")/../e2e/cases.sh" ride "$root/usr/games/balantor" "$x11" ||
    fail "the ride case from the package's launcher"
[ $status = 0 ] && echo "passed: the package"
exit $status

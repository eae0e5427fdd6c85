#!/usr/bin/env bash
# scripts/deps.sh on a system without apt-get and dpkg: it installs nothing, names a missing
# library as other systems know it and fails; with everything there it passes.
set -uo pipefail
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
for f in /usr/bin/* /usr/local/bin/*; do
    case ${f##*/} in apt-get | dpkg* | pkg-config) ;; *) ln -sf "$f" "$bin/" ;; esac
done
# A pkg-config that has every module but XRandR's.
printf '#!/bin/sh\n[ "$2" = xrandr ] && exit 1\nexec /usr/bin/pkg-config "$@"\n' >"$bin/pkg-config"
chmod +x "$bin/pkg-config"
deps=$(realpath "$(dirname "$0")/../../scripts/deps.sh")

out=$(PATH=$bin "$deps" run 2>&1) && { echo "FAIL: passed without XRandR: $out" >&2; exit 1; }
grep -q "XRandR's development files (pkg-config xrandr)" <<<"$out" ||
    { echo "FAIL: XRandR not named: $out" >&2; exit 1; }
ln -sf /usr/bin/pkg-config "$bin/"
out=$(PATH=$bin "$deps" run 2>&1) || { echo "FAIL: everything there, yet: $out" >&2; exit 1; }
echo "passed: without apt-get and dpkg"

#!/usr/bin/env bash
# Builds the Debian package dist/balantor_VERSION_amd64.deb: the program in /usr/lib/balantor
# beside a link to its models folder in /usr/share/games/balantor, the launcher
# /usr/games/balantor, the menu entry, the icons, the AppStream metadata, the manual page and the
# copyright and changelog files. Install it with
# `apt install ./dist/balantor_*.deb`. The build directory is build-deb, built with Debian's
# hardening flags.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
    cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBALANTOR_TESTS=OFF >/dev/null
cmake --build build-deb -j"$(nproc)" --target balantor
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-deb/CMakeCache.txt)
[ "$(dpkg-parsechangelog -l packaging/changelog -S Version)" = "$version" ] ||
    { echo "packaging/changelog has no entry for version $version" >&2; exit 1; }
# The date of the changelog's entry stands for the package's files, so that a build is repeatable.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
lib=$root/usr/lib/balantor share=$root/usr/share/games/balantor doc=$root/usr/share/doc/balantor
install -d "$lib" "$share" "$root/usr/games" "$doc" "$root/usr/share/applications" \
    "$root/usr/share/metainfo" "$root/usr/share/man/man6" "$root/DEBIAN"
# Stripped as Debian's own packages are; build-deb keeps the debugging information.
strip --remove-section=.comment --remove-section=.note --strip-unneeded -o "$lib/balantor" \
    build-deb/balantor
cp -r models "$share/"
ln -s ../../share/games/balantor/models "$lib/models"
install -m 755 packaging/balantor.launcher "$root/usr/games/balantor"
install -m 644 packaging/balantor.desktop "$root/usr/share/applications/"
sed "s/@VERSION@/$version/" packaging/balantor.metainfo.xml \
    >"$root/usr/share/metainfo/balantor.metainfo.xml"
sed "s/@VERSION@/$version/" packaging/balantor.6 | gzip -9n \
    >"$root/usr/share/man/man6/balantor.6.gz"
for size in 16 32 48 64 128 256; do
    install -D -m 644 "packaging/icons/balantor-$size.png" \
        "$root/usr/share/icons/hicolor/${size}x$size/apps/balantor.png"
done
install -m 644 packaging/copyright "$doc/"
# A package without a revision is a native one, whose changelog lintian looks for as changelog.gz.
gzip -9n <packaging/changelog >"$doc/changelog.gz"
find "$root" -type d -exec chmod 755 {} + && find "$share" -type f -exec chmod 644 {} +

# The libraries the program links, from the binary; the GLX library that SDL opens at run time,
# which brings the system's OpenGL driver; and the font the overlay asks for ("Courier New",
# which fontconfig finds as Liberation Mono).
mkdir -p "$stage/debian"
printf 'Source: balantor\n\nPackage: balantor\nArchitecture: amd64\n' >"$stage/debian/control"
shlibs=$(cd "$stage" && dpkg-shlibdeps -O root/usr/lib/balantor/balantor |
    sed -n 's/^shlibs:Depends=//p')
cat >"$root/DEBIAN/control" <<EOF
Package: balantor
Version: $version
Architecture: amd64
Maintainer: $(dpkg-parsechangelog -l packaging/changelog -S Maintainer)
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $shlibs, libgl1, fonts-liberation
Section: games
Priority: optional
Description: riding simulator for a self-balancing two-wheeled vehicle
 The rider is a linearised inverted pendulum on a wheeled cart, held upright by
 a state-feedback controller. Tilt the rider with the arrow keys, steer, fall at
 90 degrees and start again with Space. Drawn with OpenGL in a 640 x 480 window
 or full screen.
EOF
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 644 "$root/DEBIAN/md5sums"
find "$root" -newermt "@$SOURCE_DATE_EPOCH" -print0 | xargs -0 touch -h -d "@$SOURCE_DATE_EPOCH"

mkdir -p dist
deb=dist/balantor_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb: $(du -k "$deb" | cut -f1) kB; Depends: $shlibs, libgl1, fonts-liberation"

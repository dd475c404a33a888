#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a desktop gets: a valid desktop entry, a
# MIME package the MIME database takes, the icon, the man page and working programs; then the .deb.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
root="$scratch/root/usr"
desktop-file-validate "$root/share/applications/vintrel.desktop"
xmllint --noout "$root/share/mime/packages/vintrel.xml"
# The MIME database is built from the package as a desktop would; it names the new types.
mkdir -p "$scratch/mime/packages"
cp "$root/share/mime/packages/vintrel.xml" "$scratch/mime/packages/"
XDG_DATA_DIRS="$scratch" XDG_DATA_HOME="$scratch" update-mime-database "$scratch/mime" 2>&1 | { ! grep .; }
for type in application/x-geocaching-loc text/x-netstumbler text/x-maptech-mxf; do
    test -f "$scratch/mime/$type.xml"
done
xmllint --noout "$root/share/icons/hicolor/scalable/apps/vintrel.svg"
man -l "$root/share/man/man1/vintrel-convert.1" >/dev/null 2>&1 || groff -man -Tutf8 "$root/share/man/man1/vintrel-convert.1" >/dev/null
"$root/bin/vintrel-convert" --version | grep -q '^vintrel-convert [0-9]'
test -x "$root/bin/vintrel"

# The package: the installed files, and the Debian runtime packages as its dependencies.
(cd "$scratch" && cpack -G DEB -B "$scratch/deb" --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$scratch"/deb/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libexpat1 libqt6svg6; do
    echo "$depends" | grep -q "$lib" || { echo "the package does not depend on $lib: $depends"; exit 1; }
done
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/vintrel-convert ./usr/bin/vintrel ./usr/share/applications/vintrel.desktop \
    ./usr/share/mime/packages/vintrel.xml ./usr/share/icons/hicolor/scalable/apps/vintrel.svg; do
    grep -qF "$file" <<<"$contents" || { echo "the package lacks $file"; exit 1; }
done
echo "installed and packaged: $depends"

#!/usr/bin/env bash
# Installs the build as a desktop would get it and checks what it gets: a valid desktop entry, a MIME
# package that gives every sample its type, the icon, both man pages, the AppStream metainfo and
# working programs; then an install into a live prefix and its uninstall; then the .deb and lintian.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
real="$source_dir/../shared/real"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Installs of the "vintrel" component keep their own manifest, so build/install_manifest.txt stays
# that of the user's last install, which the uninstall target reads.
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr --component vintrel >/dev/null
root="$scratch/root/usr"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# Desktop entry: valid without a hint, and not claiming the CSV files of every other program.
desktop="$root/share/applications/vintrel.desktop"
hints=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $hints"
[ -z "$hints" ] || fail "desktop-file-validate: $hints"
mime_types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')
[[ " $mime_types " != *" text/csv "* ]] || fail "the desktop entry claims text/csv"
xmllint --noout "$root/share/mime/packages/vintrel.xml" "$root/share/icons/hicolor/scalable/apps/vintrel.svg"

# The MIME database of a system with the package installed: the shared one with Vintrel's types.
merged="$scratch/merged/share"
mkdir -p "$merged/mime/packages" "$scratch/home"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/share/mime/packages/vintrel.xml" "$merged/mime/packages/"
XDG_DATA_DIRS="$merged" XDG_DATA_HOME="$scratch/home" update-mime-database "$merged/mime" 2>&1 | { ! grep .; } ||
    fail "update-mime-database complains about the MIME package"
for type in $mime_types; do
    test -f "$merged/mime/$type.xml" || fail "the desktop entry names $type, which no MIME package defines"
done

# The type each sample gets, as a desktop asks for it. The generic way (File::MimeInfo) lets a
# matching glob outrank low-priority magic, so only GNOME's way (GIO) tells an MXF video by its
# magic: "gio" rows are checked there only.
printf '\x06\x0e\x2b\x34\x02\x05\x01\x01\x0d\x01\x02\x01\x01\x02\x01\x00' >"$scratch/video.mxf"
# Without an extension only the magic tells the MapSource files apart.
cp "$real/gdb/gdb-sample.gdb" "$scratch/gdb-without-extension" 2>/dev/null || true
cp "$real/mps/mapsource.mps" "$scratch/mps-without-extension" 2>/dev/null || true
# WiGLE exports by their first line (a byte-order mark aside), and Kismet's copy of the layout.
wigle="$source_dir/tests/data/real/wigle/WigleWifi_20171029182606.csv"
cp "$wigle" "$scratch/Kismet-20231112.wiglecsv"
{ printf '\xef\xbb\xbf'; cat "$wigle"; } >"$scratch/wigle-with-bom.csv"
samples=(
    "all $source_dir/examples/caches.loc application/x-geocaching-loc"
    "all $source_dir/examples/waypoints.gpx application/gpx+xml"
    "all $source_dir/examples/speed_cameras.csv text/csv"
    "all $source_dir/examples/wardrive.txt text/x-netstumbler"
    "all $source_dir/examples/wardrive_wigle.csv text/x-wigle-csv"
    "all $source_dir/examples/wardrive_kismet.netxml application/x-kismet-netxml"
    "all $source_dir/examples/harbour_marks.mxf text/x-maptech-mxf"
    "all $source_dir/tests/data/marks.mxf text/x-maptech-mxf"
    "all $source_dir/tests/data/netstumbler_wrong.txt text/plain"
    "all $wigle text/x-wigle-csv"
    "all $scratch/Kismet-20231112.wiglecsv text/x-wigle-csv"
    "all $scratch/wigle-with-bom.csv text/x-wigle-csv"
    "all $source_dir/tests/data/real/kismet/Kismet-test.netxml application/x-kismet-netxml"
    "gio $scratch/video.mxf application/mxf"
    "all $real/loc/geocaching.loc application/x-geocaching-loc"
    "all $real/gpx/basecamp.gpx application/gpx+xml"
    "all $real/txt/netstumbler.txt text/x-netstumbler"
    "all $real/csv/GATSO_30.csv text/csv"
    "all $real/gdb/gdb-sample.gdb application/x-mapsource-gdb"
    "all $real/gdb/gdb-sample-v3.gdb application/x-mapsource-gdb"
    "all $real/mps/mapsource.mps application/x-mapsource-mps"
    "all $scratch/gdb-without-extension application/x-mapsource-gdb"
    "all $scratch/mps-without-extension application/x-mapsource-mps"
)
query() {  # DATA_DIRS DESKTOP FILE: the type xdg-mime gives FILE on that desktop
    env -i PATH="$PATH" HOME="$scratch/home" XDG_DATA_HOME="$scratch/home" XDG_DATA_DIRS="$1" \
        XDG_CURRENT_DESKTOP="$2" xdg-mime query filetype "$3"
}
check_types() {  # DATA_DIRS DESKTOP...: every sample gets its type on each of those desktops
    local dirs=$1 row how file want desktop got
    shift
    for row in "${samples[@]}"; do
        read -r how file want <<<"$row"
        [ -f "$file" ] || continue  # the real files are beside the repository, when they are there
        for desktop in "$@"; do
            [ "$how" = all ] || [ "$desktop" = GNOME ] || continue
            got=$(query "$dirs" "$desktop" "$file")
            [ "$got" = "$want" ] || fail "xdg-mime ($desktop, $dirs) gives $file the type '$got', not $want"
        done
    done
}
check_types "$merged" generic GNOME

# Man pages: both format without a warning, and each names the other.
for page in vintrel vintrel-convert; do
    file="$root/share/man/man1/$page.1.gz"
    warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
    other=$([ "$page" = vintrel ] && echo vintrel-convert || echo vintrel)
    MANWIDTH=80 man -l "$file" 2>/dev/null | sed -n '/^SEE ALSO/,$p' | grep -q "$other(1)" ||
        fail "the $page page's SEE ALSO lacks $other(1)"
done

# AppStream: valid, for this desktop entry, at this version.
metainfo=$(ls "$root"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$scratch/appstream.log")"
grep -q '<launchable type="desktop-id">vintrel.desktop</launchable>' "$metainfo" || fail "metainfo: no launchable"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo: no release $version"
for type in $mime_types; do
    grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "metainfo: $type of the desktop entry missing"
done

# Both programs name the version of the build and their licence (the window answers without one).
for program in vintrel vintrel-convert; do
    env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$program" --version >"$scratch/version"
    grep -qx "$program $version" "$scratch/version" || fail "$program --version: $(cat "$scratch/version")"
    grep -q 'GPL-3.0-or-later' "$scratch/version" || fail "$program --version names no licence"
done

# An install into a live prefix refreshes its caches; the uninstall removes every file again and
# refreshes them once more, so no type is left pointing at a program that is gone.
live="$scratch/live"
XDG_DATA_DIRS="$live/share:/usr/share" cmake --install "$build" --prefix "$live" --component vintrel >/dev/null
test -f "$live/share/mime/mime.cache" || fail "the install did not refresh the MIME database"
grep -q '^application/x-mapsource-gdb=.*vintrel.desktop' "$live/share/applications/mimeinfo.cache" ||
    fail "the install did not refresh the desktop entries' MIME list"
# A prefix of its own is a second MIME database beside the system's. File::MimeInfo takes an
# extension's type from the system's database then, whatever the weights, so the generic desktop
# is left out here; GIO weighs both.
check_types "$live/share:/usr/share" GNOME
manifest="$build/install_manifest_vintrel.txt"
XDG_DATA_DIRS="$live/share:/usr/share" cmake -DVINTREL_MANIFEST="$manifest" -P "$build/packaging/uninstall.cmake" >/dev/null
while read -r file; do
    [ ! -e "$file" ] || fail "the uninstall left $file"
done <"$manifest"
test ! -e "$live/share/mime/application/x-mapsource-gdb.xml" || fail "the uninstall left the MIME types"
! grep -q 'vintrel.desktop' "$live/share/applications/mimeinfo.cache" || fail "the uninstall left the MIME list"

# The package: the installed files, the Debian runtime packages as its dependencies, the version
# of the build, and nothing lintian finds fault with.
(cd "$scratch" && cpack -G DEB -B "$scratch/deb" --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$scratch"/deb/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libexpat1 libqt6svg6; do
    echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/vintrel-convert ./usr/bin/vintrel ./usr/share/applications/vintrel.desktop \
    ./usr/share/mime/packages/vintrel.xml ./usr/share/icons/hicolor/scalable/apps/vintrel.svg \
    ./usr/share/man/man1/vintrel.1.gz ./usr/share/man/man1/vintrel-convert.1.gz \
    ./usr/share/doc/vintrel/copyright ./usr/share/doc/vintrel/changelog.Debian.gz \
    "./usr/share/metainfo/$(basename "$metainfo")"; do
    grep -qF "$file" <<<"$contents" || fail "the package lacks $file"
done
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || fail "lintian: $(cat "$scratch/lintian.log")"
echo "installed and packaged $version: $depends"

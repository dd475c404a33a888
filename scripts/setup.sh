#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing, then configures
# the build tree. Says what it does, with a short progress while it installs; quick when everything
# is already there.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VINTREL_BUILD_DIR:-$here/build}

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libexpat1-dev libgtest-dev)
# The Windows registry back end is cross-built and tested under Wine.
packages+=(g++-mingw-w64-x86-64-posix wine64 googletest)
# Independent readers of what we write, for the interoperability tests: GDB and KML, and XML.
packages+=(gpsbabel libxml2-utils)
# The window's scalable icon; installing and packaging: the desktop entry and MIME checks, the .deb.
packages+=(qt6-svg-dev desktop-file-utils shared-mime-info dpkg-dev man-db groff-base)
# Checking the .deb and what it installs: lintian, the AppStream validator, the types a desktop
# gives each sample (xdg-mime, through File::MimeInfo on a generic desktop and GIO on GNOME).
packages+=(lintian appstream xdg-utils libfile-mimeinfo-perl libglib2.0-bin)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "== Installing ${#missing[@]} Debian packages and what they need: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    export DEBIAN_FRONTEND=noninteractive
    echo "   reading the package lists"
    $sudo apt-get update -qq
    # apt's status lines, shown as a step every 10%.
    $sudo apt-get install -y -qq --no-install-recommends -o APT::Status-Fd=3 "${missing[@]}" 3>&1 >/dev/null |
        awk -F: '$1 == "dlstatus" || $1 == "pmstatus" {
            step = ($1 == "dlstatus" ? "downloading" : "installing") " " int($3 / 10) * 10 "%"
            if (!(step in shown)) { shown[step]; print "   " step; fflush() }
        }'
fi

if [ ! -f "$build_dir/build.ninja" ]; then
    echo "== Configuring the build in $build_dir"
    cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi

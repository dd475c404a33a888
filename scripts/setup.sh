#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing, then configures
# the build tree. Quiet and quick when everything is already there.
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
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi

#!/usr/bin/env bash
# Takes the README's picture of the window: the samples in examples/ loaded, under a virtual X
# server of 1280x800 (with openbox as window manager when it is installed), with settings of its
# own (nothing remembered from earlier runs). Writes docs/window.png,
# or the file named. With --dark the window gets a dark palette the way a KDE desktop gives one
# (a kdeglobals colour scheme), to check that every text stays readable.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dark=0
if [ "${1:-}" = --dark ]; then
    dark=1
    shift
fi
out=${1:-$here/docs/window.png}
"$here/scripts/setup.sh" xvfb xauth imagemagick x11-utils
cmake --build "$here/build" -j2 >/dev/null
shopt -s nullglob
samples=("$here"/examples/*.loc "$here"/examples/*.gpx "$here"/examples/*.csv "$here"/examples/*.mxf)
mkdir -p "$(dirname "$out")"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
env=(XDG_CONFIG_HOME="$config")
if [ "$dark" = 1 ]; then
    cat >"$config/kdeglobals" <<'SCHEME'
[General]
ColorScheme=Dark

[Colors:Window]
BackgroundNormal=43,43,43
ForegroundNormal=238,238,238

[Colors:View]
BackgroundNormal=30,30,30
BackgroundAlternate=36,36,36
ForegroundNormal=238,238,238

[Colors:Button]
BackgroundNormal=60,60,60
ForegroundNormal=238,238,238

[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=255,255,255
SCHEME
    env+=(KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 QT_QPA_PLATFORMTHEME=kde)
fi
# A 1280x800 screen, under a window manager when openbox is installed (as a desktop places and
# frames the window); the picture is the window itself.
env "${env[@]}" xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    if command -v openbox >/dev/null; then openbox & wm=$!; sleep 1; fi
    "$0" "${@:2}" &
    app=$!
    for _ in $(seq 40); do  # the window, once it is there (a loaded machine takes its time)
        id=$(xwininfo -root -tree | awk "/VINTREL v/ {print \$1; exit}")
        [ -n "$id" ] && break
        sleep 0.5
    done
    sleep 2  # the files read and the map drawn
    import -window "$id" "$1"
    kill $app ${wm:-}' "$here/build/src/vintrel" "$out" "${samples[@]}"
echo "$out"

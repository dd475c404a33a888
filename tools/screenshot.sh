#!/usr/bin/env bash
# Takes the README's picture of the window: the samples in examples/ loaded, GDB chosen, under a
# virtual X server. Writes docs/window.png.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" xvfb xauth imagemagick
cmake --build "$here/build" -j2 >/dev/null
shopt -s nullglob
samples=("$here"/examples/*.loc "$here"/examples/*.gpx "$here"/examples/*.csv "$here"/examples/*.mxf)
mkdir -p "$here/docs"
xvfb-run -a -s "-screen 0 1000x640x24" bash -c '
    "$0" "${@:2}" &
    app=$!
    sleep 3
    import -window root -crop 1000x640+0+0 "$1"
    kill $app' "$here/build/src/vintrel" "$here/docs/window.png" "${samples[@]}"
echo "docs/window.png"

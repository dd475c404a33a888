#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job on the sample files in examples/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh"
cmake --build "$here/build" -j2 >/dev/null

shopt -s nullglob
samples=("$here"/examples/*.loc "$here"/examples/*.gpx)
echo "== Waypoints read from the samples in examples/"
"$here/build/src/vintrel-convert" --list "${samples[@]}"

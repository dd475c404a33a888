#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job on the sample files in examples/: lists their
# waypoints, writes each sample as a MapSource .gdb and .mps, a PCX5 .wpt, a Google Earth .kml and
# a GPX file into out/, then adds every sample to one MapSource file, out/all.gdb, and reads that
# back into out/all.kml. The set-up and the build show their progress: a first build takes some
# minutes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
echo "== Checking the Debian packages the build needs"
"$here/scripts/setup.sh"
echo "== Building vintrel and vintrel-convert in build/"
cmake --build "$here/build" -j2 --target vintrel vintrel-convert

convert="$here/build/src/vintrel-convert"
shopt -s nullglob
samples=("$here"/examples/*.loc "$here"/examples/*.gpx "$here"/examples/*.csv "$here"/examples/*.txt "$here"/examples/*.netxml \
    "$here"/examples/*.mxf)
echo "== Waypoints read from the samples in examples/"
"$convert" --list "${samples[@]}"

mkdir -p "$here/out"
for sample in "${samples[@]}"; do
    name=$(basename "${sample%.*}")
    for ext in gdb mps wpt kml gpx gpi; do
        echo "== $(basename "$sample") -> out/$name.$ext"
        "$convert" "$sample" -o "$here/out/$name.$ext"
    done
done

echo "== Adding every sample to out/all.gdb, which starts with the first one"
cp "$here/out/$(basename "${samples[0]%.*}").gdb" "$here/out/all.gdb"
"$convert" "${samples[@]}" --add "$here/out/all.gdb"
echo "== Reading out/all.gdb back into a Google Earth file, out/all.kml"
"$convert" "$here/out/all.gdb" -o "$here/out/all.kml"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== Opening the window on the samples"
    exec "$here/build/src/vintrel" "${samples[@]}"
else
    echo "== No display here. On a desktop, start the window with: $here/build/src/vintrel [FILE...]"
fi

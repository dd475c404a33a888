#!/usr/bin/env bash
# Times vintrel-convert --list on generated 100,000 and 200,000 waypoint files against a bare expat
# pass over the same files, and reports peak memory. Run by hand; never part of the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" time
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVINTREL_BUILD_BENCH=ON -DVINTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
data="$here/bench/data"
mkdir -p "$data"

stats=$(mktemp)
trap 'rm -f "$stats"' EXIT
best() {  # best wall time in seconds of three runs of a command
    local b=999
    for _ in 1 2 3; do
        /usr/bin/time -f '%e' -o "$stats" "$@" >/dev/null 2>&1
        b=$(awk -v b="$b" '{print ($1 < b) ? $1 : b}' "$stats")
    done
    echo "$b"
}
peak() {  # peak resident memory in kB
    /usr/bin/time -f '%M' -o "$stats" "$@" >/dev/null 2>&1
    cat "$stats"
}

for fmt in ${FORMATS:-loc gpx}; do
    for n in 100000 200000; do
        f="$data/bench_$n.$fmt"
        [ -f "$f" ] || "$build/bench/generate" "$fmt" "$n" "$f"
        e=$(best "$build/bench/expat_pass" "$f")
        v=$(best "$build/src/vintrel-convert" --list "$f")
        m=$(peak "$build/src/vintrel-convert" --list "$f")
        printf '%s %7d waypoints (%4d MB): expat %5ss  vintrel --list %5ss  ratio %4s  peak %d MB\n' \
            "$fmt" "$n" $(( $(stat -c %s "$f") / 1000000 )) "$e" "$v" \
            "$(awk -v a="$v" -v b="$e" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
    done
done

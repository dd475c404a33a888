#!/usr/bin/env bash
# Times vintrel-convert on generated 100,000 and 200,000 waypoint files (--list, and conversion to
# .gdb) against a bare expat pass over the same files, and reports peak memory; REPAIRS=1 adds
# damaged copies read with their repairs. Run by hand; never part of the tests.
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
best() {  # best wall time in seconds of five runs of a command
    local b=999
    for _ in 1 2 3 4 5; do
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
        for job in list gdb; do
            if [ "$job" = list ]; then cmd=("$build/src/vintrel-convert" --list "$f");
            else cmd=("$build/src/vintrel-convert" "$f" -o "$data/out.gdb"); fi
            v=$(best "${cmd[@]}")
            m=$(peak "${cmd[@]}")
            printf '%s %7d waypoints (%3d MB) %-4s: expat %5ss  vintrel %5ss  ratio %5s  peak %4d MB\n' \
                "$fmt" "$n" $(( $(stat -c %s "$f") / 1000000 )) "$job" "$e" "$v" \
                "$(awk -v a="$v" -v b="$e" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
        done
    done
done

# Damaged copies of the 100,000-waypoint files, one kind of damage in every waypoint, read with
# their repairs, against expat over the clean file (expat stops at the first damage).
if [ -n "${REPAIRS:-}" ]; then
    damaged() {  # damaged NAME CLEAN-FILE SED-ARGUMENTS...
        local name=$1 clean=$2 f="$data/damaged_$1" e v
        shift 2
        [ -f "$f" ] || LC_ALL=C sed "$@" "$clean" >"$f"
        e=$(best "$build/bench/expat_pass" "$clean")
        v=$(best "$build/src/vintrel-convert" --list "$f")
        printf '%-15s 100000 waypoints: expat (clean) %5ss  vintrel %5ss  ratio %5s\n' "$name" "$e" "$v" \
            "$(awk -v a="$v" -v b="$e" 'BEGIN{printf "%.2f", a/b}')"
    }
    damaged ampersand.loc "$data/bench_100000.loc" -e 's/?wp=/?lang=en\&wp=/'
    damaged cp1252.gpx "$data/bench_100000.gpx" -e 's/ encoding="UTF-8"//' -e 's/Bench cache/Caf\xe9 cache/'
    damaged prefix.gpx "$data/bench_100000.gpx" -e 's/ xmlns:groundspeak="[^"]*"//'
    damaged no_end_tag.gpx "$data/bench_100000.gpx" -e '/^  <\/wpt>\r$/d'
fi

# Instruction counts (callgrind): the same on every run, whatever else the machine is doing.
if [ -n "${INSTRUCTIONS:-}" ]; then
    count() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | awk '/refs:/ {gsub(",", "", $4); print $4}'; }
    for fmt in ${FORMATS:-loc gpx}; do
        f="$data/bench_100000.$fmt"
        e=$(count "$build/bench/expat_pass" "$f")
        l=$(count "$build/src/vintrel-convert" --list "$f")
        g=$(count "$build/src/vintrel-convert" "$f" -o "$data/out.gdb")
        awk -v f="$fmt" -v e="$e" -v l="$l" -v g="$g" 'BEGIN {
            printf "%s 100000 instructions: expat %.2fG  list %.2fG (%.2fx)  gdb %.2fG (%.2fx)\n", f, e/1e9, l/1e9, l/e, g/1e9, g/e }'
    done
fi

# The window: from the file list to a painted grid of 100,000 rows.
QT_QPA_PLATFORM=offscreen "$build/bench/window_import" "$data/bench_100000.gpx"

#!/usr/bin/env bash
# Times vintrel-convert on generated 100,000 and 200,000 waypoint files (SIZES="100000 1000000" for
# others; --list, and conversion to .gdb, .mps, .kml, .wpt, .gpx and .gpi, JOBS="kml gpx" for some)
# against a bare expat pass over the same files, and reports peak memory (FORMATS="gpx add" picks
# the inputs and the add bench); the text formats (camera .csv, NetStumbler .txt, Maptech .mxf)
# are timed with --list against the same number of waypoints from .loc; REPAIRS=1 adds damaged
# copies read with their repairs and hostile damage (a long comment or a long element name before
# many damaged places); MAP_SIZES="1000000" times the map (--map, and a frame at every zoom).
# WiGLE exports are timed against NetStumbler exports of as many lines (FORMATS=wigle for that
# alone, WIGLE_SIZES for other sizes); FORMATS="gpi" times the POI writer against the GDB writer.
# Run by hand; never part of the tests.
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
best() {  # best wall time in seconds of five runs of a command, to the millisecond
    local b=999 start end
    for _ in 1 2 3 4 5; do
        start=$EPOCHREALTIME
        "$@" >/dev/null 2>&1
        end=$EPOCHREALTIME
        b=$(awk -v b="$b" -v s="$start" -v e="$end" 'BEGIN{t = e - s; printf "%.3f", (t < b) ? t : b}')
    done
    echo "$b"
}
cpu() {  # best processor time (user and system) in seconds of five runs of a command
    local b=999 t
    for _ in 1 2 3 4 5; do
        /usr/bin/time -f '%U %S' -o "$stats" "$@" >/dev/null 2>&1
        t=$(awk '{printf "%.2f", $1 + $2}' "$stats")
        b=$(awk -v b="$b" -v t="$t" 'BEGIN{print (t < b) ? t : b}')
    done
    echo "$b"
}
peak() {  # peak resident memory in kB
    /usr/bin/time -f '%M' -o "$stats" "$@" >/dev/null 2>&1
    cat "$stats"
}

for fmt in ${FORMATS:-loc gpx}; do
    case $fmt in add | mapsource | wigle | gpi) continue ;; esac  # their own benches below
    for n in ${SIZES:-100000 200000}; do
        f="$data/bench_$n.$fmt"
        [ -f "$f" ] || "$build/bench/generate" "$fmt" "$n" "$f"
        e=$(best "$build/bench/expat_pass" "$f")
        for job in ${JOBS:-list gdb mps kml wpt gpx gpi}; do
            if [ "$job" = list ]; then cmd=("$build/src/vintrel-convert" --list "$f");
            else cmd=("$build/src/vintrel-convert" "$f" -o "$data/out.$job"); fi
            v=$(best "${cmd[@]}")
            m=$(peak "${cmd[@]}")
            printf '%s %7d waypoints (%3d MB) %-4s: expat %6ss  vintrel %6ss  ratio %5s  peak %4d MB\n' \
                "$fmt" "$n" $(( $(stat -c %s "$f") / 1000000 )) "$job" "$e" "$v" \
                "$(awk -v a="$v" -v b="$e" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
        done
    done
done

# Adding to an existing file: a 100,000-waypoint GDB extended by the 200,000-waypoint list (half of
# it already there), against creating the 200,000-waypoint file.
if [ -z "${FORMATS:-}" ] || [[ " ${FORMATS} " == *" add "* ]]; then
    f100="$data/bench_100000.gpx"
    f200="$data/bench_200000.gpx"
    [ -f "$f100" ] || "$build/bench/generate" gpx 100000 "$f100"
    [ -f "$f200" ] || "$build/bench/generate" gpx 200000 "$f200"
    "$build/src/vintrel-convert" "$f100" -o "$data/base.gdb" >/dev/null
    addOnce() { cp "$data/base.gdb" "$data/add.gdb" && "$build/src/vintrel-convert" "$f200" --add "$data/add.gdb"; }
    c=$(best "$build/src/vintrel-convert" "$f200" -o "$data/out.gdb")
    b=$(best bash -c "$(declare -f addOnce); data='$data' build='$build' f200='$f200' addOnce")
    m=$(peak "$build/src/vintrel-convert" "$f200" --add "$data/add.gdb")
    printf 'add 100000 to 100000 (gdb %d MB): create 200000 %5ss  add %5ss (copy included)  ratio %5s  peak %4d MB\n' \
        $(( $(stat -c %s "$data/base.gdb") / 1000000 )) "$c" "$b" \
        "$(awk -v a="$b" -v b="$c" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
fi

# The text formats: --list on as many lines as the .loc files above have waypoints.
for fmt in ${TEXT_FORMATS-csv txt mxf}; do
    for n in 100000 200000; do
        f="$data/bench_$n.$fmt"
        [ -f "$f" ] || "$build/bench/generate" "$fmt" "$n" "$f"
        loc="$data/bench_$n.loc"
        [ -f "$loc" ] || "$build/bench/generate" loc "$n" "$loc"
        l=$(best "$build/src/vintrel-convert" --list "$loc")
        v=$(best "$build/src/vintrel-convert" --list "$f")
        m=$(peak "$build/src/vintrel-convert" --list "$f")
        printf '%s %7d lines     (%3d MB) list: loc %5ss  vintrel %5ss  ratio %5s  peak %4d MB\n' \
            "$fmt" "$n" $(( $(stat -c %s "$f") / 1000000 )) "$l" "$v" \
            "$(awk -v a="$v" -v b="$l" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
    done
done

# WiGLE exports: the import alone (no output) of as many sightings as a NetStumbler export has
# lines, heard twice each ("wigle": half as many networks, and a phone-cell row in 10, as real
# exports) or once each ("wigle-distinct", the most rows and the largest index); target: no slower
# than NetStumbler. The processor time (user and system, best of five) beside the wall time says
# the same on a machine busy with other work.
if [ -z "${FORMATS:-}" ] || [[ " ${FORMATS} " == *" wigle "* ]]; then
    for n in ${WIGLE_SIZES:-100000 1000000}; do
        txt="$data/bench_$n.txt"
        [ -f "$txt" ] || "$build/bench/generate" txt "$n" "$txt"
        t=$(best "$build/bench/import_only" "$txt")
        tc=$(cpu "$build/bench/import_only" "$txt")
        m=$(peak "$build/bench/import_only" "$txt")
        printf 'txt            %7d lines     (%3d MB): import %6ss  cpu %6ss                      peak %4d MB\n' "$n" \
            $(( $(stat -c %s "$txt") / 1000000 )) "$t" "$tc" $(( m / 1024 ))
        for kind in wigle wigle-distinct; do
            f="$data/bench_${n}_$kind.csv"
            [ -f "$f" ] || "$build/bench/generate" "$kind" "$n" "$f"
            v=$(best "$build/bench/import_only" "$f")
            vc=$(cpu "$build/bench/import_only" "$f")
            m=$(peak "$build/bench/import_only" "$f")
            printf '%-14s %7d sightings (%3d MB): import %6ss  cpu %6ss  ratio to txt %5s/%5s  peak %4d MB  (%s)\n' \
                "$kind" "$n" $(( $(stat -c %s "$f") / 1000000 )) "$v" "$vc" \
                "$(awk -v a="$v" -v b="$t" 'BEGIN{printf "%.2f", a/b}')" \
                "$(awk -v a="$vc" -v b="$tc" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 )) \
                "$("$build/bench/import_only" "$f")"
        done
    done
fi

# MapSource files as inputs: --list of the same 100,000 waypoints as a GDB file of each version this
# program reads (version 1 written by it, 2 and 3 added to an empty file of that version) and as an
# MPS file, against the .loc.
if [ -z "${FORMATS:-}" ] || [[ " ${FORMATS} " == *" mapsource "* ]]; then
    loc="$data/bench_100000.loc"
    [ -f "$loc" ] || "$build/bench/generate" loc 100000 "$loc"
    "$build/src/vintrel-convert" "$loc" -o "$data/bench_100000_v1.gdb" >/dev/null
    "$build/src/vintrel-convert" "$loc" -o "$data/bench_100000.mps" >/dev/null
    inputs=("$data/bench_100000_v1.gdb")
    for v in 2 3; do
        letter=$([ "$v" = 2 ] && echo l || echo m)
        printf 'MsRcf\0\2\0\0\0D%s\0\3\0\0\0Ad\2\0BaseCamp\0\2\0\0\0V\0\1' "$letter" >"$data/bench_100000_v$v.gdb"
        "$build/src/vintrel-convert" "$loc" --add "$data/bench_100000_v$v.gdb" >/dev/null
        inputs+=("$data/bench_100000_v$v.gdb")
    done
    inputs+=("$data/bench_100000.mps")
    l=$(best "$build/src/vintrel-convert" --list "$loc")
    for f in "${inputs[@]}"; do
        v=$(best "$build/src/vintrel-convert" --list "$f")
        m=$(peak "$build/src/vintrel-convert" --list "$f")
        printf '%-22s 100000 waypoints (%3d MB) list: loc %5ss  vintrel %5ss  ratio %5s  peak %4d MB\n' \
            "$(basename "$f")" $(( $(stat -c %s "$f") / 1000000 )) "$l" "$v" \
            "$(awk -v a="$v" -v b="$l" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
    done
fi

# POI files: 100,000 cameras written as GPI against the same list as GDB, the writers alone.
if [ -z "${FORMATS:-}" ] || [[ " ${FORMATS} " == *" gpi "* ]]; then
    "$build/bench/gpi_write" 100000 "$data"
fi

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

    # Hostile damage: a 10 MB comment before 80,000 damaged places, and 500 inside an element of
    # a 4 MB name, against the same files with a blank in every damaged place (target: 3x at most).
    for kind in comment-control:80000 comment-lt:80000 name-control:500 name-lt:500; do
        k=${kind%%:*} n=${kind##*:}
        f="$data/hostile_$k.gpx" c="$data/hostile_$k-clean.gpx"
        [ -f "$f" ] || "$build/bench/generate" "$k" "$n" "$f"
        [ -f "$c" ] || "$build/bench/generate" "$k-clean" "$n" "$c"
        t=$(best "$build/src/vintrel-convert" --list "$c")
        v=$(best "$build/src/vintrel-convert" --list "$f")
        printf '%-15s %6d damages (%2d MB): clean %5ss  damaged %5ss  ratio %5s\n' "$k" "$n" \
            $(( $(stat -c %s "$f") / 1000000 )) "$t" "$v" "$(awk -v a="$v" -v b="$t" 'BEGIN{printf "%.2f", a/b}')"
    done
fi

# Instruction counts (callgrind): the same on every run, whatever else the machine is doing.
if [ -n "${INSTRUCTIONS:-}" ]; then
    count() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | awk '/refs:/ {gsub(",", "", $4); print $4}'; }
    for fmt in ${FORMATS:-loc gpx}; do
        case $fmt in add | mapsource | wigle | gpi) continue ;; esac
        f="$data/bench_100000.$fmt"
        e=$(count "$build/bench/expat_pass" "$f")
        line="$fmt 100000 instructions: expat $(awk -v e="$e" 'BEGIN{printf "%.2fG", e/1e9}')"
        for job in ${JOBS:-list gdb mps kml wpt gpx gpi}; do
            if [ "$job" = list ]; then n=$(count "$build/src/vintrel-convert" --list "$f");
            else n=$(count "$build/src/vintrel-convert" "$f" -o "$data/out.$job"); fi
            line+=$(awk -v j="$job" -v n="$n" -v e="$e" 'BEGIN{printf "  %s %.2fG (%.2fx)", j, n/1e9, n/e}')
        done
        echo "$line"
    done
    loc=$(count "$build/src/vintrel-convert" --list "$data/bench_100000.loc")
    for fmt in ${TEXT_FORMATS-csv txt mxf}; do
        l=$(count "$build/src/vintrel-convert" --list "$data/bench_100000.$fmt")
        awk -v f="$fmt" -v l="$l" -v c="$loc" 'BEGIN {
            printf "%s 100000 instructions: list %.2fG, loc list %.2fG (%.2fx)\n", f, l/1e9, c/1e9, l/c }'
    done
fi

# The window: from the file list to a painted grid of 100,000 rows.
# Under a virtual X server when there is one, as a desktop would show it; offscreen otherwise.
for n in ${WINDOW_SIZES-100000}; do
    f="$data/bench_$n.gpx"
    [ -f "$f" ] || "$build/bench/generate" gpx "$n" "$f"
    if command -v xvfb-run >/dev/null; then
        xvfb-run -a -s "-screen 0 1200x800x24" "$build/bench/window_import" "$f" 2>/dev/null
    else
        QT_QPA_PLATFORM=offscreen "$build/bench/window_import" "$f"
    fi
done

# The map: MAP_SIZES="1000000" (a million unless given) times --map, a picture of the whole list,
# against writing the same list as a GDB file, and draws frames of that many rows at every zoom
# (bench/map_frame.cpp).
for n in ${MAP_SIZES-}; do
    f="$data/bench_$n.gpx"
    [ -f "$f" ] || "$build/bench/generate" gpx "$n" "$f"
    g=$(best "$build/src/vintrel-convert" "$f" -o "$data/out.gdb")
    p=$(best "$build/src/vintrel-convert" "$f" --map "$data/out.png")
    m=$(peak "$build/src/vintrel-convert" "$f" --map "$data/out.png")
    printf 'map %7d waypoints: gdb %6ss  --map %6ss  ratio %5s  peak %4d MB\n' "$n" "$g" "$p" \
        "$(awk -v a="$p" -v b="$g" 'BEGIN{printf "%.2f", a/b}')" $(( m / 1024 ))
    "$build/bench/map_frame" "$n"
done

# Large files read on several threads: PIECES=1 converts the GPX files of SIZES (100,000 and a
# million waypoints unless given) to GDB with the machine's threads and with one
# (VINTREL_THREADS=1), against expat; medians of five runs of the wall time, of processor time
# (user and system) over wall time, and the peak memory against the file's size. The window's
# import of the same files, painted grid included, with both. Say the load (uptime) beside them.
if [ -n "${PIECES:-}" ]; then
    runs() {  # runs COMMAND...: five runs, each as "wall processor peak-kB"
        local start end
        for _ in 1 2 3 4 5; do
            start=$EPOCHREALTIME
            /usr/bin/time -f '%U %S %M' -o "$stats" "$@" >/dev/null 2>&1
            end=$EPOCHREALTIME
            awk -v s="$start" -v e="$end" '{printf "%.3f %.2f %d\n", e - s, $1 + $2, $3}' "$stats"
        done
    }
    median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
    uptime
    for n in ${SIZES:-100000 1000000}; do
        f="$data/bench_$n.gpx"
        [ -f "$f" ] || "$build/bench/generate" gpx "$n" "$f"
        mb=$(( $(stat -c %s "$f") / 1000000 ))
        e=$(runs "$build/bench/expat_pass" "$f" | awk '{print $1}' | median)
        for threads in "" 1; do
            label=$([ -n "$threads" ] && echo "1 thread" || echo "all cores")
            r=$(VINTREL_THREADS=$threads runs "$build/src/vintrel-convert" "$f" -o "$data/out.gdb")
            w=$(awk '{print $1}' <<<"$r" | median)
            printf 'gpx %7d waypoints (%3d MB) gdb, %-9s: expat %6ss  vintrel %6ss  ratio %5s  cpu/wall %4s  peak %4d MB (%.2f of the file)\n' \
                "$n" "$mb" "$label" "$e" "$w" \
                "$(awk -v a="$w" -v b="$e" 'BEGIN{printf "%.2f", a/b}')" \
                "$(awk '{printf "%.2f\n", $2 / $1}' <<<"$r" | median)" \
                $(( $(awk '{print $3}' <<<"$r" | sort -n | tail -1) / 1024 )) \
                "$(awk -v m="$(awk '{print $3}' <<<"$r" | sort -n | tail -1)" -v s="$(stat -c %s "$f")" 'BEGIN{print m * 1024 / s}')"
        done
        for threads in "" 1; do
            label=$([ -n "$threads" ] && echo "1 thread" || echo "all cores")
            printf 'window %7d waypoints, %-9s: ' "$n" "$label"
            for _ in 1 2 3; do
                if command -v xvfb-run >/dev/null; then
                    VINTREL_THREADS=$threads xvfb-run -a -s "-screen 0 1200x800x24" "$build/bench/window_import" "$f" 2>/dev/null
                else
                    VINTREL_THREADS=$threads QT_QPA_PLATFORM=offscreen "$build/bench/window_import" "$f"
                fi | awk '/rows shown in/ {print $5}'
            done | median | awk '{printf "%s ms (median of three)\n", $1}'
        done
    done
fi

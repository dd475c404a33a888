#!/usr/bin/env bash
# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer, then a short run
# of every fuzz target, seeded from tests/data, then the reading of files on several threads under
# ThreadSanitizer (scripts/sanitize-threads.sh). Any report fails the run.
#   FUZZ_SECONDS=30   how long each fuzz target runs (a long campaign: FUZZ_SECONDS=3600)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" clang libclang-rt-14-dev
build="$here/build-sanitize"
seconds=${FUZZ_SECONDS:-30}

flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVINTREL_BUILD_FUZZ=ON -DVINTREL_WINE_TESTS=OFF >/dev/null
cmake --build "$build" -j2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$here/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest -j2 --output-on-failure)

work=$(mktemp -d)
memory=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work" "$memory"' EXIT
export TMPDIR=$work
# MapSource files to start the frame walk and the reader from: what the program itself writes, and
# the files MapSource wrote when they are beside the repository.
mkdir -p "$work/seeds"
"$build/src/vintrel-convert" "$here"/tests/data/pocket_query.gpx -o "$work/seeds/seed.gdb" >/dev/null
"$build/src/vintrel-convert" "$here"/tests/data/wifi.gpx -o "$work/seeds/seed.mps" >/dev/null
"$build/src/vintrel-convert" "$here"/tests/data/pocket_query.gpx -o "$work/seeds/seed.wpt" >/dev/null
"$build/src/vintrel-convert" "$here"/tests/data/real/cameras/GATSO_50.csv -o "$work/seeds/seed.gpi" >/dev/null
for real in "$here"/../shared/real/gdb/*.gdb "$here"/../shared/real/mps/*.mps; do
    [ -f "$real" ] && cp "$real" "$work/seeds/"
done
fuzz() {  # target dictionary seed-pattern...
    local target=$1 dict=$2
    shift 2
    local corpus="$work/$target"
    mkdir -p "$corpus"
    for pattern in "$@"; do
        find "$here/tests/data" "$work/seeds" -type f -name "$pattern" -exec cp {} "$corpus/" \;
    done
    echo "== $target: ${seconds}s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -dict="$here/fuzz/$dict" -print_final_stats=1 \
        -rss_limit_mb=2048 -artifact_prefix="$build/" "$corpus" >"$work/$target.log" 2>&1; then
        tail -n 60 "$work/$target.log"
        echo "== $target found a fault; the input is kept in $build/"
        exit 1
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work/$target.log"
}
fuzz loc_fuzzer xml.dict '*.loc'
fuzz gpx_fuzzer xml.dict '*.gpx'
fuzz csv_fuzzer text.dict '*.csv'
fuzz txt_fuzzer text.dict '*.txt'
fuzz wiglecsv_fuzzer text.dict 'WigleWifi*.csv' '*.wiglecsv'
fuzz netxml_fuzzer xml.dict '*.netxml'
fuzz mxf_fuzzer text.dict '*.mxf'
fuzz registry_export_fuzzer registry.dict '*.reg'
fuzz mapsource_scan_fuzzer mapsource.dict '*.gdb' '*.mps'
fuzz gdb_fuzzer mapsource.dict '*.gdb' '*.mps'
fuzz gpi_fuzzer gpi.dict '*.gpi'
fuzz gpx_add_fuzzer xml.dict '*.gpx'
fuzz add_fuzzer mapsource.dict '*.gdb' '*.mps' '*.wpt' '*.gpx'
fuzz pieces_fuzzer xml.dict '*.gpx' '*.loc' '*.csv' '*.mxf'
# The writers save each file as every save is made (fsync): in memory, where one is to be had, that
# takes a moment instead of most of the run.
TMPDIR=$memory fuzz writer_fuzzer xml.dict '*.csv' '*.txt'
echo "== sanitizers and fuzzers: no report"
"$here/scripts/sanitize-threads.sh"

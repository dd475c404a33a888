#!/usr/bin/env bash
# Large files read in pieces on several threads, under ThreadSanitizer: the pieces' own tests, which
# cut every test and real file, and documents at every byte, into pieces read on two and three
# threads. Only that test program is built here. Any report fails the run; scripts/sanitize.sh runs
# this too.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" clang libclang-rt-14-dev
build="$here/build-tsan"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
    -DVINTREL_WINE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target vintrel_piece_tests
# In two shards at once, one a core.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
pids=()
for shard in 0 1; do
    GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$shard "$build/tests/vintrel_piece_tests" --gtest_brief=1 &
    pids+=($!)
done
for pid in "${pids[@]}"; do
    wait "$pid"
done
echo "== ThreadSanitizer: no report"

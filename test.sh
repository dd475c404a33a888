#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh"
cmake --build "$here/build" -j2
cd "$here/build"
ctest --output-on-failure -j2

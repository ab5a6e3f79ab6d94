#!/usr/bin/env bash
# Builds the Release benchmark targets and prints one table: each job of the program next to a
# standard tool doing the same work on the same data in the same run, with their ratio.
# Everything runs in a temporary folder that is removed afterwards.
#
#   bench/run.sh [--reps N] [--folders N] [--files N] [--values N]
#
# TM_BENCH_BUILD sets the build folder (default build-bench), TM_BENCH_JOBS the build's -j (1).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TM_BENCH_BUILD:-$here/build-bench}
jobs=${TM_BENCH_JOBS:-1}

"$here/scripts/setup.sh" >&2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "Building the Release benchmark targets in $build ..." >&2
if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTM_TESTS=OFF &&
       cmake --build "$build" --target tidymatic compare_bench -j"$jobs"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "bench/run.sh: the build failed" >&2
    exit 1
fi

"$build/bench/compare_bench" --tidymatic "$build/tidymatic" "$@"

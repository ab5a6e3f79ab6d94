#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (address and undefined-behaviour
# sanitizers) in build-fuzz and runs each for a bounded time over its seed corpus.
#   scripts/fuzz.sh [seconds per target, default 30] [target ...]
# Fails on any crash, sanitizer report or input that takes longer than 10 s. Inputs found on
# the way are kept in build-fuzz/corpus/<target>; a failing input is left in
# build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(regfile deviceconfig customfiles shortcut browserini webinput webrequest)
fi
jobs="${FUZZ_JOBS:-1}"
scripts/setup.sh --fuzz

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DTM_SANITIZE=ON -DTM_FUZZ=ON -DTM_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in "${targets[@]}"; do
  work="build-fuzz/corpus/$t"
  art="build-fuzz/artifacts/$t/"
  mkdir -p "$work" "$art"
  echo "== fuzz_$t: ${seconds}s"
  if ! "build-fuzz/tests/fuzz/fuzz_$t" "$work" "tests/fuzz/corpus/$t" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -artifact_prefix="$art" -print_final_stats=1 >"build-fuzz/fuzz_$t.log" 2>&1; then
    echo "fuzz_$t FAILED (see build-fuzz/fuzz_$t.log, input in $art)"
    tail -n 40 "build-fuzz/fuzz_$t.log"
    status=1
  else
    grep -E "stat::number_of_executed_units|stat::average_exec_per_sec" "build-fuzz/fuzz_$t.log" | sed 's/^/  /'
  fi
done
exit $status

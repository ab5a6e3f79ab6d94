#!/usr/bin/env bash
# Builds with the thread sanitizer and runs the tests where threads meet: the framework (queue,
# modal loops, input gate, workers) and the main window under load (background refreshes while
# commands arrive, in-process and from wrk over the web front end). Any data race fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTM_TSAN=ON >/dev/null
cmake --build build-tsan --target framework_tests main_tests load_tests tidymatic -j"$(nproc)"
export TSAN_OPTIONS="halt_on_error=1:exitcode=66"
build-tsan/tests/framework_tests
build-tsan/tests/main_tests --gtest_filter='MainWindow.CommandsDuringRefreshesUnderLoad:MainWindow.RefreshesOnActivation*'
build-tsan/tests/load_tests

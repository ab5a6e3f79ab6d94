#!/usr/bin/env bash
# Sets up, builds with the sanitizers and runs every test: unit and device-image tests (ctest),
# then the browser tests in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --browser
scripts/build.sh --test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
if [[ -f tests/web/run.mjs ]]; then
    TIDYMATIC=build-test/tidymatic node tests/web/run.mjs
fi

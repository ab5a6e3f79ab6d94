#!/usr/bin/env bash
# Fault injection with every kill point: the program is killed (under strace) at each of the
# file-system calls of a whole clean and at each step of a registry save, and runs with a full
# disk; after each, the image must open and the next run must finish the job. The test suite
# runs the same tests at a dozen evenly spaced points; this tries them all (a few minutes).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh --test
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TIDYMATIC_FAULTS_ALL=1 build-test/tests/fault_tests "$@"

#!/usr/bin/env bash
# Builds into build/ (release) or, with --test, into build-test/ with the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == "--test" ]]; then
    dir=build-test
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTM_SANITIZE=ON >/dev/null
else
    dir=build
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTM_TESTS=OFF >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"

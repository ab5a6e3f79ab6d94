#!/usr/bin/env bash
# Sets up, builds and runs Tidymatic on its sample device image. Extra arguments are passed on
# (for example --ui text, or -e for the express run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
device="${TIDYMATIC_DEVICE:-build/sample-device}"
[[ -d "$device" ]] || build/tidymatic --new-device "$device"
exec build/tidymatic --device "$device" "$@"

#!/usr/bin/env bash
# The benchmark table on a large device image: 1,000 folders of 1,000 files (1,000,000 files)
# and a registry of 200,000 values, one round each, including the whole program opening such an
# image, measuring and cleaning it. Needs some 15 GB of free space in the temporary folder and
# takes several minutes. Other sizes: bench/large.sh --folders N --files N --values N.
set -euo pipefail
exec "$(dirname "${BASH_SOURCE[0]}")/run.sh" --reps 1 --folders 1000 --files 1000 --values 200000 "$@"

#!/usr/bin/env bash
# The web front end under load from wrk: the Release program in web mode on a fresh sample image,
# and one table of requests/s and latency for each kind of request, beside the same server
# answering a static asset (the baseline) in the same run.
#
#   bench/webload.sh [--seconds N] [--connections N] [--threads N]
#
# Defaults: 5 seconds per kind, 16 connections, 2 threads. TM_BENCH_BUILD names the build
# folder (default build/, made with scripts/build.sh when its tidymatic is missing). Everything
# happens on 127.0.0.1 in one temporary folder, removed afterwards, and the program is stopped.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TM_BENCH_BUILD:-$here/build}
seconds=5 connections=16 threads=2
while [[ $# -gt 0 ]]; do
    case "$1" in
        --seconds) seconds=$2; shift 2 ;;
        --connections) connections=$2; shift 2 ;;
        --threads) threads=$2; shift 2 ;;
        *) echo "usage: bench/webload.sh [--seconds N] [--connections N] [--threads N]" >&2; exit 2 ;;
    esac
done
for n in "$seconds" "$connections" "$threads"; do
    [[ "$n" =~ ^[1-9][0-9]*$ ]] || { echo "bench/webload.sh: $n is not a positive number" >&2; exit 2; }
done
"$here/scripts/setup.sh" >&2
command -v wrk >/dev/null || { echo "bench/webload.sh: wrk is missing (scripts/setup.sh installs it)" >&2; exit 1; }

if [[ ! -x "$build/tidymatic" ]]; then
    [[ "$build" == "$here/build" ]] || { echo "bench/webload.sh: no $build/tidymatic" >&2; exit 1; }
    echo "Building the Release program in $build ..." >&2
    "$here/scripts/build.sh" >&2
fi

work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n "$pid" ]]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$build/tidymatic" --new-device "$work/device" >/dev/null
"$build/tidymatic" --device "$work/device" --ui web --port 0 >"$work/out" 2>"$work/err" &
pid=$!
url=
for _ in $(seq 100); do
    url=$(sed -n '1s/^Tidymatic is running at //p' "$work/out")
    [[ -n "$url" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [[ ! "$url" =~ ^http://127\.0\.0\.1:[0-9]+/\?token=[0-9a-f]+$ ]]; then
    echo "bench/webload.sh: the program did not start:" >&2
    cat "$work/out" "$work/err" >&2
    exit 1
fi
base=${url%%\?*}
token=${url##*token=}

# Runs one kind; prints its table row and keeps its requests/s for the ratio.
baseline_rps=
run() {
    local label=$1 mode=$2 line
    line=$(wrk -t"$threads" -c"$connections" -d"${seconds}s" --timeout 10s \
               -s "$here/bench/webload.lua" "$base" -- "$mode" "$token" | grep '^WEBLOAD ') || {
        echo "bench/webload.sh: wrk failed for $mode" >&2; exit 1; }
    local -A f=()
    local word
    for word in $line; do [[ "$word" == *=* ]] && f[${word%%=*}]=${word#*=}; done
    local rps=${f[rps]} ratio=1.00
    if [[ -z "$baseline_rps" ]]; then baseline_rps=$rps; else
        ratio=$(awk -v a="$rps" -v b="$baseline_rps" 'BEGIN { printf "%.2f", a / b }'); fi
    local errors=$(( f[connect_errors] + f[read_errors] + f[write_errors] + f[timeouts] ))
    local answers="" code
    for code in 200 202 404 409 422 429; do
        [[ -n "${f[status_$code]:-}" ]] && answers+="${answers:+, }$code: ${f[status_$code]}"
    done
    local accepted=""
    [[ -n "${f[status_202]:-}" ]] &&
        accepted=$(awk -v a="${f[status_202]}" -v s="${f[seconds]}" 'BEGIN { printf "%.0f", a / s }')
    printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$label" "${f[requests]}" \
        "$rps" "$ratio" "${f[lat_p50_ms]}" "${f[lat_p99_ms]}" "${f[lat_max_ms]}" \
        "${accepted:--}" "$answers" "$errors/${f[bad]}"
}

echo "wrk, $threads threads, $connections connections, ${seconds} s per row, against $base"
echo "(Release program, fresh sample image). Ratio = requests/s / the static asset's."
echo "Accepted/s: inputs the program took into its queue (it refuses more than it can keep up"
echo "with, 429). Errors: socket errors and timeouts / answers not expected."
echo
echo "| Requests | Count | Req/s | Ratio | p50 ms | p99 ms | Max ms | Accepted/s | Answers | Errors |"
echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | --- | ---: |"
run "Static asset (style.css)" static
run "Page load (page, app.js, style.css)" page
run "State document (/state)" state
run "Input events (taps, selections, activations)" input

kill -0 "$pid" 2>/dev/null || { echo "bench/webload.sh: the program ended during the load" >&2; cat "$work/err" >&2; exit 1; }

#!/usr/bin/env bash
# Installs what building and testing need, when missing.
#   scripts/setup.sh [--browser] [--fuzz]
# --browser adds Chromium and the browser tests' npm packages, --fuzz clang with libFuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

pkgs=(build-essential cmake pkg-config libicu-dev libtomlplusplus-dev libcpp-httplib-dev
      nlohmann-json3-dev libgtest-dev libbenchmark-dev strace wrk)
browser=0
for a in "$@"; do
    case "$a" in
        --browser) browser=1; pkgs+=(chromium nodejs npm) ;;
        --fuzz) pkgs+=(clang libclang-rt-14-dev) ;;
        *) echo "usage: scripts/setup.sh [--browser] [--fuzz]" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${pkgs[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# nodejs may come from elsewhere than Debian; a working node and npm are enough.
if command -v node >/dev/null && command -v npm >/dev/null; then
    missing=("${missing[@]/nodejs}")
    missing=("${missing[@]/npm}")
fi
read -r -a missing <<<"${missing[*]}"
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ((browser)); then
    (cd tests/web && { [[ -d node_modules/playwright-core ]] || npm install --no-audit --no-fund --silent; })
fi

#!/usr/bin/env bash
# Installs what building and testing need, when missing. Usage: scripts/setup.sh [--browser]
set -euo pipefail
cd "$(dirname "$0")/.."

pkgs=(build-essential cmake pkg-config libicu-dev libtomlplusplus-dev libcpp-httplib-dev
      nlohmann-json3-dev libgtest-dev libbenchmark-dev strace wrk)
if [[ "${1:-}" == "--browser" ]]; then
    pkgs+=(chromium nodejs npm)
fi

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

if [[ "${1:-}" == "--browser" ]]; then
    (cd tests/web && { [[ -d node_modules/playwright-core ]] || npm install --no-audit --no-fund --silent; })
fi

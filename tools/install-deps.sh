#!/usr/bin/env bash
# Installs the Debian packages Quorbex needs to build, test and run. Safe to run again.
# With --fuzz, also clang and its fuzzer runtime for the fuzz preset (tools/fuzz.sh).
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-httpserver-dev libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev zlib1g-dev xvfb xauth curl clang-format fonts-liberation
          fp-utils-3.2.2 libchm-bin help2man desktop-file-utils appstream dpkg-dev file x11-utils)
if [ "${1:-}" = --fuzz ]; then
    packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

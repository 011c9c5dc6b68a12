#!/usr/bin/env bash
# Installs what is missing, builds Quorbex into build/, runs every test and checks the install.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
bash tools/install-check.sh build

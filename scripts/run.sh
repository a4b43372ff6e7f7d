#!/usr/bin/env bash
# Installs what is missing, builds Vorkeln in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORKELN_BUILD_TESTS=OFF
cmake --build build/release --target vorkeln -j "$(nproc)"
exec build/release/src/vorkeln "$@"

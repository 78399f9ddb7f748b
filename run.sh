#!/usr/bin/env bash
# Builds Pixorama (Release, under build/) and starts it with the given image files.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
ensure_packages "${PIXORAMA_BUILD_PACKAGES[@]}"

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXORAMA_TESTS=OFF \
    -DPIXORAMA_BENCH=OFF >/dev/null
cmake --build build/release --parallel 2 --target pixorama

exec build/release/bin/pixorama "$@"

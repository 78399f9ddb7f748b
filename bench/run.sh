#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them (all, or those named: ./bench/run.sh bench_palette).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${PIXORAMA_BUILD_PACKAGES[@]}" libbenchmark-dev libvips-dev imagemagick libopencv-dev img2pdf
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXORAMA_TESTS=OFF >/dev/null
cmake --build build/bench --parallel 2
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for f in bench/bench_*.cpp; do names+=("$(basename "$f" .cpp)"); done
fi
for n in "${names[@]}"; do
    echo "== $n"
    "build/bench/bin/$n" --benchmark_counters_tabular=true
done

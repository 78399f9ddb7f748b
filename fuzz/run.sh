#!/usr/bin/env bash
# Builds one fuzz target with clang + libFuzzer and runs it: fuzz/run.sh NAME [SECONDS]
# Works on a scratch copy of the seed corpus (fuzz/work/NAME); crashes land in fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1
seconds=${2:-600}
source scripts/deps.sh
ensure_packages "${PIXORAMA_BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DPIXORAMA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz --target "fuzz_$name" --parallel 2
mkdir -p "fuzz/work/$name" fuzz/artifacts
cp -n fuzz/corpus/"$name"/* "fuzz/work/$name/" 2>/dev/null || true
exec build/fuzz/bin/"fuzz_$name" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
    -malloc_limit_mb=2048 -artifact_prefix=fuzz/artifacts/"$name"- -print_final_stats=1 \
    "fuzz/work/$name"

#!/usr/bin/env bash
# Builds and runs every test.  ./test.sh --asan runs the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer in build/asan; ./test.sh --release builds them the way packagers
# build the program (Release, -O3) in build/release-tests.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
ensure_packages "${PIXORAMA_BUILD_PACKAGES[@]}" "${PIXORAMA_TEST_PACKAGES[@]}"

dir=build/test
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--asan" ]; then
    dir=build/asan
    flags=(-DCMAKE_BUILD_TYPE=Debug -DPIXORAMA_SANITIZE=ON -DPIXORAMA_BENCH=OFF)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
elif [ "${1:-}" = "--release" ]; then
    dir=build/release-tests
    flags=(-DCMAKE_BUILD_TYPE=Release -DPIXORAMA_BENCH=OFF)
fi

cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" --parallel 2
ctest --test-dir "$dir" --output-on-failure --parallel 2 --timeout 600

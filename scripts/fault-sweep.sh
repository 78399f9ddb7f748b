#!/usr/bin/env bash
# The long memory-fault sweep: every allocation of every representative pixorama-cli command is
# made to fail once, in turn (the test suite runs a sample of them).  By default under
# AddressSanitizer and UndefinedBehaviorSanitizer in build/asan; --plain uses build/test.
#
#   scripts/fault-sweep.sh [--plain]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${PIXORAMA_BUILD_PACKAGES[@]}" "${PIXORAMA_TEST_PACKAGES[@]}"

dir=build/asan
flags=(-DCMAKE_BUILD_TYPE=Debug -DPIXORAMA_SANITIZE=ON -DPIXORAMA_BENCH=OFF)
if [ "${1:-}" = "--plain" ]; then
    dir=build/test
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" --parallel 2 --target pixorama-cli failmalloc
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec bash tests/fault/sweep.sh "$dir/bin/pixorama-cli" "$dir/lib/failmalloc.so" tests/data --long

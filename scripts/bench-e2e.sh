#!/usr/bin/env bash
# Whole programs, end to end: pixorama-cli opening a 6000 x 4000 bitmap, running one command and
# saving (fsync included, as every save of ours) against the vips command line doing the same on
# the same pixels as an uncompressed PPM in the same folder.  Wall times are medians of 3 runs
# (hyperfine, one warm-up run each, so both read from the page cache); peak memory from
# /usr/bin/time.  Usage: scripts/bench-e2e.sh [RUNS]; PIXORAMA_CLI=path uses that build of
# pixorama-cli instead of making a Release build under build/bench.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${PIXORAMA_BUILD_PACKAGES[@]}" "${PIXORAMA_E2E_PACKAGES[@]}"

runs=${1:-3}
if [ -n "${PIXORAMA_CLI:-}" ]; then
    cli=$(realpath "$PIXORAMA_CLI")
else
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXORAMA_TESTS=OFF >/dev/null
    cmake --build build/bench --parallel 2 --target pixorama-cli >/dev/null
    cli="$PWD/build/bench/bin/pixorama-cli"
fi

mkdir -p build
work=$(mktemp -d "$PWD/build/e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# a photo-like picture: noise, softened
"$cli" --seed 7 --new 6000 4000 24 --add-noise 80 100 --filter soften --save big.bmp
bmptopnm big.bmp >big.ppm 2>/dev/null
# soften-strong: 25 ones, divided by 25
{
    echo "5 5 25 0"
    for _ in 1 2 3 4 5; do echo "1 1 1 1 1"; done
} >soften-strong.mat
image_bytes=$((6000 * 4000 * 3))
sync # the inputs on disk, so that no write-back of theirs lands in a timed run

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "CPU features: $(grep -m1 '^flags' /proc/cpuinfo | tr ' ' '\n' |
    grep -xE 'sse2|avx2|avx512f|avx512bw|avx512vbmi' | tr '\n' ' ')"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "vips: $(vips --version)"
echo

names=(open+save invert grayscale soften-strong)
ours=(
    "$cli big.bmp --save out.bmp"
    "$cli big.bmp --invert --save out.bmp"
    "$cli big.bmp --grayscale --save out.bmp"
    "$cli big.bmp --filter soften-strong --save out.bmp"
)
theirs=(
    "vips copy big.ppm out.ppm"
    "vips invert big.ppm out.ppm"
    "vips colourspace big.ppm out.ppm b-w"
    "vips conv big.ppm out.ppm soften-strong.mat --precision integer"
)

# peak resident memory in kB of a command
peak() {
    /usr/bin/time -f '%M' -o rss.txt sh -c "$1" >/dev/null 2>&1
    cat rss.txt
}

printf '%-14s %10s %10s %8s %12s %12s %10s\n' job "ours ms" "vips ms" ratio "ours peak" \
    "vips peak" "ours/image"
for i in "${!names[@]}"; do
    hyperfine --style none --warmup 1 -N --runs "$runs" --export-json t.json \
        -n ours "${ours[$i]}" -n vips "${theirs[$i]}" >/dev/null
    read -r ms_ours ms_vips < <(python3 -c '
import json, statistics, sys
r = {x["command"]: statistics.median(x["times"]) * 1000 for x in json.load(open("t.json"))["results"]}
print("%.0f %.0f" % (r["ours"], r["vips"]))')
    rss_ours=$(peak "${ours[$i]}")
    rss_vips=$(peak "${theirs[$i]}")
    printf '%-14s %10s %10s %8s %10s kB %10s kB %10s\n' "${names[$i]}" "$ms_ours" "$ms_vips" \
        "$(python3 -c "print(f'{$ms_ours / $ms_vips:.2f}')")" "$rss_ours" "$rss_vips" \
        "$(python3 -c "print(f'{$rss_ours * 1024 / $image_bytes:.2f}')")"
done
echo
echo "ratio = our wall time / vips's (target <= 1); ours/image = our peak memory / the" \
    "$image_bytes bytes of pixels (target <= 2.5).  Our saves end with fsync; vips's do not."

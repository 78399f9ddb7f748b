#!/usr/bin/env bash
# Memory-fault sweep over pixorama-cli: every representative command (open each format, save
# each format, a filter, undo) is run again and again with one allocation failing, the Nth call
# of malloc/calloc/realloc (preloaded failmalloc) or any creation past a byte limit of the raster
# library.  Each run must end in success or with the program's German message and exit 1:
# never a signal, an abort, a sanitizer report or a leak, never a temporary file left behind.
#
#   sweep.sh CLI FAILMALLOC DATA [--short|--long]
#
# --short (the test suite): the first 25 calls of each command and 25 more spread over the rest.
# --long: every call.
set -uo pipefail

cli=$1 preload=$2 data=$3 mode=${4:---short}
work=$(mktemp -d "${TMPDIR:-/tmp}/pixorama-sweep.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Under AddressSanitizer the wrapper is preloaded ahead of the sanitizer's runtime; the
# sanitizer checks the order of libraries unless told not to.  Its errors abort (134), leaks
# exit 23: both count as failures below.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}exitcode=23"

# a 96 x 64 picture of noise: its JPEG outgrows the first output buffer of the encoder
noise="$work/noise.bmp"
{
    printf 'BM\x36\x48\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x60\x00\x00\x00\x40\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\x00\x48\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00'
    LC_ALL=C awk 'BEGIN { srand(7); for (i = 0; i < 18432; i++) printf "%c", int(rand() * 256) }'
} >"$noise"
in24="$data/bmp/rgb24_win3.bmp"
in8="$data/bmp/pal8_win3.bmp"
commands=(
    "$data/bmp/rgb24_win3.bmp --info"
    "$data/bmp/pal8_rle8.bmp --info"
    "$data/gif/colours_17x9.gif --info"
    "$data/ilbm/c256.iff --info"
    "$data/jpeg/baseline.jpg --info"
    "$data/jpeg/progressive.jpg --info"
    "$data/pcx/rgb24.pcx --info"
    "$data/tga/rgb_rle.tga --info"
    "$data/tiff/rgb_lzw_pred.tif --info"
    "$data/tiff/bw_g4.tif --info"
    "$data/png/pal8_17x9.png --info"
    "$in24 --save @/out.bmp"
    "$in8 --save @/out.gif"
    "$in8 --save @/out.iff"
    "$noise --save @/out.jpg --quality 99"
    "$in24 --save @/out.pcx"
    "$in24 --save @/out.tga"
    "$in24 --save @/out.tif"
    "$in24 --save @/out.png"
    "$in24 --filter edge-enhance --info"
    "--new 64 48 24 --invert --undo --info"
)

runs=0 successes=0 messages=0 failures=0 maxN=0

# Runs one command; env assignments come first.  Returns through the counters.
check() {
    local what=$1
    shift
    local out="$work/out" err="$work/err" who="$work/who"
    rm -rf "$out" "$who"
    mkdir -p "$out"
    local args=${cmd//@/$out}
    # shellcheck disable=SC2086
    env PIXORAMA_FAIL_WHO_FILE="$who" "$@" "$cli" $args >"$work/stdout" 2>"$err"
    local rc=$?
    runs=$((runs + 1))
    local bad=""
    if [ $rc -eq 0 ]; then
        successes=$((successes + 1))
    elif [ $rc -eq 1 ]; then
        if [ ! -s "$err" ]; then
            bad="exit 1 without a message"
        elif grep -aqiE 'terminate called|what\(\)|Sanitizer|double free|corrupt|libgomp|Aborted|Segmentation|[A-Za-z]+ (not|no) [a-z]+ (on|in|for) |No such|Permission denied|Cannot allocate|out of memory' "$err"; then
            bad="message not the program's"
        else
            messages=$((messages + 1))
        fi
    else
        bad="exit $rc"
    fi
    if ls -A "$out" | grep -q '^\.pxr-'; then
        bad="${bad:+$bad; }temporary file left"
    fi
    if [ -n "$bad" ]; then
        failures=$((failures + 1))
        echo "FAIL ($bad): $what: pixorama-cli $args"
        head -c 2000 "$err"
    fi
}

for cmd in "${commands[@]}"; do
    # PIXORAMA_SWEEP_ONLY (a pattern) sweeps only the commands it matches
    if [ -n "${PIXORAMA_SWEEP_ONLY:-}" ] && ! [[ $cmd =~ $PIXORAMA_SWEEP_ONLY ]]; then
        continue
    fi
    # how many allocations the command makes once armed
    countFile="$work/count"
    rm -f "$countFile"
    check "count" LD_PRELOAD="$preload" PIXORAMA_FAIL_AT=0 PIXORAMA_FAIL_COUNT_FILE="$countFile"
    total=$(cat "$countFile" 2>/dev/null || echo 0)
    [ "$total" -gt "$maxN" ] && maxN=$total
    if [ "$mode" = "--long" ]; then
        list=$(seq 1 "$total")
    else
        list=$( (seq 1 $((total < 25 ? total : 25)); [ "$total" -gt 25 ] && for i in $(seq 1 25); do echo $((25 + (total - 25) * i / 25)); done) | sort -nu)
    fi
    for n in $list; do
        check "call $n of $total fails" LD_PRELOAD="$preload" PIXORAMA_FAIL_AT="$n"
    done
    # the raster library's own limit: every creation past it fails
    for limit in 1 1024 4096 16384 65536 262144 1048576; do
        check "library limit $limit bytes" PIXORAMA_TEST_ALLOC_LIMIT="$limit"
    done
done

echo "fault sweep ($mode): $runs runs over ${#commands[@]} commands, N up to $maxN:" \
     "$successes succeeded, $messages ended with the program's message, $failures failed"
[ "$failures" -eq 0 ]

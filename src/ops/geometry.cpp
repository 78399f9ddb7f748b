// Mirroring, rotation, resizing, canvas, borders and cropping.  Every routine builds a new image
// of the source's depth and colour table; 8- and 24-bit images are copied byte-wise row by row
// (rows in parallel), 1- and 4-bit images pixel by pixel through the raster library.
#include "ops/geometry.h"

#include "document/dib.h"
#include "document/selection.h"
#include "document/simd_level.h"
#include "document/undo.h"
#include "ops/rows.h"
#include "tools/floating.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace pixorama {

using namespace ops;

namespace {

// A new image like src of w x h: zero-filled (filled) or with bytes the caller overwrites.
TDibRecord newLike(const TDibRecord& src, int32_t w, int32_t h, bool filled) {
    TDibRecord d;
    std::memset(&d, 0, sizeof(d));
    if (!HasPixels(src) || w <= 0 || h <= 0)
        return d;
    const int32_t bpp = DibBitsPerPixel(&src);
    if (filled)
        newdib(&d, w, h, bpp, src.Info, PaletteEntries(src));
    else
        newdib_unfilled(&d, w, h, bpp, src.Info, PaletteEntries(src));
    return d;
}

// Bytes per pixel of the byte-wise paths; 0 for 1 and 4 bits.
int32_t bytesPerPixel(const TDibRecord& d) {
    const int32_t bpp = DibBitsPerPixel(&d);
    return bpp == 8 ? 1 : (bpp == 24 ? 3 : 0);
}

// A pixel value into its bytes: an index, or R + 256 G + 65536 B stored as blue, green, red.
void putFill(uint8_t* p, int32_t bpp, int32_t fill) {
    if (bpp == 3) {
        p[0] = static_cast<uint8_t>(fill >> 16);
        p[1] = static_cast<uint8_t>(fill >> 8);
        p[2] = static_cast<uint8_t>(fill);
    } else {
        p[0] = static_cast<uint8_t>(fill);
    }
}

void clearPadding(const TDibRecord& d, uint8_t* row, int32_t bpp) {
    const int32_t used = DibWidth(&d) * bpp;
    std::memset(row + used, 0, static_cast<size_t>(d.LineBytes - used));
}

// Builds a w x h image whose pixel (x, y) is the source pixel map(x, y, sx, sy) names, or fill
// when map returns false.  Progress per new row.
template <class Map>
TDibRecord remap(const TDibRecord& src, Host& host, int32_t w, int32_t h, int32_t fill, Map map) {
    const int32_t bpp = bytesPerPixel(src);
    DibHolder out(newLike(src, w, h, bpp == 0));
    if (!out.ok())
        return out.release();
    const TDibRecord& dst = out.get();
    host.SetProSatus(0);
    ForEachRow(host, h, static_cast<size_t>(dst.LineBytes), [&](int32_t y) {
        int32_t sx, sy;
        if (bpp == 0) {
            for (int32_t x = 0; x < w; ++x)
                setpixel(&dst, x, y, map(x, y, sx, sy) ? getpixel(&src, sx, sy) : fill);
            return;
        }
        uint8_t* row = ImageRow(dst, y);
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = row + x * bpp;
            if (map(x, y, sx, sy)) {
                const uint8_t* q = ImageRow(src, sy) + sx * bpp;
                for (int32_t k = 0; k < bpp; ++k)
                    p[k] = q[k];
            } else {
                putFill(p, bpp, fill);
            }
        }
        clearPadding(dst, row, bpp);
    });
    host.SetProSatus(0);
    return out.release();
}

int gGeometrySimd = 2;
bool gQuarterTurnStaging = true;

// The plain quarter turn of the new rows r0..r1-1 and new columns c0..c1-1: new row r takes
// source column col(r), new column c source row srcRow(c).
void quarterTurnPlain(const TDibRecord& src, const TDibRecord& dst, bool left, int32_t r0,
                      int32_t r1, int32_t c0, int32_t c1) {
    if (r0 >= r1 || c0 >= c1)
        return;
    const int32_t w = DibWidth(&src), h = DibHeight(&src), bpp = bytesPerPixel(src);
    for (int32_t c = c0; c < c1; ++c) {
        // RotLeft: new(c, r) = old(W-1-r, c); RotRight: new(c, r) = old(r, H-1-c)
        const uint8_t* srow = ImageRow(src, left ? c : h - 1 - c);
        for (int32_t r = r0; r < r1; ++r) {
            const uint8_t* q = srow + (left ? w - 1 - r : r) * bpp;
            uint8_t* p = ImageRow(dst, r) + c * bpp;
            for (int32_t k = 0; k < bpp; ++k)
                p[k] = q[k];
        }
    }
}

// Eight 24-bit pixels (24 bytes, nothing read beyond) as eight 32-bit lanes.
__attribute__((target("avx2"))) inline __m256i loadPixels8(const uint8_t* p) {
    const __m256i v = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16)), 1);
    // low half bytes 0..15, high half bytes 12..27 of the 24, then three bytes per lane
    const __m256i halves = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6));
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm256_shuffle_epi8(halves, spread);
}

// The inverse of loadPixels8: eight lanes back to 24 bytes at the start of the register.
__attribute__((target("avx2"))) inline __m256i packPixels8(__m256i v) {
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    return _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, pack),
                                       _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
}

// The same stored: 24 bytes, nothing written beyond.
__attribute__((target("avx2"))) inline void storePixels8(uint8_t* p, __m256i v) {
    const __m256i packed = packPixels8(v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm256_extracti128_si256(packed, 1));
}

// Transposes eight rows of eight 32-bit lanes in place.
__attribute__((target("avx2"))) inline void transpose8x8(__m256i (&r)[8]) {
    __m256i t[8], u[8];
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm256_unpacklo_epi32(r[k], r[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(r[k], r[k + 1]);
    }
    for (int k = 0; k < 8; k += 4) {
        u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int k = 0; k < 4; ++k) {
        r[k] = _mm256_permute2x128_si256(u[k], u[k + 4], 0x20);
        r[k + 4] = _mm256_permute2x128_si256(u[k], u[k + 4], 0x31);
    }
}

// Rows of an image by their number from the top, without calls per row (rows are stored
// bottom-up).
struct RowWalk {
    uint8_t* top;
    ptrdiff_t stride;
    explicit RowWalk(const TDibRecord& d)
        : top(d.Bits + static_cast<ptrdiff_t>(DibHeight(&d) - 1) * d.LineBytes),
          stride(d.LineBytes) {}
    uint8_t* operator()(int32_t y) const { return top - y * stride; }
};

// Where the tiles of one strip of new rows r0..r0+kMaxStripRows-1 put the first new column of
// the current band: the new image's own rows, or rows of a staging buffer.
constexpr int32_t kMaxStripRows = 64;
struct StripRows {
    uint8_t* row[kMaxStripRows];
    int32_t r0;
};

// The tiles below turn eight pieces of eight pixels, piece k at in[k] (k = the new column
// within the tile), into eight new pieces, new piece j (the source column x0 + j) at out[j].

// One 8 x 8 tile of 24-bit pixels: eight lanes of 32 bits per piece, one 8 x 8 transposition.
// Wide: each new piece with one 32-byte store, 8 bytes after it overwritten (staging rows only).
template <bool Wide>
__attribute__((target("avx2"), always_inline)) inline void tile24Avx2(const uint8_t* const (&in)[8],
                                                                      uint8_t* const (&out)[8]) {
    __m256i m[8];
    for (int k = 0; k < 8; ++k)
        m[k] = loadPixels8(in[k]);
    transpose8x8(m);
    for (int j = 0; j < 8; ++j)
        if (Wide)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[j]), packPixels8(m[j]));
        else
            storePixels8(out[j], m[j]);
}

// The 8 x 8 tile of 24-bit pixels in four 64-byte registers, piece k (a row of eight pixels,
// 24 bytes) at bytes 32k..32k+23 of the 256; the turned tile likewise, new pieces 2m and 2m+1 in
// register m.  Turning is one byte permutation: byte b of pixel k of new piece j is byte
// 32k + 3j + b of the tile.
struct Tile24Permutation {
    alignas(64) uint8_t index[4][64]; // low 7 bits: a byte of the first or the last two registers
    uint64_t fromLast[4];             // where the bit is set, of the last two
};
constexpr Tile24Permutation makeTile24Permutation() {
    Tile24Permutation t{};
    for (int m = 0; m < 4; ++m)
        for (int i = 0; i < 64; ++i) {
            const int j = 2 * m + i / 32, within = i % 32;
            if (within >= 24)
                continue; // the 8 bytes after each piece mean nothing
            const int k = within / 3, b = within % 3, from = 32 * k + 3 * j + b;
            t.index[m][i] = static_cast<uint8_t>(from & 127);
            if (from >= 128)
                t.fromLast[m] |= uint64_t{1} << i;
        }
    return t;
}
constexpr Tile24Permutation kTile24Permutation = makeTile24Permutation();

// Two pieces of 24 bytes (exactly those read) at bytes 0 and 32 of a register.
__attribute__((target("avx512f,avx512bw"))) inline __m512i loadTwoPieces(const uint8_t* p,
                                                                         const uint8_t* q) {
    const __m256i a = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16)), 1);
    const __m256i b = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q))),
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 16)), 1);
    return _mm512_inserti64x4(_mm512_castsi256_si512(a), b, 1);
}

// The same tile with AVX-512 (VBMI byte permutes across two registers).  Each new piece is
// written with a 32-byte store, so 8 bytes after it are overwritten: only for staging rows,
// whose next tile comes later and which end with room to spare.
// GCC 12 builds the 256/512-bit casts from an undefined value and warns about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
__attribute__((target("avx512f,avx512bw,avx512vbmi"), always_inline)) inline void
tile24Avx512(const uint8_t* const (&in)[8], uint8_t* const (&out)[8]) {
    __m512i z[4];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i)
        z[i] = loadTwoPieces(in[2 * i], in[2 * i + 1]);
#pragma GCC unroll 4
    for (int m = 0; m < 4; ++m) {
        const __m512i index = _mm512_load_si512(kTile24Permutation.index[m]);
        const __m512i o = _mm512_mask_blend_epi8(kTile24Permutation.fromLast[m],
                                                 _mm512_permutex2var_epi8(z[0], index, z[1]),
                                                 _mm512_permutex2var_epi8(z[2], index, z[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[2 * m]), _mm512_castsi512_si256(o));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[2 * m + 1]),
                            _mm512_extracti64x4_epi64(o, 1));
    }
}
#pragma GCC diagnostic pop

// One 8 x 8 tile of 8-bit pixels (SSE2: three rounds of interleaving).
__attribute__((always_inline)) inline void tile8(const uint8_t* const (&in)[8],
                                                 uint8_t* const (&out)[8]) {
    __m128i v[8];
    for (int k = 0; k < 8; ++k)
        v[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in[k]));
    const __m128i a = _mm_unpacklo_epi8(v[0], v[1]), b = _mm_unpacklo_epi8(v[2], v[3]);
    const __m128i cc = _mm_unpacklo_epi8(v[4], v[5]), d = _mm_unpacklo_epi8(v[6], v[7]);
    const __m128i e = _mm_unpacklo_epi16(a, b), f = _mm_unpackhi_epi16(a, b);
    const __m128i g = _mm_unpacklo_epi16(cc, d), hh = _mm_unpackhi_epi16(cc, d);
    // new piece j in the low or high half of o[j / 2]
    const __m128i o[4] = {_mm_unpacklo_epi32(e, g), _mm_unpackhi_epi32(e, g),
                          _mm_unpacklo_epi32(f, hh), _mm_unpackhi_epi32(f, hh)};
    for (int j = 0; j < 8; ++j) {
        const __m128i col = (j & 1) != 0 ? _mm_unpackhi_epi64(o[j / 2], o[j / 2]) : o[j / 2];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[j]), col);
    }
}

// The tiles of one column step: source rows rows[0..7] (new columns c..c+7), new rows
// out.r0..rt-1, written at byte off of the staging (or image) rows.  For RotLeft lane j of the
// tile at new row r is source column W-8-r+j, new row r+7-j; for RotRight source column r+j,
// new row r+j.
template <bool Left>
__attribute__((always_inline)) inline void
tilePointers(const uint8_t* const (&rows)[8], const StripRows& out, int32_t w, int32_t r,
             ptrdiff_t off, int32_t bpp, const uint8_t* (&in)[8], uint8_t* (&o)[8]) {
    const int32_t x0 = Left ? w - 8 - r : r;
    for (int k = 0; k < 8; ++k) {
        in[k] = rows[k] + static_cast<ptrdiff_t>(x0) * bpp;
        o[k] = out.row[(Left ? r + 7 - k : r + k) - out.r0] + off;
    }
}

template <bool Left, bool Wide>
__attribute__((target("avx2"))) void step24Avx2(const uint8_t* const (&rows)[8],
                                                const StripRows& out, int32_t w, int32_t rt,
                                                ptrdiff_t off) {
    for (int32_t r = out.r0; r < rt; r += 8) {
        const uint8_t* in[8];
        uint8_t* o[8];
        tilePointers<Left>(rows, out, w, r, off, 3, in, o);
        tile24Avx2<Wide>(in, o);
    }
}

template <bool Left>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
step24Avx512(const uint8_t* const (&rows)[8], const StripRows& out, int32_t w, int32_t rt,
             ptrdiff_t off) {
    for (int32_t r = out.r0; r < rt; r += 8) {
        const uint8_t* in[8];
        uint8_t* o[8];
        tilePointers<Left>(rows, out, w, r, off, 3, in, o);
        tile24Avx512(in, o);
    }
}

template <bool Left>
void step8(const uint8_t* const (&rows)[8], const StripRows& out, int32_t w, int32_t rt,
           ptrdiff_t off) {
    for (int32_t r = out.r0; r < rt; r += 8) {
        const uint8_t* in[8];
        uint8_t* o[8];
        tilePointers<Left>(rows, out, w, r, off, 1, in, o);
        tile8(in, o);
    }
}

using TileStep = void (*)(const uint8_t* const (&)[8], const StripRows&, int32_t, int32_t,
                          ptrdiff_t);

// Copies n bytes: the whole aligned cache lines with streaming stores (the new image is not read
// again soon, and a line written whole need not be fetched from memory first), the ends plainly.
// The caller fences before others read.
void streamBytes(uint8_t* dst, const uint8_t* src, size_t n) {
    size_t head = (64 - (reinterpret_cast<uintptr_t>(dst) & 63)) & 63;
    head = std::min(head, n);
    std::memcpy(dst, src, head);
    size_t i = head;
    for (; i + 64 <= n; i += 64)
        for (size_t k = 0; k < 64; k += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + k)));
    std::memcpy(dst + i, src + i, n - i);
}

// One quarter turn in strips of new rows.
struct QuarterTurn {
    const TDibRecord& src;
    const TDibRecord& dst;
    RowWalk srcRows, dstRows;
    int32_t w, h, bpp;
    bool left;
    bool tiles;           // 8 x 8 tiles (vector routines), else the plain loop only
    bool avx512;          // 24-bit tiles with AVX-512 instead of AVX2
    int32_t bandCols;     // new columns per staging pass, a multiple of 8
    size_t stageRowBytes; // bytes per staging row, a multiple of 64
};

// New rows r0..r1-1 (at most kMaxStripRows).  With a staging buffer the tiles of a band of new
// columns are turned into it and the band then goes to the new image in whole cache lines: the
// tiles write only 8 pixels into each new row at a time, and writing those straight into the
// 72 MB image made every line be fetched before it was overwritten.
void quarterStrip(const QuarterTurn& q, uint8_t* stage, int32_t r0, int32_t r1) {
    const int32_t bpp = q.bpp, h = q.h;
    for (int32_t r = r0; r < r1; ++r)
        clearPadding(q.dst, q.dstRows(r), bpp);
    const int32_t rt = q.tiles ? r0 + (r1 - r0) / 8 * 8 : r0;
    const int32_t ct = q.tiles && rt > r0 ? h / 8 * 8 : 0;
    // the source bytes of new rows r0..rt-1 within a source row, fetched early for the source
    // rows some tiles ahead: the walk across rows is one the hardware does not foresee.  With the
    // hint for the outer caches: a fetch into the first level holds one of its few miss slots
    // until the line arrives, and with every source row a miss the loop stalled on them.
    const int32_t firstCol = q.left ? q.w - rt : r0;
    const size_t spanBytes = static_cast<size_t>(rt - r0) * static_cast<size_t>(bpp);
    constexpr int32_t kAhead = 32;
    const TileStep step =
        bpp == 1                       ? (q.left ? step8<true> : step8<false>)
        : q.avx512 && stage != nullptr ? (q.left ? step24Avx512<true> : step24Avx512<false>)
        : stage != nullptr             ? (q.left ? step24Avx2<true, true> : step24Avx2<false, true>)
                           : (q.left ? step24Avx2<true, false> : step24Avx2<false, false>);
    for (int32_t cb = 0; cb < ct; cb += q.bandCols) {
        const int32_t ce = std::min(ct, cb + q.bandCols);
        StripRows out;
        out.r0 = r0;
        for (int32_t r = r0; r < rt; ++r) {
            uint8_t* d = q.dstRows(r) + static_cast<ptrdiff_t>(cb) * bpp;
            // a staging row starts at the same place within a cache line as its image row
            out.row[r - r0] = stage != nullptr
                                  ? stage + static_cast<size_t>(r - r0) * q.stageRowBytes +
                                        (reinterpret_cast<uintptr_t>(d) & 63)
                                  : d;
        }
        for (int32_t c = cb; c < ce; c += 8) {
            if (c + kAhead + 8 <= h)
                for (int32_t k = c + kAhead; k < c + kAhead + 8; ++k) {
                    const uint8_t* ahead = q.srcRows(q.left ? k : h - 1 - k) + firstCol * bpp;
                    for (size_t off = 0; off < spanBytes; off += 64)
                        _mm_prefetch(reinterpret_cast<const char*>(ahead + off), _MM_HINT_T2);
                    _mm_prefetch(reinterpret_cast<const char*>(ahead + spanBytes - 1), _MM_HINT_T2);
                }
            const uint8_t* rows[8];
            for (int k = 0; k < 8; ++k)
                rows[k] = q.srcRows(q.left ? c + k : h - 1 - c - k);
            step(rows, out, q.w, rt, static_cast<ptrdiff_t>(c - cb) * bpp);
        }
        if (stage != nullptr)
            for (int32_t r = r0; r < rt; ++r)
                streamBytes(q.dstRows(r) + static_cast<ptrdiff_t>(cb) * bpp, out.row[r - r0],
                            static_cast<size_t>(ce - cb) * static_cast<size_t>(bpp));
    }
    if (stage != nullptr)
        _mm_sfence();
    quarterTurnPlain(q.src, q.dst, q.left, r0, rt, ct, h);
    quarterTurnPlain(q.src, q.dst, q.left, rt, r1, 0, h);
}

// Quarter turns of 8- and 24-bit images in strips of new rows (32 for 24 bits, 96 bytes of each
// source row, so that two thirds of every line fetched are used; 64 for 8 bits), 8 x 8 tiles
// where the processor allows (24-bit tiles need AVX2, or AVX-512 with VBMI) through a staging
// buffer of each thread, the plain loop for the edges.  Without the buffer (short of memory) the tiles write into the new image directly
// (with AVX2 for 24 bits): same bytes.
TDibRecord quarterTurnBytes(const TDibRecord& src, Host& host, bool left) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src), bpp = bytesPerPixel(src);
    DibHolder out(newLike(src, h, w, false));
    if (!out.ok())
        return out.release();
    const TDibRecord& dst = out.get();
    const bool tiles =
        bpp == 1 ? gGeometrySimd >= 1 && SimdAtLeast(SimdLevel::Sse2) : GeometryAvx2();
    const int32_t stripRows = tiles && bpp == 3 ? 32 : kMaxStripRows;
    // bands of at most about 192 KB of staging per thread, so that it stays in the core's cache
    constexpr size_t kStageBytes = size_t{192} << 10;
    const int32_t bandCols = std::max<int32_t>(
        8, static_cast<int32_t>(kStageBytes / static_cast<size_t>(stripRows * bpp)) / 8 * 8);
    // room for a row's place within a cache line and 8 bytes written after a tile
    const size_t stageRowBytes =
        (static_cast<size_t>(std::min(bandCols, h / 8 * 8 + 8)) * bpp + 128 + 63) / 64 * 64;
    std::unique_ptr<uint8_t[]> stageBlock;
    uint8_t* stageBase = nullptr;
    const size_t stageBytes = stageRowBytes * static_cast<size_t>(stripRows);
    if (tiles && h >= 8 && gQuarterTurnStaging) {
        stageBlock.reset(new (std::nothrow)
                             uint8_t[stageBytes * static_cast<size_t>(ThreadCount()) + 64]);
        if (stageBlock)
            stageBase = stageBlock.get() +
                        ((64 - (reinterpret_cast<uintptr_t>(stageBlock.get()) & 63)) & 63);
    }
    const bool avx512 =
        tiles && gGeometrySimd >= 1 && SimdAtLeast(SimdLevel::Avx512) && CpuHasVbmi();
    const QuarterTurn q{src, dst,  RowWalk(src), RowWalk(dst), w,        h,
                        bpp, left, tiles,        avx512,       bandCols, stageRowBytes};
    host.SetProSatus(0);
    ForEachRowBlock(host, w, static_cast<size_t>(dst.LineBytes), stripRows,
                    [&](int32_t r0, int32_t r1, int32_t slot) {
                        uint8_t* stage = stageBase != nullptr
                                             ? stageBase + stageBytes * static_cast<size_t>(slot)
                                             : nullptr;
                        quarterStrip(q, stage, r0, r1);
                    });
    host.SetProSatus(0);
    return out.release();
}

// Pixel reversal of 16 pixels of bpp bytes: output register d takes byte i from input register
// s where mask[d][s] says so (-128 elsewhere).
struct ReverseMasks {
    __m128i m[3][3];
};
ReverseMasks makeReverseMasks(int32_t bpp) {
    ReverseMasks r;
    for (int d = 0; d < bpp; ++d)
        for (int s = 0; s < bpp; ++s) {
            alignas(16) int8_t m[16];
            for (int i = 0; i < 16; ++i) {
                const int ob = 16 * d + i, ib = bpp * (15 - ob / bpp) + ob % bpp;
                m[i] = ib / 16 == s ? static_cast<int8_t>(ib % 16) : int8_t{-128};
            }
            std::memcpy(&r.m[d][s], m, 16);
        }
    return r;
}

// Writes the n pixels of q in reverse order to p, 16 at a time.
__attribute__((target("avx2"))) void reverseRowAvx2(const uint8_t* q, uint8_t* p, int32_t n,
                                                    int32_t bpp) {
    static const ReverseMasks masks3 = makeReverseMasks(3), masks1 = makeReverseMasks(1);
    const ReverseMasks& rm = bpp == 3 ? masks3 : masks1;
    int32_t x = 0;
    for (; x + 16 <= n; x += 16) {
        const uint8_t* in = q + static_cast<ptrdiff_t>(n - 16 - x) * bpp;
        __m128i v[3];
        for (int s = 0; s < bpp; ++s)
            v[s] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * s));
        for (int d = 0; d < bpp; ++d) {
            __m128i o = _mm_shuffle_epi8(v[0], rm.m[d][0]);
            for (int s = 1; s < bpp; ++s)
                o = _mm_or_si128(o, _mm_shuffle_epi8(v[s], rm.m[d][s]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + static_cast<ptrdiff_t>(x) * bpp + 16 * d), o);
        }
    }
    for (; x < n; ++x)
        for (int32_t k = 0; k < bpp; ++k)
            p[x * bpp + k] = q[(n - 1 - x) * bpp + k];
}

void reverseRowPlain(const uint8_t* q, uint8_t* p, int32_t n, int32_t bpp) {
    if (bpp == 3) {
        const uint8_t* e = q + 3 * (n - 1);
        for (int32_t x = 0; x < n; ++x, e -= 3) {
            p[3 * x] = e[0];
            p[3 * x + 1] = e[1];
            p[3 * x + 2] = e[2];
        }
    } else {
        for (int32_t x = 0; x < n; ++x)
            p[x] = q[n - 1 - x];
    }
}

// Mirroring and the half turn of 8- and 24-bit images: every new row is a source row, read
// backwards (reverse) or as it is.
TDibRecord mirrorRowsBytes(const TDibRecord& src, Host& host, bool reverse, bool upsideDown) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src), bpp = bytesPerPixel(src);
    DibHolder out(newLike(src, w, h, false));
    if (!out.ok())
        return out.release();
    const TDibRecord& dst = out.get();
    const bool avx2 = GeometryAvx2();
    host.SetProSatus(0);
    ForEachRow(host, h, static_cast<size_t>(dst.LineBytes), [&](int32_t y) {
        const uint8_t* q = ImageRow(src, upsideDown ? h - 1 - y : y);
        uint8_t* p = ImageRow(dst, y);
        if (!reverse)
            std::memcpy(p, q, static_cast<size_t>(w) * static_cast<size_t>(bpp));
        else if (avx2)
            reverseRowAvx2(q, p, w, bpp);
        else
            reverseRowPlain(q, p, w, bpp);
        clearPadding(dst, p, bpp);
    });
    host.SetProSatus(0);
    return out.release();
}

// Pascal's Round: nearest, halves to the even neighbour (the default rounding mode).
inline int32_t roundEven(long double v) {
    return static_cast<int32_t>(std::nearbyintl(v));
}

struct RotationTrig {
    long double S, C;
};
RotationTrig rotationTrig(bool clockwise, long double angle) {
    if (clockwise)
        angle = -angle;
    const long double theta = angle * 3.14159265358979323846264338327950288L / 180.0L;
    return {std::sin(theta), std::cos(theta)};
}

// Round to nearest even in double precision by the 1.5 * 2^52 trick (exact for |v| < 2^51).
inline double roundDouble(double v) {
    constexpr double magic = 6755399441055744.0;
    return (v + magic) - magic;
}

} // namespace

TDibRecord MirrorH(const TDibRecord& src, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    if (bytesPerPixel(src) != 0)
        return mirrorRowsBytes(src, host, true, false);
    return remap(src, host, w, h, 0, [w](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = w - 1 - x;
        sy = y;
        return true;
    });
}

TDibRecord MirrorV(const TDibRecord& src, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    if (bytesPerPixel(src) != 0)
        return mirrorRowsBytes(src, host, false, true);
    return remap(src, host, w, h, 0, [h](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = x;
        sy = h - 1 - y;
        return true;
    });
}

TDibRecord RotLeft(const TDibRecord& src, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    if (bytesPerPixel(src) != 0)
        return quarterTurnBytes(src, host, true);
    return remap(src, host, h, w, 0, [w](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = w - 1 - y;
        sy = x;
        return true;
    });
}

TDibRecord RotRight(const TDibRecord& src, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    if (bytesPerPixel(src) != 0)
        return quarterTurnBytes(src, host, false);
    return remap(src, host, h, w, 0, [h](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = y;
        sy = h - 1 - x;
        return true;
    });
}

TDibRecord Rot180(const TDibRecord& src, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    if (bytesPerPixel(src) != 0)
        return mirrorRowsBytes(src, host, true, true);
    return remap(src, host, w, h, 0, [w, h](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = w - 1 - x;
        sy = h - 1 - y;
        return true;
    });
}

void RotatedSize(int32_t w, int32_t h, bool clockwise, long double angle, int32_t& newW,
                 int32_t& newH) {
    const RotationTrig t = rotationTrig(clockwise, angle);
    const int32_t hw = w / 2, hh = h / 2, wr = w - hw, hr = h - hh;
    const int32_t cx[4] = {wr, wr, -hw, -hw}, cy[4] = {-hh, hr, hr, -hh};
    int32_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const int32_t X = roundEven(cx[i] * t.C - cy[i] * t.S);
        const int32_t Y = roundEven(cx[i] * t.S + cy[i] * t.C);
        minX = std::min(minX, X);
        maxX = std::max(maxX, X);
        minY = std::min(minY, Y);
        maxY = std::max(maxY, Y);
    }
    newW = maxX - minX;
    newH = maxY - minY;
}

namespace {

// The source coordinates of new pixels x..x1-1 of one row in double precision, stored from
// index x - base on; returns whether a product came within reach of a half.
bool rotationCoordsPlain(int32_t x, int32_t x1, int32_t base, int32_t cx, double C, double S,
                         double ys, double yc, int32_t ox, int32_t oy, int32_t* sxs, int32_t* sys) {
    bool nearHalf = false;
    for (; x < x1; ++x) {
        const double dx = x - cx;
        const double a = dx * C - ys, b = dx * S + yc;
        const double ra = roundDouble(a), rb = roundDouble(b);
        nearHalf |= std::fabs(std::fabs(a - ra) - 0.5) < 1e-6;
        nearHalf |= std::fabs(std::fabs(b - rb) - 0.5) < 1e-6;
        sxs[x - base] = static_cast<int32_t>(ra) + ox;
        sys[x - base] = static_cast<int32_t>(rb) + oy;
    }
    return nearHalf;
}

// The source coordinates of new pixels x0..x1-1 of one row, four at a time in double precision
// exactly as the plain loop computes them; returns whether a product came within reach of a
// half (the caller then decides in extended precision).
__attribute__((target("avx2"))) bool rotationCoordsAvx2(int32_t x0, int32_t x1, int32_t cx, double C,
                                                        double S, double ys, double yc, int32_t ox,
                                                        int32_t oy, int32_t* sxs, int32_t* sys) {
    const __m256d magic = _mm256_set1_pd(6755399441055744.0), half = _mm256_set1_pd(0.5);
    const __m256d eps = _mm256_set1_pd(1e-6), sign = _mm256_set1_pd(-0.0);
    const __m256d vC = _mm256_set1_pd(C), vS = _mm256_set1_pd(S);
    const __m256d vys = _mm256_set1_pd(ys), vyc = _mm256_set1_pd(yc);
    const __m128i vox = _mm_set1_epi32(ox), voy = _mm_set1_epi32(oy);
    __m256d near = _mm256_setzero_pd();
    int32_t x = x0;
    for (; x + 4 <= x1; x += 4) {
        const __m256d dx = _mm256_sub_pd(_mm256_setr_pd(x, x + 1, x + 2, x + 3), _mm256_set1_pd(cx));
        const __m256d a = _mm256_sub_pd(_mm256_mul_pd(dx, vC), vys);
        const __m256d b = _mm256_add_pd(_mm256_mul_pd(dx, vS), vyc);
        const __m256d ra = _mm256_sub_pd(_mm256_add_pd(a, magic), magic);
        const __m256d rb = _mm256_sub_pd(_mm256_add_pd(b, magic), magic);
        const __m256d da = _mm256_andnot_pd(sign, _mm256_sub_pd(a, ra));
        const __m256d db = _mm256_andnot_pd(sign, _mm256_sub_pd(b, rb));
        near = _mm256_or_pd(near, _mm256_cmp_pd(_mm256_andnot_pd(sign, _mm256_sub_pd(da, half)), eps, _CMP_LT_OQ));
        near = _mm256_or_pd(near, _mm256_cmp_pd(_mm256_andnot_pd(sign, _mm256_sub_pd(db, half)), eps, _CMP_LT_OQ));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sxs + (x - x0)), _mm_add_epi32(_mm256_cvtpd_epi32(ra), vox));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sys + (x - x0)), _mm_add_epi32(_mm256_cvtpd_epi32(rb), voy));
    }
    const bool nearHalf = _mm256_movemask_pd(near) != 0;
    return rotationCoordsPlain(x, x1, x0, cx, C, S, ys, yc, ox, oy, sxs, sys) || nearHalf;
}

// n new 24-bit pixels from the source pixels (sxs, sys), the fill value outside, eight at a
// time; returns how many it wrote.  Four bytes are read per pixel, so the last pixel of the
// top row (the end of the buffer) is left to the caller.
__attribute__((target("avx2"))) int32_t rotationCopy24Avx2(const int32_t* sxs, const int32_t* sys,
                                                           int32_t n, uint8_t* out,
                                                           const uint8_t* srcTop, ptrdiff_t stride,
                                                           int32_t w, int32_t h, int32_t fill) {
    const __m256i vw = _mm256_set1_epi32(w), vh = _mm256_set1_epi32(h);
    const __m256i minus1 = _mm256_set1_epi32(-1), vstride = _mm256_set1_epi32(static_cast<int32_t>(stride));
    const __m256i lastX = _mm256_set1_epi32(w - 1);
    // the fill value as blue, green, red bytes
    const __m256i vfill = _mm256_set1_epi32(((fill & 0xFF) << 16) | (fill & 0xFF00) | ((fill >> 16) & 0xFF));
    const uint8_t* base = srcTop - static_cast<ptrdiff_t>(h - 1) * stride; // the buffer's start
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i sx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sxs + x));
        const __m256i sy = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sys + x));
        const __m256i inside = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpgt_epi32(sx, minus1), _mm256_cmpgt_epi32(vw, sx)),
            _mm256_and_si256(_mm256_cmpgt_epi32(sy, minus1), _mm256_cmpgt_epi32(vh, sy)));
        const __m256i endOfBuffer = _mm256_and_si256(_mm256_cmpeq_epi32(sy, _mm256_setzero_si256()),
                                                     _mm256_cmpeq_epi32(sx, lastX));
        if (!_mm256_testz_si256(inside, endOfBuffer))
            break;
        // storage row h - 1 - sy, byte 3 sx
        const __m256i off = _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_sub_epi32(_mm256_sub_epi32(vh, sy), _mm256_set1_epi32(1)), vstride),
            _mm256_add_epi32(sx, _mm256_add_epi32(sx, sx)));
        const __m256i px = _mm256_mask_i32gather_epi32(vfill, reinterpret_cast<const int*>(base), off,
                                                       inside, 1);
        storePixels8(out + 3 * x, px);
    }
    return x;
}

} // namespace

TDibRecord DibRotxxx(const TDibRecord& src, Host& host, bool clockwise, long double angle,
                     int32_t fill, bool /*interpolate*/) {
    TDibRecord none;
    std::memset(&none, 0, sizeof(none));
    if (!HasPixels(src))
        return none;
    const int32_t w = DibWidth(&src), h = DibHeight(&src), bpp = bytesPerPixel(src);
    int32_t nw, nh;
    RotatedSize(w, h, clockwise, angle, nw, nh);
    // a one-pixel image can round to an empty box; it keeps at least one pixel
    nw = std::max(nw, 1);
    nh = std::max(nh, 1);
    const RotationTrig t = rotationTrig(clockwise, angle);
    const double C = static_cast<double>(t.C), S = static_cast<double>(t.S);
    const int32_t cx = nw / 2, cy = nh / 2, ox = w / 2, oy = h / 2;

    DibHolder out(newLike(src, nw, nh, bpp == 0));
    if (!out.ok())
        return out.release();
    const TDibRecord& dst = out.get();
    // Tiles of 32 x 64 new pixels: the source pixels a tile reads lie close together, so the
    // turned walk through the source stays in the cache.
    constexpr int32_t kTileW = 64;
    // image row y of the source lies at srcTop - y * srcStride (rows are stored bottom-up)
    const ptrdiff_t srcStride = src.LineBytes;
    const uint8_t* srcTop = src.Bits + static_cast<ptrdiff_t>(h - 1) * srcStride;
    const bool avx2 = GeometryAvx2() &&
                      static_cast<int64_t>(h) * srcStride < (int64_t{1} << 31); // 32-bit offsets
    host.SetProSatus(0);
    ForEachRowBlock(host, nh, static_cast<size_t>(dst.LineBytes), 32, [&](int32_t y0, int32_t y1) {
        int32_t sxs[kTileW], sys[kTileW];
        for (int32_t y = y0; y < y1; ++y)
            if (bpp != 0)
                clearPadding(dst, ImageRow(dst, y), bpp);
        for (int32_t x0 = 0; x0 < nw; x0 += kTileW) {
            const int32_t x1 = std::min(nw, x0 + kTileW);
            for (int32_t yy = y0; yy < y1; ++yy) {
                const int32_t dy = yy - cy;
                // double precision decides unless a product lies within reach of a half, where
                // the extended products are rounded instead
                const double ys = dy * S, yc = dy * C;
                const bool nearHalf =
                    avx2 ? rotationCoordsAvx2(x0, x1, cx, C, S, ys, yc, ox, oy, sxs, sys)
                         : rotationCoordsPlain(x0, x1, x0, cx, C, S, ys, yc, ox, oy, sxs, sys);
                if (nearHalf)
                    for (int32_t x = x0; x < x1; ++x) {
                        const long double dx = x - cx;
                        sxs[x - x0] = roundEven(dx * t.C - dy * t.S) + ox;
                        sys[x - x0] = roundEven(dx * t.S + dy * t.C) + oy;
                    }
                uint8_t* row = bpp != 0 ? ImageRow(dst, yy) : nullptr;
                int32_t done = x0;
                if (avx2 && bpp == 3)
                    done += rotationCopy24Avx2(sxs, sys, x1 - x0, row + 3 * x0, srcTop, srcStride,
                                               w, h, fill);
                for (int32_t x = done; x < x1; ++x) {
                    const int32_t sx = sxs[x - x0], sy = sys[x - x0];
                    const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
                    if (bpp == 0) {
                        setpixel(&dst, x, yy, inside ? getpixel(&src, sx, sy) : fill);
                        continue;
                    }
                    uint8_t* p = row + x * bpp;
                    if (inside) {
                        const uint8_t* q = srcTop - static_cast<ptrdiff_t>(sy) * srcStride + sx * bpp;
                        for (int32_t k = 0; k < bpp; ++k)
                            p[k] = q[k];
                    } else {
                        putFill(p, bpp, fill);
                    }
                }
            }
        }
    });
    host.SetProSatus(0);
    return out.release();
}

void SetGeometrySimd(int level) {
    gGeometrySimd = level;
}

void SetQuarterTurnStaging(bool allowed) {
    gQuarterTurnStaging = allowed;
}

bool GeometryAvx2() {
    return gGeometrySimd >= 1 && SimdAtLeast(SimdLevel::Avx2);
}

namespace {

void blendPlain(const uint8_t* t, const uint8_t* b, int32_t w0, int32_t w1, uint8_t* out,
                size_t n) {
    for (size_t k = 0; k < n; ++k)
        out[k] = static_cast<uint8_t>((t[k] * w0 + b[k] * w1) >> 10);
}

// Sixteen bytes at a time: each (top, bottom) pair of 16-bit values times (w0, w1) summed by
// one multiply-add into 32 bits, shifted and packed back in order.
__attribute__((target("avx2"))) void blendAvx2(const uint8_t* t, const uint8_t* b, int32_t w0,
                                               int32_t w1, uint8_t* out, size_t n) {
    const __m256i weights = _mm256_set1_epi32(static_cast<int32_t>(
        (static_cast<uint32_t>(w1) << 16) | static_cast<uint32_t>(w0)));
    size_t k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m256i t16 =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + k)));
        const __m256i b16 =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k)));
        const __m256i lo = _mm256_srli_epi32(
            _mm256_madd_epi16(_mm256_unpacklo_epi16(t16, b16), weights), 10);
        const __m256i hi = _mm256_srli_epi32(
            _mm256_madd_epi16(_mm256_unpackhi_epi16(t16, b16), weights), 10);
        const __m256i words = _mm256_packs_epi32(lo, hi);
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm256_castsi256_si128(bytes));
    }
    blendPlain(t + k, b + k, w0, w1, out + k, n - k);
}

} // namespace

void BlendRows(const uint8_t* top, const uint8_t* bottom, int32_t w0, int32_t w1, uint8_t* out,
               size_t n) {
    if (GeometryAvx2())
        blendAvx2(top, bottom, w0, w1, out, n);
    else
        blendPlain(top, bottom, w0, w1, out, n);
}

namespace {

// Where each new column of a growing 24-bit image takes its two source pixels and weights.
struct HorizontalPlan {
    std::vector<int32_t> ix, ix1, ax;
    // for the vector path: byte offsets of both pixels and the weight pair (1023 - a) | a << 16;
    // it runs up to vectorEnd, where reading four bytes at ix1 stays inside the row's pixels
    std::vector<int32_t> off0, off1, weights;
    int32_t vectorEnd = 0;
};

// Eight new pixels from x on at a time up to plan.vectorEnd: both source pixels gathered as
// 32-bit lanes, each channel pair times its weight pair by one multiply-add.
__attribute__((target("avx2"))) int32_t horizontalAvx2(const uint8_t* s, const HorizontalPlan& plan,
                                                       uint8_t* o) {
    const __m256i zero = _mm256_setzero_si256();
    const auto* base = reinterpret_cast<const int*>(s);
    int32_t x = 0;
    for (; x + 8 <= plan.vectorEnd; x += 8) {
        const __m256i p = _mm256_i32gather_epi32(
            base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.off0.data() + x)), 1);
        const __m256i q = _mm256_i32gather_epi32(
            base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.off1.data() + x)), 1);
        const __m256i wts =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.weights.data() + x));
        // (p, q) byte pairs of pixels 0, 1 | 4, 5 and 2, 3 | 6, 7, then widened per pixel
        const __m256i pq01 = _mm256_unpacklo_epi8(p, q), pq23 = _mm256_unpackhi_epi8(p, q);
        const __m256i r0 = _mm256_srli_epi32(
            _mm256_madd_epi16(_mm256_unpacklo_epi8(pq01, zero), _mm256_shuffle_epi32(wts, 0x00)), 10);
        const __m256i r1 = _mm256_srli_epi32(
            _mm256_madd_epi16(_mm256_unpackhi_epi8(pq01, zero), _mm256_shuffle_epi32(wts, 0x55)), 10);
        const __m256i r2 = _mm256_srli_epi32(
            _mm256_madd_epi16(_mm256_unpacklo_epi8(pq23, zero), _mm256_shuffle_epi32(wts, 0xAA)), 10);
        const __m256i r3 = _mm256_srli_epi32(
            _mm256_madd_epi16(_mm256_unpackhi_epi8(pq23, zero), _mm256_shuffle_epi32(wts, 0xFF)), 10);
        const __m256i pixels =
            _mm256_packus_epi16(_mm256_packs_epi32(r0, r1), _mm256_packs_epi32(r2, r3));
        storePixels8(o + 3 * x, pixels);
    }
    return x;
}

// The bilinear rows of a growing 24-bit image: each source row needed is interpolated along
// the row once and kept while the following new rows use it, then two such rows are blended.
// Rows are counted in storage order.
void bilinearRows(const TDibRecord& src, const TDibRecord& dst, const HorizontalPlan& plan,
                  int32_t stepY, int32_t y0, int32_t y1) {
    const int32_t h = DibHeight(&src), nw = DibWidth(&dst);
    const size_t n = static_cast<size_t>(nw) * 3;
    std::vector<uint8_t> bufA(n), bufB(n);
    uint8_t* topBuf = bufA.data();
    uint8_t* botBuf = bufB.data();
    int32_t haveTop = -1, haveBot = -1;
    const bool avx2 = GeometryAvx2();
    auto horizontal = [&](int32_t srow, uint8_t* o) {
        const uint8_t* s = src.Bits + static_cast<size_t>(srow) * static_cast<size_t>(src.LineBytes);
        for (int32_t x = avx2 ? horizontalAvx2(s, plan, o) : 0; x < nw; ++x) {
            const int32_t a = plan.ax[static_cast<size_t>(x)], na = 1023 - a;
            const uint8_t* p = s + 3 * plan.ix[static_cast<size_t>(x)];
            const uint8_t* q = s + 3 * plan.ix1[static_cast<size_t>(x)];
            o[3 * x] = static_cast<uint8_t>((p[0] * na + q[0] * a) >> 10);
            o[3 * x + 1] = static_cast<uint8_t>((p[1] * na + q[1] * a) >> 10);
            o[3 * x + 2] = static_cast<uint8_t>((p[2] * na + q[2] * a) >> 10);
        }
    };
    for (int32_t y = y0; y < y1; ++y) {
        const int64_t fy = static_cast<int64_t>(y) * stepY;
        const int32_t iy = static_cast<int32_t>(fy / 1024), ay = static_cast<int32_t>(fy % 1024);
        const int32_t iy1 = std::min(iy + 1, h - 1);
        if (iy != haveTop) {
            if (iy == haveBot) {
                std::swap(topBuf, botBuf);
                haveBot = -1;
            } else {
                horizontal(iy, topBuf);
            }
            haveTop = iy;
        }
        const uint8_t* top = topBuf;
        const uint8_t* bottom = topBuf;
        if (iy1 != iy) {
            if (haveBot != iy1) {
                horizontal(iy1, botBuf);
                haveBot = iy1;
            }
            bottom = botBuf;
        }
        BlendRows(top, bottom, 1023 - ay, ay,
                  dst.Bits + static_cast<size_t>(y) * static_cast<size_t>(dst.LineBytes), n);
        uint8_t* out = dst.Bits + static_cast<size_t>(y) * static_cast<size_t>(dst.LineBytes);
        std::memset(out + n, 0, static_cast<size_t>(dst.LineBytes) - n);
    }
}

} // namespace

TDibRecord ResizeDib(const TDibRecord& src, Host& host, int32_t nw, int32_t nh, bool interpolate) {
    TDibRecord none;
    std::memset(&none, 0, sizeof(none));
    if (!HasPixels(src) || nw <= 0 || nh <= 0)
        return none;
    const int32_t w = DibWidth(&src), h = DibHeight(&src), bpp = DibBitsPerPixel(&src);
    const int32_t stepX = static_cast<int32_t>(static_cast<int64_t>(w) * 1024 / nw);
    const int32_t stepY = static_cast<int32_t>(static_cast<int64_t>(h) * 1024 / nh);
    DibHolder out(newLike(src, nw, nh, bpp == 1 || bpp == 4));
    if (!out.ok())
        return out.release();
    const TDibRecord& dst = out.get();
    HorizontalPlan plan;
    std::vector<int32_t>& ix = plan.ix;
    ix.resize(static_cast<size_t>(nw));
    for (int32_t x = 0; x < nw; ++x)
        ix[static_cast<size_t>(x)] = static_cast<int32_t>(static_cast<int64_t>(x) * stepX / 1024);
    host.SetProSatus(0);
    const size_t rowBytes = static_cast<size_t>(dst.LineBytes);
    if (bpp == 24 && interpolate && nh >= h && nw >= w) {
        const auto n = static_cast<size_t>(nw);
        plan.ix1.resize(n);
        plan.ax.resize(n);
        plan.off0.resize(n);
        plan.off1.resize(n);
        plan.weights.resize(n);
        for (size_t x = 0; x < n; ++x) {
            const int64_t fx = static_cast<int64_t>(x) * stepX;
            plan.ix1[x] = std::min(ix[x] + 1, w - 1);
            plan.ax[x] = static_cast<int32_t>(fx % 1024);
            plan.off0[x] = 3 * ix[x];
            plan.off1[x] = 3 * plan.ix1[x];
            plan.weights[x] = static_cast<int32_t>((static_cast<uint32_t>(plan.ax[x]) << 16) |
                                                   static_cast<uint32_t>(1023 - plan.ax[x]));
            // four bytes read at either pixel must lie within the row's 3 w bytes
            if (plan.ix1[x] < w - 1)
                plan.vectorEnd = static_cast<int32_t>(x) + 1;
        }
        // rows here are in storage order, the order of the formula's iy
        ForEachRowBlock(host, nh, rowBytes, 32, [&](int32_t y0, int32_t y1) {
            bilinearRows(src, dst, plan, stepY, y0, y1);
        });
    } else if (bpp == 1) {
        ForEachRow(host, nh, rowBytes, [&](int32_t y) {
            const int32_t iy = static_cast<int32_t>(static_cast<int64_t>(y) * stepY / 1024);
            for (int32_t x = 0; x < nw; ++x)
                setpixel(&dst, x, y, getpixel(&src, ix[static_cast<size_t>(x)], iy));
        });
    } else {
        ForEachRow(host, nh, rowBytes, [&](int32_t y) {
            const int32_t iy = static_cast<int32_t>(static_cast<int64_t>(y) * stepY / 1024);
            const uint8_t* s = src.Bits + static_cast<size_t>(iy) * static_cast<size_t>(src.LineBytes);
            uint8_t* o = dst.Bits + static_cast<size_t>(y) * rowBytes;
            if (bpp == 4) {
                for (int32_t x = 0; x < nw; ++x) {
                    const int32_t sx = ix[static_cast<size_t>(x)];
                    const uint8_t b = s[sx / 2];
                    const uint8_t nib = (sx & 1) ? (b & 0x0F) : (b >> 4);
                    o[x / 2] |= static_cast<uint8_t>((x & 1) ? nib : nib << 4);
                }
            } else if (bpp == 8) {
                for (int32_t x = 0; x < nw; ++x)
                    o[x] = s[ix[static_cast<size_t>(x)]];
                std::memset(o + nw, 0, rowBytes - static_cast<size_t>(nw));
            } else {
                for (int32_t x = 0; x < nw; ++x) {
                    const uint8_t* p = s + 3 * ix[static_cast<size_t>(x)];
                    o[3 * x] = p[0];
                    o[3 * x + 1] = p[1];
                    o[3 * x + 2] = p[2];
                }
                std::memset(o + 3 * nw, 0, rowBytes - 3 * static_cast<size_t>(nw));
            }
        });
    }
    host.SetProSatus(0);
    return out.release();
}

TDibRecord NewCanvas(const TDibRecord& src, Host& host, int32_t nw, int32_t nh, int32_t left,
                     int32_t top, int32_t fill) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    return remap(src, host, nw, nh, fill,
                 [=](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
                     sx = x - left;
                     sy = y - top;
                     return sx >= 0 && sx < w && sy >= 0 && sy < h;
                 });
}

TDibRecord AddBorders(const TDibRecord& src, Host& host, int32_t top, int32_t bottom, int32_t left,
                      int32_t right, int32_t fill) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    const int64_t nw = int64_t{left} + w + right, nh = int64_t{top} + h + bottom;
    if (nw > INT32_MAX || nh > INT32_MAX) {
        TDibRecord none;
        std::memset(&none, 0, sizeof(none));
        return none;
    }
    return NewCanvas(src, host, static_cast<int32_t>(nw), static_cast<int32_t>(nh), left, top, fill);
}

TDibRecord CropToSelection(const DocumentState& doc, Host& host) {
    const TRect& r = doc.SelRect;
    const int32_t w = r.Right - r.Left + 1, h = r.Bottom - r.Top + 1;
    DibHolder out(newLike(doc.Dib, w, h, true));
    if (!out.ok())
        return out.release();
    const TDibRecord& dst = out.get();
    host.SetProSatus(0);
    StepProgress progress(host, h);
    for (int32_t y = 0; y < h; ++y) {
        progress.at(y);
        for (int32_t x = 0; x < w; ++x)
            if (MaskValue(doc, x + r.Left, y + r.Top) == 1)
                setpixel(&dst, x, y, getpixel(&doc.Dib, x + r.Left, y + r.Top));
    }
    host.SetProSatus(0);
    return out.release();
}

bool SetNewSizedDib(DocumentState& doc, Host& host, const TDibRecord& dib) {
    DibHolder image(dib);
    TDibRecord mask;
    std::memset(&mask, 0, sizeof(mask));
    newdib(&mask, DibWidth(&dib), DibHeight(&dib), 1, nullptr, 0);
    if (mask.Bits == nullptr) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    SaveForUndo(doc, host);
    FinishDraging(doc);
    doc.HasSelection = false;
    deldib(&doc.Dib);
    doc.Dib = image.release();
    doc.SelOutline.clear();
    doc.SelOutlineRowStart.clear();
    deldib(&doc.SelMask);
    doc.SelMask = mask;
    doc.FloatDrawnValid = false;
    UpdateSelddib(doc, host);
    host.Updatehistogramm();
    return true;
}

namespace {

// Replaces rec by made when made holds an image.
void replaceIfMade(TDibRecord& rec, TDibRecord made) {
    if (made.Bits == nullptr)
        return;
    deldib(&rec);
    rec = made;
}

// Lays the changed piece at corner, over the image without it: the old piece's pixels and
// selection go first, so nothing of its former shape stays behind.
void relayPiece(DocumentState& doc, Host& host, TPoint corner) {
    CopyImagePixels(doc.Dib, doc.FloatBackground);
    FillMask(doc, 0);
    doc.FloatPos = corner;
    doc.FloatDrawnValid = false;
    LayFloatPiece(doc, corner.X, corner.Y, true, true);
    UpdateSelddib(doc, host);
}

// With a selection: lift it unless it floats already; whether a piece floats now.
bool liftSelection(DocumentState& doc, Host& host) {
    if (!doc.Floating)
        MakeSelectionDragable(doc, host);
    return doc.Floating && doc.FloatDib.Bits != nullptr && doc.FloatBackground.Bits != nullptr;
}

void flip(DocumentState& doc, Host& host, bool horizontal) {
    auto mirror = [&](const TDibRecord& d) {
        return horizontal ? MirrorH(d, host) : MirrorV(d, host);
    };
    if (!doc.HasSelection) {
        replaceIfMade(doc.Dib, mirror(doc.Dib));
        return;
    }
    if (!liftSelection(doc, host))
        return;
    replaceIfMade(doc.FloatDib, mirror(doc.FloatDib));
    if (doc.FloatHasMask && doc.FloatMask.Bits != nullptr)
        replaceIfMade(doc.FloatMask, mirror(doc.FloatMask));
    relayPiece(doc, host, doc.FloatPos);
}

TDibRecord rotate(const TDibRecord& src, Host& host, const TRotateChoice& c, int32_t fill) {
    switch (c.Angle) {
    case RotateAngle::Deg90:
        return c.Right ? RotRight(src, host) : RotLeft(src, host);
    case RotateAngle::Deg270:
        return c.Right ? RotLeft(src, host) : RotRight(src, host);
    case RotateAngle::Deg180:
        return Rot180(src, host);
    case RotateAngle::Free:
        break;
    }
    return DibRotxxx(src, host, c.Right, c.Degrees, fill, c.Interpolate);
}

} // namespace

void FlipH(DocumentState& doc, Host& host) {
    flip(doc, host, true);
}

void FlipV(DocumentState& doc, Host& host) {
    flip(doc, host, false);
}

void MirrorCommand(DocumentState& doc, Host& host, bool horizontal) {
    if (!HasPixels(doc.Dib))
        return;
    SaveForUndo(doc, host);
    flip(doc, host, horizontal);
    host.Updatehistogramm();
}

void RotateCommand(DocumentState& doc, Host& host, const TRotateChoice& choice) {
    if (!HasPixels(doc.Dib))
        return;
    if (!doc.HasSelection) {
        const TDibRecord turned = rotate(doc.Dib, host, choice, doc.BackColor);
        if (turned.Bits != nullptr)
            SetNewSizedDib(doc, host, turned);
        host.Updatehistogramm();
        return;
    }
    if (!liftSelection(doc, host))
        return;
    SaveForUndo(doc, host);
    replaceIfMade(doc.FloatDib, rotate(doc.FloatDib, host, choice, doc.BackColor));
    const bool mask = doc.FloatHasMask && doc.FloatMask.Bits != nullptr;
    if (mask)
        replaceIfMade(doc.FloatMask, rotate(doc.FloatMask, host, choice, 0));
    const TPoint corner = doc.FloatPos;
    relayPiece(doc, host, corner);
    if (choice.Angle == RotateAngle::Free && doc.HasSelection) {
        // the turned piece's empty corners move the selection's box in from the corner; the
        // piece is cut by that much so that what shows of it starts at the corner again
        const int32_t pw = DibWidth(&doc.FloatDib), ph = DibHeight(&doc.FloatDib);
        const int32_t dx = std::clamp(doc.SelRect.Left - corner.X, 0, pw - 1);
        const int32_t dy = std::clamp(doc.SelRect.Top - corner.Y, 0, ph - 1);
        if (dx > 0 || dy > 0) {
            replaceIfMade(doc.FloatDib, NewCanvas(doc.FloatDib, host, pw - dx, ph - dy, -dx, -dy,
                                                  doc.BackColor));
            if (mask)
                replaceIfMade(doc.FloatMask,
                              NewCanvas(doc.FloatMask, host, pw - dx, ph - dy, -dx, -dy, 0));
            relayPiece(doc, host, corner);
        }
    }
    host.Updatehistogramm();
}

bool ResizeCommand(DocumentState& doc, Host& host, int32_t width, int32_t height,
                   bool interpolate) {
    FinishDraging(doc);
    const TDibRecord made = ResizeDib(doc.Dib, host, width, height, interpolate);
    if (made.Bits == nullptr) {
        host.MessageBox(kTextResizeFailed, "", MB_ICONSTOP);
        return false;
    }
    return SetNewSizedDib(doc, host, made);
}

bool CanvasCommand(DocumentState& doc, Host& host, int32_t width, int32_t height, int32_t left,
                   int32_t top) {
    FinishDraging(doc);
    if (width <= 0 && height <= 0)
        return false;
    const TDibRecord made = NewCanvas(doc.Dib, host, width, height, left, top, doc.BackColor);
    if (made.Bits == nullptr) {
        host.MessageBox(kTextResizeFailed, "", MB_ICONSTOP);
        return false;
    }
    return SetNewSizedDib(doc, host, made);
}

bool BorderCommand(DocumentState& doc, Host& host, int32_t top, int32_t bottom, int32_t left,
                   int32_t right) {
    FinishDraging(doc);
    if (top <= 0 && bottom <= 0 && left <= 0 && right <= 0)
        return false;
    const TDibRecord made = AddBorders(doc.Dib, host, top, bottom, left, right, doc.BackColor);
    if (made.Bits == nullptr) {
        host.MessageBox(kTextResizeFailed, "", MB_ICONSTOP);
        return false;
    }
    return SetNewSizedDib(doc, host, made);
}

bool CropCommand(DocumentState& doc, Host& host) {
    if (!doc.HasSelection || !HasPixels(doc.Dib))
        return false;
    const TDibRecord made = CropToSelection(doc, host);
    if (made.Bits == nullptr) {
        host.MessageBox(kTextCropFailed, "", MB_ICONSTOP);
        return false;
    }
    return SetNewSizedDib(doc, host, made);
}

int32_t AspectHeight(int32_t width, int32_t oldWidth, int32_t oldHeight) {
    if (oldWidth <= 0)
        return width;
    return static_cast<int32_t>(static_cast<int64_t>(width) * oldHeight / oldWidth);
}

int32_t AspectWidth(int32_t height, int32_t oldWidth, int32_t oldHeight) {
    if (oldHeight <= 0)
        return height;
    return static_cast<int32_t>(static_cast<int64_t>(height) * oldWidth / oldHeight);
}

int32_t CentredOffset(int32_t newSize, int32_t oldSize) {
    return static_cast<int32_t>(std::nearbyint((newSize - oldSize) / 2.0));
}

} // namespace pixorama

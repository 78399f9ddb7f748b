// Table lookups over pixel runs, shared by the point operations.  Processors with byte
// permutes over 64-byte registers look up 64 bytes at a time, AVX2 32 bytes through sixteen
// sub-tables (pixel_simd.h), others byte by byte.
#include "ops/rows.h"

#include "ops/pixel_simd.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace pixorama::ops {

namespace {

bool useVbmi() {
    return ActiveSimdLevel() == SimdLevel::Avx512 && CpuHasVbmi();
}

struct Table512 {
    __m512i t0, t1, t2, t3;
};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline Table512
loadTable(const uint8_t* lut) {
    return {_mm512_loadu_si512(lut), _mm512_loadu_si512(lut + 64), _mm512_loadu_si512(lut + 128),
            _mm512_loadu_si512(lut + 192)};
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i lookup(const Table512& t,
                                                                             __m512i x) {
    const __m512i lo = _mm512_permutex2var_epi8(t.t0, x, t.t1);
    const __m512i hi = _mm512_permutex2var_epi8(t.t2, x, t.t3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}

// The byte loops read src and write dst: the same buffer, or two that do not overlap.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
lutBytesVbmi(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* lut) {
    const Table512 t = loadTable(lut);
    size_t i = 0;
    for (; i + 64 <= n; i += 64)
        _mm512_storeu_si512(dst + i, lookup(t, _mm512_loadu_si512(src + i)));
    return i;
}

// Three tables taking turns byte by byte (blue, green, red); p starts on a pixel.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
lutPixelsVbmi(uint8_t* p, size_t n, const uint8_t* lutB, const uint8_t* lutG, const uint8_t* lutR) {
    const Table512 tb = loadTable(lutB), tg = loadTable(lutG), tr = loadTable(lutR);
    // the channel of byte j of a block starting at offset o is (o + j) % 3; 64 % 3 == 1
    __mmask64 green[3] = {0, 0, 0}, red[3] = {0, 0, 0};
    for (int phase = 0; phase < 3; ++phase)
        for (int j = 0; j < 64; ++j) {
            const int c = (phase + j) % 3;
            if (c == 1)
                green[phase] |= __mmask64{1} << j;
            if (c == 2)
                red[phase] |= __mmask64{1} << j;
        }
    // three registers are 64 whole pixels
    size_t i = 0;
    for (; i + 192 <= n; i += 192)
        for (int phase = 0; phase < 3; ++phase) {
            uint8_t* q = p + i + 64 * phase;
            const __m512i x = _mm512_loadu_si512(q);
            __m512i r = lookup(tb, x);
            r = _mm512_mask_blend_epi8(green[phase], r, lookup(tg, x));
            r = _mm512_mask_blend_epi8(red[phase], r, lookup(tr, x));
            _mm512_storeu_si512(q, r);
        }
    return i;
}

__attribute__((target("avx2"))) size_t lutBytesAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                    const uint8_t* lut) {
    const Lut32 t = makeLut32(lut);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        if (i % 128 == 0) // two lines at a time
            PrefetchAhead(src + i);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(dst + i),
            lookup32(t, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i))));
    }
    return i;
}

// Thirty-two pixels at a time: the channels apart, each through its table, put back together.
__attribute__((target("avx2"))) size_t lutPixelsAvx2(uint8_t* p, size_t pixels, const uint8_t* lutB,
                                                     const uint8_t* lutG, const uint8_t* lutR) {
    const Gather96 g = makeGather96();
    const Lut32 tb = makeLut32(lutB), tg = makeLut32(lutG), tr = makeLut32(lutR);
    size_t i = 0;
    for (; i + 32 <= pixels; i += 32) {
        uint8_t* q = p + 3 * i;
        PrefetchAhead(q);
        const Pixels32 v = load96(q);
        store96(q, merge32(g, lookup32(tb, channel32(g, 0, v)), lookup32(tg, channel32(g, 1, v)),
                           lookup32(tr, channel32(g, 2, v))));
    }
    return i;
}

// A table that is close to a straight line over each run of 16 entries, as smooth curves such
// as the gamma curves are: entry 16 h + l is base[h] + floor(slope[h] l / 16) + c, the
// correction c (0..3) kept as one or two bit planes of 16 bits per run.  Looked up with five
// byte shuffles per 32 bytes (seven with two planes) instead of sixteen; used only where it
// gives every entry of the table.
struct SegmentTables {
    alignas(16) uint8_t base[16];
    alignas(16) int8_t slope[16];                       // sixteenths per entry
    alignas(16) uint8_t planeLo[2][16], planeHi[2][16]; // correction bits of l = 0..7, 8..15
    int planes = 0;                                     // 0: the table has no such form
};

SegmentTables fitSegments(const uint8_t* lut) {
    SegmentTables s{};
    int widest = 0;
    for (int h = 0; h < 16; ++h) {
        const uint8_t* t = lut + 16 * h;
        // slopes near the chord's: one further off by 12 sixteenths spreads the run over more
        // than 3 levels
        const int chord = (t[15] - t[0]) * 16 / 15;
        int best = 256, bestSlope = 0, bestBase = 0;
        for (int k = std::max(-128, chord - 12); k <= std::min(127, chord + 12); ++k) {
            int lo = 1024, hi = -1024;
            for (int l = 0; l < 16; ++l) {
                const int r = t[l] - ((k * l) >> 4);
                lo = std::min(lo, r), hi = std::max(hi, r);
            }
            if (hi - lo < best)
                best = hi - lo, bestSlope = k, bestBase = lo;
        }
        widest = std::max(widest, best);
        s.base[h] = static_cast<uint8_t>(bestBase); // modulo 256, as the bytes add up
        s.slope[h] = static_cast<int8_t>(bestSlope);
        for (int p = 0; p < 2; ++p) {
            unsigned bits = 0;
            for (int l = 0; l < 16; ++l)
                if (((t[l] - ((bestSlope * l) >> 4) - bestBase) >> p) & 1)
                    bits |= 1u << l;
            s.planeLo[p][h] = static_cast<uint8_t>(bits);
            s.planeHi[p][h] = static_cast<uint8_t>(bits >> 8);
        }
    }
    s.planes = widest <= 1 ? 1 : (widest <= 3 ? 2 : 0);
    return s;
}

struct SegmentLut32 {
    __m256i base, slope, bit, planeLo[2], planeHi[2];
};

// 16 bytes in both lanes
__attribute__((target("avx2"))) inline __m256i both(const void* p) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(static_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) SegmentLut32 makeSegmentLut32(const SegmentTables& s) {
    SegmentLut32 t;
    t.base = both(s.base), t.slope = both(s.slope);
    t.bit = _mm256_set1_epi64x(0x8040201008040201);
    for (int p = 0; p < 2; ++p)
        t.planeLo[p] = both(s.planeLo[p]), t.planeHi[p] = both(s.planeHi[p]);
    return t;
}

template <int Planes>
__attribute__((target("avx2"))) inline __m256i segmentLookup32(const SegmentLut32& t, __m256i x) {
    const __m256i nibble = _mm256_set1_epi8(15);
    const __m256i h = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble);
    const __m256i l = _mm256_and_si256(x, nibble);
    const __m256i slope = _mm256_shuffle_epi8(t.slope, h);
    // l times the slope as words, the even bytes and the odd bytes apart; the sixteenths
    // dropped by shifting, the odd results left in the high bytes
    const __m256i even =
        _mm256_maddubs_epi16(_mm256_and_si256(x, _mm256_set1_epi16(0x000F)), slope);
    const __m256i odd = _mm256_maddubs_epi16(_mm256_and_si256(x, _mm256_set1_epi16(0x0F00)), slope);
    const __m256i rise = _mm256_blendv_epi8(_mm256_srai_epi16(even, 4), _mm256_slli_epi16(odd, 4),
                                            _mm256_set1_epi16(-256));
    __m256i r = _mm256_add_epi8(_mm256_shuffle_epi8(t.base, h), rise);
    // bit l of the run's plane: its byte picked by bit 3 of l (moved to the top bit)
    const __m256i upper = _mm256_slli_epi16(x, 4);
    const __m256i bit = _mm256_shuffle_epi8(t.bit, l);
    for (int p = 0; p < Planes; ++p) {
        const __m256i plane = _mm256_blendv_epi8(_mm256_shuffle_epi8(t.planeLo[p], h),
                                                 _mm256_shuffle_epi8(t.planeHi[p], h), upper);
        const __m256i set = _mm256_cmpeq_epi8(_mm256_and_si256(plane, bit), bit); // 0 or -1
        r = p == 0 ? _mm256_sub_epi8(r, set)
                   : _mm256_add_epi8(r, _mm256_and_si256(set, _mm256_set1_epi8(2)));
    }
    return r;
}

template <int Planes>
__attribute__((target("avx2"))) size_t segmentBytesAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                        const SegmentTables& s) {
    const SegmentLut32 t = makeSegmentLut32(s);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        if (i % 128 == 0) // two lines at a time
            PrefetchAhead(src + i);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                            segmentLookup32<Planes>(
                                t, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i))));
    }
    return i;
}

size_t segmentBytes(const uint8_t* src, uint8_t* dst, size_t n, const SegmentTables& s) {
    return s.planes == 1 ? segmentBytesAvx2<1>(src, dst, n, s)
                         : segmentBytesAvx2<2>(src, dst, n, s);
}

// The segment form of the table where it has one and it gives every entry.
SegmentTables segmentForm(const Lut& lut) {
    SegmentTables s = fitSegments(lut.data());
    if (s.planes == 0)
        return s;
    alignas(32) uint8_t every[256], got[256];
    for (int v = 0; v < 256; ++v)
        every[v] = static_cast<uint8_t>(v);
    segmentBytes(every, got, 256, s);
    if (std::memcmp(got, lut.data(), 256) != 0)
        s.planes = 0;
    return s;
}

void lutBytesPlain(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* lut) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint8_t a0 = lut[src[i]], a1 = lut[src[i + 1]], a2 = lut[src[i + 2]],
                      a3 = lut[src[i + 3]];
        const uint8_t a4 = lut[src[i + 4]], a5 = lut[src[i + 5]], a6 = lut[src[i + 6]],
                      a7 = lut[src[i + 7]];
        dst[i] = a0, dst[i + 1] = a1, dst[i + 2] = a2, dst[i + 3] = a3;
        dst[i + 4] = a4, dst[i + 5] = a5, dst[i + 6] = a6, dst[i + 7] = a7;
    }
    for (; i < n; ++i)
        dst[i] = lut[src[i]];
}

// LutBytes from one buffer into another (or the same).
void lutBytesTo(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* lut) {
    size_t i = 0;
    if (useVbmi())
        i = lutBytesVbmi(src, dst, n, lut);
    else if (PixelAvx2())
        i = lutBytesAvx2(src, dst, n, lut);
    lutBytesPlain(src + i, dst + i, n - i, lut);
}

// Tables that are one byte instruction: v + k or v - k clamped to 0..255 (brightness), v & k
// (posterise).  Recognised by comparing every entry, so the instruction gives the table's bytes.
struct TableForm {
    enum Kind { Any, AddSat, SubSat, And } kind = Any;
    uint8_t k = 0;
    SegmentTables segments; // for the AVX2 lookups of tables of any other form
};

TableForm classify(const Lut& lut) {
    auto matches = [&](auto f) {
        for (int32_t v = 0; v < 256; ++v)
            if (lut[static_cast<size_t>(v)] != f(v))
                return false;
        return true;
    };
    const int32_t shift = lut[128] - 128;
    if (shift >= 0 && matches([&](int32_t v) { return Clamp255(v + shift); }))
        return {TableForm::AddSat, static_cast<uint8_t>(shift), {}};
    if (shift < 0 && matches([&](int32_t v) { return Clamp255(v + shift); }))
        return {TableForm::SubSat, static_cast<uint8_t>(-shift), {}};
    const uint8_t mask = lut[255];
    if (matches([&](int32_t v) { return static_cast<uint8_t>(v & mask); }))
        return {TableForm::And, mask, {}};
    TableForm any;
    if (PixelAvx2() && !useVbmi())
        any.segments = segmentForm(lut);
    return any;
}

__attribute__((target("avx2"))) size_t formAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                TableForm f) {
    const __m256i k = _mm256_set1_epi8(static_cast<char>(f.k));
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                            f.kind == TableForm::AddSat   ? _mm256_adds_epu8(v, k)
                            : f.kind == TableForm::SubSat ? _mm256_subs_epu8(v, k)
                                                          : _mm256_and_si256(v, k));
    }
    return i;
}

size_t formSse2(const uint8_t* src, uint8_t* dst, size_t n, TableForm f) {
    const __m128i k = _mm_set1_epi8(static_cast<char>(f.k));
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         f.kind == TableForm::AddSat   ? _mm_adds_epu8(v, k)
                         : f.kind == TableForm::SubSat ? _mm_subs_epu8(v, k)
                                                       : _mm_and_si128(v, k));
    }
    return i;
}

// The table over n bytes: in its one-instruction form where it has one, else looked up.
void tableBytes(const uint8_t* src, uint8_t* dst, size_t n, const Lut& lut, TableForm form) {
    size_t i = 0;
    if (form.segments.planes != 0)
        i = segmentBytes(src, dst, n, form.segments);
    else if (form.kind != TableForm::Any) {
        if (PixelAvx2())
            i = formAvx2(src, dst, n, form);
        else if (SimdAtLeast(SimdLevel::Sse2))
            i = formSse2(src, dst, n, form);
    }
    lutBytesTo(src + i, dst + i, n - i, lut.data());
}

} // namespace

void LutBytes(uint8_t* p, size_t n, const uint8_t* lut) {
    lutBytesTo(p, p, n, lut);
}

int SegmentPlanes(const Lut& lut) {
    return PixelAvx2() ? segmentForm(lut).planes : 0;
}

void LutPixels(uint8_t* p, size_t pixels, const uint8_t* lutB, const uint8_t* lutG,
               const uint8_t* lutR) {
    size_t done = 0;
    if (useVbmi())
        done = lutPixelsVbmi(p, pixels * 3, lutB, lutG, lutR) / 3;
    else if (PixelAvx2())
        done = lutPixelsAvx2(p, pixels, lutB, lutG, lutR);
    p += 3 * done;
    for (size_t i = done; i < pixels; ++i, p += 3) {
        const uint8_t b = lutB[p[0]], g = lutG[p[1]], r = lutR[p[2]];
        p[0] = b, p[1] = g, p[2] = r;
    }
}

void ApplyLuts(DocumentState& doc, Host& host, const Lut& lutB, const Lut& lutG, const Lut& lutR) {
    if (lutB == lutG && lutG == lutR) {
        const TableForm form = classify(lutB);
        ApplyPixelRun(doc, host, [&](const uint8_t* src, uint8_t* dst, int32_t n) {
            tableBytes(src, dst, static_cast<size_t>(n) * 3, lutB, form);
        });
    } else {
        ApplyPixelRun(doc, host, [&](uint8_t* p, int32_t n) {
            LutPixels(p, static_cast<size_t>(n), lutB.data(), lutG.data(), lutR.data());
        });
    }
}

} // namespace pixorama::ops

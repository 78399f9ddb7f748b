// Invert, greyscale, tone stretch, posterise and solarise.
#include "ops/tone.h"

#include "ops/linear_tables.h"
#include "ops/pixel_simd.h"
#include "ops/rows.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace pixorama {

using namespace ops;

namespace {

void invertPlain(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        p[i] = static_cast<uint8_t>(~p[i]);
}

size_t invertSse2(uint8_t* p, size_t n) {
    const __m128i ones = _mm_set1_epi8(-1);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i* at = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(at, _mm_xor_si128(_mm_loadu_si128(at), ones));
    }
    return i;
}

__attribute__((target("avx2"))) size_t invertAvx2(uint8_t* p, size_t n) {
    const __m256i ones = _mm256_set1_epi8(-1);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i* at = reinterpret_cast<__m256i*>(p + i);
        _mm256_storeu_si256(at, _mm256_xor_si256(_mm256_loadu_si256(at), ones));
    }
    return i;
}

__attribute__((target("avx512f,avx512bw"))) size_t invertAvx512(uint8_t* p, size_t n) {
    const __m512i ones = _mm512_set1_epi8(-1);
    size_t i = 0;
    for (; i + 64 <= n; i += 64)
        _mm512_storeu_si512(p + i, _mm512_xor_si512(_mm512_loadu_si512(p + i), ones));
    return i;
}

void invertBytes(uint8_t* p, size_t n) {
    size_t done = 0;
    switch (ActiveSimdLevel()) {
    case SimdLevel::Avx512:
        done = invertAvx512(p, n);
        break;
    case SimdLevel::Avx2:
        done = invertAvx2(p, n);
        break;
    case SimdLevel::Sse2:
        done = invertSse2(p, n);
        break;
    case SimdLevel::Scalar:
        break;
    }
    invertPlain(p + done, n - done);
}

// The pixel loops below read src and write dst: the same buffer, or two that do not overlap.

// Thirty-two pixels at a time, then sixteen.
__attribute__((target("avx2"))) size_t grayAvx2(const uint8_t* src, uint8_t* dst, size_t n) {
    const Gather96 g = makeGather96();
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        PrefetchAhead(src + 3 * i);
        store96(dst + 3 * i, spreadAll32(g, luminance32(g, load96(src + 3 * i))));
    }
    for (; i + 16 <= n; i += 16)
        spreadStore(kGather, dst + 3 * i, luminance16(kGather, src + 3 * i));
    return i;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t grayVbmi(const uint8_t* src,
                                                                       uint8_t* dst, size_t n) {
    const Permutes64& t = kPermutes64;
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const uint8_t* q = src + 3 * i;
        const __m512i a = _mm512_loadu_si512(q), b = _mm512_loadu_si512(q + 64),
                      c = _mm512_loadu_si512(q + 128);
        const __m512i l = lowBytes64(t, div100x64(weightedSums64(t, a, b, c, 0, kLumWeights)),
                                     div100x64(weightedSums64(t, a, b, c, 1, kLumWeights)));
        for (int d = 0; d < 3; ++d)
            _mm512_storeu_si512(dst + 3 * i + 64 * d, spread64(t, l, d));
    }
    return i;
}

void grayPixels(const uint8_t* src, uint8_t* dst, size_t n) {
    size_t done = PixelVbmi() ? grayVbmi(src, dst, n) : 0;
    if (PixelAvx2())
        done += grayAvx2(src + 3 * done, dst + 3 * done, n - done);
    for (size_t i = done; i < n; ++i) {
        const uint32_t l = (30u * src[3 * i + 2] + 59u * src[3 * i + 1] + 11u * src[3 * i]) / 100u;
        dst[3 * i] = dst[3 * i + 1] = dst[3 * i + 2] = static_cast<uint8_t>(l);
    }
}

// limit is 0..765 here: channel sums compared in 16 bits.
__attribute__((target("avx2"))) size_t solarAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                 int32_t limit) {
    const Gather48& g = kGather;
    const __m256i below = _mm256_set1_epi16(static_cast<int16_t>(limit - 1));
    size_t i = 0;
    {
        // thirty-two pixels at a time, then sixteen
        const Gather96 g96 = makeGather96();
        const SumPatterns& sp = kSumPatterns;
        for (; i + 32 <= n; i += 32) {
            PrefetchAhead(src + 3 * i);
            const Pixels32 v = load96(src + 3 * i);
            const __m256i flip = _mm256_packs_epi16(
                _mm256_cmpgt_epi16(weightedSums(sp, v.a, v.b, 0, kPlainSum), below),
                _mm256_cmpgt_epi16(weightedSums(sp, v.b, v.c, 1, kPlainSum), below));
            const Pixels32 mask = spreadAll32(g96, flip);
            store96(dst + 3 * i, {_mm256_xor_si256(v.a, mask.a), _mm256_xor_si256(v.b, mask.b),
                                  _mm256_xor_si256(v.c, mask.c)});
        }
    }
    for (; i + 16 <= n; i += 16) {
        const Pixels16 v = load48(src + 3 * i);
        uint8_t* out = dst + 3 * i;
        const __m256i sum = _mm256_add_epi16(
            _mm256_add_epi16(channel16(g, 0, v), channel16(g, 1, v)), channel16(g, 2, v));
        const __m256i flip16 = _mm256_cmpgt_epi16(sum, below); // sum >= limit
        const __m128i flip =
            _mm_packs_epi16(_mm256_castsi256_si128(flip16), _mm256_extracti128_si256(flip16, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_xor_si128(v.a, _mm_shuffle_epi8(flip, g.spread[0])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16),
                         _mm_xor_si128(v.b, _mm_shuffle_epi8(flip, g.spread[1])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32),
                         _mm_xor_si128(v.c, _mm_shuffle_epi8(flip, g.spread[2])));
    }
    return i;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
solarVbmi(const uint8_t* src, uint8_t* dst, size_t n, int32_t limit) {
    const Permutes64& t = kPermutes64;
    const __m512i below = _mm512_set1_epi16(static_cast<int16_t>(limit - 1));
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const uint8_t* q = src + 3 * i;
        uint8_t* out = dst + 3 * i;
        const __m512i a = _mm512_loadu_si512(q), b = _mm512_loadu_si512(q + 64),
                      c = _mm512_loadu_si512(q + 128);
        const __mmask32 lo =
            _mm512_cmpgt_epi16_mask(weightedSums64(t, a, b, c, 0, kPlainSum), below);
        const __mmask32 hi =
            _mm512_cmpgt_epi16_mask(weightedSums64(t, a, b, c, 1, kPlainSum), below);
        const __m512i flip = _mm512_movm_epi8(_mm512_kunpackd(hi, lo));
        _mm512_storeu_si512(out, _mm512_xor_si512(a, spread64(t, flip, 0)));
        _mm512_storeu_si512(out + 64, _mm512_xor_si512(b, spread64(t, flip, 1)));
        _mm512_storeu_si512(out + 128, _mm512_xor_si512(c, spread64(t, flip, 2)));
    }
    return i;
}

void solarPixels(const uint8_t* src, uint8_t* dst, size_t n, int32_t limit) {
    size_t done = 0;
    if (limit >= 0 && limit <= 765) {
        if (PixelVbmi())
            done = solarVbmi(src, dst, n, limit);
        if (PixelAvx2())
            done += solarAvx2(src + 3 * done, dst + 3 * done, n - done, limit);
    }
    for (size_t i = done; i < n; ++i) {
        const int32_t sum = src[3 * i] + src[3 * i + 1] + src[3 * i + 2];
        const uint8_t x = sum >= limit ? 0xFF : 0;
        dst[3 * i] = src[3 * i] ^ x;
        dst[3 * i + 1] = src[3 * i + 1] ^ x;
        dst[3 * i + 2] = src[3 * i + 2] ^ x;
    }
}

// The luminance is (30 R + 59 G + 11 B) / 100 rounded down, which never decreases as the sum
// grows: the extremes of the sums give those of the luminance, divided once at the end.
__attribute__((target("avx2"))) size_t lumRangeAvx2(const uint8_t* p, size_t n, int32_t& lo,
                                                    int32_t& hi) {
    const SumPatterns& sp = kSumPatterns;
    __m256i mn = _mm256_set1_epi16(32767), mx = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        PrefetchAhead(p + 3 * i);
        const Pixels32 v = load96(p + 3 * i);
        const __m256i s0 = weightedSums(sp, v.a, v.b, 0, kLumWeights),
                      s1 = weightedSums(sp, v.b, v.c, 1, kLumWeights);
        mn = _mm256_min_epi16(mn, _mm256_min_epi16(s0, s1));
        mx = _mm256_max_epi16(mx, _mm256_max_epi16(s0, s1));
    }
    alignas(32) int16_t a[16], b[16];
    _mm256_store_si256(reinterpret_cast<__m256i*>(a), mn);
    _mm256_store_si256(reinterpret_cast<__m256i*>(b), mx);
    if (i > 0)
        for (int j = 0; j < 16; ++j) {
            lo = std::min<int32_t>(lo, a[j] / 100);
            hi = std::max<int32_t>(hi, b[j] / 100);
        }
    return i;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
lumRangeVbmi(const uint8_t* p, size_t n, int32_t& lo, int32_t& hi) {
    const Permutes64& t = kPermutes64;
    __m512i mn = _mm512_set1_epi16(32767), mx = _mm512_setzero_si512();
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const uint8_t* q = p + 3 * i;
        PrefetchAhead(q, 3); // a 192-byte step: three lines
        const __m512i a = _mm512_loadu_si512(q), b = _mm512_loadu_si512(q + 64),
                      c = _mm512_loadu_si512(q + 128);
        const __m512i s0 = weightedSums64(t, a, b, c, 0, kLumWeights),
                      s1 = weightedSums64(t, a, b, c, 1, kLumWeights);
        mn = _mm512_min_epi16(mn, _mm512_min_epi16(s0, s1));
        mx = _mm512_max_epi16(mx, _mm512_max_epi16(s0, s1));
    }
    alignas(64) int16_t a[32], b[32];
    _mm512_store_si512(a, mn);
    _mm512_store_si512(b, mx);
    if (i > 0)
        for (int j = 0; j < 32; ++j) {
            lo = std::min<int32_t>(lo, a[j] / 100);
            hi = std::max<int32_t>(hi, b[j] / 100);
        }
    return i;
}

// The lowest and highest luminance of n pixels, folded into lo and hi.
void lumRange(const uint8_t* p, size_t n, int32_t& lo, int32_t& hi) {
    size_t done = PixelVbmi() ? lumRangeVbmi(p, n, lo, hi) : 0;
    if (PixelAvx2())
        done += lumRangeAvx2(p + 3 * done, n - done, lo, hi);
    for (size_t i = done; i < n; ++i) {
        const int32_t l = Luminance(p[3 * i + 2], p[3 * i + 1], p[3 * i]);
        lo = std::min(lo, l);
        hi = std::max(hi, l);
    }
}

} // namespace

void DibInvert(DocumentState& doc, Host& host) {
    TDibRecord& d = doc.Dib;
    if (!HasPixels(d))
        return;
    if (DibBitsPerPixel(&d) != 1) {
        if (IsPaletteOr24(d))
            ApplyPixelRun(doc, host, [](uint8_t* p, int32_t n) {
                invertBytes(p, static_cast<size_t>(n) * 3);
            });
        return;
    }
    // the pixels themselves, padding included; the selection is not consulted
    host.SetProSatus(0);
    const size_t lineBytes = static_cast<size_t>(d.LineBytes);
    ForEachRow(host, DibHeight(&d), lineBytes,
               [&](int32_t y) { invertBytes(ImageRow(d, y), lineBytes); });
    host.SetProSatus(0);
}

void DibGrayscale(DocumentState& doc, Host& host) {
    if (IsPaletteOr24(doc.Dib))
        ApplyPixelRun(doc, host, [](const uint8_t* src, uint8_t* dst, int32_t n) {
            grayPixels(src, dst, static_cast<size_t>(n));
        });
}

void StretchHistogramm(DocumentState& doc, Host& host) {
    TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || !IsPaletteOr24(d))
        return;
    host.SetProSatus(0);
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    int32_t lo = 255, hi = 0;
    if (IsPaletteImage(d)) {
        // every pixel counts, through its palette entry
        const int bpp = DibBitsPerPixel(&d);
        std::array<bool, 256> used{};
        StepProgress progress(host, h);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            const uint8_t* row = ImageRow(d, y);
            for (int32_t x = 0; x < w; ++x)
                used[bpp == 8 ? row[x] : ((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4))] =
                    true;
        }
        for (int i = 0; i < 256; ++i) {
            if (!used[i])
                continue;
            const TPaletteEntry& e = d.Palette.palPalEntry[i];
            const int32_t l = Luminance(e.peRed, e.peGreen, e.peBlue);
            lo = std::min(lo, l);
            hi = std::max(hi, l);
        }
    } else {
        // only selected pixels count; rows are scanned in parallel, each folding its extremes in
        const SelectionRows sel(doc);
        std::atomic<int32_t> lowest{255}, highest{0};
        // bottom row first: the rows read last are still in the cache when the table pass
        // starts with them at the top
        ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t bottomUp) {
            const int32_t y = h - 1 - bottomUp;
            // once the whole range is found no row can widen it
            if (lowest.load(std::memory_order_relaxed) == 0 &&
                highest.load(std::memory_order_relaxed) == 255)
                return;
            bool skip;
            const uint8_t* mask = sel.row(y, skip);
            if (skip)
                return;
            const uint8_t* row = ImageRow(d, y);
            int32_t l0 = 255, h0 = 0;
            ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
                lumRange(row + 3 * x0, static_cast<size_t>(x1 - x0), l0, h0);
            });
            for (int32_t seen = lowest.load();
                 l0 < seen && !lowest.compare_exchange_weak(seen, l0);) {
            }
            for (int32_t seen = highest.load();
                 h0 > seen && !highest.compare_exchange_weak(seen, h0);) {
            }
        });
        lo = lowest.load();
        hi = highest.load();
    }
    const int32_t range = hi - lo + 1;
    const Lut lut =
        MakeLut([&](int32_t v) { return range != 0 ? Clamp255((v - lo) * 256 / range) : 0; });
    if (range > 0)
        ApplyLinearLut(doc, host, lut, Line(lo, 0, 256, range));
    else
        ApplyChannelLut(doc, host, lut);
}

void DibPoster(DocumentState& doc, Host& host, int32_t shift) {
    if (!HasPixels(doc.Dib) || !IsPaletteOr24(doc.Dib))
        return;
    shift = std::clamp(shift, 0, 8);
    ApplyChannelLut(doc, host, MakeLut([shift](int32_t v) { return (v >> shift) << shift; }));
}

void DibSolar(DocumentState& doc, Host& host, int32_t threshold) {
    if (!IsPaletteOr24(doc.Dib))
        return;
    const int32_t limit = 765 - 3 * threshold;
    ApplyPixelRun(doc, host, [limit](const uint8_t* src, uint8_t* dst, int32_t n) {
        solarPixels(src, dst, static_cast<size_t>(n), limit);
    });
}

} // namespace pixorama

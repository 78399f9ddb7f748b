// Straight-line tables in 16-bit lanes: thirty-two pixels (three 32-byte registers) at a time,
// each byte widened to a word, moved by p, multiplied by m, divided by d through a
// multiplication by a rounded-up reciprocal, signed, moved by c and narrowed with saturation
// (which is the clamp to 0..255).
#include "ops/linear_tables.h"

#include "ops/pixel_simd.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <optional>

namespace pixorama::ops {

namespace {

// The forms of the three channels with their shared division, checked to stay within the
// 16-bit lanes: |v - p| <= 255 and |v - p| * m < 65536 before the division, the quotient and c
// small enough for signed words.
struct Prepared {
    LinearForm form[3];
    bool divide = false;
    // floor(x / d) = (x * r) >> (16 + shift) for every x the forms meet, or where no 16-bit r
    // is close enough (wide): t = (x * r) >> 16, (t + ((x - t) >> 1)) >> shift
    bool wide = false;
    uint16_t r = 0;
    int shift = 0;
    bool split = false;
};

uint32_t quotient(const Prepared& k, uint32_t x) {
    const uint32_t t = (x * k.r) >> 16;
    return k.wide ? (t + ((x - t) >> 1)) >> k.shift : t >> k.shift;
}

// The lower half's line at v, as the vector loop computes it.
int32_t evalLower(const LinearForm& f, const Prepared& k, int32_t v) {
    const int32_t diff = v - f.p[0];
    const uint32_t x = static_cast<uint32_t>(std::abs(diff) * f.m[0]) & 0xFFFFu;
    const uint32_t q = k.divide ? quotient(k, x) : x;
    const int32_t s = diff < 0 ? -static_cast<int32_t>(q) : diff == 0 ? 0 : static_cast<int32_t>(q);
    return Clamp255(f.c[0] + s);
}

// A split form is the lower half's line mirrored: f(v) = 255 - f(255 - v) for v >= 128, which
// the loop gets by complementing the byte before and after.
int32_t evalForm(const LinearForm& f, const Prepared& k, int32_t v) {
    return k.split && v >= 128 ? 255 - evalLower(f, k, 255 - v) : evalLower(f, k, v);
}

bool withinLanes(const LinearForm& f, int32_t d) {
    for (int h = 0; h < 2; ++h) {
        if (f.p[h] < 0 || f.p[h] > 255 || f.m[h] < 0 || f.m[h] > 256 || std::abs(f.c[h]) > 1024)
            return false;
        if (255 * f.m[h] / d > 30000)
            return false;
    }
    return true;
}

std::optional<Prepared> prepare(const LinearForm& b, const LinearForm& g, const LinearForm& r,
                                const Lut* luts[3]) {
    Prepared k;
    k.form[0] = b, k.form[1] = g, k.form[2] = r;
    const int32_t d = b.d;
    if (d <= 0 || g.d != d || r.d != d)
        return std::nullopt;
    int32_t common = d;
    for (const LinearForm& f : k.form) {
        if (!withinLanes(f, d))
            return std::nullopt;
        common = std::gcd(common, std::gcd(f.m[0], f.m[1]));
        k.split = k.split || f.p[0] != f.p[1] || f.c[0] != f.c[1] || f.m[0] != f.m[1];
    }
    for (const LinearForm& f : k.form)
        if (k.split && (f.p[1] != 255 - f.p[0] || f.c[1] != 255 - f.c[0] || f.m[1] != f.m[0]))
            return std::nullopt;
    // the fraction m / d reduced by what all the forms share
    const int32_t div = d / common;
    for (LinearForm& f : k.form) {
        f.m[0] /= common, f.m[1] /= common;
        f.d = div;
    }
    k.divide = div > 1;
    auto exact = [&] {
        for (const LinearForm& f : k.form)
            for (int h = 0; h < 2; ++h)
                for (uint32_t a = 0; a < 256; ++a) {
                    const uint32_t x = a * static_cast<uint32_t>(f.m[h]);
                    if (quotient(k, x) != x / static_cast<uint32_t>(div))
                        return false;
                }
        return true;
    };
    if (k.divide) {
        bool found = false;
        for (int s = 15; s >= 0 && !found; --s) {
            const uint64_t rr = ((uint64_t{1} << (16 + s)) + static_cast<uint64_t>(div) - 1) /
                                static_cast<uint64_t>(div);
            if (rr > 0xFFFF)
                continue;
            k.r = static_cast<uint16_t>(rr);
            k.shift = s;
            found = exact();
        }
        if (!found) {
            // the reciprocal with a 17th bit, as compilers divide 16-bit numbers
            int l = 0;
            while ((1 << l) < div)
                ++l;
            k.wide = true;
            k.r = static_cast<uint16_t>((uint32_t{65536} * ((1u << l) - static_cast<uint32_t>(div))) /
                                            static_cast<uint32_t>(div) +
                                        1);
            k.shift = l - 1;
            if (!exact())
                return std::nullopt;
        }
    }
    for (int ch = 0; ch < 3; ++ch)
        for (int32_t v = 0; v < 256; ++v)
            if (evalForm(k.form[ch], k, v) != (*luts[ch])[static_cast<size_t>(v)])
                return std::nullopt;
    return k;
}

// The words of each register half: register j of a block of 96 bytes, unpacked low (0) or
// high (1); word w of it is byte 16 (w / 8) + 8 half + w % 8 of the register.
struct alignas(32) LaneParams {
    int16_t p[16], c[16], m[16];
};
struct alignas(32) Params {
    LaneParams lane[3][2];
};

Params laneParams(const Prepared& k) {
    Params out;
    for (int j = 0; j < 3; ++j)
        for (int half = 0; half < 2; ++half)
            for (int w = 0; w < 16; ++w) {
                const int byte = 32 * j + 16 * (w / 8) + 8 * half + w % 8;
                const LinearForm& f = k.form[byte % 3];
                LaneParams& lp = out.lane[j][half];
                lp.p[w] = static_cast<int16_t>(f.p[0]);
                lp.c[w] = static_cast<int16_t>(f.c[0]);
                lp.m[w] = static_cast<int16_t>(f.m[0]);
            }
    return out;
}

__attribute__((target("avx2"))) inline __m256i load(const int16_t* w) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(w));
}

enum class Division { None, Short, Wide };

template <Division Divide>
__attribute__((target("avx2"))) inline __m256i evalWords(__m256i u, const LaneParams& lp,
                                                         __m256i r, __m128i shift) {
    const __m256i diff = _mm256_sub_epi16(u, load(lp.p));
    __m256i q = _mm256_mullo_epi16(_mm256_abs_epi16(diff), load(lp.m));
    if constexpr (Divide == Division::Short) {
        q = _mm256_srl_epi16(_mm256_mulhi_epu16(q, r), shift);
    } else if constexpr (Divide == Division::Wide) {
        const __m256i t = _mm256_mulhi_epu16(q, r);
        q = _mm256_srl_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(_mm256_sub_epi16(q, t), 1)),
                             shift);
    }
    return _mm256_add_epi16(load(lp.c), _mm256_sign_epi16(q, diff));
}

template <bool Split, Division Divide>
__attribute__((target("avx2"))) size_t linearAvx2(const uint8_t* src, uint8_t* dst,
                                                  size_t bytes, const Params& k, uint16_t r16,
                                                  int shiftBits) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i r = _mm256_set1_epi16(static_cast<int16_t>(r16));
    const __m128i shift = _mm_cvtsi32_si128(shiftBits);
    size_t i = 0;
    for (; i + 96 <= bytes; i += 96) {
        PrefetchAhead(src + i);
        for (int j = 0; j < 3; ++j) {
            __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 32 * j));
            __m256i upper = zero;
            if constexpr (Split) {
                upper = _mm256_cmpgt_epi8(zero, x); // v >= 128: 255 - v
                x = _mm256_xor_si256(x, upper);
            }
            const __m256i lo =
                evalWords<Divide>(_mm256_unpacklo_epi8(x, zero), k.lane[j][0], r, shift);
            const __m256i hi =
                evalWords<Divide>(_mm256_unpackhi_epi8(x, zero), k.lane[j][1], r, shift);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 32 * j),
                                _mm256_xor_si256(_mm256_packus_epi16(lo, hi), upper));
        }
    }
    return i;
}

template <bool Split>
size_t linearBlocksOf(const uint8_t* src, uint8_t* dst, size_t bytes, const Prepared& k,
                      const Params& params) {
    if (!k.divide)
        return linearAvx2<Split, Division::None>(src, dst, bytes, params, k.r, k.shift);
    if (k.wide)
        return linearAvx2<Split, Division::Wide>(src, dst, bytes, params, k.r, k.shift);
    return linearAvx2<Split, Division::Short>(src, dst, bytes, params, k.r, k.shift);
}

size_t linearBlocks(const uint8_t* src, uint8_t* dst, size_t bytes, const Prepared& k,
                    const Params& params) {
    return k.split ? linearBlocksOf<true>(src, dst, bytes, k, params)
                   : linearBlocksOf<false>(src, dst, bytes, k, params);
}

// src and dst are the same or do not overlap.
void linearRun(const uint8_t* src, uint8_t* dst, size_t pixels, const Prepared& k,
               const Params& params, const Lut* luts[3]) {
    const size_t done = linearBlocks(src, dst, 3 * pixels, k, params) / 3;
    for (size_t i = done; i < pixels; ++i)
        for (int ch = 0; ch < 3; ++ch)
            dst[3 * i + ch] = (*luts[ch])[src[3 * i + ch]];
}

// A line from zero that stays at 0 below p, the same for every channel (the tone stretch):
// f(v) = min(255, (v - p) * m / d) above p, else 0.  The byte minus p with saturation is the
// whole left part; (v - p) * 256 in a word, multiplied by r and shifted, is the quotient; the
// minimum with 255 and the narrowing finish it.  Half the work of the general line.
struct Ramp {
    uint8_t p = 0;
    uint16_t r = 0;
    int shift = 0;
};

uint32_t rampValue(const Ramp& k, int32_t v) {
    const uint32_t a = v > k.p ? static_cast<uint32_t>(v - k.p) : 0;
    return std::min<uint32_t>(255, ((a * 256 * k.r) >> 16) >> k.shift);
}

std::optional<Ramp> rampOf(const Prepared& k, const Lut* luts[3]) {
    const LinearForm& f = k.form[0];
    for (const LinearForm& g : k.form)
        if (g.p[0] != f.p[0] || g.c[0] != f.c[0] || g.m[0] != f.m[0])
            return std::nullopt;
    if (k.split || f.c[0] != 0 || f.m[0] <= 0 || f.p[0] < 0 || f.p[0] > 255 || f.d <= 0)
        return std::nullopt;
    for (int s = 15; s >= 0; --s) {
        const uint64_t r = ((static_cast<uint64_t>(f.m[0]) << (8 + s)) +
                            static_cast<uint64_t>(f.d) - 1) /
                           static_cast<uint64_t>(f.d);
        if (r == 0 || r > 0xFFFF)
            continue;
        const Ramp ramp{static_cast<uint8_t>(f.p[0]), static_cast<uint16_t>(r), s};
        bool exact = true;
        for (int32_t v = 0; v < 256 && exact; ++v)
            for (int ch = 0; ch < 3; ++ch)
                exact = exact && rampValue(ramp, v) == (*luts[ch])[static_cast<size_t>(v)];
        if (exact)
            return ramp;
    }
    return std::nullopt;
}

__attribute__((target("avx2"))) size_t rampAvx2(const uint8_t* src, uint8_t* dst, size_t bytes,
                                                const Ramp& k) {
    const __m256i zero = _mm256_setzero_si256(), top = _mm256_set1_epi16(255);
    const __m256i p = _mm256_set1_epi8(static_cast<char>(k.p));
    const __m256i r = _mm256_set1_epi16(static_cast<int16_t>(k.r));
    const __m128i shift = _mm_cvtsi32_si128(k.shift);
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        if (i % 128 == 0)
            PrefetchAhead(src + i);
        const __m256i a = _mm256_subs_epu8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)), p);
        const __m256i lo = _mm256_min_epu16(
            _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, a), r), shift), top);
        const __m256i hi = _mm256_min_epu16(
            _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, a), r), shift), top);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(lo, hi));
    }
    return i;
}

// The line's pixels: as a ramp where it is one, else through the general loop.
void computeRun(const uint8_t* src, uint8_t* dst, size_t pixels, const Prepared& k,
                const std::optional<Ramp>& ramp, const Params& params, const Lut* luts[3]) {
    if (!ramp) {
        linearRun(src, dst, pixels, k, params, luts);
        return;
    }
    const size_t done = rampAvx2(src, dst, 3 * pixels, *ramp);
    for (size_t i = done; i < 3 * pixels; ++i)
        dst[i] = (*luts[i % 3])[src[i]];
}

// Whether tables are looked up slowly here: AVX2 (or AVX-512 without byte permutes).
bool computeTables() {
    return PixelAvx2() && !(ActiveSimdLevel() == SimdLevel::Avx512 && CpuHasVbmi());
}

} // namespace

bool LinearFormMatches(const LinearForm& form, const Lut& lut) {
    const Lut* luts[3] = {&lut, &lut, &lut};
    return prepare(form, form, form, luts).has_value();
}

bool LinearPixels(uint8_t* p, size_t pixels, const Lut& lutB, const Lut& lutG, const Lut& lutR,
                  const LinearForm& formB, const LinearForm& formG, const LinearForm& formR) {
    const Lut* luts[3] = {&lutB, &lutG, &lutR};
    const std::optional<Prepared> k = prepare(formB, formG, formR, luts);
    if (!k || !CpuHasAvx2())
        return false;
    const Params params = laneParams(*k);
    computeRun(p, p, pixels, *k, rampOf(*k, luts), params, luts);
    return true;
}

void ApplyLinearLuts(DocumentState& doc, Host& host, const Lut& lutB, const Lut& lutG,
                     const Lut& lutR, const LinearForm& formB, const LinearForm& formG,
                     const LinearForm& formR) {
    if (HasPixels(doc.Dib) && !IsPaletteImage(doc.Dib) && computeTables()) {
        const Lut* luts[3] = {&lutB, &lutG, &lutR};
        if (const std::optional<Prepared> k = prepare(formB, formG, formR, luts)) {
            const Params params = laneParams(*k);
            const std::optional<Ramp> ramp = rampOf(*k, luts);
            ApplyPixelRun(doc, host, [&](const uint8_t* src, uint8_t* dst, int32_t n) {
                computeRun(src, dst, static_cast<size_t>(n), *k, ramp, params, luts);
            });
            return;
        }
    }
    ApplyLuts(doc, host, lutB, lutG, lutR);
}

} // namespace pixorama::ops

// Vector helpers of the 24-bit point operations: sixteen pixels (48 bytes) or thirty-two (96
// bytes) at a time, the channels gathered into registers of their own, a value per pixel,
// spread back over three bytes; and a 256-entry byte table looked up 32 bytes at a time.
#pragma once

#include "document/simd_level.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace pixorama::ops {

// Loops that spend many instructions on each step keep few cache lines in flight (the
// processor looks only so far ahead); they ask for the lines of a step (two by default) a
// little ahead of them.
inline constexpr size_t kPrefetchBytes = 1024;
inline void PrefetchAhead(const uint8_t* p, int lines = 2) {
    for (int at = 0; at < 64 * lines; at += 64)
        _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchBytes + at), _MM_HINT_T0);
}

struct Gather48 {
    __m128i pick[3][3]; // [channel][source register]
    __m128i spread[3];  // destination register d takes pixel byte (16 d + j) / 3
};

inline Gather48 makeGather() {
    Gather48 g;
    for (int ch = 0; ch < 3; ++ch)
        for (int src = 0; src < 3; ++src) {
            alignas(16) int8_t m[16];
            for (int i = 0; i < 16; ++i) {
                const int byte = 3 * i + ch - 16 * src;
                m[i] = byte >= 0 && byte < 16 ? static_cast<int8_t>(byte) : int8_t{-128};
            }
            std::memcpy(&g.pick[ch][src], m, 16);
        }
    for (int d = 0; d < 3; ++d) {
        alignas(16) int8_t m[16];
        for (int j = 0; j < 16; ++j)
            m[j] = static_cast<int8_t>((16 * d + j) / 3);
        std::memcpy(&g.spread[d], m, 16);
    }
    return g;
}

inline const Gather48 kGather = makeGather();

// Sixteen pixels as three registers of 16 bytes.
struct Pixels16 {
    __m128i a, b, c;
};

__attribute__((target("avx2"))) inline Pixels16 load48(const uint8_t* p) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))};
}

// Channel ch (0 blue, 1 green, 2 red) of the sixteen pixels, widened to 16 bits.
__attribute__((target("avx2"))) inline __m256i channel16(const Gather48& g, int ch,
                                                         const Pixels16& v) {
    const __m128i x = _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(v.a, g.pick[ch][0]), _mm_shuffle_epi8(v.b, g.pick[ch][1])),
        _mm_shuffle_epi8(v.c, g.pick[ch][2]));
    return _mm256_cvtepu8_epi16(x);
}

// x / 100 for 0 <= x < 32768, by a multiplication that is exact there.
__attribute__((target("avx2"))) inline __m256i div100(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(-23592)), 6); // 41944
}

// The luminance (30 R + 59 G + 11 B) / 100 of sixteen pixels (the sum is at most 25500).
__attribute__((target("avx2"))) inline __m128i luminance16(const Gather48& g, const uint8_t* p) {
    const Pixels16 v = load48(p);
    const __m256i sum = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(channel16(g, 2, v), _mm256_set1_epi16(30)),
                         _mm256_mullo_epi16(channel16(g, 1, v), _mm256_set1_epi16(59))),
        _mm256_mullo_epi16(channel16(g, 0, v), _mm256_set1_epi16(11)));
    const __m256i lum = div100(sum);
    return _mm_packus_epi16(_mm256_castsi256_si128(lum), _mm256_extracti128_si256(lum, 1));
}

__attribute__((target("avx2"))) inline void spreadStore(const Gather48& g, uint8_t* p, __m128i v) {
    for (int d = 0; d < 3; ++d)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * d), _mm_shuffle_epi8(v, g.spread[d]));
}

// Thirty-two pixels as three 32-byte registers: the low lanes hold pixels 0..15, the high lanes
// pixels 16..31, so the 16-byte patterns above work in both lanes alike.
struct Pixels32 {
    __m256i a, b, c;
};

// The patterns of Gather48 in both lanes, plus spread[d][c]: the bytes of destination register
// d that belong to channel c, taken from a register holding channel c of every pixel.
struct Gather96 {
    __m256i pick[3][3];
    __m256i spreadAll[3];
    __m256i spread[3][3];
};

__attribute__((target("avx2"))) inline Gather96 makeGather96() {
    Gather96 g;
    for (int ch = 0; ch < 3; ++ch)
        for (int src = 0; src < 3; ++src)
            g.pick[ch][src] = _mm256_broadcastsi128_si256(kGather.pick[ch][src]);
    for (int d = 0; d < 3; ++d) {
        g.spreadAll[d] = _mm256_broadcastsi128_si256(kGather.spread[d]);
        for (int ch = 0; ch < 3; ++ch) {
            alignas(16) int8_t m[16];
            for (int j = 0; j < 16; ++j) {
                const int k = 16 * d + j;
                m[j] = k % 3 == ch ? static_cast<int8_t>(k / 3) : int8_t{-128};
            }
            __m128i v;
            std::memcpy(&v, m, 16);
            g.spread[d][ch] = _mm256_broadcastsi128_si256(v);
        }
    }
    return g;
}

__attribute__((target("avx2"))) inline __m256i loadLanes(const uint8_t* lo, const uint8_t* hi) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

__attribute__((target("avx2"))) inline void storeLanes(uint8_t* lo, uint8_t* hi, __m256i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lo), _mm256_castsi256_si128(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(hi), _mm256_extracti128_si256(v, 1));
}

__attribute__((target("avx2"))) inline Pixels32 load96(const uint8_t* p) {
    return {loadLanes(p, p + 48), loadLanes(p + 16, p + 64), loadLanes(p + 32, p + 80)};
}

__attribute__((target("avx2"))) inline void store96(uint8_t* p, const Pixels32& v) {
    storeLanes(p, p + 48, v.a);
    storeLanes(p + 16, p + 64, v.b);
    storeLanes(p + 32, p + 80, v.c);
}

// Channel ch (0 blue, 1 green, 2 red) of the thirty-two pixels, one byte each, in pixel order.
__attribute__((target("avx2"))) inline __m256i channel32(const Gather96& g, int ch,
                                                         const Pixels32& v) {
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(v.a, g.pick[ch][0]),
                                           _mm256_shuffle_epi8(v.b, g.pick[ch][1])),
                           _mm256_shuffle_epi8(v.c, g.pick[ch][2]));
}

// Thirty-two pixels from their three channels.
__attribute__((target("avx2"))) inline Pixels32 merge32(const Gather96& g, __m256i blue,
                                                        __m256i green, __m256i red) {
    Pixels32 out;
    __m256i* dst[3] = {&out.a, &out.b, &out.c};
    for (int d = 0; d < 3; ++d)
        *dst[d] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, g.spread[d][0]),
                                                  _mm256_shuffle_epi8(green, g.spread[d][1])),
                                  _mm256_shuffle_epi8(red, g.spread[d][2]));
    return out;
}

// Thirty-two pixels of one value each in all three bytes.
__attribute__((target("avx2"))) inline Pixels32 spreadAll32(const Gather96& g, __m256i v) {
    return {_mm256_shuffle_epi8(v, g.spreadAll[0]), _mm256_shuffle_epi8(v, g.spreadAll[1]),
            _mm256_shuffle_epi8(v, g.spreadAll[2])};
}

// A 256-entry byte table as sixteen 16-byte blocks T0..T15 for byte shuffles, which look up
// only 16 entries and give 0 where the index has its top bit set.  One index is counted down
// by 16 per step: at step i (0..8) it is x - 16 i, below 128 exactly for the steps
// j - 7 <= i <= j (j = x / 16).  For x < 128 those are the steps 0..j, so the lower blocks
// lo[i] = T(i) ^ T(i-1) add up (by xor) to T(j); for x >= 128 they are j - 7..8, so the upper
// blocks hi[i] = T(i+7) ^ T(i+8), hi[8] = T15, add up to T(j).  The top bit of x picks the sum.
struct Lut32 {
    __m256i lo[8];
    __m256i hi[8]; // for the steps 1..8
};

__attribute__((target("avx2"))) inline Lut32 makeLut32(const uint8_t* lut) {
    Lut32 t;
    auto block = [&](int i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lut + 16 * i));
    };
    t.lo[0] = _mm256_broadcastsi128_si256(block(0));
    for (int i = 1; i < 8; ++i)
        t.lo[i] = _mm256_broadcastsi128_si256(_mm_xor_si128(block(i), block(i - 1)));
    for (int i = 1; i < 8; ++i)
        t.hi[i - 1] = _mm256_broadcastsi128_si256(_mm_xor_si128(block(i + 7), block(i + 8)));
    t.hi[7] = _mm256_broadcastsi128_si256(block(15));
    return t;
}

__attribute__((target("avx2"))) inline __m256i lookup32(const Lut32& t, __m256i x) {
    const __m256i step = _mm256_set1_epi8(16);
    __m256i idx = x; // x - 16 i
    __m256i lo = _mm256_shuffle_epi8(t.lo[0], idx);
    idx = _mm256_sub_epi8(idx, step);
    __m256i hi = _mm256_shuffle_epi8(t.hi[0], idx);
    for (int i = 1; i < 8; ++i) {
        lo = _mm256_xor_si256(lo, _mm256_shuffle_epi8(t.lo[i], idx));
        idx = _mm256_sub_epi8(idx, step);
        hi = _mm256_xor_si256(hi, _mm256_shuffle_epi8(t.hi[i], idx));
    }
    return _mm256_blendv_epi8(lo, hi, x);
}

// k x / 100 rounded down for every byte x, as (x * ceil(65536 k / 100)) >> 16: one
// multiplication instead of a multiplication and a division.
constexpr uint16_t kPercentOfByte[3] = {19661, 38667, 7209}; // k = 30, 59, 11
constexpr bool percentOfByteExact() {
    const uint32_t k[3] = {30, 59, 11};
    for (int i = 0; i < 3; ++i)
        for (uint32_t x = 0; x < 256; ++x)
            if ((x * kPercentOfByte[i]) >> 16 != k[i] * x / 100)
                return false;
    return true;
}
static_assert(percentOfByteExact());

// Sixteen lightness values 30 R / 100 + 59 G / 100 + 11 B / 100 from red, green and blue as
// 16-bit numbers (at most 76 + 150 + 28 = 254).
__attribute__((target("avx2"))) inline __m256i percentOfByte(__m256i x, int k) {
    return _mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<int16_t>(kPercentOfByte[k])));
}
__attribute__((target("avx2"))) inline __m256i lightnessWords(__m256i r, __m256i g, __m256i b) {
    return _mm256_add_epi16(_mm256_add_epi16(percentOfByte(r, 0), percentOfByte(g, 1)),
                            percentOfByte(b, 2));
}

// The lightness of thirty-two pixels as colourising reads it: 30 R / 100 + 59 G / 100 +
// 11 B / 100, each product divided on its own.
__attribute__((target("avx2"))) inline __m256i lightness32(const Gather96& g, const Pixels32& v) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i b = channel32(g, 0, v), gr = channel32(g, 1, v), r = channel32(g, 2, v);
    return _mm256_packus_epi16(
        lightnessWords(_mm256_unpacklo_epi8(r, zero), _mm256_unpacklo_epi8(gr, zero),
                       _mm256_unpacklo_epi8(b, zero)),
        lightnessWords(_mm256_unpackhi_epi8(r, zero), _mm256_unpackhi_epi8(gr, zero),
                       _mm256_unpackhi_epi8(b, zero)));
}

// Weighted channel sums wb B + wg G + wr R of thirty-two pixels as 16-bit numbers, from byte
// pairs (blue, green) and (red, 0) multiplied and added in one instruction each.  A lane of
// Pixels32 holds 16 pixels in bytes 0..47 of registers a, b, c; pixels 0..7 (group 0) lie in a
// and b, pixels 8..15 (group 1) in b and c.  Patterns per group and register, both lanes alike.
struct SumPatterns {
    alignas(32) int8_t bg[2][2][32], r[2][2][32];
};

constexpr SumPatterns makeSumPatterns() {
    SumPatterns sp{};
    auto pick = [](int at) { return at >= 0 && at < 16 ? static_cast<int8_t>(at) : int8_t{-128}; };
    for (int group = 0; group < 2; ++group)
        for (int reg = 0; reg < 2; ++reg)
            for (int lane = 0; lane < 2; ++lane)
                for (int w = 0; w < 8; ++w) {
                    const int first = 3 * (8 * group + w) - 16 * (group + reg);
                    sp.bg[group][reg][16 * lane + 2 * w] = pick(first);
                    sp.bg[group][reg][16 * lane + 2 * w + 1] = pick(first + 1);
                    sp.r[group][reg][16 * lane + 2 * w] = pick(first + 2);
                    sp.r[group][reg][16 * lane + 2 * w + 1] = -128;
                }
    return sp;
}

inline constexpr SumPatterns kSumPatterns = makeSumPatterns();

// The weights as maddubs takes them: blue in the low byte of the first word, green in the high.
struct SumWeights {
    int16_t blueGreen, red;
};
inline constexpr SumWeights kLumWeights{59 << 8 | 11, 30};
inline constexpr SumWeights kPlainSum{1 << 8 | 1, 1};

__attribute__((target("avx2"))) inline __m256i loadPattern(const int8_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

// The sums of the pixels of one group, x and y its two registers.
__attribute__((target("avx2"))) inline __m256i
weightedSums(const SumPatterns& sp, __m256i x, __m256i y, int group, SumWeights weights) {
    const __m256i bg = _mm256_or_si256(_mm256_shuffle_epi8(x, loadPattern(sp.bg[group][0])),
                                       _mm256_shuffle_epi8(y, loadPattern(sp.bg[group][1])));
    const __m256i r = _mm256_or_si256(_mm256_shuffle_epi8(x, loadPattern(sp.r[group][0])),
                                      _mm256_shuffle_epi8(y, loadPattern(sp.r[group][1])));
    return _mm256_add_epi16(_mm256_maddubs_epi16(bg, _mm256_set1_epi16(weights.blueGreen)),
                            _mm256_maddubs_epi16(r, _mm256_set1_epi16(weights.red)));
}

// The luminance (30 R + 59 G + 11 B) / 100 of thirty-two pixels, one byte each in pixel order.
__attribute__((target("avx2"))) inline __m256i luminance32(const Gather96&, const Pixels32& v) {
    const SumPatterns& sp = kSumPatterns;
    return _mm256_packus_epi16(div100(weightedSums(sp, v.a, v.b, 0, kLumWeights)),
                               div100(weightedSums(sp, v.b, v.c, 1, kLumWeights)));
}

} // namespace pixorama::ops

namespace pixorama::ops {

// Whether the byte permutes over 64-byte registers run (the AVX-512 level and VBMI).
inline bool PixelVbmi() {
    return ActiveSimdLevel() == SimdLevel::Avx512 && CpuHasVbmi();
}

// Sixty-four pixels (192 bytes, registers a, b, c of 64 bytes) with byte permutes across whole
// 64-byte registers (AVX-512 VBMI): the byte pairs for weighted sums of pixels 0..31 (half 0)
// and 32..63 (half 1) in pixel order, and a byte per pixel spread over its three bytes.
struct Permutes64 {
    alignas(64) uint8_t bg[2][64], r[2][64]; // source byte (mod 128) of each pair byte
    uint64_t bgFromAB[2], bgFromC[2], rFromAB[2], rFromC[2];
    alignas(64) uint8_t spread[3][64]; // byte j of register d: pixel (64 d + j) / 3
    alignas(64) uint8_t even[64];      // the low bytes of 64 words in two registers
};

constexpr Permutes64 makePermutes64() {
    Permutes64 t{};
    for (int half = 0; half < 2; ++half) {
        t.bgFromAB[half] = t.bgFromC[half] = t.rFromAB[half] = t.rFromC[half] = 0;
        for (int w = 0; w < 32; ++w) {
            const int pixel = 32 * half + w;
            for (int k = 0; k < 2; ++k) {
                const int at = 3 * pixel + k; // blue, green
                t.bg[half][2 * w + k] = static_cast<uint8_t>(at & 127);
                (at < 128 ? t.bgFromAB[half] : t.bgFromC[half]) |= uint64_t{1} << (2 * w + k);
            }
            const int at = 3 * pixel + 2; // red; the high byte of its word stays 0
            t.r[half][2 * w] = static_cast<uint8_t>(at & 127);
            (at < 128 ? t.rFromAB[half] : t.rFromC[half]) |= uint64_t{1} << (2 * w);
        }
    }
    for (int d = 0; d < 3; ++d)
        for (int j = 0; j < 64; ++j)
            t.spread[d][j] = static_cast<uint8_t>((64 * d + j) / 3);
    for (int i = 0; i < 64; ++i)
        t.even[i] = static_cast<uint8_t>((2 * i) & 127);
    return t;
}

inline constexpr Permutes64 kPermutes64 = makePermutes64();

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i load64(const uint8_t* p) {
    return _mm512_load_si512(p);
}

// The weighted sums of pixels 32 half .. 32 half + 31 as words in pixel order.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i
weightedSums64(const Permutes64& t, __m512i a, __m512i b, __m512i c, int half, SumWeights w) {
    const __m512i bgIdx = load64(t.bg[half]), rIdx = load64(t.r[half]);
    const __m512i bg = _mm512_mask_permutexvar_epi8(
        _mm512_maskz_permutex2var_epi8(t.bgFromAB[half], a, bgIdx, b), t.bgFromC[half], bgIdx, c);
    const __m512i r = _mm512_mask_permutexvar_epi8(
        _mm512_maskz_permutex2var_epi8(t.rFromAB[half], a, rIdx, b), t.rFromC[half], rIdx, c);
    return _mm512_add_epi16(_mm512_maddubs_epi16(bg, _mm512_set1_epi16(w.blueGreen)),
                            _mm512_maddubs_epi16(r, _mm512_set1_epi16(w.red)));
}

// x / 100 for 0 <= x < 32768.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i div100x64(__m512i x) {
    return _mm512_srli_epi16(_mm512_mulhi_epu16(x, _mm512_set1_epi16(-23592)), 6); // 41944
}

// The low bytes of the words of lo (pixels 0..31) and hi (32..63), in pixel order.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i
lowBytes64(const Permutes64& t, __m512i lo, __m512i hi) {
    return _mm512_permutex2var_epi8(lo, load64(t.even), hi);
}

// Byte register d (0..2) of the 192 bytes of 64 pixels whose pixel i has value v[i] in each of
// its three bytes.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i spread64(const Permutes64& t,
                                                                               __m512i v, int d) {
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, load64(t.spread[d]), v);
}

} // namespace pixorama::ops

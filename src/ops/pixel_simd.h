// Vector helpers of the 24-bit point operations: sixteen pixels (48 bytes) at a time, the
// channels gathered into registers of their own, a value per pixel, spread back over three bytes.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace pixorama::ops {

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

} // namespace pixorama::ops

// DibFilter: the 5x5 weighted sums with the edges replicated.  Kernels whose sums fit into 16
// bits (all built-in ones) run sixteen or thirty-two bytes at a time on row sums in blocks of
// rows: from the old pixels into the buffer that then trades places with them (the undo level
// keeps the old ones), or in place, keeping only the rows next to each block boundary, when
// there is no such buffer; any other kernel (and the scalar level) runs the plain 32-bit formula
// over padded rows (in place: over a padded work copy).  Every result is the integer the formula
// gives.
#include "ops/convolution.h"

#include "document/undo.h"
#include "ops/rows.h"
#include "ops/tone.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

namespace pixorama {

using namespace ops;

const std::array<TBuiltinFilter, 12> kBuiltinFilters = {{
    {"edge-enhance",
     "&Eck Filter",
     "&Ecken hervorheben",
     "Eckenhervorheben1Click",
     {{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 9, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}},
     1,
     0,
     false},
    {"find-edges",
     "&Eck Filter",
     "Ecken &finden",
     "Eckenfinden1Click",
     {{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 8, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}},
     1,
     0,
     false},
    {"find-h-edges",
     "&Eck Filter",
     "&Horizontale Ecken finden",
     "HorizontaleEckenfinden1Click",
     {{0, 0, 0, 0, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, 0, 0, 0, 0}},
     1,
     0,
     false},
    {"find-v-edges",
     "&Eck Filter",
     "&Vertikale Ecken finden",
     "VertikaleEckenfinden1Click",
     {{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}},
     1,
     0,
     false},
    {"contour",
     "&Eck Filter",
     "&Konturen zeichnen",
     "Konturenzeichnen1Click",
     {{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 8, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}},
     1,
     0,
     true},
    {"soften-weak",
     "Foku&ssierungs Filter",
     "Schwach We&ichzeichnen",
     "SchwachWeichzeichnen1Click",
     {{0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}},
     5,
     0,
     false},
    {"soften",
     "Foku&ssierungs Filter",
     "&Weichzeichnen",
     "Soften1Click",
     {{0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 1, 1, 1, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}},
     9,
     0,
     false},
    {"soften-strong",
     "Foku&ssierungs Filter",
     "Stark W&eichzeichnen",
     "StarkSoften1Click",
     {{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}},
     25,
     0,
     false},
    {"sharpen",
     "Foku&ssierungs Filter",
     "&Schärfen",
     "Sharpen1Click",
     {{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 20, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}},
     12,
     0,
     false},
    {"sharpen-strong",
     "Foku&ssierungs Filter",
     "Stark Sch&ärfen",
     "StarkSchrfen1Click",
     {{-1, -1, -1, -1, -1},
      {-1, -1, -1, -1, -1},
      {-1, -1, 60, -1, -1},
      {-1, -1, -1, -1, -1},
      {-1, -1, -1, -1, -1}},
     36,
     0,
     false},
    {"emboss-h",
     "Spe&zial Filter",
     "Emboss &Horizontal",
     "Emboss1Click",
     {{0, 0, 0, 0, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, 0, 0, 0, 0}},
     1,
     128,
     false},
    {"emboss-v",
     "Spe&zial Filter",
     "Emboss &Vertikal",
     "EmbossVertikal1Click",
     {{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}},
     1,
     128,
     false},
}};

const TBuiltinFilter* FindBuiltinFilter(const char* cliName) {
    for (const TBuiltinFilter& f : kBuiltinFilters)
        if (std::strcmp(f.CliName, cliName) == 0)
            return &f;
    return nullptr;
}

TFilterRecord FilterFromRows(const int32_t rows[5][5], int32_t divisor, int32_t bias) {
    TFilterRecord f;
    f.Divisor = divisor;
    f.Bias = bias;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            f.Matrix[c][r] = rows[r][c];
    return f;
}

namespace {

struct Tap {
    int32_t row;    // 0..4, upper row first
    int32_t offset; // byte offset in the padded row: 3 * column
    int32_t weight;
};

// One output byte by the formula, in 32-bit arithmetic that wraps like the original's.
inline uint8_t filteredByte(const uint8_t* const rows[5], const Tap* taps, int ntaps, int32_t k,
                            int32_t divisor, int32_t bias) {
    uint32_t acc = 0;
    for (int t = 0; t < ntaps; ++t)
        acc += static_cast<uint32_t>(taps[t].weight) * rows[taps[t].row][k + taps[t].offset];
    const int32_t sum = static_cast<int32_t>(acc);
    int32_t q;
    if (divisor == -1)
        q = static_cast<int32_t>(0u - acc); // also for the lowest sum, which has no positive
    else
        q = sum / divisor;
    const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(q) + static_cast<uint32_t>(bias));
    return Clamp255(v);
}

void filterSpan32(const uint8_t* const rows[5], const Tap* taps, int ntaps, int32_t k0, int32_t k1,
                  int32_t divisor, int32_t bias, uint8_t* out) {
    for (int32_t k = k0; k < k1; ++k)
        out[k] = filteredByte(rows, taps, ntaps, k, divisor, bias);
}

typedef uint8_t u8x16 __attribute__((vector_size(16)));
typedef int16_t i16x16 __attribute__((vector_size(32)));
typedef int32_t i32x16 __attribute__((vector_size(64)));
typedef float f32x16 __attribute__((vector_size(64)));

// Kernels whose every partial sum lies within +-32767 (all built-in ones) are summed in 16 bits:
// first each kernel row's weights along every padded input row (one sum per distinct row of
// weights), then those row sums down the five rows.  Integer sums regrouped stay the same sums.
struct RowTaps {
    int32_t offset[5]; // 3 * column
    int16_t weight[5];
    int count = 0;
};

// Division of a sum (|s| <= 32767) by the divisor, truncating toward zero: by multiplying with a
// magic number where one was found that gives every quotient exactly, else in single precision
// (a sum that small divided that way truncates to the exact quotient as well).
struct Divider {
    int32_t divisor = 1;
    bool magic = false;
    uint16_t multiplier = 0;
    int shift = 0;
    int32_t bias = 0;
};

Divider makeDivider(int32_t divisor, int32_t bias) {
    Divider d;
    d.divisor = divisor;
    d.bias = bias;
    const int64_t a = divisor < 0 ? -static_cast<int64_t>(divisor) : divisor;
    if (a < 2 || a > 32767)
        return d;
    for (int sh = 0; sh <= 15 && !d.magic; ++sh) {
        const int64_t m = ((int64_t{1} << (16 + sh)) + a - 1) / a;
        if (m >= 65536)
            break;
        bool exact = true;
        for (int64_t x = 0; x <= 32767 && exact; ++x)
            exact = ((x * m) >> (16 + sh)) == x / a;
        if (exact) {
            d.magic = true;
            d.multiplier = static_cast<uint16_t>(m);
            d.shift = sh;
        }
    }
    return d;
}

void horizontalSumsPlain(const uint8_t* in, const RowTaps& taps, int32_t len, int16_t* out) {
    int32_t k = 0;
    for (; k + 16 <= len; k += 16) {
        i16x16 acc = {};
        for (int t = 0; t < taps.count; ++t) {
            u8x16 v;
            std::memcpy(&v, in + k + taps.offset[t], sizeof(v));
            acc += __builtin_convertvector(v, i16x16) * taps.weight[t];
        }
        std::memcpy(out + k, &acc, sizeof(acc));
    }
    for (; k < len; ++k) {
        int32_t acc = 0;
        for (int t = 0; t < taps.count; ++t)
            acc += taps.weight[t] * in[k + taps.offset[t]];
        out[k] = static_cast<int16_t>(acc);
    }
}

__attribute__((target("avx2"))) void horizontalSumsAvx2(const uint8_t* in, const RowTaps& taps,
                                                        int32_t len, int16_t* out) {
    int32_t k = 0;
    __m256i w[5];
    for (int t = 0; t < taps.count; ++t)
        w[t] = _mm256_set1_epi16(taps.weight[t]);
    for (; k + 32 <= len; k += 32) {
        __m256i acc0 = _mm256_setzero_si256(), acc1 = _mm256_setzero_si256();
        for (int t = 0; t < taps.count; ++t) {
            const uint8_t* src = in + k + taps.offset[t];
            const __m256i v0 =
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
            const __m256i v1 =
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16)));
            // weights of 1 and -1 are the common ones
            if (taps.weight[t] == 1) {
                acc0 = _mm256_add_epi16(acc0, v0);
                acc1 = _mm256_add_epi16(acc1, v1);
            } else if (taps.weight[t] == -1) {
                acc0 = _mm256_sub_epi16(acc0, v0);
                acc1 = _mm256_sub_epi16(acc1, v1);
            } else {
                acc0 = _mm256_add_epi16(acc0, _mm256_mullo_epi16(v0, w[t]));
                acc1 = _mm256_add_epi16(acc1, _mm256_mullo_epi16(v1, w[t]));
            }
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), acc0);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k + 16), acc1);
    }
    for (; k < len; ++k) {
        int32_t acc = 0;
        for (int t = 0; t < taps.count; ++t)
            acc += taps.weight[t] * in[k + taps.offset[t]];
        out[k] = static_cast<int16_t>(acc);
    }
}

inline uint8_t finishOne(const int16_t* const* rows, int nrows, int32_t k, const Divider& d) {
    int32_t acc = 0;
    for (int r = 0; r < nrows; ++r)
        acc += rows[r][k];
    return Clamp255(acc / d.divisor + d.bias);
}

void finishSumsPlain(const int16_t* const* rows, int nrows, int32_t k0, int32_t k1,
                     const Divider& d, uint8_t* out) {
    const f32x16 fdiv = f32x16{} + static_cast<float>(d.divisor);
    const i32x16 vbias = i32x16{} + d.bias;
    const i32x16 zero = i32x16{}, top = i32x16{} + 255;
    int32_t k = k0;
    for (; k + 16 <= k1; k += 16) {
        i16x16 acc = {};
        for (int r = 0; r < nrows; ++r) {
            i16x16 v;
            std::memcpy(&v, rows[r] + k, sizeof(v));
            acc += v;
        }
        i32x16 q = __builtin_convertvector(acc, i32x16);
        if (d.divisor != 1)
            q = __builtin_convertvector(__builtin_convertvector(q, f32x16) / fdiv, i32x16);
        q += vbias;
        q = q < zero ? zero : q;
        q = q > top ? top : q;
        const u8x16 r = __builtin_convertvector(q, u8x16);
        std::memcpy(out + k, &r, sizeof(r));
    }
    for (; k < k1; ++k)
        out[k] = finishOne(rows, nrows, k, d);
}

// Needs |bias| <= 32767: the saturating 16-bit addition then clamps like the formula.
__attribute__((target("avx2"))) void finishSumsAvx2(const int16_t* const* rows, int nrows,
                                                    int32_t k0, int32_t k1, const Divider& d,
                                                    uint8_t* out) {
    const __m256i bias = _mm256_set1_epi16(static_cast<int16_t>(d.bias));
    const __m256i mult = _mm256_set1_epi16(static_cast<int16_t>(d.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(d.shift);
    const __m256 fdiv = _mm256_set1_ps(static_cast<float>(d.divisor));
    int32_t k = k0;
    for (; k + 16 <= k1; k += 16) {
        __m256i acc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[0] + k));
        for (int r = 1; r < nrows; ++r)
            acc = _mm256_add_epi16(
                acc, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[r] + k)));
        __m256i q = acc;
        if (d.magic) {
            q = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_abs_epi16(acc), mult), shift);
            q = _mm256_sign_epi16(q, acc);
            if (d.divisor < 0)
                q = _mm256_sub_epi16(_mm256_setzero_si256(), q);
        } else if (d.divisor != 1) {
            const __m256i lo = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(acc));
            const __m256i hi = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(acc, 1));
            const __m256i qlo = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(lo), fdiv));
            const __m256i qhi = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(hi), fdiv));
            q = _mm256_permute4x64_epi64(_mm256_packs_epi32(qlo, qhi), 0xD8);
        }
        q = _mm256_adds_epi16(q, bias);
        const __m128i bytes =
            _mm_packus_epi16(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), bytes);
    }
    for (; k < k1; ++k)
        out[k] = finishOne(rows, nrows, k, d);
}

// The same with 32 lanes.
__attribute__((target("avx512f,avx512bw"))) void
horizontalSumsAvx512(const uint8_t* in, const RowTaps& taps, int32_t len, int16_t* out) {
    int32_t k = 0;
    __m512i w[5];
    for (int t = 0; t < taps.count; ++t)
        w[t] = _mm512_set1_epi16(taps.weight[t]);
    for (; k + 32 <= len; k += 32) {
        __m512i acc = _mm512_setzero_si512();
        for (int t = 0; t < taps.count; ++t) {
            const __m512i v = _mm512_cvtepu8_epi16(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + k + taps.offset[t])));
            if (taps.weight[t] == 1)
                acc = _mm512_add_epi16(acc, v);
            else if (taps.weight[t] == -1)
                acc = _mm512_sub_epi16(acc, v);
            else
                acc = _mm512_add_epi16(acc, _mm512_mullo_epi16(v, w[t]));
        }
        _mm512_storeu_si512(out + k, acc);
    }
    if (k < len)
        horizontalSumsAvx2(in + k, taps, len - k, out + k);
}

// Needs a divisor of 1 or a magic multiplier, and |bias| <= 32767.
__attribute__((target("avx512f,avx512bw"))) void finishSumsAvx512(const int16_t* const* rows,
                                                                  int nrows, int32_t k0, int32_t k1,
                                                                  const Divider& d, uint8_t* out) {
    const __m512i bias = _mm512_set1_epi16(static_cast<int16_t>(d.bias));
    const __m512i mult = _mm512_set1_epi16(static_cast<int16_t>(d.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(d.shift);
    const __m512i zero = _mm512_setzero_si512();
    int32_t k = k0;
    for (; k + 32 <= k1; k += 32) {
        __m512i acc = _mm512_loadu_si512(rows[0] + k);
        for (int r = 1; r < nrows; ++r)
            acc = _mm512_add_epi16(acc, _mm512_loadu_si512(rows[r] + k));
        __m512i q = acc;
        if (d.magic) {
            q = _mm512_srl_epi16(_mm512_mulhi_epu16(_mm512_abs_epi16(acc), mult), shift);
            // the sign of the sum, and of the divisor
            __mmask32 negative = _mm512_movepi16_mask(acc);
            if (d.divisor < 0)
                negative = ~negative;
            q = _mm512_mask_sub_epi16(q, negative, zero, q);
        }
        q = _mm512_max_epi16(_mm512_adds_epi16(q, bias), zero);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k),
                            _mm512_maskz_cvtusepi16_epi8(~__mmask32{0}, q));
    }
    if (k < k1)
        finishSumsAvx2(rows, nrows, k, k1, d, out);
}

void horizontalSums(SimdLevel level, const uint8_t* in, const RowTaps& taps, int32_t len,
                    int16_t* out) {
    if (level == SimdLevel::Avx512)
        horizontalSumsAvx512(in, taps, len, out);
    else if (level == SimdLevel::Avx2)
        horizontalSumsAvx2(in, taps, len, out);
    else
        horizontalSumsPlain(in, taps, len, out);
}

void finishSums(SimdLevel level, const int16_t* const* rows, int nrows, int32_t k0, int32_t k1,
                const Divider& d, uint8_t* out) {
    if (nrows == 0) {
        // a kernel of zeros: every sum is 0
        for (int32_t k = k0; k < k1; ++k)
            out[k] = Clamp255(d.bias);
        return;
    }
    const bool smallBias = d.bias >= -32767 && d.bias <= 32767;
    if (level == SimdLevel::Avx512 && smallBias && (d.magic || d.divisor == 1))
        finishSumsAvx512(rows, nrows, k0, k1, d, out);
    else if (level >= SimdLevel::Avx2 && smallBias)
        finishSumsAvx2(rows, nrows, k0, k1, d, out);
    else
        finishSumsPlain(rows, nrows, k0, k1, d, out);
}

// The kernel split into its distinct rows of weights.
struct SplitKernel {
    std::vector<RowTaps> patterns;
    int pattern[5]; // per kernel row: index into patterns, -1 for a row of zeros
};

SplitKernel splitKernel(const TFilterRecord& f) {
    SplitKernel s;
    for (int r = 0; r < 5; ++r) {
        s.pattern[r] = -1;
        RowTaps taps;
        for (int c = 0; c < 5; ++c)
            if (f.Matrix[c][r] != 0) {
                taps.offset[taps.count] = 3 * c;
                taps.weight[taps.count] = static_cast<int16_t>(f.Matrix[c][r]);
                ++taps.count;
            }
        if (taps.count == 0)
            continue;
        for (size_t p = 0; p < s.patterns.size(); ++p) {
            const RowTaps& q = s.patterns[p];
            if (q.count == taps.count && std::equal(q.offset, q.offset + q.count, taps.offset) &&
                std::equal(q.weight, q.weight + q.count, taps.weight))
                s.pattern[r] = static_cast<int>(p);
        }
        if (s.pattern[r] < 0) {
            s.pattern[r] = static_cast<int>(s.patterns.size());
            s.patterns.push_back(taps);
        }
    }
    return s;
}

// The columns x0 <= x < x1 that hold the selected pixels of a mask row; false if none.
bool selectedColumns(const uint8_t* mask, int32_t w, int32_t& x0, int32_t& x1) {
    const int32_t bytes = (w + 7) / 8;
    const uint8_t lastBits = static_cast<uint8_t>(0xFF << (8 * bytes - w));
    auto byteAt = [&](int32_t i) { return i == bytes - 1 ? mask[i] & lastBits : mask[i]; };
    int32_t first = 0;
    while (first < bytes && byteAt(first) == 0)
        ++first;
    if (first == bytes)
        return false;
    int32_t last = bytes - 1;
    while (byteAt(last) == 0)
        --last;
    x0 = 8 * first + __builtin_clz(static_cast<unsigned>(byteAt(first)) << 24);
    x1 = 8 * last + 8 - __builtin_ctz(static_cast<unsigned>(byteAt(last)));
    return true;
}

// Row sums of an unpadded image row for the output bytes k0 <= k < k1, as horizontalSums gives
// them over the row padded with two pixels repeated at either end: the bytes whose taps stay
// inside the row are summed straight from it, the six at either edge one by one.
void rowSumsFromImage(SimdLevel level, const uint8_t* row, int32_t w, const RowTaps& taps,
                      int32_t k0, int32_t k1, int16_t* out) {
    const int32_t len = 3 * w;
    auto edge = [&](int32_t a, int32_t b) {
        for (int32_t k = a; k < b; ++k) {
            int32_t acc = 0;
            for (int t = 0; t < taps.count; ++t) {
                const int32_t j = k + taps.offset[t]; // byte of the padded row
                const int32_t x = std::clamp(j / 3 - 2, 0, w - 1);
                acc += taps.weight[t] * row[3 * x + j % 3];
            }
            out[k] = static_cast<int16_t>(acc);
        }
    };
    edge(k0, std::min(k1, 6));
    const int32_t i0 = std::max(k0, 6), i1 = std::min(k1, len - 6);
    if (i0 < i1)
        horizontalSums(level, row + i0 - 6, taps, i1 - i0, out + i0);
    edge(std::max({k0, 6, len - 6}), k1);
}

// Output rows y0..y1 of the sixteen-bit path.  Row sums of the padded rows y0..y1+3 are kept in
// a ring of five rows per distinct row of weights; rings holds one ring per thread.  Only the
// columns of the block's selected pixels are summed.
// In place (Rows::kInPlace): padded row r (image row r - 2, edges repeated) comes from
// source.row(r, y0, y1, thread); it is summed before output row r - 4 is written, so the block's
// own image rows are read before the block overwrites them.
// Otherwise the rows are read from source.image(), which stays as it is, and every row of out is
// written: the filtered pixels, and the others (with the bytes after the last pixel) copied.
template <class Rows>
void filterRows16(const Rows& source, const TDibRecord& out, const SplitKernel& k,
                  const SelectionRows& sel, int32_t y0, int32_t y1, const Divider& divider,
                  SimdLevel level, int16_t* rings, int32_t thread) {
    const int32_t w = DibWidth(&out), h = DibHeight(&out);
    const int32_t len = 3 * w;
    const size_t lineBytes = static_cast<size_t>(out.LineBytes);
    auto copyRow = [&](int32_t y) {
        if constexpr (!Rows::kInPlace)
            std::memcpy(ImageRow(out, y), ImageRow(source.image(), y), lineBytes);
    };
    int32_t lo = 0, hi = w;
    if (sel.active()) {
        lo = w, hi = 0;
        for (int32_t y = y0; y < y1; ++y) {
            bool skip;
            const uint8_t* mask = sel.row(y, skip);
            int32_t a, b;
            if (!skip && selectedColumns(mask, w, a, b))
                lo = std::min(lo, a), hi = std::max(hi, b);
        }
        if (lo >= hi) {
            for (int32_t y = y0; y < y1; ++y)
                copyRow(y);
            return;
        }
    }
    const size_t np = k.patterns.size();
    int16_t* ring = rings + static_cast<size_t>(thread) * np * 5 * static_cast<size_t>(len);
    auto slot = [&](size_t p, int32_t paddedRow) {
        return ring + (p * 5 + static_cast<size_t>(paddedRow % 5)) * static_cast<size_t>(len);
    };
    auto addRow = [&](int32_t paddedRow) {
        if constexpr (Rows::kInPlace) {
            const uint8_t* in = source.row(paddedRow, y0, y1, thread) + 3 * lo;
            for (size_t p = 0; p < np; ++p)
                horizontalSums(level, in, k.patterns[p], 3 * (hi - lo),
                               slot(p, paddedRow) + 3 * lo);
        } else {
            const uint8_t* in = ImageRow(source.image(), std::clamp(paddedRow - 2, 0, h - 1));
            for (size_t p = 0; p < np; ++p)
                rowSumsFromImage(level, in, w, k.patterns[p], 3 * lo, 3 * hi, slot(p, paddedRow));
        }
    };
    for (int32_t t = y0; t < y0 + 4; ++t)
        addRow(t);
    for (int32_t y = y0; y < y1; ++y) {
        addRow(y + 4);
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip) {
            copyRow(y);
            continue;
        }
        const int16_t* rows[5];
        int nrows = 0;
        for (int r = 0; r < 5; ++r)
            if (k.pattern[r] >= 0)
                rows[nrows++] = slot(static_cast<size_t>(k.pattern[r]), y + r);
        uint8_t* dst = ImageRow(out, y);
        if constexpr (!Rows::kInPlace) {
            if (mask != nullptr)
                copyRow(y);
            else if (lineBytes > static_cast<size_t>(len)) // the bytes after the last pixel
                std::memcpy(dst + len, ImageRow(source.image(), y) + len,
                            lineBytes - static_cast<size_t>(len));
        }
        ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
            finishSums(level, rows, nrows, 3 * x0, 3 * x1, divider, dst);
        });
    }
}

// An image row with two pixels repeated at either end.
void padRow(const uint8_t* src, int32_t w, uint8_t* dst) {
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    std::memcpy(dst + 6, src, rowBytes);
    for (int m = 0; m < 2; ++m) {
        std::memcpy(dst + 3 * m, dst + 6, 3);
        std::memcpy(dst + 6 + rowBytes + 3 * m, dst + 6 + rowBytes - 3, 3);
    }
}

// Padded rows without a copy of the image, for blocks of rows filtered in place: the rows of
// the block asking are padded from the image into a row of the thread's own; the two rows on
// either side of every block boundary belong to a neighbour that may already have filtered
// them, so they are padded into rows of their own before any block runs.
class InPlaceRows {
  public:
    static constexpr bool kInPlace = true;
    // False when there is no memory for the kept rows.
    bool init(const TDibRecord& img, int32_t blockRows, int32_t threads) {
        img_ = &img;
        w_ = DibWidth(&img);
        h_ = DibHeight(&img);
        try {
            kept_.assign(static_cast<size_t>(h_), -1);
        } catch (const std::bad_alloc&) {
            return false;
        }
        int32_t count = 0;
        for (int32_t b = blockRows; b < h_; b += blockRows)
            for (int32_t y = std::max(0, b - 2); y < std::min(h_, b + 2); ++y)
                if (kept_[static_cast<size_t>(y)] < 0)
                    kept_[static_cast<size_t>(y)] = count++;
        scratch0_ = count;
        rows_ = &store_.get();
        newdib_unfilled(rows_, w_ + 4, count + threads, 24, nullptr, 0);
        if (rows_->Bits == nullptr)
            return false;
        for (int32_t y = 0; y < h_; ++y)
            if (kept_[static_cast<size_t>(y)] >= 0)
                padRow(ImageRow(img, y), w_, ImageRow(*rows_, kept_[static_cast<size_t>(y)]));
        return true;
    }
    const uint8_t* row(int32_t paddedRow, int32_t y0, int32_t y1, int32_t thread) const {
        const int32_t y = std::clamp(paddedRow - 2, 0, h_ - 1);
        if (y < y0 || y >= y1)
            return ImageRow(*rows_, kept_[static_cast<size_t>(y)]);
        uint8_t* own = ImageRow(*rows_, scratch0_ + thread);
        padRow(ImageRow(*img_, y), w_, own);
        return own;
    }

  private:
    const TDibRecord* img_ = nullptr;
    int32_t w_ = 0, h_ = 0, scratch0_ = 0;
    std::vector<int32_t> kept_; // per image row: its kept row, or -1
    DibHolder store_;           // the kept rows, then one row per thread
    TDibRecord* rows_ = nullptr;
};

// The rows of an image that is left as it is while the result goes into another buffer.
class SeparateRows {
  public:
    static constexpr bool kInPlace = false;
    explicit SeparateRows(const TDibRecord& img) : img_(img) {}
    const TDibRecord& image() const { return img_; }

  private:
    const TDibRecord& img_;
};

// The padded work copy: the image two pixels in from every side, the margin repeating the edge.
void fillWorkCopy(const TDibRecord& img, const TDibRecord& work, Host& host) {
    const int32_t w = DibWidth(&img), h = DibHeight(&img);
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    ForEachRow(host, h, rowBytes, [&](int32_t y) {
        uint8_t* dst = ImageRow(work, y + 2);
        std::memcpy(dst + 6, ImageRow(img, y), rowBytes);
        for (int m = 0; m < 2; ++m) {
            std::memcpy(dst + 3 * m, dst + 6, 3);
            std::memcpy(dst + 6 + rowBytes + 3 * m, dst + 6 + rowBytes - 3, 3);
        }
    });
    const size_t full = static_cast<size_t>(w + 4) * 3;
    for (int m = 0; m < 2; ++m) {
        std::memcpy(ImageRow(work, m), ImageRow(work, 2), full);
        std::memcpy(ImageRow(work, h + 2 + m), ImageRow(work, h + 1), full);
    }
}

} // namespace

void DibFilter(DocumentState& doc, Host& host, TFilterRecord filter) {
    host.SetProSatus(0);
    // a 24-bit image's old pixel buffer becomes the undo level; the result goes into a new one
    SaveForUndoByMove(doc, host);
    const bool filtered = FilterPixels(doc, host, filter);
    FinishPendingUndo(doc, false); // left alone: the level gets its copy
    if (!filtered)
        return;
    host.Updatehistogramm();
    host.SetProSatus(0);
}

bool FilterPixels(DocumentState& doc, Host& host, const TFilterRecord& filter) {
    TDibRecord& img = doc.Dib;
    if (!HasPixels(img) || IsPaletteImage(img) || filter.Divisor == 0) {
        host.SetProSatus(0);
        return false;
    }
    const int32_t w = DibWidth(&img), h = DibHeight(&img);
    std::vector<Tap> taps;
    int64_t absSum = 0;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
            const int32_t weight = filter.Matrix[c][r];
            if (weight == 0)
                continue;
            taps.push_back({r, 3 * c, weight});
            absSum += std::llabs(static_cast<long long>(weight));
        }
    // the scalar level runs the formula itself, tap by tap
    const SimdLevel level = ActiveSimdLevel();
    const bool small = absSum * 255 <= 32767 && std::llabs(filter.Bias) <= (1 << 30) &&
                       level != SimdLevel::Scalar;
    auto noMemory = [&] {
        host.MessageBox(kTextFilterNoMemory, "Fehler", MB_ICONSTOP);
        host.SetProSatus(0);
        return false;
    };
    const SelectionRows sel(doc);
    // With an undo level waiting for its pixels the result goes into the level's buffer and the
    // buffers trade places at the end; otherwise the image is filtered in place.
    TDibRecord* pending = PendingUndoImage(doc);
    const TDibRecord& out = pending != nullptr ? *pending : img;
    if (small) {
        const SplitKernel split = splitKernel(filter);
        const Divider divider = makeDivider(filter.Divisor, filter.Bias);
        constexpr int32_t kBlockRows = 64;
        const int32_t threads = ThreadCount();
        std::vector<int16_t> rings; // the row sums of every thread
        try {
            rings.resize(static_cast<size_t>(threads) * split.patterns.size() * 5 *
                         static_cast<size_t>(w) * 3);
        } catch (const std::bad_alloc&) {
            return noMemory();
        }
        InPlaceRows inPlace;
        if (pending == nullptr && !inPlace.init(img, kBlockRows, threads))
            return noMemory();
        const SeparateRows separate(img);
        host.SetProSatus(0);
        const int64_t blocks = (static_cast<int64_t>(h) + kBlockRows - 1) / kBlockRows;
        StepProgress progress(host, h);
        std::atomic<int32_t> done{0};
        const std::thread::id caller = std::this_thread::get_id();
        auto runBlock = [&](int64_t b, int32_t thread) {
            const auto y0 = static_cast<int32_t>(b * kBlockRows);
            const int32_t y1 = std::min(h, y0 + kBlockRows);
            if (pending != nullptr)
                filterRows16(separate, out, split, sel, y0, y1, divider, level, rings.data(),
                             thread);
            else
                filterRows16(inPlace, out, split, sel, y0, y1, divider, level, rings.data(),
                             thread);
            const int32_t finished = done.fetch_add(y1 - y0, std::memory_order_relaxed) + (y1 - y0);
            if (std::this_thread::get_id() == caller)
                progress.at(finished - 1);
        };
        if (blocks == 1)
            runBlock(0, 0); // a small image: on this thread, progress shown
        else
            ParallelFor(blocks, runBlock);
        progress.at(h - 1); // the end, also when the other threads took every block
        if (pending != nullptr)
            FinishPendingUndo(doc, true);
        host.SetProSatus(0);
        return true;
    }

    // other kernels: the formula over padded rows
    const int32_t divisor = filter.Divisor, bias = filter.Bias;
    const size_t bytesPerRow = static_cast<size_t>(w) * 3 * (taps.size() + 1);
    auto filterRow = [&](const uint8_t* const rows[5], int32_t y) {
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip)
            return;
        uint8_t* dst = ImageRow(out, y);
        ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
            filterSpan32(rows, taps.data(), static_cast<int>(taps.size()), 3 * x0, 3 * x1,
                         divisor, bias, dst);
        });
    };
    if (pending != nullptr) {
        // from the old pixels, which stay as they are: five padded rows per thread
        const size_t padded = static_cast<size_t>(w + 4) * 3;
        const size_t lineBytes = static_cast<size_t>(img.LineBytes);
        std::vector<uint8_t> rings;
        try {
            rings.resize(static_cast<size_t>(ThreadCount()) * 5 * padded);
        } catch (const std::bad_alloc&) {
            return noMemory();
        }
        host.SetProSatus(0);
        ForEachRowBlock(host, h, bytesPerRow, 32, [&](int32_t y0, int32_t y1, int32_t slot) {
            uint8_t* ring = rings.data() + static_cast<size_t>(slot) * 5 * padded;
            // padded row r is image row r - 2, edges repeated
            auto pad = [&](int32_t r) {
                padRow(ImageRow(img, std::clamp(r - 2, 0, h - 1)), w,
                       ring + static_cast<size_t>(r % 5) * padded);
            };
            for (int32_t r = y0; r < y0 + 4; ++r)
                pad(r);
            for (int32_t y = y0; y < y1; ++y) {
                pad(y + 4);
                std::memcpy(ImageRow(out, y), ImageRow(img, y), lineBytes);
                const uint8_t* rows[5];
                for (int r = 0; r < 5; ++r)
                    rows[r] = ring + static_cast<size_t>((y + r) % 5) * padded;
                filterRow(rows, y);
            }
        });
        FinishPendingUndo(doc, true);
        host.SetProSatus(0);
        return true;
    }
    // in place: over a padded work copy
    DibHolder workCopy;
    TDibRecord& work = workCopy.get();
    newdib_unfilled(&work, w + 4, h + 4, 24, nullptr, 0);
    if (work.Bits == nullptr)
        return noMemory();
    fillWorkCopy(img, work, host);
    host.SetProSatus(0);
    ForEachRowBlock(host, h, bytesPerRow, 32, [&](int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* rows[5];
            for (int r = 0; r < 5; ++r)
                rows[r] = ImageRow(work, y + r);
            filterRow(rows, y);
        }
    });
    deldib(&work); // before the histogram is counted; the holder covers the early returns
    host.SetProSatus(0);
    return true;
}

void ApplyBuiltinFilter(DocumentState& doc, Host& host, const TBuiltinFilter& f) {
    DibFilter(doc, host, PrepareBuiltinFilter(f));
    if (f.InvertAfter) {
        DibInvert(doc, host);
        // the filter counted the histogram of the picture before the inversion
        host.Updatehistogramm();
    }
}

} // namespace pixorama

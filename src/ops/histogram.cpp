// Histogram counting for 1, 4, 8 and 24 bits per pixel on every core, and the statistics line.
#include "ops/histogram.h"

#include "ops/rows.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace pixorama {

using ops::ImageRow;
using Tables = std::array<std::array<uint32_t, 256>, 4>;

namespace {

void addColour(Tables& t, uint32_t count, int r, int g, int b) {
    t[kHistRed][r] += count;
    t[kHistGreen][g] += count;
    t[kHistBlue][b] += count;
    t[kHistLum][ops::Luminance(r, g, b)] += count;
}

// Counting is bound by the increments of the tables.  Consecutive pixels go to different sets of
// tables (added up at the end), so that two equal values in a row do not wait for each other's
// store to the same counter.
constexpr int kSets = 4;

// The four tables of every set: 0..2 the bytes of a pixel in memory order (blue, green, red),
// 3 the luminance.  Each table is followed by a gap, so that the same counter of two sets does
// not lie a multiple of 4 KB apart: the processor takes such a load and store for the same
// address until it knows better, and equal neighbours would wait again.
constexpr int kTableStride = 256 + 16;
struct alignas(64) PartCounts {
    uint32_t t[kSets][4][kTableStride];
};

// The luminance of pixels 0 <= x < n of a row (blue, green, red bytes), truncated.
void luminanceRowPlain(const uint8_t* p, int32_t x, int32_t n, uint8_t* lum) {
    for (; x < n; ++x)
        lum[x] = static_cast<uint8_t>(ops::Luminance(p[3 * x + 2], p[3 * x + 1], p[3 * x]));
}

// Eight pixels at a time: 11 b + 59 g + 30 r by byte multiplications in 16 bits (at most 25500),
// divided by 100 as (s * 5243) >> 19, which is the truncated quotient for every s <= 25500.
__attribute__((target("avx2"))) void luminanceRowAvx2(const uint8_t* p, int32_t n, uint8_t* lum) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i weights = _mm256_set1_epi32(0x001E3B0B); // 11, 59, 30, 0
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i magic = _mm256_set1_epi32(5243);
    const __m256i lowBytes = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              -1, -1, 0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1,
                                              -1, -1, -1, -1);
    int32_t x = 0;
    // the second load reads 16 bytes from pixel x + 4: four bytes past the eight pixels
    for (; x + 10 <= n; x += 8) {
        const uint8_t* q = p + 3 * static_cast<size_t>(x);
        const __m256i v = _mm256_shuffle_epi8(
            _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(q + 12),
                                reinterpret_cast<const __m128i*>(q)),
            spread);
        const __m256i sum = _mm256_madd_epi16(_mm256_maddubs_epi16(v, weights), ones);
        const __m256i quotient = _mm256_srli_epi32(_mm256_mulhi_epu16(sum, magic), 3);
        const __m256i bytes = _mm256_shuffle_epi8(quotient, lowBytes);
        const __m128i eight = _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes),
                                                 _mm256_extracti128_si256(bytes, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(lum + x), eight);
    }
    luminanceRowPlain(p, x, n, lum);
}

// Counts n pixels and their luminance bytes into the sets of tables, pixel i into set i % 4.
// Four pixels and their luminance are read into registers first: bytes read through a pointer
// would be read again after every increment, which may write to them as far as the compiler
// knows.
void countRow24(const uint8_t* p, const uint8_t* lum, int32_t n, PartCounts& c) {
    static_assert(kSets == 4, "four pixels per step");
    int32_t x = 0;
    for (; x + 4 <= n; x += 4, p += 12) {
        uint64_t a;
        uint32_t b, l;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 4);
        std::memcpy(&l, lum + x, 4);
        ++c.t[0][0][a & 255];
        ++c.t[0][1][(a >> 8) & 255];
        ++c.t[0][2][(a >> 16) & 255];
        ++c.t[0][3][l & 255];
        ++c.t[1][0][(a >> 24) & 255];
        ++c.t[1][1][(a >> 32) & 255];
        ++c.t[1][2][(a >> 40) & 255];
        ++c.t[1][3][(l >> 8) & 255];
        ++c.t[2][0][(a >> 48) & 255];
        ++c.t[2][1][a >> 56];
        ++c.t[2][2][b & 255];
        ++c.t[2][3][(l >> 16) & 255];
        ++c.t[3][0][(b >> 8) & 255];
        ++c.t[3][1][(b >> 16) & 255];
        ++c.t[3][2][b >> 24];
        ++c.t[3][3][l >> 24];
    }
    for (; x < n; ++x, p += 3) {
        ++c.t[0][0][p[0]];
        ++c.t[0][1][p[1]];
        ++c.t[0][2][p[2]];
        ++c.t[0][3][lum[x]];
    }
}

// Counts the bytes (the palette indices of an 8-bit image), byte i into set i % 4.
void countBytes(const uint8_t* p, int32_t n, uint32_t (&c)[kSets][256]) {
    int32_t x = 0;
    for (; x + kSets <= n; x += kSets)
        for (int s = 0; s < kSets; ++s)
            ++c[s][p[x + s]];
    for (; x < n; ++x)
        ++c[0][p[x]];
}

// Calls count(y0, y1, slot) for parts of the rows, on every core for a large image, and returns
// after all of them; each slot has its own tables.
template <class F> void forRowParts(const TDibRecord& dib, F&& count) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    const bool threaded = static_cast<int64_t>(w) * h >= (1 << 18);
    // more parts than threads, so that a thread held up by a busy core does not hold the rest
    const int32_t parts = threaded ? std::min<int32_t>(h, 4 * ThreadCount()) : 1;
    ParallelFor(parts, [&](int64_t part, int32_t slot) {
        count(static_cast<int32_t>(h * part / parts), static_cast<int32_t>(h * (part + 1) / parts),
              threaded ? slot : 0);
    });
}

} // namespace

void CountHistogram(const TDibRecord& dib, Tables& t) {
    for (auto& table : t)
        table.fill(0);
    if (!ops::HasPixels(dib))
        return;
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    const int bpp = DibBitsPerPixel(&dib);
    const auto slots = static_cast<size_t>(std::max<int32_t>(1, ThreadCount()));
    if (bpp == 24) {
        // sums do not depend on how the rows are split between the threads
        std::vector<PartCounts> counts(slots);
        constexpr int32_t kPiece = 1024;
        std::vector<uint8_t> lums(slots * static_cast<size_t>(kPiece));
        std::memset(counts.data(), 0, counts.size() * sizeof(PartCounts));
        const bool avx2 = SimdAtLeast(SimdLevel::Avx2);
        forRowParts(dib, [&](int32_t y0, int32_t y1, int32_t slot) {
            PartCounts& c = counts[static_cast<size_t>(slot)];
            uint8_t* lum = lums.data() + static_cast<size_t>(slot) * static_cast<size_t>(kPiece);
            for (int32_t y = y0; y < y1; ++y)
                // in pieces that stay in the first-level cache between the two passes
                for (int32_t x = 0; x < w; x += kPiece) {
                    const uint8_t* p = ImageRow(dib, y) + 3 * static_cast<size_t>(x);
                    const int32_t n = std::min(kPiece, w - x);
                    if (avx2)
                        luminanceRowAvx2(p, n, lum);
                    else
                        luminanceRowPlain(p, 0, n, lum);
                    countRow24(p, lum, n, c);
                }
        });
        static constexpr HistogramTable kOfByte[4] = {kHistBlue, kHistGreen, kHistRed, kHistLum};
        for (const PartCounts& c : counts)
            for (int s = 0; s < kSets; ++s)
                for (int b = 0; b < 4; ++b)
                    for (int i = 0; i < 256; ++i)
                        t[kOfByte[b]][i] += c.t[s][b][i];
        return;
    }
    if (bpp == 1) {
        // the palette is not consulted: bit 1 counts at level 255, bit 0 at level 0
        const int32_t full = w / 8;
        const auto lastBits = static_cast<uint8_t>(0xFF00 >> (w % 8));
        uint64_t ones = 0;
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* row = ImageRow(dib, y);
            for (int32_t i = 0; i < full; ++i)
                ones += static_cast<uint64_t>(__builtin_popcount(row[i]));
            if (w % 8 != 0)
                ones += static_cast<uint64_t>(__builtin_popcount(row[full] & lastBits));
        }
        const uint64_t zeros = static_cast<uint64_t>(w) * h - ones;
        for (auto& table : t) {
            table[255] = static_cast<uint32_t>(ones);
            table[0] = static_cast<uint32_t>(zeros);
        }
        return;
    }
    // 4 and 8 bits: count indices, then spread them over the palette colours
    struct IndexCounts {
        uint32_t c[kSets][256];
    };
    std::vector<IndexCounts> indexCounts(slots);
    std::memset(indexCounts.data(), 0, indexCounts.size() * sizeof(IndexCounts));
    forRowParts(dib, [&](int32_t y0, int32_t y1, int32_t slot) {
        auto& c = indexCounts[static_cast<size_t>(slot)].c;
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* row = ImageRow(dib, y);
            if (bpp == 8) {
                countBytes(row, w, c);
            } else {
                for (int32_t x = 0; x < w; ++x)
                    ++c[x & 1][(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
            }
        }
    });
    std::array<uint32_t, 256> index{};
    for (const auto& part : indexCounts)
        for (int s = 0; s < kSets; ++s)
            for (int i = 0; i < 256; ++i)
                index[i] += part.c[s][i];
    for (int i = 0; i < 256; ++i) {
        if (index[i] == 0)
            continue;
        const TPaletteEntry& e = dib.Palette.palPalEntry[i];
        addColour(t, index[i], e.peRed, e.peGreen, e.peBlue);
    }
}

void Updatehistogramm(THistogramState& s, const TDibRecord* dib, bool visible) {
    if (dib == nullptr || !ops::HasPixels(*dib)) {
        s.Valid = false;
        s.InfoText.clear();
        s.Pixels = 0;
        return;
    }
    if (!visible)
        return;
    CountHistogram(*dib, s.Tables);
    s.Pixels = static_cast<int64_t>(DibWidth(dib)) * DibHeight(dib);
    HistogramStatistics(s);
}

void HistogramStatistics(THistogramState& s) {
    if (s.Pixels == 0)
        return;
    s.Valid = true;
    const int64_t pixels = s.Pixels;
    std::array<int64_t, 4> largest{}, smallest{}, total{};
    int64_t weighted = 0, overall = 0;
    for (int t = 0; t < 4; ++t) {
        largest[t] = 0;
        smallest[t] = pixels;
        if (!s.Shown[t])
            continue;
        for (int i = 0; i < 256; ++i) {
            const int64_t c = s.Tables[t][i];
            largest[t] = std::max(largest[t], c);
            smallest[t] = std::min(smallest[t], c);
            total[t] += c;
            weighted += i * c;
            overall += c;
        }
    }
    // the maximum: a shown table at least as large as all others, the last one in the order
    // red, green, blue, luminance wins; the minimum likewise with "at most"
    int64_t rememberedTotal = 0;
    for (int t = 0; t < 4; ++t) {
        if (!s.Shown[t])
            continue;
        bool top = true, bottom = true;
        for (int o = 0; o < 4; ++o) {
            if (o == t)
                continue;
            const int64_t otherLargest = s.Shown[o] ? largest[o] : 0;
            const int64_t otherSmallest = s.Shown[o] ? smallest[o] : pixels;
            top = top && largest[t] >= otherLargest;
            bottom = bottom && smallest[t] <= otherSmallest;
        }
        if (top) {
            s.Maximum = largest[t];
            rememberedTotal = total[t];
        }
        if (bottom)
            s.Minimum = smallest[t];
    }
    if (overall == 0)
        s.Valid = false;
    else
        s.Mean = weighted / overall;
    if (rememberedTotal > 0)
        s.InfoText = "Max: " + std::to_string(s.Maximum) + " (" +
                     std::to_string(s.Maximum * 100 / rememberedTotal) +
                     "%); Min: " + std::to_string(s.Minimum) +
                     "; Durchschnitt: " + std::to_string(s.Mean);
}

void ClearHistogram(THistogramState& s, bool visible) {
    if (!visible)
        return;
    s.Valid = false;
    s.InfoText.clear();
    s.Pixels = 0;
}

std::vector<THistLine> HistogramAxes(int32_t h) {
    std::vector<THistLine> lines;
    lines.push_back({4, 0, 4, h - 5});
    lines.push_back({4, h - 5, 262, h - 5});
    for (int32_t i = 0; i <= 51; ++i)
        lines.push_back({5 * i + 5, h - 5, 5 * i + 5, h - 1});
    for (int32_t i = 1; i <= 15; ++i)
        lines.push_back({0, h - 10 * i - 1, 4, h - 10 * i - 1});
    return lines;
}

std::vector<THistPoint> HistogramCurve(const THistogramState& s, int t, int32_t h) {
    std::vector<THistPoint> points;
    if (t < 0 || t > 3 || !s.Valid || s.Maximum <= 0 || !s.Shown[static_cast<size_t>(t)])
        return points;
    points.reserve(256);
    for (int32_t i = 0; i < 256; ++i) {
        const int64_t c = s.Tables[static_cast<size_t>(t)][static_cast<size_t>(i)];
        points.push_back({i + 5, static_cast<int32_t>(h - c * 150 / s.Maximum - 5)});
    }
    return points;
}

std::string HistogramText(const TDibRecord& dib) {
    THistogramState s;
    Updatehistogramm(s, &dib, true);
    return s.InfoText;
}

} // namespace pixorama

// Histogram counting for 1, 4, 8 and 24 bits per pixel, and the statistics line.
#include "ops/histogram.h"

#include "ops/rows.h"

#include <mutex>
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

} // namespace

void CountHistogram(const TDibRecord& dib, Tables& t) {
    for (auto& table : t)
        table.fill(0);
    if (!ops::HasPixels(dib))
        return;
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    const int bpp = DibBitsPerPixel(&dib);
    if (bpp == 24) {
        // three channel tables per row, luminance from them: counting is the hot part
        std::array<std::array<uint32_t, 256>, 3> ch{};
        std::vector<uint32_t> lum(256, 0);
        // one set of tables per thread, added up at the end: sums do not depend on the split
        const bool threaded = static_cast<int64_t>(w) * h >= (1 << 18);
        const int32_t parts = threaded ? std::min<int32_t>(h, 4 * ThreadCount()) : 1;
        std::mutex merge;
        ParallelFor(parts, [&](int64_t part) {
            std::array<std::array<uint32_t, 256>, 3> local{};
            std::array<uint32_t, 256> localLum{};
            const auto y0 = static_cast<int32_t>(h * part / parts);
            const auto y1 = static_cast<int32_t>(h * (part + 1) / parts);
            for (int32_t y = y0; y < y1; ++y) {
                const uint8_t* p = ImageRow(dib, y);
                for (int32_t x = 0; x < w; ++x, p += 3) {
                    ++local[0][p[2]];
                    ++local[1][p[1]];
                    ++local[2][p[0]];
                    ++localLum[ops::Luminance(p[2], p[1], p[0])];
                }
            }
            std::lock_guard<std::mutex> lock(merge);
            for (int c = 0; c < 3; ++c)
                for (int i = 0; i < 256; ++i)
                    ch[c][i] += local[c][i];
            for (int i = 0; i < 256; ++i)
                lum[i] += localLum[i];
        });
        for (int i = 0; i < 256; ++i) {
            t[kHistRed][i] = ch[0][i];
            t[kHistGreen][i] = ch[1][i];
            t[kHistBlue][i] = ch[2][i];
            t[kHistLum][i] = lum[i];
        }
        return;
    }
    if (bpp == 1) {
        // the palette is not consulted: bit 1 counts at level 255, bit 0 at level 0
        uint64_t ones = 0;
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* row = ImageRow(dib, y);
            for (int32_t x = 0; x < w; ++x)
                ones += ops::MaskBit(row, x);
        }
        const uint64_t zeros = static_cast<uint64_t>(w) * h - ones;
        for (auto& table : t) {
            table[255] = static_cast<uint32_t>(ones);
            table[0] = static_cast<uint32_t>(zeros);
        }
        return;
    }
    // 4 and 8 bits: count indices, then spread them over the palette colours
    std::array<uint32_t, 256> index{};
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = ImageRow(dib, y);
        if (bpp == 8) {
            for (int32_t x = 0; x < w; ++x)
                ++index[row[x]];
        } else {
            for (int32_t x = 0; x < w; ++x)
                ++index[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
        }
    }
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

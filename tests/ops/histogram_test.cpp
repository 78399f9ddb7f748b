// Histogram counting over every depth, against a plain count on every vector level, and the
// statistics line.
#include "ops/histogram.h"

#include "image_helpers.h"
#include "simd_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace pixorama {
namespace {

using namespace testing;
using Tables = std::array<std::array<uint32_t, 256>, 4>;

TEST(Histogram, OneColourImageGivesOneSpikePerTable) {
    TDibRecord d = Make24(5, 4, [](int32_t, int32_t) { return Rgb(10, 20, 30); });
    THistogramState s;
    Updatehistogramm(s, &d, true);
    EXPECT_TRUE(s.Valid);
    EXPECT_EQ(s.Tables[kHistRed][10], 20u);
    EXPECT_EQ(s.Tables[kHistGreen][20], 20u);
    EXPECT_EQ(s.Tables[kHistBlue][30], 20u);
    EXPECT_EQ(s.Tables[kHistLum][18], 20u); // (300 + 1180 + 330) / 100
    EXPECT_EQ(s.Tables[kHistRed][11], 0u);
    // mean: 20 * (10 + 20 + 30 + 18) / 80 = 19.5, truncated
    EXPECT_EQ(s.InfoText, "Max: 20 (100%); Min: 0; Durchschnitt: 19");
    EXPECT_EQ(HistogramText(d), s.InfoText);
    deldib(&d);
}

TEST(Histogram, PaletteDepthsAndMonochrome) {
    // 1 bit with a red/blue palette still counts at levels 0 and 255 in every table
    TDibRecord mono = MakePalette(
        1, {0xFF0000, 0x0000FF}, [](int32_t x, int32_t y) { return (x + y) % 3 == 0; }, 9, 2);
    THistogramState s;
    Updatehistogramm(s, &mono, true);
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(s.Tables[t][255], 6u) << t;
        EXPECT_EQ(s.Tables[t][0], 12u) << t;
    }
    EXPECT_EQ(s.InfoText, "Max: 12 (66%); Min: 0; Durchschnitt: 85"); // 4*6*255 / 72
    deldib(&mono);

    // 4 bits, odd width: the last byte holds one pixel
    TDibRecord four = MakePalette(
        4, {0x000000, 0x64C832, 0xFFFFFF}, [](int32_t x, int32_t) { return x == 2 ? 2 : (x & 1); },
        3, 2);
    Updatehistogramm(s, &four, true);
    EXPECT_EQ(s.Tables[kHistRed][0], 2u);
    EXPECT_EQ(s.Tables[kHistRed][100], 2u);
    EXPECT_EQ(s.Tables[kHistGreen][200], 2u);
    EXPECT_EQ(s.Tables[kHistBlue][50], 2u);
    EXPECT_EQ(s.Tables[kHistLum][153], 2u); // (3000 + 11800 + 550) / 100
    EXPECT_EQ(s.Tables[kHistLum][255], 2u);
    deldib(&four);

    TDibRecord eight = MakePalette(
        8, {0, 0, 0, 0, 0, 0x808080}, [](int32_t x, int32_t) { return x == 0 ? 5 : 0; }, 4, 1);
    Updatehistogramm(s, &eight, true);
    EXPECT_EQ(s.Tables[kHistGreen][128], 1u);
    EXPECT_EQ(s.Tables[kHistGreen][0], 3u);
    EXPECT_EQ(s.InfoText, "Max: 3 (75%); Min: 0; Durchschnitt: 32");
    deldib(&eight);
}

TEST(Histogram, ShownTablesDecideMaximumMinimumAndMean) {
    // 4 pixels: red 0, 0, 0, 200; green 7 everywhere; blue all different
    TDibRecord d =
        Make24(4, 1, [](int32_t x, int32_t) { return Rgb(x == 3 ? 200 : 0, 7, 40 * x); });
    THistogramState s;
    s.Shown = {false, false, true, false};
    Updatehistogramm(s, &d, true);
    // only blue: largest 1, smallest 0; the other tables count as 0 / width*height
    EXPECT_EQ(s.Maximum, 1);
    EXPECT_EQ(s.Minimum, 0);
    EXPECT_EQ(s.Mean, (0 + 40 + 80 + 120) / 4);
    EXPECT_EQ(s.InfoText, "Max: 1 (25%); Min: 0; Durchschnitt: 60");

    s.Shown = {true, false, false, false};
    Updatehistogramm(s, &d, true);
    EXPECT_EQ(s.InfoText, "Max: 3 (75%); Min: 0; Durchschnitt: 50");
    s.Shown = {false, true, false, false};
    Updatehistogramm(s, &d, true);
    EXPECT_EQ(s.InfoText, "Max: 4 (100%); Min: 0; Durchschnitt: 7");

    // all boxes off: no curves, the previous statistics line stays
    s.Shown = {false, false, false, false};
    Updatehistogramm(s, &d, true);
    EXPECT_FALSE(s.Valid);
    EXPECT_EQ(s.InfoText, "Max: 4 (100%); Min: 0; Durchschnitt: 7");

    // hidden: nothing is counted
    s.Shown = {true, true, true, true};
    TDibRecord other = Make24(2, 1, [](int32_t, int32_t) { return Rgb(9, 9, 9); });
    Updatehistogramm(s, &other, false);
    EXPECT_EQ(s.Tables[kHistRed][0], 3u);
    EXPECT_EQ(s.Tables[kHistRed][9], 0u);
    // showing again recomputes
    Updatehistogramm(s, &other, true);
    EXPECT_EQ(s.Tables[kHistRed][9], 2u);
    EXPECT_TRUE(s.Valid);

    // closing the active document clears curves and text; no document does the same
    ClearHistogram(s, true);
    EXPECT_FALSE(s.Valid);
    EXPECT_TRUE(s.InfoText.empty());
    Updatehistogramm(s, &other, true);
    Updatehistogramm(s, nullptr, true);
    EXPECT_FALSE(s.Valid);
    EXPECT_TRUE(s.InfoText.empty());
    deldib(&d);
    deldib(&other);
}

TEST(Histogram, StatisticsAnewFromTheTablesHeld) {
    TDibRecord d =
        Make24(4, 1, [](int32_t x, int32_t) { return Rgb(x == 3 ? 200 : 0, 7, 40 * x); });
    THistogramState s;
    HistogramStatistics(s); // nothing counted yet: nothing to compute
    EXPECT_FALSE(s.Valid);
    EXPECT_TRUE(s.InfoText.empty());
    Updatehistogramm(s, &d, true);
    // the image changes, the tables do not: a box changing recounts nothing
    setpixel(&d, 0, 0, Rgb(0, 7, 120));
    s.Shown = {false, false, true, false};
    HistogramStatistics(s);
    EXPECT_TRUE(s.Valid);
    EXPECT_EQ(s.InfoText, "Max: 1 (25%); Min: 0; Durchschnitt: 60");
    s.Shown = {false, true, false, false};
    HistogramStatistics(s);
    EXPECT_EQ(s.InfoText, "Max: 4 (100%); Min: 0; Durchschnitt: 7");
    Updatehistogramm(s, nullptr, true);
    HistogramStatistics(s); // no image: stays cleared
    EXPECT_FALSE(s.Valid);
    EXPECT_TRUE(s.InfoText.empty());
    deldib(&d);
}

// The tables counted plainly, pixel by pixel, through getpixel and the palette.
Tables plainCount(const TDibRecord& d) {
    Tables t{};
    const int bpp = DibBitsPerPixel(&d);
    for (int32_t y = 0; y < DibHeight(&d); ++y)
        for (int32_t x = 0; x < DibWidth(&d); ++x) {
            const int32_t v = getpixel(&d, x, y);
            int32_t r, g, b;
            if (bpp == 1) {
                r = g = b = v ? 255 : 0;
            } else if (bpp == 24) {
                r = RedOf(v), g = GreenOf(v), b = BlueOf(v);
            } else {
                const TPaletteEntry& e = d.Palette.palPalEntry[v];
                r = e.peRed, g = e.peGreen, b = e.peBlue;
            }
            ++t[kHistRed][static_cast<size_t>(r)];
            ++t[kHistGreen][static_cast<size_t>(g)];
            ++t[kHistBlue][static_cast<size_t>(b)];
            const int32_t lum = bpp == 1 ? r : (30 * r + 59 * g + 11 * b) / 100;
            ++t[kHistLum][static_cast<size_t>(lum)];
        }
    return t;
}

uint32_t mix(int32_t x, int32_t y) {
    uint32_t s = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
    s ^= s >> 13;
    s *= 0x5bd1e995u;
    return s ^ (s >> 15);
}

TEST(Histogram, FastCountEqualsAPlainCount) {
    // images large enough to be counted on every core (over 2^18 pixels) and small ones, odd
    // widths with padding bytes (set, so that counting them shows), rows of 1..11 pixels (the
    // ends of the vector loops); noise, equal runs (the same counter many times in a row) and
    // colours on either side of every hundred of the luminance sum
    std::vector<TDibRecord> images;
    images.push_back(Make24(701, 389, [](int32_t x, int32_t y) { return int32_t(mix(x, y) & 0xFFFFFF); }));
    images.push_back(Make24(1000, 300, [](int32_t x, int32_t y) {
        return (x / 37 + y) % 3 == 0 ? Rgb(200, 200, 200) : Rgb(x & 255, 17, y & 255);
    }));
    images.push_back(Make24(256, 256, [](int32_t x, int32_t y) {
        // sums 30 r + 59 g + 11 b near multiples of 100 for every red and green
        const int32_t r = x, g = y, sum = 30 * r + 59 * g;
        const int32_t b = std::min(255, ((sum / 100 + 1) * 100 - sum + 10) / 11 + (x & 1));
        return Rgb(r, g, b);
    }));
    for (int32_t w = 1; w <= 11; ++w)
        images.push_back(Make24(w, 3, [](int32_t x, int32_t y) { return int32_t(mix(x, y) & 0xFFFFFF); }));
    for (TDibRecord& d : images)
        for (int32_t y = 0; y < DibHeight(&d); ++y)
            for (int32_t i = 3 * DibWidth(&d); i < d.LineBytes; ++i)
                d.Bits[static_cast<size_t>(y) * static_cast<size_t>(d.LineBytes) + static_cast<size_t>(i)] = 0x5A;
    // palette images of every depth, one large
    images.push_back(MakePalette(8, {0x102030, 0x405060, 0xFFFFFF, 0x000000, 0x7F7F7F},
                                 [](int32_t x, int32_t y) { return int32_t(mix(x, y) % 5); }, 1203, 511));
    images.push_back(MakePalette(4, {0x102030, 0x405060, 0xFFFFFF, 0x8090A0},
                                 [](int32_t x, int32_t y) { return int32_t(mix(x, y) % 4); }, 13, 7));
    for (int32_t w : {1, 7, 8, 9, 33})
        images.push_back(MakePalette(1, {0xFF0000, 0x0000FF},
                                     [](int32_t x, int32_t y) { return int32_t(mix(x, y) & 1); }, w, 3));
    // 1 bit: the bits after the last pixel of each row set
    for (TDibRecord& d : images)
        if (DibBitsPerPixel(&d) == 1 && DibWidth(&d) % 8 != 0)
            for (int32_t y = 0; y < DibHeight(&d); ++y) {
                uint8_t* row = d.Bits + static_cast<size_t>(y) * static_cast<size_t>(d.LineBytes);
                row[DibWidth(&d) / 8] |= static_cast<uint8_t>(0xFF >> (DibWidth(&d) % 8));
                for (int32_t i = DibWidth(&d) / 8 + 1; i < d.LineBytes; ++i)
                    row[i] = 0xFF;
            }
    for (SimdLevel simd : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(simd);
        for (const TDibRecord& d : images) {
            Tables t;
            CountHistogram(d, t);
            EXPECT_EQ(t, plainCount(d)) << DibWidth(&d) << "x" << DibHeight(&d) << " "
                                        << DibBitsPerPixel(&d) << " bits, " << SimdLevelName(simd);
        }
    }
    for (TDibRecord& d : images)
        deldib(&d);
}

TEST(Histogram, TheSelectionIsNotConsidered) {
    DocumentState doc;
    Attach(doc, Make24(640, 480, [](int32_t x, int32_t y) { return int32_t(mix(x, y) & 0xFFFFFF); }));
    SelectRect(doc, 10, 10, 20, 20);
    THistogramState s;
    Updatehistogramm(s, &doc.Dib, true);
    EXPECT_EQ(s.Tables, plainCount(doc.Dib));
    EXPECT_EQ(s.Pixels, 640 * 480);
}

TEST(Histogram, AxesAndCurvesOfThePaintBox) {
    const std::vector<THistLine> axes = HistogramAxes(153);
    ASSERT_EQ(axes.size(), 2u + 52u + 15u);
    EXPECT_EQ(axes[0].X1, 4);
    EXPECT_EQ(axes[0].Y2, 148);
    EXPECT_EQ(axes[1].X2, 262);
    EXPECT_EQ(axes[2].X1, 5);      // first tick below the axis
    EXPECT_EQ(axes[53].X1, 260);   // last one
    EXPECT_EQ(axes[53].Y2, 152);
    EXPECT_EQ(axes[54].Y1, 142);   // h - 10 - 1
    EXPECT_EQ(axes[68].Y1, 2);     // h - 150 - 1

    TDibRecord d = Make24(4, 5, [](int32_t x, int32_t) { return x < 3 ? Rgb(200, 0, 0) : Rgb(0, 0, 0); });
    THistogramState s;
    EXPECT_TRUE(HistogramCurve(s, kHistRed, 153).empty()); // nothing counted yet
    Updatehistogramm(s, &d, true);
    const std::vector<THistPoint> red = HistogramCurve(s, kHistRed, 153);
    ASSERT_EQ(red.size(), 256u);
    EXPECT_EQ(s.Maximum, 20); // green and blue: all 20 at level 0
    EXPECT_EQ(red[200].X, 205);
    EXPECT_EQ(red[200].Y, 153 - 15 * 150 / 20 - 5);
    EXPECT_EQ(red[0].Y, 153 - 5 * 150 / 20 - 5);
    EXPECT_EQ(red[1].Y, 148);
    s.Shown[kHistGreen] = false;
    EXPECT_TRUE(HistogramCurve(s, kHistGreen, 153).empty());
    EXPECT_TRUE(HistogramCurve(s, 4, 153).empty());
    deldib(&d);
}

} // namespace
} // namespace pixorama

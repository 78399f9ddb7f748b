// Histogram counting over every depth and the statistics line.
#include "ops/histogram.h"

#include "image_helpers.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

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

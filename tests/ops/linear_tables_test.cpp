// The straight-line forms of the point operations' tables: each dialog value's form gives its
// table (else the fast path would silently be lost), a form that misses one entry is refused,
// and the vector loop gives the table's bytes at every length.
#include "ops/corrections.h"
#include "ops/linear_tables.h"

#include "simd_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace pixorama {
namespace {

using namespace ops;

TEST(LinearTables, EveryDialogValueHasItsLine) {
    for (int32_t c = kContrastRange.Min; c <= kContrastRange.Max; ++c) {
        const Lut lut = MakeLut([=](int32_t v) { return ContrastValue(v, c); });
        const LinearForm form = c <= 100 ? Line(127, 127, c, 100)
                                         : LinearForm{{0, 255}, {0, 255}, {200 - c, 200 - c}, 100};
        EXPECT_TRUE(LinearFormMatches(form, lut)) << "contrast " << c;
    }
    for (int32_t s = kSaturationRange.Min; s <= kSaturationRange.Max; ++s) {
        const Lut lut = MakeLut([=](int32_t v) { return SaturationValue(v, s); });
        EXPECT_TRUE(LinearFormMatches(Line(128, 128, s + 100, 100), lut)) << "saturation " << s;
    }
    for (int32_t g = kGainRange.Min; g <= kGainRange.Max; ++g) {
        const Lut lut = MakeLut([=](int32_t v) { return Clamp255(v * (g + 100) / 100); });
        EXPECT_TRUE(LinearFormMatches(Line(0, 0, g + 100, 100), lut)) << "gain " << g;
    }
    // the stretch: every range of at least 3 luminance levels
    int refused = 0;
    for (int32_t lo = 0; lo < 256; ++lo)
        for (int32_t hi = lo + 2; hi < 256; ++hi) {
            const int32_t range = hi - lo + 1;
            const Lut lut = MakeLut([=](int32_t v) { return Clamp255((v - lo) * 256 / range); });
            refused += LinearFormMatches(Line(lo, 0, 256, range), lut) ? 0 : 1;
        }
    EXPECT_EQ(refused, 0);
}

TEST(LinearTables, FormsThatMissAnEntryOrLeaveTheLanesAreRefused) {
    Lut lut = MakeLut([](int32_t v) { return SaturationValue(v, 40); });
    EXPECT_TRUE(LinearFormMatches(Line(128, 128, 140, 100), lut));
    EXPECT_FALSE(LinearFormMatches(Line(128, 128, 141, 100), lut));
    lut[200] ^= 1;
    EXPECT_FALSE(LinearFormMatches(Line(128, 128, 140, 100), lut));
    // halves that are not mirror images of each other
    const Lut two = MakeLut([](int32_t v) { return v < 128 ? v / 2 : v; });
    EXPECT_FALSE(LinearFormMatches(LinearForm{{0, 0}, {0, 0}, {1, 2}, 2}, two));
    // a slope too steep for 16-bit lanes, a divisor of 0, a negative slope
    const Lut steep = MakeLut([](int32_t v) { return Clamp255(v * 200); });
    EXPECT_FALSE(LinearFormMatches(Line(0, 0, 200, 1), steep));
    EXPECT_FALSE(LinearFormMatches(Line(0, 0, 1, 0), lut));
    const Lut down = MakeLut([](int32_t v) { return 255 - v; });
    EXPECT_FALSE(LinearFormMatches(Line(0, 255, -1, 1), down));
}

// Three different lines, every byte value in every channel, at lengths around the block of 32
// pixels; a green slope of 1.37 divides with a 16-bit reciprocal, 1.93 needs the 17-bit one.
TEST(LinearTables, PixelsThroughThreeLinesGiveTheTables) {
    if (CpuSimdLevel() < SimdLevel::Avx2)
        GTEST_SKIP() << "no AVX2";
    std::mt19937 rng(5);
    std::vector<uint8_t> data(3 * 700);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i < 768 ? i / 3 : rng());
    for (int32_t green : {137, 193}) {
        const LinearForm fb = Line(0, 0, 160, 100), fg = Line(128, 128, green, 100),
                         fr = Line(0, 0, 3, 100);
        const Lut lb = MakeLut([](int32_t v) { return Clamp255(v * 160 / 100); });
        const Lut lg =
            MakeLut([=](int32_t v) { return Clamp255((v - 128) * green / 100 + 128); });
        const Lut lr = MakeLut([](int32_t v) { return Clamp255(v * 3 / 100); });
        for (size_t pixels : {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{33},
                              size_t{95}, size_t{96}, size_t{97}, size_t{699}}) {
            std::vector<uint8_t> got = data;
            ASSERT_TRUE(LinearPixels(got.data() + 3, pixels, lb, lg, lr, fb, fg, fr));
            std::vector<uint8_t> want = data;
            const Lut* luts[3] = {&lb, &lg, &lr};
            for (size_t i = 0; i < 3 * pixels; ++i)
                want[3 + i] = (*luts[i % 3])[want[3 + i]];
            ASSERT_EQ(got, want) << pixels << " pixels, green slope " << green;
        }
        // a form that does not give its table does nothing
        std::vector<uint8_t> got = data;
        EXPECT_FALSE(LinearPixels(got.data(), 100, lb, lg, lr, fb, fg, Line(0, 0, 4, 100)));
        EXPECT_EQ(got, data);
    }
    // the contrast's mirrored halves
    const Lut lc = MakeLut([](int32_t v) { return ContrastValue(v, 163); });
    const LinearForm fc{{0, 255}, {0, 255}, {37, 37}, 100};
    std::vector<uint8_t> got = data, want = data;
    ASSERT_TRUE(LinearPixels(got.data(), 699, lc, lc, lc, fc, fc, fc));
    for (size_t i = 0; i < 3 * 699; ++i)
        want[i] = lc[want[i]];
    EXPECT_EQ(got, want);
}

// The stretch of every range of at least 3 levels (and the gains that are the same line through
// 0 on all three channels) over every byte value, with a tail shorter than a vector.
TEST(LinearTables, StretchOfEveryRangeGivesItsTable) {
    if (CpuSimdLevel() < SimdLevel::Avx2)
        GTEST_SKIP() << "no AVX2";
    std::vector<uint8_t> data(3 * 267);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 256);
    auto check = [&](const LinearForm& form, const Lut& lut) {
        std::vector<uint8_t> got = data;
        if (!LinearPixels(got.data(), 267, lut, lut, lut, form, form, form))
            return ::testing::AssertionFailure() << "refused";
        for (size_t i = 0; i < data.size(); ++i)
            if (got[i] != lut[data[i]])
                return ::testing::AssertionFailure()
                       << "byte " << i << ": " << int(got[i]) << " for " << int(lut[data[i]]);
        return ::testing::AssertionSuccess();
    };
    for (int32_t lo = 0; lo < 256; ++lo)
        for (int32_t hi = lo + 2; hi < 256; ++hi) {
            const int32_t range = hi - lo + 1;
            const Lut lut = MakeLut([=](int32_t v) { return Clamp255((v - lo) * 256 / range); });
            ASSERT_TRUE(check(Line(lo, 0, 256, range), lut)) << lo << ".." << hi;
        }
    for (int32_t g = kGainRange.Min; g <= kGainRange.Max; ++g) {
        const Lut lut = MakeLut([=](int32_t v) { return Clamp255(v * (g + 100) / 100); });
        ASSERT_TRUE(check(Line(0, 0, g + 100, 100), lut)) << "gain " << g;
    }
}

} // namespace
} // namespace pixorama

// Channel split and combine: the round trip, palette sources, luminance of colour sources, the
// vector and plain paths, names and the failure messages.
#include "ops/channels.h"

#include "image_helpers.h"
#include "recording_host.h"
#include "simd_test_support.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

struct Channels {
    std::array<TDibRecord, 3> d{};
    ~Channels() {
        for (TDibRecord& r : d)
            deldib(&r);
    }
};

TEST(Channels, SplitThenCombineGivesTheImageBack) {
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        ScopedSimdLevel use(level);
        const int simd = static_cast<int>(level);
        RecordingHost host;
        // 37 pixels: two vector blocks and a plain tail; rows padded
        DibHolder src(Make24(37, 9, [](int32_t x, int32_t y) {
            return Rgb((x * 7 + y) & 255, (x * y * 13) & 255, (255 - x * 5) & 255);
        }));
        Channels ch;
        ASSERT_TRUE(SplittTORGB(src.get(), host, ch.d));
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(DibBitsPerPixel(&ch.d[c]), 8);
            EXPECT_EQ(DibWidth(&ch.d[c]), 37);
            EXPECT_EQ(DibHeight(&ch.d[c]), 9);
            // a grey ramp, so the channel images look like what they hold
            for (int i = 0; i < 256; ++i)
                ASSERT_EQ(PaletteColour(ch.d[c], i), uint32_t(i) * 0x010101u) << c << " " << i;
            EXPECT_EQ(ch.d[c].Bits[37], 0); // padding
        }
        for (int32_t y = 0; y < 9; ++y)
            for (int32_t x = 0; x < 37; ++x) {
                const int32_t v = getpixel(&src.get(), x, y);
                ASSERT_EQ(getpixel(&ch.d[0], x, y), RedOf(v));
                ASSERT_EQ(getpixel(&ch.d[1], x, y), GreenOf(v));
                ASSERT_EQ(getpixel(&ch.d[2], x, y), BlueOf(v));
            }
        DibHolder back(CombineFromRGB(ch.d[0], ch.d[1], ch.d[2], host));
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(DibBitsPerPixel(&back.get()), 24);
        EXPECT_EQ(PixelBytes(back.get()), PixelBytes(src.get())) << "level " << simd;
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(host.progress.back(), 0);
    }
}

TEST(Channels, PaletteImagesSplitThroughTheirPalette) {
    RecordingHost host;
    const std::vector<uint32_t> colours = {0x102030, 0xFF8000, 0x00FF7F, 0xABCDEF};
    for (int bpp : {1, 4, 8}) {
        const int n = bpp == 1 ? 2 : 4;
        auto index = [n](int32_t x, int32_t y) { return (x + 2 * y) % n; };
        DibHolder src(MakePalette(bpp, colours, index, 11, 3));
        Channels ch;
        ASSERT_TRUE(SplittTORGB(src.get(), host, ch.d));
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 11; ++x) {
                const uint32_t c = colours[static_cast<size_t>(index(x, y))];
                EXPECT_EQ(getpixel(&ch.d[0], x, y), int32_t(c >> 16)) << bpp;
                EXPECT_EQ(getpixel(&ch.d[1], x, y), int32_t((c >> 8) & 255)) << bpp;
                EXPECT_EQ(getpixel(&ch.d[2], x, y), int32_t(c & 255)) << bpp;
            }
    }
}

TEST(Channels, EachSourceGivesItsLuminance) {
    RecordingHost host;
    DibHolder grey(MakePalette(8, {}, [](int32_t x, int32_t y) { return x * 10 + y; }, 20, 2));
    // a grey ramp of its own
    for (int i = 0; i < 256; ++i)
        SetPaletteColor(grey.get(), i, uint32_t(i) * 0x010101u);
    // the same grey image three times: a grey 24-bit copy
    DibHolder copy(CombineFromRGB(grey.get(), grey.get(), grey.get(), host));
    ASSERT_TRUE(copy.ok());
    EXPECT_EQ(getpixel(&copy.get(), 7, 1), Rgb(71, 71, 71));

    // colour sources count with their luminance: pure red gives 76
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        ScopedSimdLevel use(level);
        const int simd = static_cast<int>(level);
        DibHolder red(Make24(33, 2, [](int32_t, int32_t) { return Rgb(255, 0, 0); }));
        DibHolder mixed(Make24(33, 2, [](int32_t x, int32_t) { return Rgb(x * 7, 200, 3 * x); }));
        DibHolder pal(MakePalette(4, {0x00FF00}, [](int32_t, int32_t) { return 0; }, 33, 2));
        DibHolder r(CombineFromRGB(red.get(), mixed.get(), pal.get(), host));
        ASSERT_TRUE(r.ok());
        for (int32_t x = 0; x < 33; ++x)
            ASSERT_EQ(getpixel(&r.get(), x, 1),
                      Rgb(76, (30 * 7 * x + 59 * 200 + 11 * 3 * x) / 100, 150))
                << "level " << simd << " x " << x;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(Channels, NamesCountUp) {
    const auto first = SplitChannelNames(1);
    EXPECT_EQ(first[0], "Rot1");
    EXPECT_EQ(first[1], "Grün1");
    EXPECT_EQ(first[2], "Blau1");
    EXPECT_EQ(SplitChannelNames(2)[2], "Blau2");
}

TEST(Channels, UnequalSizesAndShortageAreRefused) {
    RecordingHost host;
    DibHolder a(Make24(10, 10, [](int32_t, int32_t) { return 0; }));
    DibHolder b(Make24(10, 11, [](int32_t, int32_t) { return 0; }));
    DibHolder c(Make24(11, 10, [](int32_t, int32_t) { return 0; }));
    DibHolder r1(CombineFromRGB(a.get(), b.get(), a.get(), host));
    DibHolder r2(CombineFromRGB(a.get(), a.get(), c.get(), host));
    EXPECT_FALSE(r1.ok());
    EXPECT_FALSE(r2.ok());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, kTextCombineSizes);
    EXPECT_EQ(host.messages[1].flags & MB_ICONSTOP, MB_ICONSTOP);

    host.messages.clear();
    DibHolder big(Make24(300, 300, [](int32_t, int32_t) { return 0; }));
    Channels ch;
    {
        AllocLimit limit(1000);
        EXPECT_FALSE(SplittTORGB(big.get(), host, ch.d));
        DibHolder none(CombineFromRGB(big.get(), big.get(), big.get(), host));
        EXPECT_FALSE(none.ok());
    }
    for (const TDibRecord& d : ch.d)
        EXPECT_EQ(d.Bits, nullptr); // no partial set
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, kTextNoMemory);
    EXPECT_EQ(host.messages[1].text, kTextNoMemory);
}

} // namespace
} // namespace pixorama

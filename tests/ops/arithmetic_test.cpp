// Image arithmetic: the formula at the ends of the range, the vector and table paths against it
// for every byte pair, result sizes, every source depth, channel choice and the failure paths.
#include "ops/arithmetic.h"

#include "image_helpers.h"
#include "ops/rows.h"
#include "recording_host.h"
#include "simd_test_support.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;
using F = TMathFunction;

TMathOptions opts(F f, bool clip = true, int32_t div = 1, int32_t shift = 0) {
    TMathOptions o;
    o.Function = f;
    o.Clip = clip;
    o.Divisor = div;
    o.Shift = shift;
    return o;
}

TEST(Arithmetic, EachFunctionAtBlackAndWhiteWithClipAndWrap) {
    struct Case {
        F f;
        int32_t a, b, clipped, wrapped;
    };
    const Case cases[] = {
        {F::Summe, 255, 255, 255, 254},   {F::Summe, 0, 0, 0, 0},
        {F::Produkt, 255, 255, 255, 1},   {F::Produkt, 255, 0, 0, 0},
        {F::Dunkler, 0, 255, 0, 0},       {F::Dunkler, 255, 255, 255, 255},
        {F::Differenz, 0, 255, 0, 1},     {F::Differenz, 255, 0, 255, 255},
        {F::BetragDerDifferenz, 0, 255, 255, 255},
        {F::Heller, 0, 255, 255, 255},    {F::Heller, 0, 0, 0, 0},
        {F::Durchschnitt, 255, 0, 127, 127}, {F::Durchschnitt, 255, 255, 255, 255},
        {F::Und, 255, 0, 0, 0},           {F::Oder, 255, 0, 255, 255},
        {F::ExklusivOder, 255, 255, 0, 0}, {F::ExklusivOder, 0, 255, 255, 255},
    };
    for (const Case& c : cases) {
        const auto f = static_cast<int>(c.f);
        EXPECT_EQ(MathValue(opts(c.f, true), c.a, c.b), c.clipped) << f << " " << c.a << " " << c.b;
        EXPECT_EQ(MathValue(opts(c.f, false), c.a, c.b), c.wrapped) << f << " " << c.a << " " << c.b;
    }
}

TEST(Arithmetic, DivisorTruncatesTowardZeroThenShift) {
    // normalised product: 255 x 128 / 255
    EXPECT_EQ(MathValue(opts(F::Produkt, true, 255), 255, 128), 128);
    // a difference with itself is black, mid-grey with shift 128
    EXPECT_EQ(MathValue(opts(F::Differenz, true, 1, 128), 77, 77), 128);
    // -255 / 2 is -127 (not -128), then wrapped: 129; the shift comes after the division
    EXPECT_EQ(MathValue(opts(F::Differenz, false, 2), 0, 255), 129);
    EXPECT_EQ(MathValue(opts(F::Differenz, false, 2, 200), 0, 255), 73);
    EXPECT_EQ(MathValue(opts(F::Differenz, true, 2, 200), 0, 255), 73);
    EXPECT_EQ(MathValue(opts(F::Differenz, true, 2, -200), 255, 0), 0);
    // a product far above 255 wraps by its remainder
    EXPECT_EQ(MathValue(opts(F::Produkt, false, 1, -255), 200, 200), (40000 - 255) & 255);
    EXPECT_EQ(MathValue(opts(F::Produkt, true, 1, -255), 1, 200), 0);
}

// Image 1's red runs over x, image 2's over y, so every byte pair meets once in the red channel;
// green and blue add other pairs.
TDibRecord pairImage(bool second) {
    return Make24(256, 256, [second](int32_t x, int32_t y) {
        return second ? Rgb(y, (x * 7 + y) & 255, 255 - x) : Rgb(x, y, (x ^ y) & 255);
    });
}

TEST(Arithmetic, VectorAndTablePathsMatchTheFormulaForEveryBytePair) {
    RecordingHost host;
    DibHolder a(pairImage(false)), b(pairImage(true));
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        ScopedSimdLevel use(level);
        const int simd = static_cast<int>(level);
        for (int f = 0; f < kMathFunctionCount; ++f)
            for (bool clip : {true, false})
                for (int32_t div : {1, 7})
                    for (int32_t shift : {0, 100, -255}) {
                        const TMathOptions o = opts(static_cast<F>(f), clip, div, shift);
                        DibHolder r(MatheDib(a.get(), b.get(), o, host));
                        ASSERT_TRUE(r.ok());
                        for (int32_t y = 0; y < 256; ++y) {
                            const uint8_t* pa = ops::ImageRow(a.get(), y);
                            const uint8_t* pb = ops::ImageRow(b.get(), y);
                            const uint8_t* pr = ops::ImageRow(r.get(), y);
                            for (int32_t i = 0; i < 256 * 3; ++i)
                                ASSERT_EQ(pr[i], MathValue(o, pa[i], pb[i]))
                                    << "level " << simd << " function " << f << " clip " << clip
                                    << " div " << div << " shift " << shift << " row " << y
                                    << " byte " << i;
                        }
                    }
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(Arithmetic, ResultCoversBothSourcesAndBlackElsewhere) {
    RecordingHost host;
    DibHolder wide(Make24(100, 50, [](int32_t, int32_t) { return Rgb(10, 20, 30); }));
    DibHolder tall(Make24(50, 100, [](int32_t, int32_t) { return Rgb(1, 2, 3); }));
    const TMathSize size = MathResultSize(wide.get(), tall.get());
    EXPECT_EQ(size.Width, 100);
    EXPECT_EQ(size.Height, 100);
    EXPECT_EQ(MathDestSizeText(size), "Ausgabegröße: 100 x 100");

    DibHolder sum(MatheDib(wide.get(), tall.get(), opts(F::Summe), host));
    ASSERT_TRUE(sum.ok());
    EXPECT_EQ(DibBitsPerPixel(&sum.get()), 24);
    EXPECT_EQ(DibWidth(&sum.get()), 100);
    EXPECT_EQ(DibHeight(&sum.get()), 100);
    EXPECT_EQ(getpixel(&sum.get(), 10, 10), Rgb(11, 22, 33)); // both
    EXPECT_EQ(getpixel(&sum.get(), 75, 10), Rgb(10, 20, 30)); // only the wide one
    EXPECT_EQ(getpixel(&sum.get(), 10, 75), Rgb(1, 2, 3));    // only the tall one
    EXPECT_EQ(getpixel(&sum.get(), 75, 75), 0);               // neither: black and black
    // the area of neither source still goes through the formula
    DibHolder shifted(MatheDib(wide.get(), tall.get(), opts(F::Differenz, false, 1, 10), host));
    EXPECT_EQ(getpixel(&shifted.get(), 99, 99), Rgb(10, 10, 10));
    EXPECT_EQ(getpixel(&shifted.get(), 10, 75), Rgb(9, 8, 7)); // 0 - (1, 2, 3) + 10
    // the padding bytes of the rows are written as zeros
    EXPECT_EQ(sum->LineBytes, 300);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.progress.back(), 0);
}

TEST(Arithmetic, SourcesOfEveryDepthReadThroughTheirPalette) {
    RecordingHost host;
    const std::vector<uint32_t> colours = {0x102030, 0xFF8000, 0x00FF7F, 0x123456,
                                           0xABCDEF, 0x808080, 0x0000FF, 0xFFFFFF};
    for (int bpp : {1, 4, 8, 24}) {
        const int n = bpp == 1 ? 2 : 8;
        auto index = [n](int32_t x, int32_t y) { return (x * 3 + y) % n; };
        // odd width: the last byte of a 4-bit row holds one pixel
        DibHolder src(bpp == 24 ? Make24(13, 5,
                                         [&](int32_t x, int32_t y) {
                                             const uint32_t c = colours[static_cast<size_t>(index(x, y))];
                                             return Rgb(int32_t(c >> 16), int32_t((c >> 8) & 255),
                                                        int32_t(c & 255));
                                         })
                                : MakePalette(bpp, colours, index, 13, 5));
        // the same document twice with the average gives the image back in 24 bits
        DibHolder r(MatheDib(src.get(), src.get(), opts(F::Durchschnitt), host));
        ASSERT_TRUE(r.ok()) << bpp;
        EXPECT_EQ(DibBitsPerPixel(&r.get()), 24);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 13; ++x) {
                const uint32_t c = colours[static_cast<size_t>(index(x, y))];
                ASSERT_EQ(getpixel(&r.get(), x, y),
                          Rgb(int32_t(c >> 16), int32_t((c >> 8) & 255), int32_t(c & 255)))
                    << bpp << " bits at " << x << "," << y;
            }
        // mixed with a wider 24-bit image: the palette source is black where it ends
        DibHolder wide(Make24(20, 2, [](int32_t, int32_t) { return Rgb(1, 1, 1); }));
        DibHolder mixed(MatheDib(src.get(), wide.get(), opts(F::Summe), host));
        EXPECT_EQ(getpixel(&mixed.get(), 15, 1), Rgb(1, 1, 1)) << bpp;
        EXPECT_EQ(getpixel(&mixed.get(), 15, 4), 0) << bpp;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(Arithmetic, OneChannelPerImageWithoutAllChannels) {
    RecordingHost host;
    DibHolder a(Make24(17, 3, [](int32_t x, int32_t) { return Rgb(10, 20 + x, 30); }));
    DibHolder b(MakePalette(8, {0x405060}, [](int32_t, int32_t) { return 0; }, 17, 3));
    TMathOptions o = opts(F::Summe);
    o.AllChannels = false;
    o.Channel1 = 1; // green of image 1
    o.Channel2 = 2; // blue of image 2: 0x60
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        ScopedSimdLevel use(level);
        const int simd = static_cast<int>(level);
        DibHolder r(MatheDib(a.get(), b.get(), o, host));
        ASSERT_TRUE(r.ok());
        for (int32_t x = 0; x < 17; ++x) {
            const int32_t v = 20 + x + 0x60;
            EXPECT_EQ(getpixel(&r.get(), x, 1), Rgb(v, v, v)) << "level " << simd << " x " << x;
        }
    }
    // the channel lists are ignored while "Alle Kanäle" is on
    o.AllChannels = true;
    DibHolder all(MatheDib(a.get(), b.get(), o, host));
    EXPECT_EQ(getpixel(&all.get(), 0, 0), Rgb(10 + 0x40, 20 + 0x50, 30 + 0x60));
}

TEST(Arithmetic, FailuresGiveNoImage) {
    RecordingHost host;
    DibHolder a(Make24(200, 200, [](int32_t, int32_t) { return 0; }));
    TDibRecord empty{};
    DibHolder none(MatheDib(a.get(), empty, opts(F::Summe), host));
    EXPECT_FALSE(none.ok());
    EXPECT_TRUE(host.messages.empty()); // nothing to combine is no error

    {
        AllocLimit limit(1000);
        DibHolder r(MatheDib(a.get(), a.get(), opts(F::Summe), host));
        EXPECT_FALSE(r.ok());
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kTextMathNoImage);
    EXPECT_EQ(host.messages[0].flags & MB_ICONSTOP, MB_ICONSTOP);
}

TEST(Arithmetic, SameNameResolvesToTheLaterDocument) {
    const std::vector<std::string> names = {"NONAME1", "a.bmp", "NONAME2", "a.bmp"};
    EXPECT_EQ(LastDocumentNamed(names, "a.bmp"), 3);
    EXPECT_EQ(LastDocumentNamed(names, "NONAME1"), 0);
    EXPECT_EQ(LastDocumentNamed(names, "b.bmp"), -1);
    EXPECT_EQ(kMathFunctionItems[2], std::string("Dunkelerem Wert"));
    EXPECT_EQ(kMathFunctionCliNames[9], std::string("xor"));
}

} // namespace
} // namespace pixorama

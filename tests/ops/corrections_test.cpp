// The colour corrections: worked examples, every depth they handle, the selection.
#include "ops/corrections.h"

#include "colour/hsl.h"
#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

TEST(Corrections, ChannelRules) {
    EXPECT_EQ(BrightnessValue(200, 127), 255);
    EXPECT_EQ(BrightnessValue(10, 127), 137);
    EXPECT_EQ(BrightnessValue(10, -127), 0);
    EXPECT_EQ(ContrastValue(100, 150), 50);
    EXPECT_EQ(ContrastValue(200, 150), 228); // 255 - 50 * 55 / 100
    EXPECT_EQ(ContrastValue(0, 50), 64);     // 50 * -127 / 100 = -63 (toward zero) + 127
    EXPECT_EQ(ContrastValue(255, 50), 191);
    EXPECT_EQ(SaturationValue(0, 50), 0);   // -128 * 150 / 100 = -192 -> clamped
    EXPECT_EQ(SaturationValue(1, -50), 65); // -127 * 50 / 100 = -63 (toward zero)
    EXPECT_EQ(SaturationValue(200, 100), 255);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(ContrastValue(v, 100), v);
        EXPECT_EQ(ContrastValue(v, 0), 127);
        EXPECT_TRUE(ContrastValue(v, 200) == 0 || ContrastValue(v, 200) == 255);
        EXPECT_EQ(SaturationValue(v, 0), v);
        EXPECT_EQ(SaturationValue(v, -100), 128);
        EXPECT_EQ(GammaValue(v, 1.0), v);
        EXPECT_EQ(BrightnessValue(v, 0), v);
    }
    EXPECT_EQ(GammaValue(128, 1.8), 182); // 256 - 73.52
    EXPECT_EQ(GammaValue(0, 1.8), 0);
    EXPECT_EQ(GammaValue(128, 0.1), 17);
    EXPECT_EQ(GammaValue(96, 3.0), 178); // 192 - 13.5: the half goes to the even neighbour
    EXPECT_EQ(GammaValue(255, 8.9), 255);
}

TEST(Corrections, TwentyFourBitWithSelection) {
    RecordingHost host;
    auto image = [](DocumentState& doc) {
        Attach(doc, Make24(2, 2, [](int32_t x, int32_t y) {
                   return x == 0 && y == 0 ? Rgb(200, 10, 0) : Rgb(100, 200, 30);
               }));
        SelectRect(doc, 0, 0, 0, 0); // (1, 0) and the lower row stay
    };
    const int32_t untouched = Rgb(100, 200, 30);
    {
        DocumentState d;
        image(d);
        Helligkeit(d, host, 127);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), Rgb(255, 137, 127));
        EXPECT_EQ(getpixel(&d.Dib, 1, 0), untouched);
        Kontrast(d, host, 150);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), Rgb(255, 196, 63)); // 137 -> 255 - 50*118/100; 127 -> 63
        Saettigung(d, host, -100);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), Rgb(128, 128, 128));
        EXPECT_EQ(getpixel(&d.Dib, 1, 1), untouched);
    }
    {
        DocumentState d;
        image(d);
        RedGreenBlue(d, host, 100, 0, -100);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), Rgb(255, 10, 0));
        RedGreenBlue(d, host, -50, 50, 0);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), Rgb(127, 15, 0));
        EXPECT_EQ(getpixel(&d.Dib, 1, 0), untouched);
    }
    {
        DocumentState d;
        image(d);
        Gamma(d, host, 1.8);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0),
                  Rgb(GammaValue(200, 1.8), GammaValue(10, 1.8), GammaValue(0, 1.8)));
        EXPECT_EQ(getpixel(&d.Dib, 0, 1), untouched);
    }
    {
        // lightness with each product truncated on its own: grey 1 has lightness 0, not 1
        DocumentState d;
        Attach(d,
               Make24(2, 1, [](int32_t x, int32_t) { return x ? Rgb(200, 10, 0) : Rgb(1, 1, 1); }));
        Colorize(d, host, 30, 200);
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), PackRgb(HslToRgb(30, 200, 0)));
        EXPECT_EQ(getpixel(&d.Dib, 1, 0), PackRgb(HslToRgb(30, 200, 60 + 5 + 0)));
    }
}

TEST(Corrections, HighMidShadow) {
    RecordingHost host;
    auto make = [](DocumentState& d) {
        Attach(d, Make24(4, 1, [](int32_t x, int32_t) {
                   const int32_t c[] = {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(100, 100, 100),
                                        Rgb(250, 10, 60)};
                   return c[x];
               }));
    };
    DocumentState defaults;
    make(defaults);
    const std::vector<uint8_t> before = PixelBytes(defaults.Dib);
    HighMidShadow(defaults, host, 255, 128, 0);
    EXPECT_EQ(PixelBytes(defaults.Dib), before);

    DocumentState shifted;
    make(shifted);
    HighMidShadow(shifted, host, 200, 150, 50);
    EXPECT_EQ(getpixel(&shifted.Dib, 2, 0), Rgb(122, 122, 122));
    EXPECT_EQ(getpixel(&shifted.Dib, 3, 0), Rgb(255, 32, 82)); // lum 87: + 22
    // midtone below shadow is raised to it, above highlight lowered to it
    DocumentState low;
    make(low);
    HighMidShadow(low, host, 200, 10, 50); // mid becomes 50: shift -78
    EXPECT_EQ(getpixel(&low.Dib, 2, 0), Rgb(22, 22, 22));

    // highlight below shadow: shadow drops to it, everything turns black or white
    DocumentState bw;
    make(bw);
    HighMidShadow(bw, host, 90, 128, 100);
    EXPECT_EQ(getpixel(&bw.Dib, 2, 0), Rgb(255, 255, 255)); // lum 100 >= 90
    EXPECT_EQ(getpixel(&bw.Dib, 3, 0), Rgb(0, 0, 0));       // lum 87 <= 90
}

TEST(Corrections, PaletteImagesChangeThePaletteWholly) {
    RecordingHost host;
    auto make = [](DocumentState& d, int bpp) {
        Attach(d, MakePalette(bpp, {0xC80A00, 0x646464}, [](int32_t x, int32_t) { return x & 1; }));
        SelectRect(d, 0, 0, 0, 0); // ignored by palette images
    };
    for (int bpp : {1, 4, 8}) {
        DocumentState d;
        make(d, bpp);
        const std::vector<uint8_t> pixels = PixelBytes(d.Dib);
        Helligkeit(d, host, 127);
        EXPECT_EQ(PaletteColour(d.Dib, 0), 0xFF897Fu) << bpp;
        Kontrast(d, host, 0);
        EXPECT_EQ(PaletteColour(d.Dib, 1), 0x7F7F7Fu) << bpp;
        EXPECT_EQ(PixelBytes(d.Dib), pixels);
    }
    // the others leave 1-bit images alone
    DocumentState mono;
    make(mono, 1);
    Saettigung(mono, host, -100);
    HighMidShadow(mono, host, 0, 0, 0);
    RedGreenBlue(mono, host, -100, -100, -100);
    Colorize(mono, host, 0, 255);
    Gamma(mono, host, 0.1);
    EXPECT_EQ(PaletteColour(mono.Dib, 0), 0xC80A00u);

    for (int bpp : {4, 8}) {
        DocumentState d;
        make(d, bpp);
        Saettigung(d, host, -100);
        EXPECT_EQ(PaletteColour(d.Dib, 0), 0x808080u);
        DocumentState g;
        make(g, bpp);
        RedGreenBlue(g, host, 100, 0, -100);
        EXPECT_EQ(PaletteColour(g.Dib, 0), 0xFF0A00u);
        EXPECT_EQ(PaletteColour(g.Dib, 1), 0xC86400u);
        Gamma(g, host, 1.8);
        EXPECT_EQ(PaletteColour(g.Dib, 1),
                  (uint32_t(GammaValue(200, 1.8)) << 16) | (uint32_t(GammaValue(100, 1.8)) << 8));
        HighMidShadow(g, host, 80, 128, 0); // (255, 19, 0) has luminance 87
        EXPECT_EQ(PaletteColour(g.Dib, 0), 0xFFFFFFu) << bpp;
        EXPECT_EQ(PaletteColour(g.Dib, 7), 0x000000u);
        DocumentState c;
        make(c, bpp);
        Colorize(c, host, 0, 255);
        const TRgb red = HslToRgb(0, 255, 60 + 5); // 30*200/100 + 59*10/100
        EXPECT_EQ(PaletteColour(c.Dib, 0), uint32_t(red.R << 16 | red.G << 8 | red.B));
        // entries not in use change too
        EXPECT_EQ(PaletteColour(c.Dib, 7), uint32_t(HslToRgb(0, 255, 0).R << 16));
    }
}

TEST(Corrections, DialogPassesAndRanges) {
    RecordingHost host;
    DocumentState a, b;
    auto f = [](int32_t x, int32_t y) {
        return Rgb(37 * x % 256, 91 * y % 256, (x * y * 13) % 256);
    };
    Attach(a, Make24(7, 5, f));
    Attach(b, Make24(7, 5, f));
    HelligkeitKontrastSaettigung(a, host, 20, 130, -40);
    Helligkeit(b, host, 20);
    Kontrast(b, host, 130);
    Saettigung(b, host, -40);
    EXPECT_EQ(PixelBytes(a.Dib), PixelBytes(b.Dib));
    // defaults change nothing
    const std::vector<uint8_t> before = PixelBytes(a.Dib);
    HelligkeitKontrastSaettigung(a, host, kBrightnessRange.Default, kContrastRange.Default,
                                 kSaturationRange.Default);
    RedGreenBlue(a, host, kGainRange.Default, kGainRange.Default, kGainRange.Default);
    EXPECT_EQ(PixelBytes(a.Dib), before);
    EXPECT_EQ(kGammaRange.Default, 1.8);
    EXPECT_EQ(kHueRange.Default, 128);
    EXPECT_FALSE(kContrastRange.contains(201));
    EXPECT_TRUE(kBrightnessRange.contains(-127));
}

} // namespace
} // namespace pixorama

// HSL conversion, pixel colours and the colour field.
#include "colour/hsl.h"

#include "../ops/image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using testing::Attach;

TEST(Hsl, WorkedExamplesAndSegments) {
    EXPECT_EQ(HslToRgb(0, 255, 127), (TRgb{255, 0, 0}));
    EXPECT_EQ(HslToRgb(0, 255, 255), (TRgb{255, 255, 255}));
    EXPECT_EQ(HslToRgb(85, 255, 127), (TRgb{0, 255, 0})); // hh = 511
    for (int h = 0; h <= 255; ++h) {
        const TRgb pure = HslToRgb(h, 255, 127);
        const TRgb dark = HslToRgb(h, 255, 0);
        EXPECT_EQ(dark.R, pure.R - (127 * pure.R >> 7)) << h;
        EXPECT_EQ(dark.G, pure.G - (127 * pure.G >> 7)) << h;
        EXPECT_EQ(dark.B, pure.B - (127 * pure.B >> 7)) << h;
        EXPECT_LE(std::max({dark.R, dark.G, dark.B}), 2) << h;
    }
    // the other segments: hh = 770 (blue rising), 1023, 1279 and the wrap back to red
    EXPECT_EQ(HslToRgb(128, 255, 127), (TRgb{0, 253, 255}));
    EXPECT_EQ(HslToRgb(170, 255, 127), (TRgb{0, 0, 255}));   // hh = 1023
    EXPECT_EQ(HslToRgb(212, 255, 127), (TRgb{252, 0, 255})); // hh = 1276
    EXPECT_EQ(HslToRgb(255, 255, 127), (TRgb{255, 0, 0}));
    // no saturation: grey 128; the lightness then moves it
    EXPECT_EQ(HslToRgb(40, 0, 127), (TRgb{128, 128, 128}));
    EXPECT_EQ(HslToRgb(40, 0, 200), (TRgb{128 + (127 * 73 >> 7), 200, 200}));
    EXPECT_EQ(HslToRgb(0, 128, 127), (TRgb{191, 63, 63})); // (255*128 + 127*128) / 255
    EXPECT_EQ(HslToRgb(0, 255, 60), (TRgb{255 - (67 * 255 >> 7), 0, 0}));
}

TEST(Hsl, SwatchRectanglesMatchTheClickBounds) {
    const TRect r5 = PaletteSwatchRect(5);
    EXPECT_EQ(r5.Left, 17);
    EXPECT_EQ(r5.Top, 29);
    EXPECT_EQ(r5.Right, 27);
    EXPECT_EQ(r5.Bottom, 39);
    for (int i = 0; i < 256; ++i) {
        const TRect r = PaletteSwatchRect(i);
        EXPECT_EQ(PaletteSwatchAt(r.Left, r.Top, 256), i);
        EXPECT_EQ(PaletteSwatchAt(r.Right, r.Bottom, 256), i);
        EXPECT_EQ(PaletteSwatchAt(r.Right + 1, r.Bottom + 1, 256), -1);
        EXPECT_LE(r.Bottom, PaletteStripHeight(256));
    }
}

TEST(Hsl, ColourFieldClicksAndPixels) {
    TRgb c;
    ASSERT_TRUE(ColorFieldPick(2, 0, c));
    EXPECT_EQ(c, (TRgb{2, 0, 0})); // darkest red
    ASSERT_TRUE(ColorFieldPick(48, 0, c));
    EXPECT_EQ(c, (TRgb{255, 243, 243})); // lightness 249
    c = {};
    EXPECT_FALSE(ColorFieldPick(49, 0, c));
    EXPECT_FALSE(ColorFieldPick(1, 0, c));
    EXPECT_FALSE(ColorFieldPick(10, 96, c));
    EXPECT_FALSE(ColorFieldPick(10, -1, c));
    EXPECT_EQ(c, TRgb{});

    RecordingHost host;
    TDibRecord field = MakeColorField(host);
    ASSERT_NE(field.Bits, nullptr);
    EXPECT_EQ(DibWidth(&field), 48);
    EXPECT_EQ(DibHeight(&field), 96);
    EXPECT_EQ(getpixel(&field, 0, 0), PackRgb(HslToRgb(0, 255, 0)));
    EXPECT_EQ(getpixel(&field, 47, 95), PackRgb(HslToRgb(255, 255, 255)));
    EXPECT_EQ(getpixel(&field, 20, 50), PackRgb(HslToRgb(50 * 255 / 95, 255, 20 * 255 / 47)));
    deldib(&field);
    EXPECT_TRUE(host.messages.empty());

    testing::AllocLimit limit(PictoraAllocatedBytes() + 100);
    field = MakeColorField(host);
    EXPECT_EQ(field.Bits, nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Fehler: Zuwenig Speicher! Dieses Programm wird mit so wenig "
                                     "Speicher nicht richtig arbeiten können!");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
}

TEST(Hsl, PaletteStripHits) {
    // swatch 5 of a 16-colour image: row 2, right column
    EXPECT_EQ(PaletteSwatchAt(17, 29, 16), 5);
    EXPECT_EQ(PaletteSwatchAt(27, 39, 16), 5);
    EXPECT_EQ(PaletteSwatchAt(16, 30, 16), -1); // between the columns
    EXPECT_EQ(PaletteSwatchAt(20, 40, 16), -1); // between the rows
    EXPECT_EQ(PaletteSwatchAt(5, 5, 16), 0);
    EXPECT_EQ(PaletteSwatchAt(4, 5, 16), -1);
    EXPECT_EQ(PaletteSwatchAt(27, 5 + 7 * 12 + 10, 16), 15);
    EXPECT_EQ(PaletteSwatchAt(20, 5 + 8 * 12, 16), -1); // below the last row
    EXPECT_EQ(PaletteSwatchAt(20, 5 + 127 * 12, 256), 255);
    EXPECT_EQ(PaletteSwatchAt(20, 10, 2), 1);
    EXPECT_EQ(PaletteSwatchAt(20, 20, 2), -1);
    EXPECT_EQ(PaletteSwatchAt(10, 10, 0), -1);
    EXPECT_EQ(PaletteStripHeight(256), 128 * 12 + 5);
    EXPECT_EQ(PaletteStripHeight(0), 5);
}

TEST(Hsl, PixelToRgbPerDepth) {
    DocumentState pal;
    Attach(pal, testing::MakePalette(4, {0x102030, 0xA0B0C0}, [](int32_t, int32_t) { return 0; }));
    EXPECT_EQ(PixelToRgb(pal, 1), (TRgb{0xA0, 0xB0, 0xC0}));
    EXPECT_EQ(PixelToRgb(pal, 0), (TRgb{0x10, 0x20, 0x30}));
    EXPECT_EQ(PixelToRgb(pal, 300), TRgb{});
    DocumentState rgb;
    Attach(rgb, testing::Make24(2, 2, [](int32_t, int32_t) { return 0; }));
    EXPECT_EQ(PixelToRgb(rgb, testing::Rgb(1, 2, 3)), (TRgb{1, 2, 3}));
}

TEST(Hsl, RgbToPixelAndPanelPicks) {
    DocumentState pal;
    Attach(pal, testing::MakePalette(4, {0x102030, 0xA0B0C0}, [](int32_t, int32_t) { return 0; }));
    EXPECT_EQ(RgbToPixel(pal, TRgb{0xA0, 0xB0, 0xC0}), 1);
    EXPECT_EQ(RgbToPixel(pal, TRgb{0x12, 0x20, 0x30}), 0); // nearest entry
    // the strip: entry 1 is the right column of the first row
    const TRect r1 = PaletteSwatchRect(1);
    TPanelPick p = PanelPickAt(pal, r1.Left, r1.Top);
    EXPECT_EQ(p.Value, 1);
    EXPECT_EQ(p.Colour, (TRgb{0xA0, 0xB0, 0xC0}));
    EXPECT_EQ(PanelPickAt(pal, 0, 0).Value, -1);

    DocumentState rgb;
    Attach(rgb, testing::Make24(2, 2, [](int32_t, int32_t) { return 0; }));
    EXPECT_EQ(RgbToPixel(rgb, TRgb{1, 2, 3}), testing::Rgb(1, 2, 3));
    TRgb c;
    ASSERT_TRUE(ColorFieldPick(20, 30, c));
    p = PanelPickAt(rgb, 20, 30);
    EXPECT_EQ(p.Colour, c);
    EXPECT_EQ(p.Value, PackRgb(c));
    EXPECT_EQ(PanelPickAt(rgb, 1, 30).Value, -1);
    EXPECT_EQ(PanelPickAt(DocumentState{}, 20, 30).Value, -1);
}

} // namespace
} // namespace pixorama

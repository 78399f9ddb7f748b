// Depth increase by case, its random palette entries, the way back down, and colour counting
// with and without a selection.
#include "colour/depth_up.h"

#include "colour/depth_down.h"
#include "document/std_palettes.h"
#include "../ops/image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

TEST(DepthUp, FourToEightKeepsLookAndIndices) {
    RecordingHost host;
    host.Seed(42);
    DocumentState doc;
    Attach(doc, MakePalette(4, {0x102030, 0x405060, 0xFFFFFF},
                            [](int32_t x, int32_t y) { return (x + y) % 16; }, 5, 3));
    ASSERT_TRUE(DepthUpTo(doc, host, 8));
    EXPECT_EQ(DibBitsPerPixel(&doc.Dib), 8);
    EXPECT_EQ(PaletteColour(doc.Dib, 0), 0x102030u);
    EXPECT_EQ(PaletteColour(doc.Dib, 2), 0xFFFFFFu);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(getpixel(&doc.Dib, x, y), (x + y) % 16);
    bool someNonBlack = false;
    for (int i = 16; i < 256; ++i) {
        const uint32_t c = PaletteColour(doc.Dib, i);
        EXPECT_EQ(c & 0x030303u, 0u) << i; // multiples of 4
        someNonBlack |= c != 0;
    }
    EXPECT_TRUE(someNonBlack);
    EXPECT_EQ(doc.BackColor, 255);
    EXPECT_EQ(host.menuUpdates, 1);

    // the same seed draws the same palette
    RecordingHost again;
    again.Seed(42);
    DocumentState doc2;
    Attach(doc2, MakePalette(4, {0x102030, 0x405060, 0xFFFFFF},
                             [](int32_t x, int32_t y) { return (x + y) % 16; }, 5, 3));
    ASSERT_TRUE(DepthUpTo(doc2, again, 8));
    EXPECT_EQ(0, std::memcmp(&doc.Dib.Palette, &doc2.Dib.Palette, sizeof(TLogPalette)));
}

TEST(DepthUp, OneBitIsReadByValueAlone) {
    RecordingHost host;
    // red and yellow become black and white
    auto mono = [] {
        return MakePalette(1, {0xFF0000, 0xFFFF00}, [](int32_t x, int32_t y) { return (x ^ y) & 1; },
                           9, 3);
    };
    DocumentState d24;
    Attach(d24, mono());
    ASSERT_TRUE(DepthUpTo(d24, host, 24));
    EXPECT_EQ(getpixel(&d24.Dib, 0, 0), 0);
    EXPECT_EQ(getpixel(&d24.Dib, 1, 0), 0xFFFFFF);
    EXPECT_EQ(getpixel(&d24.Dib, 8, 2), 0);
    EXPECT_EQ(d24.BackColor, 16777215);
    for (int bits : {4, 8}) {
        DocumentState d;
        Attach(d, mono());
        ASSERT_TRUE(DepthUpTo(d, host, bits));
        const int top = (1 << bits) - 1;
        EXPECT_EQ(PaletteColour(d.Dib, 0), 0u);
        EXPECT_EQ(PaletteColour(d.Dib, top), 0xFFFFFFu);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 9; ++x)
                EXPECT_EQ(getpixel(&d.Dib, x, y), ((x ^ y) & 1) ? top : 0) << bits;
    }
}

TEST(DepthUp, PaletteImagesToTrueColour) {
    RecordingHost host;
    for (int bpp : {4, 8}) {
        DocumentState d;
        Attach(d, MakePalette(bpp, {0x123456, 0xABCDEF}, [](int32_t x, int32_t) { return x & 1; }, 7, 2));
        ASSERT_TRUE(DepthUpTo(d, host, 24));
        EXPECT_EQ(getpixel(&d.Dib, 0, 0), Rgb(0x12, 0x34, 0x56));
        EXPECT_EQ(getpixel(&d.Dib, 5, 1), Rgb(0xAB, 0xCD, 0xEF));
    }
    // no case: 24 bits, 8 to 4, 8 to 8
    DocumentState t;
    Attach(t, Make24(2, 2, [](int32_t, int32_t) { return 5; }));
    const uint8_t* bits = t.Dib.Bits;
    EXPECT_FALSE(DepthUpTo(t, host, 24));
    EXPECT_EQ(t.Dib.Bits, bits);
    DocumentState e;
    Attach(e, MakePalette(8, {0}, [](int32_t, int32_t) { return 0; }));
    EXPECT_FALSE(DepthUpTo(e, host, 4));
    EXPECT_FALSE(DepthUpTo(e, host, 8));
    EXPECT_EQ(DibBitsPerPixel(&e.Dib), 8);
}

TEST(DepthUp, UpAndDownAgainGivesThePixelsBack) {
    RecordingHost host;
    // black and white through 24 bits and the 1-bit threshold
    DocumentState mono;
    Attach(mono, MakePalette(1, {0, 0xFFFFFF}, [](int32_t x, int32_t y) { return (x * y) % 3 == 1; }, 11, 4));
    const std::vector<uint8_t> monoBits = PixelBytes(mono.Dib);
    ASSERT_TRUE(DepthUpTo(mono, host, 24));
    ASSERT_TRUE(DepthDownTo(mono, host, DepthDownChoice(1, true, TDepthMethod::Nearest, true)));
    EXPECT_EQ(PixelBytes(mono.Dib), monoBits);
    // the standard 16 colours through 24 bits and nearest colour onto the standard palette
    DocumentState sixteen;
    std::vector<uint32_t> std16(StdPalette16.begin(), StdPalette16.end());
    Attach(sixteen, MakePalette(4, std16, [](int32_t x, int32_t y) { return (x + 3 * y) % 16; }, 9, 5));
    const std::vector<uint8_t> indices = PixelBytes(sixteen.Dib);
    ASSERT_TRUE(DepthUpTo(sixteen, host, 24));
    ASSERT_TRUE(DepthDownTo(sixteen, host, DepthDownChoice(4, false, TDepthMethod::Nearest, true)));
    EXPECT_EQ(PixelBytes(sixteen.Dib), indices);
}

TEST(CountColors, TrueColourWithAndWithoutSelection) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(40, 30, [](int32_t x, int32_t y) { return x == 20 && y == 10 ? 0 : 0xFFFFFF; }));
    EXPECT_EQ(BenutzteFarbenZaehlen(doc, host), 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Es werden 2 Farben im Bild benutzt.");
    EXPECT_EQ(host.messages[0].caption, "Benutzte Farben");
    EXPECT_EQ(host.messages[0].flags, MB_ICONINFORMATION);
    SelectRect(doc, 19, 9, 21, 11);
    EXPECT_EQ(BenutzteFarbenZaehlen(doc, host), 2);
    SelectRect(doc, 20, 10, 20, 10);
    EXPECT_EQ(BenutzteFarbenZaehlen(doc, host), 1);
    EXPECT_EQ(host.messages.back().text, "Es werden 1 Farben in der aktuellen Auswahl benutzt.");
    // a selection without a pixel: the count fails
    std::memset(doc.SelMask.Bits, 0, doc.SelMask.Info->bmiHeader.biSizeImage);
    EXPECT_EQ(BenutzteFarbenZaehlen(doc, host), 0);
    EXPECT_EQ(host.messages.back().text,
              "Die Anzahl der benutzten Farben konnte nicht ermittelt werden...");
    EXPECT_EQ(host.messages.back().caption, "");
    EXPECT_EQ(host.messages.back().flags, MB_ICONSTOP);
}

TEST(CountColors, ManyColoursAcrossRows) {
    RecordingHost host;
    DocumentState doc;
    // 4096 distinct colours, each twice, on a large enough image to run rows in parallel
    Attach(doc, Make24(512, 256, [](int32_t x, int32_t y) { return ((y * 512 + x) % 4096) * 4099; }));
    EXPECT_EQ(CountColors(doc, host), 4096);
    EXPECT_EQ(host.progress.back(), 0);
}

TEST(CountColors, PaletteImagesCountIndices) {
    RecordingHost host;
    DocumentState doc;
    // all 256 indices, every entry black
    Attach(doc, MakePalette(8, {}, [](int32_t x, int32_t y) { return (y * 16 + x) & 255; }, 16, 16));
    EXPECT_EQ(CountColors(doc, host), 256);
    SelectRect(doc, 0, 0, 3, 0);
    EXPECT_EQ(CountColors(doc, host), 4);
    DocumentState four;
    Attach(four, MakePalette(4, {}, [](int32_t x, int32_t) { return x % 5; }, 7, 2));
    EXPECT_EQ(CountColors(four, host), 5);
    DocumentState mono;
    Attach(mono, MakePalette(1, {}, [](int32_t, int32_t) { return 1; }, 9, 2));
    EXPECT_EQ(CountColors(mono, host), 1);
}

} // namespace
} // namespace pixorama

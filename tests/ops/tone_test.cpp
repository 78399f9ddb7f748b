// Invert, greyscale, tone stretch, posterise and solarise on every depth they handle.
#include "ops/tone.h"

#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

TEST(Tone, InvertEveryDepth) {
    RecordingHost host;
    // 1 bit: bytes complemented with their padding, twice gives the image back
    DocumentState mono;
    Attach(mono, MakePalette(
                     1, {0x000000, 0xFFFFFF}, [](int32_t x, int32_t) { return x == 1; }, 3, 2));
    const std::vector<uint8_t> before = PixelBytes(mono.Dib);
    mono.HasSelection = true; // not consulted
    DibInvert(mono, host);
    EXPECT_EQ(getpixel(&mono.Dib, 0, 0), 1);
    EXPECT_EQ(getpixel(&mono.Dib, 1, 0), 0);
    EXPECT_EQ(mono.Dib.Bits[3], static_cast<uint8_t>(~before[3])); // padding byte
    EXPECT_EQ(PaletteColour(mono.Dib, 0), 0x000000u);
    DibInvert(mono, host);
    EXPECT_EQ(PixelBytes(mono.Dib), before);

    // 8 bits: only the palette changes, the indices stay
    DocumentState pal;
    Attach(pal, MakePalette(8, {0x102030, 0xFF8000}, [](int32_t x, int32_t) { return x & 1; }));
    const std::vector<uint8_t> indices = PixelBytes(pal.Dib);
    DibInvert(pal, host);
    EXPECT_EQ(PixelBytes(pal.Dib), indices);
    EXPECT_EQ(PaletteColour(pal.Dib, 0), 0xEFDFCFu);
    EXPECT_EQ(PaletteColour(pal.Dib, 1), 0x007FFFu);
    EXPECT_EQ(PaletteColour(pal.Dib, 255), 0xFFFFFFu);
    // the palette handle was made again from the new colours
    EXPECT_EQ(GetNearestPaletteIndex(pal.Dib.PaletteHandle, 0xCFDFEF), 0u);

    // 24 bits: only selected pixels
    DocumentState rgb;
    Attach(rgb, Make24(3, 2, [](int32_t x, int32_t y) { return Rgb(10 * x, 20 * y, 30); }));
    SelectRect(rgb, 1, 0, 2, 0);
    DibInvert(rgb, host);
    EXPECT_EQ(getpixel(&rgb.Dib, 0, 0), Rgb(0, 0, 30));
    EXPECT_EQ(getpixel(&rgb.Dib, 1, 0), Rgb(245, 255, 225));
    EXPECT_EQ(getpixel(&rgb.Dib, 2, 0), Rgb(235, 255, 225));
    EXPECT_EQ(getpixel(&rgb.Dib, 1, 1), Rgb(10, 20, 30));
    EXPECT_EQ(rgb.UndoCount, 0); // the command takes the undo level, not the operation
}

TEST(Tone, GrayscalePosterSolar) {
    RecordingHost host;
    DocumentState rgb;
    Attach(
        rgb, Make24(4, 1, [](int32_t x, int32_t) {
            const int32_t c[] = {Rgb(255, 0, 0), Rgb(255, 255, 255), Rgb(1, 2, 3), Rgb(0, 0, 255)};
            return c[x];
        }));
    DibGrayscale(rgb, host);
    EXPECT_EQ(getpixel(&rgb.Dib, 0, 0), Rgb(76, 76, 76));
    EXPECT_EQ(getpixel(&rgb.Dib, 1, 0), Rgb(255, 255, 255));
    EXPECT_EQ(getpixel(&rgb.Dib, 2, 0), Rgb(1, 1, 1)); // (30 + 118 + 33) / 100
    EXPECT_EQ(getpixel(&rgb.Dib, 3, 0), Rgb(28, 28, 28));

    DocumentState pal;
    Attach(pal, MakePalette(4, {0xFF0000, 0x00FF00}, [](int32_t, int32_t) { return 0; }));
    DibGrayscale(pal, host);
    EXPECT_EQ(PaletteColour(pal.Dib, 0), 0x4C4C4Cu);
    EXPECT_EQ(PaletteColour(pal.Dib, 1), 0x969696u); // 59 * 255 / 100 = 150

    // posterise: 1 bit kept gives 0 or 128, 7 bits clear only the lowest
    DocumentState p24;
    Attach(p24,
           Make24(2, 1, [](int32_t x, int32_t) { return x ? Rgb(255, 128, 127) : Rgb(1, 2, 3); }));
    DibPoster(p24, host, 8 - 1);
    EXPECT_EQ(getpixel(&p24.Dib, 0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(getpixel(&p24.Dib, 1, 0), Rgb(128, 128, 0));
    DocumentState p7;
    Attach(p7, Make24(1, 1, [](int32_t, int32_t) { return Rgb(255, 128, 127); }));
    DibPoster(p7, host, 8 - 7);
    EXPECT_EQ(getpixel(&p7.Dib, 0, 0), Rgb(254, 128, 126));
    DibPoster(pal, host, 4);
    EXPECT_EQ(PaletteColour(pal.Dib, 1), 0x909090u);

    // solarise: threshold 1 inverts only sums of 762 and more, 255 inverts everything
    DocumentState s;
    Attach(s, Make24(3, 1, [](int32_t x, int32_t) {
               const int32_t c[] = {Rgb(255, 255, 252), Rgb(255, 255, 251), Rgb(0, 0, 0)};
               return c[x];
           }));
    DibSolar(s, host, 1);
    EXPECT_EQ(getpixel(&s.Dib, 0, 0), Rgb(0, 0, 3));
    EXPECT_EQ(getpixel(&s.Dib, 1, 0), Rgb(255, 255, 251));
    EXPECT_EQ(getpixel(&s.Dib, 2, 0), Rgb(0, 0, 0));
    DibSolar(s, host, 255);
    EXPECT_EQ(getpixel(&s.Dib, 0, 0), Rgb(255, 255, 252));
    EXPECT_EQ(getpixel(&s.Dib, 2, 0), Rgb(255, 255, 255));
    DocumentState sp;
    Attach(sp, MakePalette(8, {0x808080, 0x7F7F7F}, [](int32_t, int32_t) { return 0; }));
    DibSolar(sp, host, 128); // limit 381: 384 inverts, 381 inverts, 0 does not
    EXPECT_EQ(PaletteColour(sp.Dib, 0), 0x7F7F7Fu);
    EXPECT_EQ(PaletteColour(sp.Dib, 1), 0x808080u);
    EXPECT_EQ(PaletteColour(sp.Dib, 2), 0x000000u);

    // a depth an operation does not handle is left alone
    DocumentState mono;
    Attach(mono, MakePalette(1, {0xFF0000, 0x00FF00}, [](int32_t x, int32_t) { return x & 1; }));
    DibGrayscale(mono, host);
    DibSolar(mono, host, 255);
    DibPoster(mono, host, 7);
    StretchHistogramm(mono, host);
    EXPECT_EQ(PaletteColour(mono.Dib, 0), 0xFF0000u);
    EXPECT_EQ(PaletteColour(mono.Dib, 1), 0x00FF00u);
}

TEST(Tone, StretchHistogramm) {
    RecordingHost host;
    // luminance 0..255 already: unchanged
    DocumentState full;
    Attach(full, Make24(3, 1, [](int32_t x, int32_t) {
               return x == 0 ? Rgb(0, 0, 0) : (x == 1 ? Rgb(255, 255, 255) : Rgb(17, 99, 201));
           }));
    const std::vector<uint8_t> before = PixelBytes(full.Dib);
    StretchHistogramm(full, host);
    EXPECT_EQ(PixelBytes(full.Dib), before);

    // one colour: lo = hi, values above go to 255, at or below to 0
    DocumentState one;
    Attach(one, Make24(2, 2, [](int32_t, int32_t) { return Rgb(40, 100, 180); }));
    StretchHistogramm(one, host); // lum (1200 + 5900 + 1980) / 100 = 90
    EXPECT_EQ(getpixel(&one.Dib, 1, 1), Rgb(0, 255, 255));

    // only selected pixels count and change: lum 50 and 150 selected, 10 not
    DocumentState sel;
    Attach(sel, Make24(3, 1, [](int32_t x, int32_t) {
               const int32_t v[] = {50, 150, 10};
               return Rgb(v[x], v[x], v[x]);
           }));
    SelectRect(sel, 0, 0, 1, 0);
    StretchHistogramm(sel, host);
    EXPECT_EQ(getpixel(&sel.Dib, 0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(getpixel(&sel.Dib, 1, 0), Rgb(253, 253, 253)); // 100 * 256 / 101
    EXPECT_EQ(getpixel(&sel.Dib, 2, 0), Rgb(10, 10, 10));

    // palette images: only colours in use count; every entry changes
    DocumentState pal;
    Attach(pal, MakePalette(8, {0x646464, 0xC8C8C8, 0x000000, 0x969696},
                            [](int32_t x, int32_t) { return x & 1; }));
    StretchHistogramm(pal, host); // lo 100, hi 200, range 101
    EXPECT_EQ(PaletteColour(pal.Dib, 0), 0x000000u);
    EXPECT_EQ(PaletteColour(pal.Dib, 1), 0xFDFDFDu); // 100 * 256 / 101 = 253
    EXPECT_EQ(PaletteColour(pal.Dib, 3), 0x7E7E7Eu); // 50 * 256 / 101 = 126
}

TEST(Tone, ProgressAndCommandBookkeeping) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(2, 3, [](int32_t, int32_t) { return Rgb(1, 2, 3); }));
    DibInvert(doc, host);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 50, 100, 0}));
    host.progress.clear();
    DocumentState row;
    Attach(row, Make24(5, 1, [](int32_t, int32_t) { return 0; }));
    DibGrayscale(row, host);
    for (int p : host.progress)
        EXPECT_EQ(p, 0);
    host.progress.clear();
    DocumentState pal;
    Attach(pal, MakePalette(4, {}, [](int32_t, int32_t) { return 0; }));
    DibInvert(pal, host);
    ASSERT_EQ(host.progress.size(), 17u); // 0, entries 1..15 (6, 13, ..., 100), 0
    EXPECT_EQ(host.progress[1], 6);
    EXPECT_EQ(host.progress[15], 100);

    // the menu command: one undo level, modified, histogram refreshed
    RunCommand(doc, host, [&] { DibInvert(doc, host); });
    EXPECT_EQ(doc.UndoCount, 1);
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(host.histogramUpdates, 1);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), Rgb(1, 2, 3));
    LoadFromUndo(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), Rgb(254, 253, 252));
}

} // namespace
} // namespace pixorama

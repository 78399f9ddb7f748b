// DrawDib and the paint box repaint: nearest-neighbour pixels at every zoom, the clipping
// rules, the roads for each depth and device, and the palette screen.
#include "document/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace pixorama {
namespace {

constexpr uint32_t kSentinel = 0xFF123456u;

// A surface covering device points [0, w) x [0, h), filled with a sentinel.
struct Canvas {
    std::vector<uint32_t> pixels;
    DisplaySurface dc;
    Canvas(int w, int h, int screenBits = 24, DeviceKind device = DeviceKind::Screen)
        : pixels(static_cast<size_t>(w) * h, kSentinel) {
        dc.pixels = pixels.data();
        dc.stride = w;
        dc.width = w;
        dc.height = h;
        dc.bitsPerPixel = screenBits;
        dc.device = device;
    }
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * dc.stride + x]; }
};

uint32_t screenColour(int32_t value24) {
    const uint32_t r = value24 & 0xFF, g = (value24 >> 8) & 0xFF, b = (value24 >> 16) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// 24-bit image whose pixel (x, y) is R = 10 x + 5, G = 10 y + 3, B = 200.
TDibRecord gridImage(int w, int h) {
    TDibRecord d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y, (10 * x + 5) | ((10 * y + 3) << 8) | (200 << 16));
    return d;
}

TEST(PaintBox, ZoomInThreeWithScrollPositionSeven) {
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, gridImage(10, 4)));
    doc.ZoomIn = 3;
    // paint box 30 x 12; the scroll box shows 12 x 12 of it from x = 7
    const PaintGeometry g = PaintBox1Geometry(7, 0, 12, 12, 3, 1);
    EXPECT_EQ(g.x0, 6);
    EXPECT_EQ(g.sx, 2);
    EXPECT_EQ(g.cw, 15); // 12 + 7 mod 3, rounded up to a multiple of 3
    EXPECT_EQ(g.sw, 5);
    EXPECT_EQ(g.ch, 12);
    EXPECT_EQ(g.sh, 4);

    Canvas c(30, 12);
    PaintBox1Paint(c.dc, doc, 7, 0, 12, 12, true, {});
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(c.at(x, 0), kSentinel) << x;
    for (int x = 6; x < 21; ++x)
        for (int y = 0; y < 12; ++y)
            ASSERT_EQ(c.at(x, y), screenColour(getpixel(&doc.Dib, x / 3, y / 3))) << x << "," << y;
    for (int x = 21; x < 30; ++x)
        EXPECT_EQ(c.at(x, 5), kSentinel) << x;
}

TEST(PaintBox, ZoomOutThreeTakesEveryThirdPixel) {
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, gridImage(9, 6)));
    doc.ZoomOut = 3;
    // paint box 3 x 2
    Canvas c(3, 2);
    PaintBox1Paint(c.dc, doc, 0, 0, 3, 2, true, {});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(c.at(x, y), screenColour(getpixel(&doc.Dib, 3 * x, 3 * y))) << x << "," << y;

    // scrolled: the source starts at the scroll position times three
    DocumentState wide;
    ASSERT_TRUE(AttachImage(wide, gridImage(24, 3)));
    wide.ZoomOut = 3;
    Canvas s(8, 1);
    PaintBox1Paint(s.dc, wide, 2, 0, 4, 1, true, {});
    EXPECT_EQ(s.at(1, 0), kSentinel);
    for (int x = 2; x < 6; ++x)
        EXPECT_EQ(s.at(x, 0), screenColour(getpixel(&wide.Dib, 3 * x, 0))) << x;
}

TEST(PaintBox, OnePixelWideImageAtSixteenFillsAColumn) {
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, gridImage(1, 2)));
    doc.ZoomIn = 16;
    Canvas c(20, 40);
    PaintBox1Paint(c.dc, doc, 0, 0, 20, 40, true, {});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(c.at(x, y), screenColour(getpixel(&doc.Dib, 0, y / 16))) << x << "," << y;
        EXPECT_EQ(c.at(16, y), kSentinel);
    }
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(c.at(x, 33), kSentinel);
}

TEST(PaintBox, ViewLargerThanImageLeavesTheRestAlone) {
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, gridImage(4, 3)));
    Canvas c(10, 10);
    PaintBox1Paint(c.dc, doc, 0, 0, 10, 10, true, {});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const uint32_t want =
                (x < 4 && y < 3) ? screenColour(getpixel(&doc.Dib, x, y)) : kSentinel;
            ASSERT_EQ(c.at(x, y), want) << x << "," << y;
        }
}

TEST(DrawDib, ClipRulesScaleTheDestinationHalvesToEven) {
    // right edge: 5 of 10 columns remain, 25 * 5 / 10 = 12.5 -> 12
    DrawRects r = ClipDrawRects(10, 100, {0, 0, 25, 10, 5, 0, 10, 10});
    EXPECT_EQ(r.wd, 12);
    EXPECT_EQ(r.ws, 5);
    EXPECT_EQ(r.xd, 0);
    // below the bottom: 7 of 10 rows remain, 15 * 7 / 10 = 10.5 -> 10; the top stays
    r = ClipDrawRects(100, 100, {0, 4, 10, 15, 0, -3, 10, 10});
    EXPECT_EQ(r.hd, 10);
    EXPECT_EQ(r.hs, 7);
    EXPECT_EQ(r.ys, 0);
    EXPECT_EQ(r.yd, 4);
    // above the top: 6 of 10 rows remain, 20 * 6 / 10 = 12, the destination moves down by 8
    r = ClipDrawRects(100, 10, {0, 0, 10, 20, 0, 4, 10, 10});
    EXPECT_EQ(r.hd, 12);
    EXPECT_EQ(r.hs, 6);
    EXPECT_EQ(r.yd, 8);
    // left of the image: 4 of 6 columns remain, 15 * 4 / 6 = 10, the destination moves right
    r = ClipDrawRects(100, 100, {0, 0, 15, 10, -2, 0, 6, 10});
    EXPECT_EQ(r.wd, 10);
    EXPECT_EQ(r.xd, 5);
    EXPECT_EQ(r.ws, 4);
    EXPECT_EQ(r.xs, 0);
    // 21 * 1 / 2 = 10.5 -> 10 and 27 * 1 / 2 = 13.5 -> 14: halves go to the even side
    EXPECT_EQ(ClipDrawRects(3, 100, {0, 0, 21, 1, 2, 0, 2, 1}).wd, 10);
    EXPECT_EQ(ClipDrawRects(3, 100, {0, 0, 27, 1, 2, 0, 2, 1}).wd, 14);
    // nothing left
    EXPECT_TRUE(ClipDrawRects(10, 10, {0, 0, 10, 10, 12, 0, 5, 5}).empty());
}

TEST(DrawDib, ClippedSourceLandsAtTheScaledDestination) {
    // a 4 x 4 image drawn at 2:1 from a source rectangle that starts one column left of it
    TDibRecord d = gridImage(4, 4);
    DibHolder hold(d);
    Canvas c(12, 8);
    DrawDib(c.dc, 0, 0, 10, 8, d, -1, 0, 5, 4, true, SRCCOPY, true, {});
    // xs < 0: w2 = 4 * 10 / 5 = 8, xd = 2
    for (int x = 0; x < 2; ++x)
        EXPECT_EQ(c.at(x, 0), kSentinel);
    for (int x = 2; x < 10; ++x)
        for (int y = 0; y < 8; ++y)
            ASSERT_EQ(c.at(x, y), screenColour(getpixel(&d, (x - 2) / 2, y / 2))) << x << "," << y;
}

TEST(DrawDib, RoadForEachDepthAndDevice) {
    Canvas screen(1, 1), palette(1, 1, 8), printer(1, 1, 24, DeviceKind::Printer);
    EXPECT_EQ(ChooseDrawPath(24, screen.dc, true), DrawPath::Rows24);
    EXPECT_EQ(ChooseDrawPath(8, screen.dc, true), DrawPath::Rows8);
    EXPECT_EQ(ChooseDrawPath(4, screen.dc, true), DrawPath::Stretch);
    EXPECT_EQ(ChooseDrawPath(1, screen.dc, true), DrawPath::Stretch);
    EXPECT_EQ(ChooseDrawPath(24, palette.dc, true), DrawPath::Halftone);
    EXPECT_EQ(ChooseDrawPath(24, palette.dc, false), DrawPath::Rows24);
    EXPECT_EQ(ChooseDrawPath(8, palette.dc, true), DrawPath::Rows8);
    EXPECT_EQ(ChooseDrawPath(24, printer.dc, true), DrawPath::Stretch);
    EXPECT_EQ(ChooseDrawPath(8, printer.dc, true), DrawPath::Stretch);

    ::unsetenv("PIXORAMA_SCREEN_BITS");
    EXPECT_EQ(ScreenBitsPerPixel(), 24);
    ::setenv("PIXORAMA_SCREEN_BITS", "8", 1);
    EXPECT_EQ(ScreenBitsPerPixel(), 8);
    ::unsetenv("PIXORAMA_SCREEN_BITS");
}

// Checkerboard-like image of any depth: pixel (x, y) = (x + 2 y) mod colours, so that
// neighbouring columns and rows always differ.
TDibRecord patternImage(int w, int h, int bpp) {
    TDibRecord d;
    newdib(&d, w, h, bpp, nullptr, 0);
    const int colours = bpp == 24 ? 0 : 1 << bpp;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y,
                     colours ? (x + 2 * y) % colours : (x * 37 + y * 11) | ((x ^ y) << 8) | 0x400000);
    return d;
}

uint32_t pixelOnScreen(const TDibRecord& d, int x, int y) {
    const int32_t v = getpixel(&d, x, y);
    if (DibBitsPerPixel(&d) == 24)
        return screenColour(v);
    const TRGBQuad q = d.Info->bmiColors[v];
    return 0xFF000000u | (uint32_t{q.rgbRed} << 16) | (q.rgbGreen << 8) | q.rgbBlue;
}

TEST(PaintBox, EveryDepthUsesTheMouseMappingAtEveryZoom) {
    // screen column X shows image column X * ZoomOut div ZoomIn, as the mouse maps it; when
    // magnified, image pixel x covers columns x * ZoomIn div ZoomOut ... ((x + 1) * ZoomIn div
    // ZoomOut) - 1, all of equal width.  The view is larger than the image (scroll box wider
    // than the paint box) or scrolled part of the way.
    const struct { int in, out; } zooms[] = {{2, 1}, {3, 1}, {15, 1}, {16, 1}, {1, 2}, {1, 3}};
    for (int bpp : {1, 4, 8, 24}) {
        for (const auto z : zooms) {
            for (const int w : {100, 37}) {
                const int h = 9;
                DocumentState doc;
                ASSERT_TRUE(AttachImage(doc, patternImage(w, h, bpp)));
                doc.ZoomIn = z.in;
                doc.ZoomOut = z.out;
                const int pw = w * z.in / z.out, ph = h * z.in / z.out;
                struct View { int hp, vp, cw, ch; };
                const View views[] = {{0, 0, pw + 57, ph + 13}, {7, 2, pw / 2 + 1, ph}};
                for (const View& view : views) {
                    Canvas c(pw + 60, ph + 20);
                    PaintBox1Paint(c.dc, doc, view.hp, view.vp, view.cw, view.ch, true, {});
                    const int x1 = std::min(pw, view.hp + view.cw);
                    const int y1 = std::min(ph, view.vp + view.ch);
                    for (int y = view.vp; y < y1; ++y)
                        for (int x = view.hp; x < x1; ++x)
                            ASSERT_EQ(c.at(x, y), pixelOnScreen(doc.Dib, x * z.out / z.in,
                                                                y * z.out / z.in))
                                << bpp << " bit, " << w << " wide, zoom " << z.in << ":" << z.out
                                << " view at " << view.hp << " at " << x << "," << y;
                    // nothing beyond the image is drawn
                    for (int x = pw; x < pw + 60; ++x)
                        ASSERT_EQ(c.at(x, view.vp), kSentinel) << bpp << " bit at " << x;
                    for (int y = ph; y < ph + 20; ++y)
                        ASSERT_EQ(c.at(view.hp, y), kSentinel) << bpp << " bit at row " << y;
                    if (z.out != 1)
                        continue;
                    // equal widths: every drawn image column covers exactly ZoomIn columns
                    for (int x = view.hp / z.in; x * z.in < x1; ++x)
                        for (int k = std::max(x * z.in, view.hp); k < std::min((x + 1) * z.in, x1);
                             ++k)
                            ASSERT_EQ(c.at(k, view.vp), pixelOnScreen(doc.Dib, x, view.vp / z.in));
                }
            }
        }
    }
}

TEST(DrawDib, OneAndFourBitRasterOperations) {
    // 1-bit 4 x 1: 1 0 1 1, drawn 8 x 2: each pixel two columns wide
    TDibRecord d;
    newdib(&d, 4, 1, 1, nullptr, 0);
    DibHolder hold(d);
    setpixel(&d, 0, 0, 1);
    setpixel(&d, 2, 0, 1);
    setpixel(&d, 3, 0, 1);
    Canvas c(8, 2);
    DrawDib(c.dc, 0, 0, 8, 2, d, 0, 0, 4, 1, true, SRCCOPY, true, {});
    const uint32_t W = 0xFFFFFFFFu, B = 0xFF000000u;
    const uint32_t want[8] = {W, W, B, B, W, W, W, W};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c.at(x, y), want[x]) << x << "," << y;

    // XOR twice gives the surface back
    DrawDib(c.dc, 0, 0, 8, 2, d, 0, 0, 4, 1, true, SRCINVERT, true, {});
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(c.at(x, 0), B) << x; // x ^ x, opaque
    DrawDib(c.dc, 0, 0, 8, 2, d, 0, 0, 4, 1, true, SRCINVERT, true, {});
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(c.at(x, 1), want[x]) << x;

    // 4-bit, the left pixel in the high nibble: 3 x 3 drawn 5 x 5, destination column i takes
    // 3 * i div 5, row k (from the top) image row 3 * k div 5
    TDibRecord f;
    newdib(&f, 3, 3, 4, nullptr, 0);
    DibHolder holdF(f);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            setpixel(&f, x, y, 3 * y + x + 2);
    Canvas g(5, 5);
    DrawDib(g.dc, 0, 0, 5, 5, f, 0, 0, 3, 3, true, SRCCOPY, true, {});
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(g.at(i, k), pixelOnScreen(f, 3 * i / 5, 3 * k / 5)) << i << "," << k;
}

TEST(DrawDib, PrinterTakesTheStretchForTrueColour) {
    TDibRecord d = gridImage(4, 1);
    DibHolder hold(d);
    Canvas c(7, 1, 24, DeviceKind::Printer);
    DrawDib(c.dc, 0, 0, 7, 1, d, 0, 0, 4, 1, true, SRCCOPY, true, {});
    // column c takes 4 * c div 7 = 0 0 1 1 2 2 3, the same nearest pixel as on the screen
    Canvas s(7, 1);
    DrawDib(s.dc, 0, 0, 7, 1, d, 0, 0, 4, 1, true, SRCCOPY, true, {});
    for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(c.at(x, 0), screenColour(getpixel(&d, 4 * x / 7, 0))) << x;
        EXPECT_EQ(c.at(x, 0), s.at(x, 0)) << x;
    }
    // the raster operation applies on the printer's road
    DrawDib(c.dc, 0, 0, 7, 1, d, 0, 0, 4, 1, true, SRCINVERT, true, {});
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(c.at(x, 0), 0xFF000000u) << x;
}

// Screen colour of index i of an 8-bit record's colour table.
uint32_t tableColour(const TDibRecord& t, int i) {
    const TRGBQuad q = t.Info->bmiColors[i];
    return 0xFF000000u | (uint32_t{q.rgbRed} << 16) | (q.rgbGreen << 8) | q.rgbBlue;
}

TEST(DrawDib, PaletteScreenHalftonesTrueColour) {
    // a smooth 24-bit ramp drawn on an 8-bit screen shows exactly the halftone copy's colours
    TDibRecord d;
    newdib(&d, 40, 20, 24, nullptr, 0);
    DibHolder hold(d);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            setpixel(&d, x, y, (x * 6) | ((y * 12) << 8) | (((x + y) * 4) << 16));
    TDibRecord t;
    ASSERT_EQ(DIBHalftoneDIB(&t, &d), 1);
    DibHolder holdT(t);

    Canvas c(40, 20, 8);
    DrawDib(c.dc, 0, 0, 40, 20, d, 0, 0, 40, 20, true, SRCCOPY, true, {});
    int differsFromSource = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(c.at(x, y), tableColour(t, getpixel(&t, x, y))) << x << "," << y;
            differsFromSource += c.at(x, y) != screenColour(getpixel(&d, x, y));
        }
    EXPECT_GT(differsFromSource, 400); // it really went through the palette

    // reduced 1:2: the copy is made at the destination's size and copied 1:1
    TDibRecord t2;
    ASSERT_EQ(DIBHalftoneDIBXY(&t2, &d, 20, 10), 1);
    DibHolder holdT2(t2);
    Canvas r(20, 10, 8);
    DrawDib(r.dc, 0, 0, 20, 10, d, 0, 0, 40, 20, true, SRCCOPY, true, {});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(r.at(x, y), tableColour(t2, getpixel(&t2, x, y))) << x << "," << y;
}

TEST(DrawDib, PaletteScreenShowsInactiveImagesThroughTheActivePalette) {
    // an 8-bit grey image drawn with another document's black-and-white palette
    TDibRecord grey;
    newdib(&grey, 4, 1, 8, nullptr, 0); // grey ramp palette
    DibHolder holdGrey(grey);
    setpixel(&grey, 0, 0, 0);
    setpixel(&grey, 1, 0, 90);
    setpixel(&grey, 2, 0, 170);
    setpixel(&grey, 3, 0, 255);
    TDibRecord bw;
    newdib(&bw, 1, 1, 1, nullptr, 0);
    DibHolder holdBw(bw);
    const DisplayPalette active{&bw.Palette, bw.PaletteHandle};

    const uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu;
    Canvas c(4, 1, 8);
    DrawDib(c.dc, 0, 0, 4, 1, grey, 0, 0, 4, 1, true, SRCCOPY, false, active);
    EXPECT_EQ(c.at(0, 0), black);
    EXPECT_EQ(c.at(1, 0), black);
    EXPECT_EQ(c.at(2, 0), white);
    EXPECT_EQ(c.at(3, 0), white);

    // with its own palette, or on a true-colour screen, the greys stay
    Canvas own(4, 1, 8), deep(4, 1, 24);
    DrawDib(own.dc, 0, 0, 4, 1, grey, 0, 0, 4, 1, true, SRCCOPY, true, active);
    DrawDib(deep.dc, 0, 0, 4, 1, grey, 0, 0, 4, 1, true, SRCCOPY, false, active);
    for (int x = 0; x < 4; ++x) {
        const uint32_t want = tableColour(grey, getpixel(&grey, x, 0));
        EXPECT_EQ(own.at(x, 0), want) << x;
        EXPECT_EQ(deep.at(x, 0), want) << x;
    }
    EXPECT_NE(own.at(1, 0), black);
}

TEST(DrawDib, SurfaceWindowOnlyTouchesItsOwnPixels) {
    // a surface standing for device points [5, 9) x [2, 4) of a 3:1 view
    TDibRecord d = gridImage(6, 3);
    DibHolder hold(d);
    std::vector<uint32_t> px(4 * 2, kSentinel);
    DisplaySurface dc;
    dc.pixels = px.data();
    dc.stride = 4;
    dc.left = 5;
    dc.top = 2;
    dc.width = 4;
    dc.height = 2;
    DrawDib(dc, 0, 0, 18, 9, d, 0, 0, 6, 3, true, SRCCOPY, true, {});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(px[static_cast<size_t>(y) * 4 + x],
                      screenColour(getpixel(&d, (x + 5) / 3, (y + 2) / 3)))
                << x << "," << y;
}

TEST(DrawDib, EightBitRowsUseTheColourTable) {
    DibHolder hold;
    TDibRecord& d = hold.get();
    newdib(&d, 3, 2, 8, nullptr, 0);
    DibSetPaletteColor(&d, 7, 10, 20, 30);
    DibSetPaletteColor(&d, 9, 200, 100, 50);
    DibUpdatePaletteHandle(&d);
    setpixel(&d, 1, 0, 7);
    setpixel(&d, 2, 1, 9);
    Canvas c(6, 4);
    DrawDib(c.dc, 0, 0, 6, 4, d, 0, 0, 3, 2, true, SRCCOPY, true, {});
    EXPECT_EQ(c.at(2, 0), 0xFF0A141Eu);
    EXPECT_EQ(c.at(3, 1), 0xFF0A141Eu);
    EXPECT_EQ(c.at(5, 3), 0xFFC86432u);
    EXPECT_EQ(c.at(0, 0), tableColour(d, 0));
}

} // namespace
} // namespace pixorama

namespace pixorama {
namespace {

// Random 24-bit image; widths chosen so that rows end with and without padding.
TDibRecord noiseImage(int w, int h, uint32_t seed) {
    TDibRecord d;
    newdib(&d, w, h, 24, nullptr, 0);
    uint32_t x = seed;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w; ++i) {
            x = x * 1664525u + 1013904223u;
            setpixel(&d, i, y, static_cast<int32_t>(x >> 8));
        }
    return d;
}

TEST(DrawDib, WideRowsAtEveryZoomMatchTheNearestPixel) {
    // long runs take the vector roads; the last pixel of the last buffer row must still come out
    // right (and, under AddressSanitizer, be read without touching the byte after the buffer)
    const struct { int in, out; } zooms[] = {{1, 1}, {1, 3}, {2, 1}, {3, 1}, {1, 2}};
    for (int w : {64, 61, 200}) {
        for (const auto z : zooms) {
            DocumentState doc;
            ASSERT_TRUE(AttachImage(doc, noiseImage(w, 7, static_cast<uint32_t>(w))));
            doc.ZoomIn = z.in;
            doc.ZoomOut = z.out;
            const int pw = w * z.in / z.out, ph = 7 * z.in / z.out;
            // the whole paint box, and a window onto it that starts inside a row
            for (int left : {0, 3}) {
                Canvas c(pw, ph);
                c.dc.left = left;
                c.dc.width = pw - left;
                c.dc.pixels = c.pixels.data();
                PaintBox1Paint(c.dc, doc, 0, 0, pw, ph, true, {});
                for (int y = 0; y < ph; ++y)
                    for (int x = left; x < pw; ++x) {
                        const int sx = x * z.out / z.in, sy = y * z.out / z.in;
                        ASSERT_EQ(c.pixels[static_cast<size_t>(y) * pw + (x - left)],
                                  screenColour(getpixel(&doc.Dib, sx, sy)))
                            << "w " << w << " zoom " << z.in << ":" << z.out << " at " << x << ","
                            << y;
                    }
            }
        }
    }
}

} // namespace
} // namespace pixorama

namespace pixorama {
namespace {

TEST(ScreenEllipse, XorOutlineInsideTheBandAndBackAgain) {
    Canvas c(20, 12);
    for (uint32_t& p : c.pixels)
        p = 0xFF204060u;
    ScreenEllipse(c.dc, 2, 1, 12, 9); // 10 x 8, right and bottom outside
    int changed = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) {
            const uint32_t p = c.at(x, y);
            if (p == 0xFF204060u)
                continue;
            ++changed;
            EXPECT_EQ(p, 0xFFDFBF9Fu) << x << "," << y; // inverted, still opaque
            EXPECT_TRUE(x >= 2 && x < 12 && y >= 1 && y < 9) << x << "," << y;
        }
    // the outline touches all four sides of the band, and leaves its middle alone
    EXPECT_NE(c.at(7, 1), 0xFF204060u);
    EXPECT_NE(c.at(7, 8), 0xFF204060u);
    EXPECT_NE(c.at(2, 5), 0xFF204060u);
    EXPECT_NE(c.at(11, 5), 0xFF204060u);
    EXPECT_EQ(c.at(7, 5), 0xFF204060u);
    EXPECT_EQ(c.at(2, 1), 0xFF204060u); // corner outside the ellipse
    EXPECT_GT(changed, 20);
    EXPECT_LT(changed, 40);
    // corners given the other way round draw the same; twice erases
    ScreenEllipse(c.dc, 12, 9, 2, 1);
    for (uint32_t p : c.pixels)
        ASSERT_EQ(p, 0xFF204060u);
    // a band partly off the surface draws what lies on it
    ScreenEllipse(c.dc, -5, -5, 10, 10);
    ScreenEllipse(c.dc, -5, -5, 10, 10);
    for (uint32_t p : c.pixels)
        ASSERT_EQ(p, 0xFF204060u);
}

} // namespace
} // namespace pixorama

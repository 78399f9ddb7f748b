// 8-bit display copies: fixed cube palette, ordered dither, scaling, palette sources, failures.
#include "pictora.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

struct Image {
    TDibRecord d{};
    Image() = default;
    Image(int32_t w, int32_t h, int32_t bpp) { EXPECT_EQ(newdib(&d, w, h, bpp, nullptr, 0), 1); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() { deldib(&d); }
    int32_t at(int32_t x, int32_t y) const { return getpixel(&d, x, y); }
};

// An output record that starts as garbage, so that a failure must clear it.
struct Out : Image {
    Out() { std::memset(&d, 0xAB, sizeof(d)); }
    ~Out() {
        if (d.DibHandle == 0xABABABABu)
            std::memset(&d, 0, sizeof(d));
    }
};

constexpr int32_t rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
int32_t cubeColour(int k) {
    return rgb(k / 36 * 51, k / 6 % 6 * 51, k % 6 * 51);
}
int32_t entry(const TDibRecord& d, int i) {
    const TRGBQuad& q = d.Info->bmiColors[i];
    const TPaletteEntry& e = d.Palette.palPalEntry[i];
    EXPECT_EQ(rgb(e.peRed, e.peGreen, e.peBlue), rgb(q.rgbRed, q.rgbGreen, q.rgbBlue)) << i;
    return rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

} // namespace

TEST(Halftone, FixedPaletteAndExactCubeColours) {
    Image src(216 * 4, 4, 24);
    for (int k = 0; k < 216; ++k)
        recht_filled(&src.d, 4 * k, 0, 4 * k + 3, 3, cubeColour(k));
    Out out;
    ASSERT_EQ(DIBHalftoneDIB(&out.d, &src.d), 1);
    ASSERT_EQ(DibBitsPerPixel(&out.d), 8);
    ASSERT_EQ(DibWidth(&out.d), 216 * 4);
    ASSERT_EQ(DibHeight(&out.d), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 216 * 4; ++x)
            ASSERT_EQ(out.at(x, y), x / 4) << x << "," << y;
    // the palette: the cube, then rising greys that are not the cube's greys
    for (int k = 0; k < 216; ++k)
        EXPECT_EQ(entry(out.d, k), cubeColour(k)) << k;
    for (int i = 216; i < 256; ++i) {
        const int v = entry(out.d, i) & 0xFF;
        EXPECT_EQ(entry(out.d, i), rgb(v, v, v));
        EXPECT_GT(v, i == 216 ? 0 : entry(out.d, i - 1) & 0xFF);
        EXPECT_NE(v % 51, 0) << i;
    }
    EXPECT_EQ(GetNearestPaletteIndex(out.d.PaletteHandle, cubeColour(100)), 100u);

    // a grey that is itself a ramp entry stays that entry
    Image grey(8, 4, 24);
    for (int j = 0; j < 4; ++j)
        recht_filled(&grey.d, 2 * j, 0, 2 * j + 1, 3, entry(out.d, 216 + 10 * j));
    Out g;
    ASSERT_EQ(DIBHalftoneDIB(&g.d, &grey.d), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(g.at(x, y), 216 + 10 * (x / 2));
}

TEST(Halftone, DitheredBlocksAverageToTheColour) {
    for (const int32_t c :
         {rgb(103, 103, 103), rgb(37, 37, 37), rgb(3, 3, 3), rgb(250, 250, 250), rgb(100, 150, 200),
          rgb(30, 200, 90), rgb(1, 254, 128), rgb(77, 77, 78)}) {
        const bool isGrey = (c & 0xFF) * 0x010101 == c;
        Image src(8, 8, 24);
        recht_filled(&src.d, 0, 0, 7, 7, c);
        Out out;
        ASSERT_EQ(DIBHalftoneDIB(&out.d, &src.d), 1);
        bool inPalette = false;
        for (int i = 0; i < 256; ++i)
            inPalette = inPalette || entry(out.d, i) == c;
        for (int b = 0; b < 4; ++b) { // each aligned 4 x 4 block
            double sum[3] = {0, 0, 0};
            std::set<int> used;
            for (int p = 0; p < 16; ++p) {
                const int i = out.at(b % 2 * 4 + p % 4, b / 2 * 4 + p / 4);
                used.insert(i);
                EXPECT_TRUE(isGrey || i < 216) << i;
                for (int ch = 0; ch < 3; ++ch)
                    sum[ch] += (entry(out.d, i) >> (8 * ch)) & 0xFF;
            }
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(sum[ch] / 16, (c >> (8 * ch)) & 0xFF, isGrey ? 1.0 : 2.0)
                    << std::hex << c;
            EXPECT_EQ(used.size() > 1, !inPalette) << std::hex << c;
        }
    }
}

TEST(Halftone, ScalesNearestNeighbourBeforeDithering) {
    // every source pixel a different cube colour, so the output index names its source
    Image src(6, 3, 24);
    auto k = [](int x, int y) { return 36 * y + 7 * x; };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            setpixel(&src.d, x, y, cubeColour(k(x, y)));
    for (const auto& s : {std::pair{15, 7}, {4, 2}, {1, 1}, {6, 3}, {13, 1}}) {
        Out out;
        ASSERT_EQ(DIBHalftoneDIBXY(&out.d, &src.d, s.first, s.second), 1);
        ASSERT_EQ(DibWidth(&out.d), s.first);
        ASSERT_EQ(DibHeight(&out.d), s.second);
        for (int j = 0; j < s.second; ++j)
            for (int i = 0; i < s.first; ++i)
                ASSERT_EQ(out.at(i, j), k(i * 6 / s.first, j * 3 / s.second))
                    << s.first << "x" << s.second << " at " << i << "," << j;
    }
}

TEST(Halftone, PaletteSourcesKeepTheirColours) {
    Image src4(7, 3, 4), src1(10, 2, 1), src8(4, 4, 8);
    for (int i = 0; i < 16; ++i)
        DibSetPaletteColor(&src4.d, i, static_cast<uint8_t>(i * 10),
                           static_cast<uint8_t>(255 - i * 7), static_cast<uint8_t>(i * 3));
    DibSetPaletteColor(&src1.d, 0, 255, 0, 0);
    DibSetPaletteColor(&src1.d, 1, 0, 255, 0);
    for (int i = 0; i < 21; ++i)
        setpixel(&src4.d, i % 7, i / 7, i % 16);
    for (int x = 0; x < 10; ++x)
        setpixel(&src1.d, x, 1, x % 3 == 0);
    for (int i = 0; i < 16; ++i)
        setpixel(&src8.d, i % 4, i / 4, 40 * (i / 4) + i % 4);
    Out out4, out1, out8;
    ASSERT_EQ(DIBHalftoneDIB(&out4.d, &src4.d), 1);
    ASSERT_EQ(DIBHalftoneDIBXY(&out1.d, &src1.d, 5, 4), 1);
    ASSERT_EQ(DIBHalftoneDIBXY(&out8.d, &src8.d, 8, 2), 1);
    EXPECT_EQ(DibBitsPerPixel(&out4.d) + DibBitsPerPixel(&out1.d), 16);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(out4.at(i % 7, i / 7), i % 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(entry(out4.d, i), entry(src4.d, i)) << i;
    for (int i = 0; i < 20; ++i) // source column 2 * x, row y / 2
        EXPECT_EQ(out1.at(i % 5, i / 5), i / 5 >= 2 && (2 * (i % 5)) % 3 == 0);
    EXPECT_EQ(entry(out1.d, 1), rgb(0, 255, 0));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(out8.at(i % 8, i / 8), 80 * (i / 8) + i % 8 / 2);
}

TEST(Halftone, FailuresLeaveNoImage) {
    Image src(100, 100, 24), empty;
    const struct {
        const TDibRecord* src;
        int w, h;
    } cases[] = {{&empty.d, 10, 10}, {nullptr, 10, 10}, {&src.d, 0, 10}, {&src.d, 10, -3}};
    for (const auto& c : cases) {
        Out a, b;
        EXPECT_EQ(DIBHalftoneDIBXY(&a.d, c.src, c.w, c.h), 0);
        EXPECT_EQ(a.d.Bits, nullptr);
        if (c.w == 10 && c.h == 10) {
            EXPECT_EQ(DIBHalftoneDIB(&b.d, c.src), 0);
            EXPECT_EQ(b.d.Bits, nullptr);
        }
    }
    EXPECT_EQ(DIBHalftoneDIB(nullptr, &src.d), 0);
    Out out;
    PictoraSetAllocLimit(PictoraAllocatedBytes() + 4096);
    EXPECT_EQ(DIBHalftoneDIB(&out.d, &src.d), 0);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(out.d.Bits, nullptr);
    EXPECT_EQ(out.d.DibHandle, 0u);
}

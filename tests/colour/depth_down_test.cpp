// Colour depth reduction: the conversion cases by depth, the popularity palette with its sort
// and counter halving, ordered dither and Floyd-Steinberg against hand-computed pixels.
#include "colour/depth_down.h"

#include "document/std_palettes.h"
#include "../ops/image_helpers.h"
#include "../ops/simd_test_support.h"
#include "pictora_nearest.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace pixorama {
namespace {

using namespace testing;

int stdIndexOf(uint32_t rgb) {
    for (int i = 0; i < 256; ++i)
        if (StdPalette256[static_cast<size_t>(i)] == rgb)
            return i;
    return -1;
}

TEST(DepthDown, CubeToPaletteHoldsTheCubeAndFourPrimaries) {
    std::set<int> seen;
    int missing = 0;
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r) {
                const uint8_t idx = CubeToPalette[static_cast<size_t>(r + 6 * g + 36 * b)];
                const uint32_t want = (uint32_t(51 * r) << 16) | (uint32_t(51 * g) << 8) | uint32_t(51 * b);
                if (StdPalette256[idx] != want) {
                    ++missing;
                    const bool toGreen = (r == 1 && g == 5 && b == 0) || (r == 0 && g == 5 && b == 1);
                    const bool toBlue = (r == 1 && g == 0 && b == 5) || (r == 0 && g == 1 && b == 5);
                    EXPECT_TRUE(toGreen || toBlue) << r << g << b;
                    EXPECT_EQ(idx, toGreen ? 250 : 252);
                } else {
                    seen.insert(idx);
                }
            }
    EXPECT_EQ(missing, 4);
    EXPECT_EQ(seen.size(), 212u);
    EXPECT_EQ(StdPalette256[250], 0x00FF00u);
    EXPECT_EQ(StdPalette256[252], 0x0000FFu);
}

TEST(DepthDown, SortByCountOrdersTiesAsTheQuicksortLeavesThem) {
    // traced by hand: pivot 1 at the middle, first swap exchanges the ends
    uint16_t counter[3] = {1, 1, 0}, key[3] = {0, 1, 2};
    SortByCount(counter, key, 0, 2);
    EXPECT_EQ(counter[0], 0);
    EXPECT_EQ(counter[2], 1);
    EXPECT_EQ(key[0], 2);
    EXPECT_EQ(key[1], 1);
    EXPECT_EQ(key[2], 0);
    // a longer run stays sorted and keeps each key with its count
    std::mt19937 rng(7);
    std::vector<uint16_t> c(1000), k(1000);
    for (int i = 0; i < 1000; ++i) {
        c[i] = static_cast<uint16_t>(rng() % 5);
        k[i] = static_cast<uint16_t>(i);
    }
    const std::vector<uint16_t> orig = c;
    SortByCount(c.data(), k.data(), 0, 999);
    EXPECT_TRUE(std::is_sorted(c.begin(), c.end()));
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(orig[k[i]], c[i]);
}

TEST(DepthDown, PopularPaletteHalvesItsCountersOnOverflow) {
    // buffer rows from the bottom: 40 rows of B, 66 rows of A, 16 rows of B.  A reaches 65535
    // and halves every counter, so B (40000 / 2 + 16000) ends ahead of A (32768 + 464).
    const int32_t w = 1000, h = 122;
    TDibRecord d;
    ASSERT_TRUE(newdib(&d, w, h, 24, nullptr, 0));
    for (int32_t r = 0; r < h; ++r) {
        const bool a = r >= 40 && r < 106;
        uint8_t* row = d.Bits + static_cast<size_t>(r) * d.LineBytes;
        for (int32_t x = 0; x < w; ++x) {
            row[3 * x] = a ? 0 : 200;     // blue
            row[3 * x + 1] = a ? 0 : 100; // green
            row[3 * x + 2] = a ? 255 : 0; // red
        }
    }
    RecordingHost host;
    const auto pal = BuildPopularPalette(d, host, 2, 4);
    ASSERT_EQ(pal.size(), 2u);
    EXPECT_EQ(pal[0], (std::array<uint8_t, 3>{0, 96, 192}));  // B's cell
    EXPECT_EQ(pal[1], (std::array<uint8_t, 3>{240, 0, 0}));   // A's cell
    EXPECT_EQ(host.progress.front(), 0);
    EXPECT_EQ(host.progress.back(), 0);
    deldib(&d);
}

// The popularity palette spelled out: one counter step per pixel, buffer rows from the bottom.
std::vector<std::array<uint8_t, 3>> PlainPopularPalette(const TDibRecord& d, int32_t count,
                                                        int32_t shift) {
    std::vector<uint16_t> c(32768, 0), k(32768);
    for (int i = 0; i < 32768; ++i)
        k[static_cast<size_t>(i)] = static_cast<uint16_t>(i);
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    for (int32_t y = h - 1; y >= 0; --y) // image rows from the bottom are buffer rows from 0
        for (int32_t x = 0; x < w; ++x) {
            int32_t rgb = getpixel(&d, x, y);
            if (DibBitsPerPixel(&d) != 24) {
                const TPaletteEntry& e = d.Palette.palPalEntry[rgb];
                rgb = Rgb(e.peRed, e.peGreen, e.peBlue);
            }
            const size_t key = static_cast<size_t>(((RedOf(rgb) >> shift) << 10) |
                                                   ((GreenOf(rgb) >> shift) << 5) |
                                                   (BlueOf(rgb) >> shift));
            if (c[key] == 65535)
                for (uint16_t& v : c)
                    v = static_cast<uint16_t>(v >> 1);
            ++c[key];
        }
    SortByCount(c.data(), k.data(), 0, 32767);
    std::vector<std::array<uint8_t, 3>> out;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t kk = k[static_cast<size_t>(32767 - i)];
        out.push_back({static_cast<uint8_t>((kk >> 10) << shift),
                       static_cast<uint8_t>(((kk >> 5) & 31) << shift),
                       static_cast<uint8_t>((kk & 31) << shift)});
    }
    return out;
}

// Large images are counted in blocks of rows on every core: the same palettes as one pass,
// with counters that halve inside blocks, at their borders and many times over, and with ties.
TEST(DepthDown, PopularPaletteOfALargeImageMatchesOnePass) {
    RecordingHost host;
    std::mt19937 rng(5);
    const int32_t w = 1201, h = 1000; // above the size counted in blocks
    // a few dominant colours in bands of varying height, and sparse noise that makes ties
    std::vector<int32_t> bandColour(static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        bandColour[static_cast<size_t>(y)] = y % 97 < 60 ? 0x3050A0 : (y % 7 < 3 ? 0xC02010 : 0x10E0F0);
    TDibRecord d = Make24(w, h, [&](int32_t x, int32_t y) {
        if (rng() % 5 == 0)
            return static_cast<int32_t>(rng() & 0xFFFFFF);
        return x < 400 ? bandColour[static_cast<size_t>(y)] : 0x808080 + (x % 3);
    });
    ASSERT_NE(d.Bits, nullptr);
    for (const int32_t shift : {4, 5}) {
        const int32_t n = shift == 4 ? 256 : 16;
        EXPECT_EQ(BuildPopularPalette(d, host, n, shift), PlainPopularPalette(d, n, shift))
            << "shift " << shift;
    }
    EXPECT_EQ(host.progress.back(), 0);
    deldib(&d);

    // an 8-bit source whose keys come from its palette
    std::vector<uint32_t> colours(256);
    for (uint32_t& c : colours)
        c = rng() & 0xFFFFFF;
    TDibRecord p = MakePalette(8, colours, [&](int32_t x, int32_t y) {
        return static_cast<int32_t>(rng() % 8 == 0 ? rng() % 256 : (x / 300 + y / 250) % 4);
    }, w, h);
    ASSERT_NE(p.Bits, nullptr);
    EXPECT_EQ(BuildPopularPalette(p, host, 236, 4), PlainPopularPalette(p, 236, 4));
    deldib(&p);

    // Exactly 65536 pixels of colour A after 65535 of B: A's very last pixel halves every
    // counter (B 32767, A 32768), then 30000 of C.  Before them every other cell a few hundred
    // times, none near 65535.  A's last pixels all fall in one block of rows, whose count takes A
    // to exactly 65536.
    const int32_t wide = 1024, high = 1200;
    const int64_t total = int64_t{wide} * high, tail = 65535 + 65536 + 30000;
    TDibRecord e = Make24(wide, high, [&](int32_t x, int32_t y) {
        const int64_t i = int64_t{high - 1 - y} * wide + x - (total - tail); // from the buffer
        if (i < 0) { // red never 0 or 240 here, so none of these is A's, B's or C's cell
            const int32_t k = static_cast<int32_t>((i + total) % 3584);
            return ((1 + k / 256) << 20) | (((k / 16) % 16) << 12) | ((k % 16) << 4);
        }
        if (i < 65535)
            return 0x0000F0; // B
        if (i < 65535 + 65536)
            return 0xF00000; // A
        return 0x00F000; // C
    });
    ASSERT_NE(e.Bits, nullptr);
    EXPECT_EQ(BuildPopularPalette(e, host, 4, 4), PlainPopularPalette(e, 4, 4));
    deldib(&e);
}

TEST(DepthDown, WhiteImageOptimisedPalettes) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(5, 3, [](int32_t, int32_t) { return 0xFFFFFF; }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(4, true, TDepthMethod::FloydSteinberg, true)));
    EXPECT_EQ(DibBitsPerPixel(&doc.Dib), 4);
    EXPECT_EQ(PaletteColour(doc.Dib, 0), 0xE0E0E0u);
    EXPECT_EQ(doc.ForeColor, 0);
    EXPECT_EQ(doc.BackColor, 15);
    EXPECT_EQ(host.menuUpdates, 1);

    DocumentState doc8;
    Attach(doc8, Make24(5, 3, [](int32_t, int32_t) { return 0xFFFFFF; }));
    ASSERT_TRUE(DepthDownTo(doc8, host, DepthDownChoice(8, true, TDepthMethod::Nearest, false)));
    EXPECT_EQ(PaletteColour(doc8.Dib, 0), 0xF0F0F0u);
    for (int32_t x = 0; x < 5; ++x)
        EXPECT_EQ(getpixel(&doc8.Dib, x, 1), 0);
    EXPECT_EQ(doc8.BackColor, 255);

    // ten colours: a 4-bit image whose entries 10..15 repeat entry 0
    DocumentState free;
    Attach(free, Make24(5, 3, [](int32_t x, int32_t) { return x * 0x303030; }));
    ASSERT_TRUE(DepthDownTo(free, host, FreeDepthChoice(10, false, false)));
    EXPECT_EQ(DibBitsPerPixel(&free.Dib), 4);
    const uint32_t first = PaletteColour(free.Dib, 0);
    for (int i = 10; i < 16; ++i)
        EXPECT_EQ(PaletteColour(free.Dib, i), first);
    // every pixel's cell is among the ten
    for (int32_t x = 0; x < 5; ++x) {
        const int32_t v = x * 0x30;
        const uint32_t cell = uint32_t(v & ~31) * 0x010101u;
        EXPECT_EQ(PaletteColour(free.Dib, getpixel(&free.Dib, x, 0)), cell);
    }
}

TEST(DepthDown, StandardPalettes) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(4, 2, [](int32_t, int32_t) { return 0xFFFFFF; }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(4, false, TDepthMethod::Nearest, true)));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(PaletteColour(doc.Dib, i), StdPalette16[static_cast<size_t>(i)]);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(getpixel(&doc.Dib, x, 0), 15);

    DocumentState d8;
    Attach(d8, Make24(4, 2, [](int32_t x, int32_t) { return x == 0 ? 0x0000FF : 0x663399; }));
    ASSERT_TRUE(DepthDownTo(d8, host, DepthDownChoice(8, false, TDepthMethod::Nearest, true)));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(PaletteColour(d8.Dib, i), StdPalette256[static_cast<size_t>(i)]);
    EXPECT_EQ(getpixel(&d8.Dib, 0, 0), stdIndexOf(0xFF0000)); // Rgb() is red in the low byte
    EXPECT_EQ(StdPalette256[getpixel(&d8.Dib, 1, 1)], 0x993366u);
}

TEST(DepthDown, WindowsColoursStayAroundTheImagesCells) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(3, 3, [](int32_t, int32_t) { return Rgb(100, 150, 200); }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(8, true, TDepthMethod::Nearest, true)));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(PaletteColour(doc.Dib, i), StdPalette256[static_cast<size_t>(i)]);
    for (int i = 246; i < 256; ++i)
        EXPECT_EQ(PaletteColour(doc.Dib, i), StdPalette256[static_cast<size_t>(i)]);
    EXPECT_EQ(PaletteColour(doc.Dib, 10), 0x6090C0u); // (96, 144, 192), the cell's corner
    EXPECT_EQ(getpixel(&doc.Dib, 1, 1), 10);
}

TEST(DepthDown, OneBitThresholds) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(2, 1, [](int32_t x, int32_t) {
               return x == 0 ? Rgb(127, 128, 129) : Rgb(127, 127, 128);
           }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(1, true, TDepthMethod::Nearest, true)));
    EXPECT_EQ(DibBitsPerPixel(&doc.Dib), 1);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 1);
    EXPECT_EQ(getpixel(&doc.Dib, 1, 0), 0);
    EXPECT_EQ(doc.BackColor, 1);
    // palette sources use the luminance of their entries
    for (int bpp : {4, 8}) {
        DocumentState p;
        Attach(p, MakePalette(bpp, {0x808080, 0x7F7F7F, 0xFF0000},
                              [](int32_t x, int32_t) { return x % 3; }, 3, 2));
        ASSERT_TRUE(DepthDownTo(p, host, DepthDownChoice(1, true, TDepthMethod::Nearest, true)));
        EXPECT_EQ(getpixel(&p.Dib, 0, 0), 1);
        EXPECT_EQ(getpixel(&p.Dib, 1, 0), 0);
        EXPECT_EQ(getpixel(&p.Dib, 2, 1), 0); // red: (30 * 255) / 100 = 76
    }
}

TEST(DepthDown, OddWidthFourBitsFillsTheHighNibble) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(3, 2, [](int32_t x, int32_t) { return x == 2 ? 0xFFFFFF : 0; }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(4, false, TDepthMethod::Nearest, true)));
    for (int32_t r = 0; r < 2; ++r) {
        const uint8_t* row = doc.Dib.Bits + static_cast<size_t>(r) * doc.Dib.LineBytes;
        EXPECT_EQ(row[0], 0x00);
        EXPECT_EQ(row[1], 0xF0); // pixel 2 in the high nibble, the low one untouched
    }
}

TEST(DepthDown, OrderedDitherOfMidGreyFromTheBottomLeft) {
    RecordingHost host;
    DocumentState doc;
    const int32_t w = 16, h = 10;
    Attach(doc, Make24(w, h, [](int32_t, int32_t) { return 0x808080; }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(8, false, TDepthMethod::Ordered, true)));
    const int hi = stdIndexOf(0x999999), lo = stdIndexOf(0x666666);
    ASSERT_GE(hi, 0);
    ASSERT_GE(lo, 0);
    // matrix column 0 (bottom buffer row): 0 25 6 31 1 27 7 33; column 1: 38 12 44 19 39 14 46 20
    const int bottom[8] = {hi, hi, hi, lo, hi, lo, hi, lo};
    const int second[8] = {lo, hi, lo, hi, lo, hi, lo, hi};
    for (int32_t x = 0; x < w; ++x) {
        EXPECT_EQ(getpixel(&doc.Dib, x, h - 1), bottom[x % 8]) << x;
        EXPECT_EQ(getpixel(&doc.Dib, x, h - 2), second[x % 8]) << x;
        EXPECT_EQ(getpixel(&doc.Dib, x, h - 9), bottom[x % 8]) << x; // repeats after 8 rows
    }
    // the method is refused with the optimised palette: Floyd-Steinberg instead
    EXPECT_EQ(DepthDownChoice(8, true, TDepthMethod::Ordered, true).Method,
              TDepthMethod::FloydSteinberg);
    EXPECT_EQ(DepthDownChoice(4, false, TDepthMethod::Ordered, true).Method,
              TDepthMethod::FloydSteinberg);
}

// A grey target of two entries, black and white, for the hand-traced diffusion.
TDibRecord blackWhite(int32_t w, int32_t h) {
    TDibRecord t;
    newdib(&t, w, h, 1, nullptr, 0);
    return t;
}

TEST(DepthDown, FloydSteinbergSerpentineByHand) {
    RecordingHost host;
    // one row: 128 -> white (error -127), then 73 -> black, 160 -> white, 87 -> black, 166
    TDibRecord row = Make24(5, 1, [](int32_t, int32_t) { return 0x808080; });
    TDibRecord rowOut = blackWhite(5, 1);
    FloydSteinbergMap(row, rowOut, host);
    for (int32_t x = 0; x < 5; ++x)
        EXPECT_EQ(getpixel(&rowOut, x, 0), x % 2 == 0 ? 1 : 0) << x;
    // a one-row image reports 0 throughout
    EXPECT_TRUE(std::all_of(host.progress.begin(), host.progress.end(), [](int p) { return p == 0; }));
    // one column: the errors travel down through slot 1 only
    TDibRecord col = Make24(1, 5, [](int32_t, int32_t) { return 0x808080; });
    TDibRecord colOut = blackWhite(1, 5);
    FloydSteinbergMap(col, colOut, host);
    for (int32_t y = 0; y < 5; ++y)
        EXPECT_EQ(getpixel(&colOut, 0, y), y % 2 == 0 ? 1 : 0) << y;
    // 3 x 2: row 0 left to right 1 0 1; row 1 right to left reads 104, 171, 66: 0 1 0
    TDibRecord sq = Make24(3, 2, [](int32_t, int32_t) { return 0x808080; });
    TDibRecord sqOut = blackWhite(3, 2);
    FloydSteinbergMap(sq, sqOut, host);
    const int want[2][3] = {{1, 0, 1}, {0, 1, 0}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(getpixel(&sqOut, x, y), want[y][x]) << x << "," << y;
    // an image without pixels is left alone
    TDibRecord none{};
    FloydSteinbergMap(none, sqOut, host);
    for (TDibRecord* d : {&row, &rowOut, &col, &colOut, &sq, &sqOut})
        deldib(d);
}

TEST(DepthDown, FloydSteinbergOfGreyIsHalfWhite) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(64, 64, [](int32_t, int32_t) { return 0x808080; }));
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(1, true, TDepthMethod::FloydSteinberg, true)));
    int white = 0;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x)
            white += getpixel(&doc.Dib, x, y);
    EXPECT_NEAR(white, 2048, 64);
}

TEST(DepthDown, NearestMatchesAPlainScanOnEveryPixel) {
    RecordingHost host;
    std::mt19937 rng(3);
    DocumentState doc;
    Attach(doc, Make24(97, 61, [&](int32_t, int32_t) { return static_cast<int32_t>(rng() & 0xFFFFFF); }));
    TDibRecord before = MakeDIBCopy(doc.Dib, host);
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(8, true, TDepthMethod::Nearest, false)));
    for (int32_t y = 0; y < 61; ++y)
        for (int32_t x = 0; x < 97; ++x)
            ASSERT_EQ(static_cast<uint32_t>(getpixel(&doc.Dib, x, y)),
                      GetNearestPaletteIndexScan(doc.Dib.PaletteHandle,
                                                 static_cast<uint32_t>(getpixel(&before, x, y))));
    deldib(&before);
}

// Floyd-Steinberg spelled out as the rules say it: 16-bit slots added into one step at a time,
// the nearest entry by a scan of every entry.  Indices by image row, top first.
// (out of line: inlined into its callers, GCC 12 warns falsely about the error rows' delete)
[[gnu::noinline]] std::vector<uint32_t> PlainFloydSteinberg(const TDibRecord& src,
                                                             const TDibRecord& target) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    std::vector<uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
    std::vector<int16_t> e0(3 * static_cast<size_t>(w + 2), 0), e1(e0.size(), 0);
    bool flag = false;
    for (int32_t y = 0; y < h; ++y) {
        const bool ltr = !flag;
        std::vector<int16_t>& cur = ltr ? e0 : e1;
        std::vector<int16_t>& nxt = ltr ? e1 : e0;
        flag = !flag;
        auto slot = [](std::vector<int16_t>& e, int32_t k, int c) -> int16_t& {
            return e[3 * static_cast<size_t>(k) + static_cast<size_t>(c)];
        };
        for (int c = 0; c < 3; ++c)
            slot(nxt, w, c) = 0;
        for (int32_t k = 0; k < w; ++k) {
            const int32_t x = ltr ? k : w - 1 - k;
            int32_t rgb = getpixel(&src, x, y);
            if (DibBitsPerPixel(&src) != 24) {
                const TPaletteEntry& e = src.Palette.palPalEntry[rgb];
                rgb = Rgb(e.peRed, e.peGreen, e.peBlue);
            }
            const int32_t channel[3] = {BlueOf(rgb), GreenOf(rgb), RedOf(rgb)};
            int32_t v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = std::clamp(channel[c] + (slot(cur, k + 1, c) + 8) / 16, 0, 255);
            const uint32_t index = GetNearestPaletteIndexScan(
                target.PaletteHandle, static_cast<uint32_t>(Rgb(v[2], v[1], v[0])));
            out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = index;
            const TPaletteEntry& p = target.Palette.palPalEntry[index];
            const int32_t entry[3] = {p.peBlue, p.peGreen, p.peRed};
            for (int c = 0; c < 3; ++c) {
                const int32_t e = v[c] - entry[c];
                slot(nxt, w - k - 1, c) = static_cast<int16_t>(e);
                slot(nxt, w - k + 1, c) = static_cast<int16_t>(slot(nxt, w - k + 1, c) + 3 * e);
                slot(nxt, w - k, c) = static_cast<int16_t>(slot(nxt, w - k, c) + 5 * e);
                slot(cur, k + 2, c) = static_cast<int16_t>(slot(cur, k + 2, c) + 7 * e);
            }
        }
    }
    return out;
}

// Floyd-Steinberg at every vector level of this processor gives the plain loop's pixels.
void ExpectEveryLevelDiffusesAsThePlainLoop(const TDibRecord& src, TDibRecord& target,
                                            Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    const std::vector<uint32_t> want = PlainFloydSteinberg(src, target);
    for (const SimdLevel level : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel scoped(level);
        FloydSteinbergMap(src, target, host);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                ASSERT_EQ(static_cast<uint32_t>(getpixel(&target, x, y)),
                          want[static_cast<size_t>(y * w + x)])
                    << "Floyd-Steinberg, " << SimdLevelName(level) << " at " << x << "," << y;
    }
}

// A palette of n colours that makes ties likely: clustered, on a coarse grid, or with
// duplicates, and now and then wholly random.
std::vector<uint32_t> TiePronePalette(std::mt19937& rng, int n) {
    std::vector<uint32_t> pal;
    const int kind = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) {
        uint32_t c = rng() & 0xFFFFFF;
        if (kind == 0)
            c &= 0xF0F0F0; // lower corners of a 16-step grid, as popularity palettes have
        else if (kind == 1)
            c = (c & 0x3F3F3F) + 0x606060; // a cluster: many cells with several candidates
        if (i > 0 && (kind == 2 || rng() % 8 == 0))
            c = pal[rng() % pal.size()]; // duplicates: the lower index must win
        pal.push_back(c);
    }
    return pal;
}

// The fast mappings against the rules spelled out, over many palettes, depths and sizes (rows
// longer than a vector block, odd widths, one row, one column).
TEST(DepthDown, MappingsMatchPlainLoopsOverManyPalettes) {
    RecordingHost host;
    std::mt19937 rng(2024);
    for (int round = 0; round < 48; ++round) {
        const int tbpp = round % 6 == 0 ? 1 : (round % 3 == 0 ? 4 : 8);
        const int32_t w = round % 11 == 0 ? 1 : 1 + static_cast<int32_t>(rng() % 90);
        const int32_t h = round % 13 == 0 ? 1 : 1 + static_cast<int32_t>(rng() % 40);
        const bool paletteSource = round % 4 == 1;
        // smooth gradients with noise: colours repeat and neighbours are near
        const int noise = 1 + static_cast<int>(rng() % 64);
        const int32_t base = static_cast<int32_t>(rng() & 0xFFFFFF);
        auto pixel = [&](int32_t x, int32_t y) {
            const int32_t r = (RedOf(base) + 3 * x + static_cast<int32_t>(rng() % noise)) & 255;
            const int32_t g = (GreenOf(base) + 2 * y + static_cast<int32_t>(rng() % noise)) & 255;
            const int32_t b = (BlueOf(base) + x + y) & 255;
            return Rgb(r, g, b);
        };
        TDibRecord src = paletteSource ? MakePalette(8, TiePronePalette(rng, 256),
                                                     [&](int32_t, int32_t) {
                                                         return static_cast<int32_t>(rng() % 256);
                                                     },
                                                     w, h)
                                       : Make24(w, h, pixel);
        TDibRecord target = MakePalette(tbpp, TiePronePalette(rng, 1 << tbpp),
                                        [](int32_t, int32_t) { return 0; }, w, h);
        ASSERT_NE(src.Bits, nullptr);
        ASSERT_NE(target.Bits, nullptr);

        {
            SCOPED_TRACE("round " + std::to_string(round));
            ExpectEveryLevelDiffusesAsThePlainLoop(src, target, host);
            if (::testing::Test::HasFatalFailure())
                return;
        }

        if (tbpp != 1) {
            NearestMap(src, target, host);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    int32_t rgb = getpixel(&src, x, y);
                    if (paletteSource) {
                        const TPaletteEntry& e = src.Palette.palPalEntry[rgb];
                        rgb = Rgb(e.peRed, e.peGreen, e.peBlue);
                    }
                    ASSERT_EQ(static_cast<uint32_t>(getpixel(&target, x, y)),
                              GetNearestPaletteIndexScan(target.PaletteHandle,
                                                         static_cast<uint32_t>(rgb)))
                        << "nearest, round " << round << " at " << x << "," << y;
                }
        }
        deldib(&src);
        deldib(&target);
    }
}

// When the palette's accelerator has run out of answer tables, the diffusion asks colour by
// colour for the cells without one, and still gives the plain result.
TEST(DepthDown, FloydSteinbergWithTheAcceleratorsTablesUsedUp) {
    RecordingHost host;
    std::mt19937 rng(99);
    std::vector<uint32_t> colours(256);
    for (uint32_t& c : colours)
        c = rng() & 0xFFFFFF;
    const int32_t w = 67, h = 45;
    TDibRecord src = Make24(w, h, [&](int32_t, int32_t) { return static_cast<int32_t>(rng() & 0xFFFFFF); });
    TDibRecord target = MakePalette(8, colours, [](int32_t, int32_t) { return 0; }, w, h);
    ASSERT_NE(src.Bits, nullptr);
    ASSERT_NE(target.Bits, nullptr);
    // one query in every fine cell of 4 x 4 x 4 colours takes every table there is
    for (uint32_t cell = 0; cell < 64 * 64 * 64; ++cell)
        GetNearestPaletteIndex(target.PaletteHandle,
                               ((cell >> 12) << 2) | (((cell >> 6) & 63) << 10) | ((cell & 63) << 18));
    const uint16_t* cells = nullptr;
    const uint8_t* answers = nullptr;
    ASSERT_EQ(GetNearestPaletteTables(target.PaletteHandle, &cells, &answers), 1);
    size_t withoutTable = 0;
    for (uint32_t cell = 0; cell < 64 * 64 * 64; ++cell)
        withoutTable += cells[cell] > PICTORA_NEAREST_TABLE_BASE + PICTORA_NEAREST_TABLES - 1 ? 1 : 0;
    ASSERT_GT(withoutTable, 1000u);

    ExpectEveryLevelDiffusesAsThePlainLoop(src, target, host);
    deldib(&src);
    deldib(&target);
}

TEST(DepthDown, ImageStaysWithoutACaseOrWithoutMemory) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, MakePalette(8, {0x112233}, [](int32_t x, int32_t) { return x; }));
    const std::vector<uint8_t> before = PixelBytes(doc.Dib);
    const uint8_t* bits = doc.Dib.Bits;
    EXPECT_FALSE(DepthDownTo(doc, host, DepthDownChoice(8, true, TDepthMethod::Nearest, true)));
    EXPECT_EQ(doc.Dib.Bits, bits);
    DocumentState big;
    Attach(big, Make24(300, 200, [](int32_t x, int32_t) { return x; }));
    const uint8_t* bigBits = big.Dib.Bits;
    {
        AllocLimit limit(PictoraAllocatedBytes() + 1000);
        EXPECT_FALSE(DepthDownTo(big, host, DepthDownChoice(8, true, TDepthMethod::Nearest, true)));
    }
    EXPECT_EQ(big.Dib.Bits, bigBits);
    EXPECT_EQ(DibBitsPerPixel(&big.Dib), 24);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(PixelBytes(doc.Dib), before);
}

TEST(DepthDown, AFloatingPieceEndsWithTheOldDepth) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(6, 4, [](int32_t x, int32_t) { return x * 40; }));
    SelectRect(doc, 1, 1, 2, 2);
    doc.Floating = true;
    doc.FloatDib = Make24(2, 2, [](int32_t, int32_t) { return 0xFFFFFF; });
    ASSERT_TRUE(DepthDownTo(doc, host, DepthDownChoice(4, true, TDepthMethod::Nearest, true)));
    EXPECT_FALSE(doc.Floating);
    EXPECT_EQ(doc.FloatDib.Bits, nullptr);
    EXPECT_TRUE(doc.HasSelection); // the selection stays
}

TEST(DepthDown, DialogRules) {
    const TDepthDownEnabling one = DepthDownEnabling(1, true);
    EXPECT_FALSE(one.PaletteRadios);
    EXPECT_FALSE(one.Dither);
    EXPECT_FALSE(one.WindowsColours);
    const TDepthDownEnabling four = DepthDownEnabling(4, false);
    EXPECT_TRUE(four.PaletteRadios);
    EXPECT_FALSE(four.Dither);
    EXPECT_FALSE(four.WindowsColours);
    EXPECT_TRUE(DepthDownEnabling(8, true).WindowsColours);
    EXPECT_FALSE(DepthDownEnabling(8, true).Dither);
    EXPECT_TRUE(DepthDownEnabling(8, false).Dither);
    EXPECT_FALSE(DepthDownEnabling(8, false).WindowsColours);

    EXPECT_EQ(FreeDepthRange(24, true).Min, 22);
    EXPECT_EQ(FreeDepthRange(24, false).Min, 2);
    EXPECT_EQ(FreeDepthRange(24, true).Max, 256);
    EXPECT_EQ(FreeDepthRange(8, true).Max, 16);
    EXPECT_EQ(FreeDepthRange(8, true).Min, 2); // the box is disabled for 8-bit images
    EXPECT_EQ(FreeDepthChoice(16, true, true).Bits, 4);
    EXPECT_EQ(FreeDepthChoice(17, true, true).Bits, 8);
    EXPECT_EQ(FreeDepthChoice(17, false, true).Method, TDepthMethod::Nearest);
}

} // namespace
} // namespace pixorama

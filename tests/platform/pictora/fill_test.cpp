// Flood fill: region search (connectivity, tolerance, palettes, mask), paint styles and size.
#include "pictora.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

struct Dib {
    TDibRecord d{};
    Dib() = default;
    Dib(int32_t w, int32_t h, int32_t bpp) { EXPECT_EQ(newdib(&d, w, h, bpp, nullptr, 0), 1); }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
    ~Dib() { deldib(&d); }
    int32_t at(int32_t x, int32_t y) const { return getpixel(&d, x, y); }
};

constexpr int32_t rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
constexpr int32_t grey(int v) {
    return rgb(v, v, v);
}
int red(int32_t v) {
    return v & 0xFF;
}
int green(int32_t v) {
    return (v >> 8) & 0xFF;
}
int blue(int32_t v) {
    return (v >> 16) & 0xFF;
}
constexpr int32_t kWhite = grey(255), kBlack = 0, kRed = rgb(255, 0, 0), kBlue = rgb(0, 0, 255);

int32_t fill(Dib& img, int32_t x, int32_t y, int32_t v1, int32_t tol = 0, int32_t style = 0,
             int32_t v2 = 0, int32_t dir = 0, const TDibRecord* pattern = nullptr) {
    return filldib(&img.d, x, y, v1, v2, tol, nullptr, 0, nullptr, style, dir, pattern);
}

int32_t fillMasked(Dib& img, int32_t x, int32_t y, int32_t v, Dib& mask, int32_t useMask) {
    return filldib(&img.d, x, y, v, 0, 0, &mask.d, useMask, nullptr, 0, 0, nullptr);
}

void setPalette(Dib& img, int i, int r, int g, int b) {
    DibSetPaletteColor(&img.d, i, static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                       static_cast<uint8_t>(b));
}

} // namespace

TEST(Filldib, SolidFillStopsAtBoundaryAndRefusesBadArguments) {
    Dib img(20, 12, 24), work(20, 12, 1), smallWork(5, 5, 1);
    recht_filled(&img.d, 0, 0, 19, 11, kWhite);
    line(&img.d, 10, 0, 10, 11, kBlack);
    recht_filled(&work.d, 0, 0, 19, 11, 1); // stale marks must not matter
    EXPECT_EQ(filldib(&img.d, 2, 3, kRed, 0, 0, nullptr, 0, &work.d, 0, 0, nullptr), 120);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(img.at(x, y), x < 10 ? kRed : x == 10 ? kBlack : kWhite) << x << "," << y;
    // a work record of the wrong size is replaced by a scratch one
    EXPECT_EQ(filldib(&img.d, 15, 0, kBlue, 0, 0, nullptr, 0, &smallWork.d, 0, 0, nullptr), 108);
    EXPECT_EQ(img.at(19, 11), kBlue);
    EXPECT_EQ(img.at(0, 0), kRed);

    const int seeds[4][2] = {{-1, 0}, {20, 0}, {0, 12}, {0, -1}};
    for (const auto& s : seeds)
        EXPECT_EQ(fill(img, s[0], s[1], kBlack), 0);
    Dib empty;
    EXPECT_EQ(fill(empty, 0, 0, kBlack), 0);
    EXPECT_EQ(filldib(nullptr, 0, 0, 0, 0, 0, nullptr, 0, nullptr, 0, 0, nullptr), 0);
    // no memory for the scratch marks: nothing is painted
    PictoraSetAllocLimit(PictoraAllocatedBytes() + 16);
    EXPECT_EQ(fill(img, 0, 0, kBlack), 0);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(img.at(0, 0), kRed);
}

TEST(Filldib, FourConnectedOnly) {
    Dib img(9, 9, 8);
    line(&img.d, 0, 8, 8, 0, 1); // a pure diagonal: its pixels touch at corners only
    EXPECT_EQ(fill(img, 0, 0, 2), 36);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(img.at(x, y), x + y < 8 ? 2 : x + y == 8 ? 1 : 0) << x << "," << y;
    EXPECT_EQ(fill(img, 4, 4, 3), 1);
}

TEST(Filldib, ToleranceIsPerChannel) {
    const int32_t seed = grey(100);
    const int32_t probes[8] = {
        rgb(110, 100, 100), rgb(100, 90, 100),  rgb(100, 100, 110), rgb(111, 100, 100),
        rgb(100, 89, 100),  rgb(100, 100, 111), rgb(90, 110, 90),   seed};
    for (const int tol : {10, -5}) { // a negative tolerance counts as 0
        Dib img(8, 3, 24);
        recht_filled(&img.d, 0, 0, 7, 0, seed); // row 0 reaches every probe from above
        for (int x = 0; x < 8; ++x)
            setpixel(&img.d, x, 1, probes[x]);
        EXPECT_EQ(fill(img, 3, 0, rgb(1, 2, 3), tol), tol > 0 ? 13 : 9);
        for (int x = 0; x < 8; ++x) {
            const bool in = x == 7 || (tol > 0 && (x < 3 || x == 6));
            EXPECT_EQ(img.at(x, 1), in ? rgb(1, 2, 3) : probes[x]) << tol << " " << x;
            EXPECT_EQ(img.at(x, 2), kBlack);
        }
    }
}

TEST(Filldib, PaletteImagesCompareColours) {
    Dib img(6, 1, 8);
    setPalette(img, 5, 10, 20, 30);
    setPalette(img, 9, 10, 20, 30);
    setPalette(img, 7, 12, 20, 30);
    DibUpdatePaletteHandle(&img.d);
    const int pixels[6] = {5, 9, 5, 7, 3, 5};
    for (int x = 0; x < 6; ++x)
        setpixel(&img.d, x, 0, pixels[x]);
    EXPECT_EQ(fill(img, 0, 0, 1), 3); // 9 looks like 5
    EXPECT_EQ(img.at(1, 0), 1);
    EXPECT_EQ(img.at(3, 0), 7);
    for (int x = 0; x < 3; ++x)
        setpixel(&img.d, x, 0, pixels[x]);
    EXPECT_EQ(fill(img, 2, 0, 1, 2), 4); // 7 is two steps of red away
    EXPECT_EQ(img.at(3, 0), 1);
    EXPECT_EQ(img.at(5, 0), 5);

    Dib bw(10, 3, 1); // a 1-bit image whose two entries look alike is one region
    setPalette(bw, 1, 0, 0, 0);
    DibUpdatePaletteHandle(&bw.d);
    line(&bw.d, 5, 0, 5, 2, 1);
    EXPECT_EQ(fill(bw, 0, 0, 1), 30);
}

TEST(Filldib, MaskRestrictsRegion) {
    Dib img(10, 10, 24), mask(10, 10, 1), small(5, 5, 1), deep(10, 10, 8);
    recht_filled(&img.d, 0, 0, 9, 9, kWhite);
    recht_filled(&mask.d, 2, 2, 6, 6, 1);
    recht_filled(&small.d, 0, 0, 4, 4, 1);
    EXPECT_EQ(fillMasked(img, 3, 3, kRed, mask, 1), 25);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(img.at(x, y), mask.at(x, y) ? kRed : kWhite) << x << "," << y;
    EXPECT_EQ(fillMasked(img, 0, 0, kBlue, mask, 1), 0);  // seed outside the mask
    EXPECT_EQ(fillMasked(img, 3, 3, kBlue, small, 1), 0); // wrong size: no pixel is inside
    EXPECT_EQ(fillMasked(img, 3, 3, kBlue, deep, 1), 0);
    EXPECT_EQ(img.at(0, 0), kWhite);
    EXPECT_EQ(fillMasked(img, 0, 0, kBlue, mask, 0), 75); // useMask 0 ignores the mask
}

TEST(Filldib, PaintColourNearSeedLeavesRegionAlone) {
    Dib img(10, 10, 24);
    recht_filled(&img.d, 0, 0, 9, 9, kWhite);
    rechteck(&img.d, 2, 2, 7, 7, kBlack);
    EXPECT_EQ(fill(img, 4, 4, kWhite), 16); // the same colour terminates
    EXPECT_EQ(fill(img, 4, 4, grey(250), 10), 16);
    EXPECT_EQ(fill(img, 0, 0, grey(245), 10), 64);
    EXPECT_EQ(fill(img, 0, 0, kWhite, 10), 64);
    EXPECT_EQ(img.at(4, 4), grey(250));
    EXPECT_EQ(img.at(2, 2), kBlack);
    EXPECT_EQ(img.at(9, 0), kWhite);
}

TEST(Filldib, PatternTilesFromImageOrigin) {
    Dib pat(3, 2, 24), img(10, 7, 24);
    for (int i = 0; i < 6; ++i)
        setpixel(&pat.d, i % 3, i / 3, rgb(i + 1, 0, 0));
    line(&img.d, 4, 0, 4, 6, kWhite);
    EXPECT_EQ(fill(img, 8, 5, kRed, 0, PICTORA_FILL_PATTERN, 0, 0, &pat.d), 35);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(img.at(x, y), x < 4    ? kBlack
                                    : x == 4 ? kWhite
                                             : rgb(y % 2 * 3 + x % 3 + 1, 0, 0));

    // palette pattern on a 24-bit image: through the pattern's colours
    Dib ppat(2, 2, 4), img2(5, 4, 24);
    DibSetPaletteColor(&ppat.d, 3, 30, 60, 90);
    DibUpdatePaletteHandle(&ppat.d);
    setpixel(&ppat.d, 1, 1, 3);
    EXPECT_EQ(fill(img2, 0, 0, kRed, 0, PICTORA_FILL_PATTERN, 0, 0, &ppat.d), 20);
    EXPECT_EQ(img2.at(3, 3), rgb(30, 60, 90));
    EXPECT_EQ(img2.at(3, 2), kBlack);

    // 24-bit pattern on a grey-ramp 8-bit image: nearest entries; same depth: stored values
    Dib gpat(2, 1, 24), ipat(2, 1, 8), img8(4, 2, 8), none;
    setpixel(&gpat.d, 0, 0, grey(17));
    setpixel(&gpat.d, 1, 0, rgb(200, 201, 199));
    setpixel(&ipat.d, 1, 0, 78);
    EXPECT_EQ(fill(img8, 0, 0, 9, 0, PICTORA_FILL_PATTERN, 0, 0, &gpat.d), 8);
    EXPECT_EQ(img8.at(2, 1), 17);
    EXPECT_EQ(img8.at(3, 0), 200);
    recht_filled(&img8.d, 0, 0, 3, 1, 5);
    EXPECT_EQ(fill(img8, 0, 0, 9, 0, PICTORA_FILL_PATTERN, 0, 0, &ipat.d), 8);
    EXPECT_EQ(img8.at(3, 1), 78);
    EXPECT_EQ(fill(img8, 0, 0, 9, 0, PICTORA_FILL_PATTERN, 0, 0, &none.d), 2); // no pixels: value1
    EXPECT_EQ(img8.at(0, 1), 9);
}

TEST(Filldib, GradientsOverTheRegionsBox) {
    struct Probe {
        int style, dir, x, y, value;
    };
    // black to white on an 11 x 11 image; the expected greys are round(255 t)
    // clang-format off
    const Probe probes[] = {
        {2, 7, 0, 5, 0}, {2, 7, 10, 5, 255}, {2, 7, 5, 9, 128}, {2, 7, 2, 0, 51}, // linear
        {2, 3, 10, 0, 0}, {2, 3, 0, 0, 255}, {2, 1, 3, 0, 0}, {2, 1, 3, 10, 255},
        {2, 5, 3, 10, 0}, {2, 5, 3, 0, 255}, {2, 0, 0, 0, 0}, {2, 0, 10, 10, 255},
        {2, 0, 10, 0, 128}, {2, 2, 10, 0, 0}, {2, 2, 0, 10, 255}, {2, 4, 10, 10, 0},
        {2, 4, 0, 0, 255}, {2, 6, 0, 10, 0}, {2, 6, 10, 0, 255},
        // rectangular: directions 0..3 value1 in the centre, 4..7 on the edge
        {3, 1, 5, 5, 0}, {3, 1, 0, 5, 255}, {3, 1, 10, 0, 255}, {3, 1, 2, 5, 153},
        {3, 1, 5, 2, 153}, {3, 1, 8, 8, 153}, {3, 1, 2, 7, 153}, {3, 5, 5, 5, 255},
        {3, 5, 0, 3, 0}, {3, 5, 2, 5, 102},
        // radial: circles, 255 / sqrt(2) halfway to the corner
        {5, 3, 5, 5, 0}, {5, 3, 0, 0, 255}, {5, 3, 10, 10, 255}, {5, 3, 5, 0, 180},
        {5, 3, 10, 5, 180}, {5, 3, 2, 1, 180}, {5, 3, 8, 9, 180}, {5, 4, 5, 5, 255},
        {5, 4, 10, 0, 0}, {5, 4, 5, 0, 75},
        // sunburst: clockwise from the 'from' side
        {4, 1, 5, 0, 0}, {4, 1, 5, 3, 0}, {4, 1, 10, 5, 64}, {4, 1, 5, 10, 128},
        {4, 1, 0, 5, 191}, {4, 1, 6, 0, 8}, {4, 1, 4, 0, 247}, {4, 7, 0, 5, 0},
        {4, 7, 5, 0, 64}, {4, 7, 10, 5, 128}, {4, 0, 0, 0, 0}, {4, 0, 3, 3, 0},
        {4, 0, 10, 0, 64}, {4, 0, 10, 10, 128},
    };
    // clang-format on
    Dib img(11, 11, 24);
    for (const Probe& p : probes) {
        recht_filled(&img.d, 0, 0, 10, 10, grey(9));
        ASSERT_EQ(fill(img, 0, 0, kBlack, 0, p.style, kWhite, p.dir), 121);
        EXPECT_EQ(img.at(p.x, p.y), grey(p.value))
            << "style " << p.style << " dir " << p.dir << " at " << p.x << "," << p.y;
    }

    // channels blend separately; the box is that of the region, not of the image
    Dib boxed(20, 10, 24);
    rechteck(&boxed.d, 4, 2, 14, 8, kWhite);
    EXPECT_EQ(fill(boxed, 8, 5, kRed, 0, PICTORA_FILL_LINEAR, kBlue, PICTORA_DIR_W_O), 45);
    EXPECT_EQ(boxed.at(5, 3), kRed);
    EXPECT_EQ(boxed.at(9, 7), rgb(128, 0, 128));
    EXPECT_EQ(boxed.at(13, 4), kBlue);
    EXPECT_EQ(boxed.at(4, 5), kWhite);
    for (int x = 6; x <= 13; ++x) {
        EXPECT_LE(red(boxed.at(x, 3)), red(boxed.at(x - 1, 3)));
        EXPECT_GE(blue(boxed.at(x, 3)), blue(boxed.at(x - 1, 3)));
    }
}

TEST(Filldib, GradientOnPaletteImageUsesNearestEntries) {
    Dib img(5, 1, 8);
    for (int i = 0; i < 256; ++i)
        setPalette(img, i, 0, 255, 0);
    setPalette(img, 0, 255, 0, 0);
    setPalette(img, 1, 0, 0, 255);
    setPalette(img, 2, 128, 0, 128);
    setPalette(img, 3, 191, 0, 64);
    setPalette(img, 4, 64, 0, 191);
    DibUpdatePaletteHandle(&img.d);
    EXPECT_EQ(fill(img, 0, 0, 0, 0, PICTORA_FILL_LINEAR, 1, PICTORA_DIR_W_O), 5);
    const int expected[5] = {0, 3, 2, 4, 1};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(img.at(x, 0), expected[x]) << x;

    // default grey ramps: every blended grey is an entry of its own
    Dib img8(18, 1, 8), img4(16, 1, 4);
    fill(img8, 0, 0, 0, 0, PICTORA_FILL_LINEAR, 255, PICTORA_DIR_W_O);
    fill(img4, 0, 0, 15, 0, PICTORA_FILL_LINEAR, 0, PICTORA_DIR_O_W);
    for (int x = 0; x < 18; ++x)
        EXPECT_EQ(img8.at(x, 0), 15 * x) << x;
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(img4.at(x, 0), x) << x;
}

TEST(Filldib, LargeRegionsNeedNoRecursion) {
    Dib img(4000, 3000, 24), work(4000, 3000, 1);
    EXPECT_EQ(filldib(&img.d, 1234, 2345, kRed, 0, 0, nullptr, 0, &work.d, 0, 0, nullptr),
              12000000);
    EXPECT_EQ(img.at(0, 0), kRed);
    EXPECT_EQ(img.at(3999, 2999), kRed);

    // a serpentine corridor one pixel wide: millions of pixels in one long path
    Dib maze(4000, 3000, 8);
    for (int x = 1; x < 4000; x += 2) {
        const bool gapBelow = x / 2 % 2 == 0;
        line(&maze.d, x, gapBelow ? 0 : 1, x, gapBelow ? 2998 : 2999, 1);
    }
    EXPECT_EQ(fill(maze, 0, 0, 2), 12000000 - 2000 * 2999);
    EXPECT_EQ(maze.at(3998, 2999), 2);
    EXPECT_EQ(maze.at(3999, 0), 2);
}

namespace {

// What a fill from (sx, sy) must take: a plain search of the 4-connected pixels whose colour
// (colourOf(x, y), as R + 256 G + 65536 B) is within tol of the seed's in every channel and,
// with useMask, whose mask pixel is set.
std::vector<char> referenceRegion(int w, int h, int sx, int sy, int tol,
                                  const std::function<int32_t(int, int)>& colourOf,
                                  const Dib* mask) {
    const int32_t seed = colourOf(sx, sy), t = std::max(tol, 0);
    auto belongs = [&](int x, int y) {
        const int32_t c = colourOf(x, y);
        return std::abs(red(c) - red(seed)) <= t && std::abs(green(c) - green(seed)) <= t &&
               std::abs(blue(c) - blue(seed)) <= t && (mask == nullptr || mask->at(x, y) == 1);
    };
    std::vector<char> in(static_cast<size_t>(w) * h, 0);
    std::vector<std::pair<int, int>> todo;
    auto visit = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h && !in[y * w + x] && belongs(x, y)) {
            in[y * w + x] = 1;
            todo.push_back({x, y});
        }
    };
    for (visit(sx, sy); !todo.empty();) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        visit(x - 1, y);
        visit(x + 1, y);
        visit(x, y - 1);
        visit(x, y + 1);
    }
    return in;
}

int countOf(const std::vector<char>& in) {
    return static_cast<int>(std::count(in.begin(), in.end(), 1));
}

} // namespace

// The span fill against a plain breadth-first fill, pixel by pixel, on random images.
TEST(Filldib, MatchesPixelByPixelReference) {
    std::mt19937 rng(1234);
    const int depths[4] = {1, 4, 8, 24};
    for (int round = 0; round < 40; ++round) {
        const int bpp = depths[round % 4];
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 30);
        Dib img(w, h, bpp), mask(w, h, 1), work(w, h, 1);
        // few colours, some repeated, some close to each other
        int32_t colour[4];
        for (int i = 0; i < 4; ++i) {
            const int base = static_cast<int>(rng() % 3) * 40;
            colour[i] = rgb(base + static_cast<int>(rng() % 6), base, 255 - base);
            if (bpp != 24 && i < (1 << bpp))
                setPalette(img, i, red(colour[i]), green(colour[i]), blue(colour[i]));
        }
        const int used = bpp == 1 ? 2 : 4;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int c = static_cast<int>(rng() % used);
                setpixel(&img.d, x, y, bpp == 24 ? colour[c] : c);
                setpixel(&mask.d, x, y, rng() % 5 != 0);
            }
        const bool useMask = round % 3 == 0;
        const int tol = static_cast<int>(rng() % 8) - 1;
        const int sx = static_cast<int>(rng() % w), sy = static_cast<int>(rng() % h);

        std::vector<int32_t> before(w * h);
        for (int i = 0; i < w * h; ++i)
            before[i] = img.at(i % w, i / w);
        const auto in = referenceRegion(
            w, h, sx, sy, tol,
            [&](int x, int y) { return bpp == 24 ? before[y * w + x] : colour[before[y * w + x]]; },
            useMask ? &mask : nullptr);
        const int32_t paint = bpp == 24 ? rgb(1, 2, 3) : 1;
        ASSERT_EQ(filldib(&img.d, sx, sy, paint, 0, tol, &mask.d, useMask, &work.d, 0, 0, nullptr),
                  countOf(in))
            << "round " << round;
        for (int i = 0; i < w * h; ++i)
            ASSERT_EQ(img.at(i % w, i / w), in[i] ? paint : before[i])
                << "round " << round << " at " << i % w << "," << i / w;
    }
}

// Wide 24-bit regions with few pixels that stop the fill, and masks with few holes: runs are
// passed a block of pixels at a time (32 or 64 on vector processors), so every stop must be
// found wherever it lies in a block, at either end of a run, with channel ranges clipped at 0
// and 255.  The test binary runs once per vector path (PIXORAMA_SIMD).
TEST(Filldib, WideRunsStopAtEveryPixelOfABlock) {
    std::mt19937 rng(99);
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + static_cast<int>(rng() % 300), h = 1 + static_cast<int>(rng() % 12);
        Dib img(w, h, 24), mask(w, h, 1), work(w, h, 1);
        const int tol = static_cast<int>(rng() % 4) * (round % 2 == 0 ? 1 : 20);
        // seed channels at the ends of the range now and then, so the ranges clip
        auto channel = [&] {
            const int k = static_cast<int>(rng() % 4);
            return k == 0 ? 0 : (k == 1 ? 255 : static_cast<int>(rng() % 256));
        };
        const int sr = channel(), sg = channel(), sb = channel();
        const int32_t seedColour = rgb(sr, sg, sb);
        // a colour just inside or just outside the range in one channel
        auto near = [&](bool inside) {
            int c[3] = {sr, sg, sb};
            const int ch = static_cast<int>(rng() % 3);
            const int step = inside ? tol : tol + 1;
            c[ch] = c[ch] + step <= 255 ? c[ch] + step : c[ch] - step;
            if (!inside && c[ch] < 0)
                c[ch] = 255; // the whole range is taken: any value then matches; keep it in
            return rgb(c[0], c[1], c[2]);
        };
        const int density = 2 + static_cast<int>(rng() % 200);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int k = static_cast<int>(rng() % density);
                setpixel(&img.d, x, y, k == 0 ? near(false) : (k == 1 ? near(true) : seedColour));
                setpixel(&mask.d, x, y, rng() % (density + 3) != 0);
            }
        const bool useMask = round % 3 == 1;
        int sx = static_cast<int>(rng() % w), sy = static_cast<int>(rng() % h);
        setpixel(&img.d, sx, sy, seedColour);
        setpixel(&mask.d, sx, sy, 1);

        std::vector<int32_t> before(static_cast<size_t>(w) * h);
        for (int i = 0; i < w * h; ++i)
            before[i] = img.at(i % w, i / w);
        const auto in = referenceRegion(
            w, h, sx, sy, tol, [&](int x, int y) { return before[y * w + x]; },
            useMask ? &mask : nullptr);
        const int32_t paint = rgb(7, 8, 9);
        ASSERT_EQ(filldib(&img.d, sx, sy, paint, 0, tol, &mask.d, useMask, &work.d, 0, 0, nullptr),
                  countOf(in))
            << "round " << round << " width " << w;
        for (int i = 0; i < w * h; ++i)
            ASSERT_EQ(img.at(i % w, i / w), in[i] ? paint : before[i])
                << "round " << round << " at " << i % w << "," << i / w;
    }
}

// Mirroring, rotation, resizing, canvas, borders and cropping, on every depth they handle.
#include "ops/geometry.h"

#include "document/selection.h"
#include "document/simd_level.h"
#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

namespace pixorama {
namespace {

using namespace testing;

// A pixel value that fits the depth at (x, y), different for neighbours.
int32_t pattern(int bpp, int32_t x, int32_t y) {
    const int32_t v = x * 7 + y * 13 + (x * y) % 5;
    switch (bpp) {
    case 1: return (x + 2 * y + x * y) % 2;
    case 4: return v % 16;
    case 8: return v % 256;
    default: return Rgb(v % 256, (v * 3) % 256, (x * 31 + y) % 256);
    }
}

TDibRecord makeImage(int bpp, int32_t w, int32_t h) {
    TDibRecord d;
    newdib(&d, w, h, bpp, nullptr, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            setpixel(&d, x, y, pattern(bpp, x, y));
    return d;
}

void expectSameImage(const TDibRecord& a, const TDibRecord& b) {
    ASSERT_EQ(DibWidth(&a), DibWidth(&b));
    ASSERT_EQ(DibHeight(&a), DibHeight(&b));
    for (int32_t y = 0; y < DibHeight(&a); ++y)
        for (int32_t x = 0; x < DibWidth(&a); ++x)
            ASSERT_EQ(getpixel(&a, x, y), getpixel(&b, x, y)) << x << "," << y;
}

class GeometryDepths : public ::testing::TestWithParam<int> {};

TEST_P(GeometryDepths, MirrorsAndQuarterTurnsFollowTheirFormulasAndRoundTrip) {
    const int bpp = GetParam();
    RecordingHost host;
    for (auto [w, h] : {std::pair{7, 5}, std::pair{1, 1}, std::pair{40, 3}, std::pair{1, 9}}) {
        DibHolder src(makeImage(bpp, w, h));
        DibHolder left(RotLeft(src.get(), host)), right(RotRight(src.get(), host));
        DibHolder half(Rot180(src.get(), host)), mh(MirrorH(src.get(), host)),
            mv(MirrorV(src.get(), host));
        ASSERT_EQ(DibWidth(&left.get()), h);
        ASSERT_EQ(DibHeight(&left.get()), w);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const int32_t v = getpixel(&src.get(), x, y);
                ASSERT_EQ(getpixel(&left.get(), y, w - 1 - x), v);
                ASSERT_EQ(getpixel(&right.get(), h - 1 - y, x), v);
                ASSERT_EQ(getpixel(&half.get(), w - 1 - x, h - 1 - y), v);
                ASSERT_EQ(getpixel(&mh.get(), w - 1 - x, y), v);
                ASSERT_EQ(getpixel(&mv.get(), x, h - 1 - y), v);
            }
        DibHolder back(RotRight(left.get(), host));
        expectSameImage(back.get(), src.get());
        DibHolder four(RotLeft(left.get(), host));
        DibHolder four2(RotLeft(four.get(), host));
        DibHolder four3(RotLeft(four2.get(), host));
        expectSameImage(four3.get(), src.get());
        // the row padding of the new images is clean
        for (int32_t y = 0; y < DibWidth(&src.get()); ++y) {
            const int32_t used = (DibWidth(&left.get()) * bpp + 7) / 8;
            for (int32_t k = used; k < left->LineBytes; ++k)
                ASSERT_EQ(left->Bits[y * left->LineBytes + k] & (bpp < 8 ? 0 : 0xFF), 0);
        }
    }
}

TEST_P(GeometryDepths, FreeRotationSamplesTheRoundedSourceAndFillsTheRest) {
    const int bpp = GetParam();
    RecordingHost host;
    DibHolder src(makeImage(bpp, 9, 6));
    const int32_t fill = bpp == 1 ? 1 : 3;
    for (long double angle : {45.0L, 90.0L, 30.0L, 200.5L, 359.99L}) {
        for (bool cw : {false, true}) {
            DibHolder r(DibRotxxx(src.get(), host, cw, angle, fill, false));
            ASSERT_TRUE(r.ok());
            const int32_t nw = DibWidth(&r.get()), nh = DibHeight(&r.get());
            const long double t = (cw ? -angle : angle) * 3.14159265358979323846264338327950288L / 180;
            const long double S = std::sin(t), C = std::cos(t);
            for (int32_t y = 0; y < nh; ++y)
                for (int32_t x = 0; x < nw; ++x) {
                    const int32_t dx = x - nw / 2, dy = y - nh / 2;
                    const int32_t sx = static_cast<int32_t>(std::nearbyintl(dx * C - dy * S)) + 4;
                    const int32_t sy = static_cast<int32_t>(std::nearbyintl(dx * S + dy * C)) + 3;
                    const bool in = sx >= 0 && sx < 9 && sy >= 0 && sy < 6;
                    ASSERT_EQ(getpixel(&r.get(), x, y), in ? getpixel(&src.get(), sx, sy) : fill)
                        << (double)angle << " " << x << "," << y;
                }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, GeometryDepths, ::testing::Values(1, 4, 8, 24));

TEST(Geometry, FreeRotationSizes) {
    int32_t w, h;
    RotatedSize(3, 2, false, 90.0L, w, h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 3);
    RotatedSize(100, 100, false, 45.0L, w, h);
    EXPECT_EQ(w, 142);
    EXPECT_EQ(h, 142);
    RotatedSize(100, 60, true, 360.0L, w, h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 60);
    // 100 x 100 by 45 degrees: the corners of the new image hold the fill
    RecordingHost host;
    DibHolder src(Make24(100, 100, [](int32_t, int32_t) { return Rgb(9, 9, 9); }));
    DibHolder r(DibRotxxx(src.get(), host, false, 45.0L, Rgb(1, 2, 3), false));
    EXPECT_EQ(getpixel(&r.get(), 0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(getpixel(&r.get(), 141, 141), Rgb(1, 2, 3));
    EXPECT_EQ(getpixel(&r.get(), 71, 71), Rgb(9, 9, 9));
}

TEST(Geometry, FreeRotationBy90DiffersFromTheQuarterTurnByAColumnOnEvenSizes) {
    RecordingHost host;
    DibHolder src(makeImage(24, 4, 4));
    DibHolder quarter(RotLeft(src.get(), host));
    DibHolder free(DibRotxxx(src.get(), host, false, 90.0L, 0, false));
    ASSERT_EQ(DibWidth(&free.get()), 4);
    // the centre of an even image is off by one: the free turn is the quarter turn moved
    // one step, with a fill line at the edge
    int differing = 0;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            differing += getpixel(&quarter.get(), x, y) != getpixel(&free.get(), x, y);
    EXPECT_GT(differing, 0);
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(getpixel(&free.get(), x, y), getpixel(&quarter.get(), x, y - 1));
}

TEST(Geometry, ResizeSteps) {
    RecordingHost host;
    // 10 -> 15 takes columns 0, 0, 1, 1, 2, 3, 3, 4, ...
    DibHolder src(MakePalette(8, {}, [](int32_t x, int32_t) { return x; }, 10, 10));
    DibHolder r(ResizeDib(src.get(), host, 15, 15, false));
    const int32_t want[] = {0, 0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8, 9};
    for (int32_t x = 0; x < 15; ++x)
        EXPECT_EQ(getpixel(&r.get(), x, 0), want[x]) << x;
    // white doubled: 253 with interpolation, 255 without
    DibHolder white(Make24(3, 2, [](int32_t, int32_t) { return Rgb(255, 255, 255); }));
    DibHolder lin(ResizeDib(white.get(), host, 6, 4, true));
    DibHolder near(ResizeDib(white.get(), host, 6, 4, false));
    EXPECT_EQ(getpixel(&lin.get(), 2, 2), Rgb(253, 253, 253));
    EXPECT_EQ(getpixel(&lin.get(), 0, 0), Rgb(253, 253, 253));
    EXPECT_EQ(getpixel(&near.get(), 2, 2), Rgb(255, 255, 255));
    // the bilinear formula at one point: 2 x 1 -> 4 x 1, a = 512 between 0 and 200
    DibHolder ramp(Make24(2, 1, [](int32_t x, int32_t) { return x ? Rgb(200, 100, 0) : 0; }));
    DibHolder up(ResizeDib(ramp.get(), host, 4, 1, true));
    // top = (0 * 511 + 200 * 512) >> 10 = 100; value = (100 * 1023) >> 10 = 99
    EXPECT_EQ(RedOf(getpixel(&up.get(), 1, 0)), 99);
    EXPECT_EQ(GreenOf(getpixel(&up.get(), 1, 0)), 49);
    // shrinking with interpolation samples the nearest pixel
    DibHolder down(ResizeDib(ramp.get(), host, 1, 1, true));
    EXPECT_EQ(getpixel(&down.get(), 0, 0), 0);
}

TEST(Geometry, ResizeOneByOneAndBackOnEveryDepth) {
    RecordingHost host;
    for (int bpp : {1, 4, 8, 24}) {
        DibHolder one(makeImage(bpp, 1, 1));
        DibHolder big(ResizeDib(one.get(), host, 5, 3, true));
        ASSERT_TRUE(big.ok());
        // one source pixel: the bilinear weights sum to 1023, so 24-bit channels lose a little
        const int32_t v = getpixel(&one.get(), 0, 0);
        auto twice = [](int32_t c) { return ((c * 1023) >> 10) * 1023 >> 10; };
        const int32_t want =
            bpp == 24 ? Rgb(twice(RedOf(v)), twice(GreenOf(v)), twice(BlueOf(v))) : v;
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
                EXPECT_EQ(getpixel(&big.get(), x, y), want) << bpp;
        DibHolder small(makeImage(bpp, 5, 3));
        DibHolder dot(ResizeDib(small.get(), host, 1, 1, false));
        ASSERT_EQ(DibWidth(&dot.get()), 1);
        // rows in storage order: the bottom-most row (storage row 0) for the byte-wise depths
        EXPECT_EQ(getpixel(&dot.get(), 0, 0), getpixel(&small.get(), 0, bpp == 1 ? 0 : 2)) << bpp;
    }
}

TEST(Geometry, ResizeFourBitNibbles) {
    RecordingHost host;
    DibHolder src(MakePalette(4, {}, [](int32_t x, int32_t) { return x + 1; }, 3, 1));
    DibHolder r(ResizeDib(src.get(), host, 6, 1, false));
    const int32_t want[] = {1, 1, 2, 2, 3, 3};
    for (int32_t x = 0; x < 6; ++x)
        EXPECT_EQ(getpixel(&r.get(), x, 0), want[x]);
}

TEST(Geometry, BlendRowsVectorPathMatchesThePlainOne) {
    std::vector<uint8_t> t(1000), b(1000), o1(1000), o2(1000);
    for (size_t i = 0; i < t.size(); ++i) {
        t[i] = static_cast<uint8_t>(i * 37);
        b[i] = static_cast<uint8_t>(255 - i * 11);
    }
    for (int32_t a : {0, 1, 511, 1000, 1023}) {
        SetGeometrySimd(0);
        BlendRows(t.data(), b.data(), 1023 - a, a, o1.data(), 997);
        SetGeometrySimd(2);
        BlendRows(t.data(), b.data(), 1023 - a, a, o2.data(), 997);
        EXPECT_EQ(o1, o2);
        EXPECT_EQ(o1[5], (t[5] * (1023 - a) + b[5] * a) >> 10);
    }
}

// Images large enough that the row blocks run in parallel and in 8 x 8 tiles, with edges that
// are not multiples of 8 or 16: every path gives the formula's pixels.
TEST(Geometry, TiledAndVectorMirrorsAndTurnsFollowTheFormulas) {
    RecordingHost host;
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    struct Case {
        int bpp;
        int32_t w, h;
    };
    for (const Case c : {Case{24, 311, 290}, Case{8, 603, 499}}) {
        std::vector<int32_t> px(static_cast<size_t>(c.w) * static_cast<size_t>(c.h));
        for (int32_t& v : px)
            v = static_cast<int32_t>(next() >> 8) & (c.bpp == 24 ? 0xFFFFFF : 0xFF);
        auto at = [&](int32_t x, int32_t y) { return px[static_cast<size_t>(y) * c.w + x]; };
        DibHolder src(c.bpp == 24 ? Make24(c.w, c.h, at) : MakePalette(8, {}, at, c.w, c.h));
        for (int level : {0, 2}) {
            SetGeometrySimd(level);
            DibHolder l(RotLeft(src.get(), host)), r(RotRight(src.get(), host));
            DibHolder m(MirrorH(src.get(), host)), t(Rot180(src.get(), host));
            ASSERT_EQ(DibWidth(&l.get()), c.h);
            int32_t wrong = 0;
            for (int32_t y = 0; y < c.h; ++y)
                for (int32_t x = 0; x < c.w; ++x) {
                    const int32_t v = at(x, y);
                    wrong += getpixel(&l.get(), y, c.w - 1 - x) != v;
                    wrong += getpixel(&r.get(), c.h - 1 - y, x) != v;
                    wrong += getpixel(&m.get(), c.w - 1 - x, y) != v;
                    wrong += getpixel(&t.get(), c.w - 1 - x, c.h - 1 - y) != v;
                }
            EXPECT_EQ(wrong, 0) << c.bpp << "-bit, level " << level;
        }
        // free rotation: the vector path gives the plain path's bytes, fill included
        for (const long double angle : {45.0L, 33.3L, 90.0L, 359.99L}) {
            SetGeometrySimd(0);
            DibHolder plain(DibRotxxx(src.get(), host, true, angle, 0x123456 & (c.bpp == 24 ? 0xFFFFFF : 0xFF), false));
            SetGeometrySimd(2);
            DibHolder fast(DibRotxxx(src.get(), host, true, angle, 0x123456 & (c.bpp == 24 ? 0xFFFFFF : 0xFF), false));
            EXPECT_EQ(PixelBytes(plain.get()), PixelBytes(fast.get())) << c.bpp << "-bit, " << static_cast<double>(angle);
        }
    }
    SetGeometrySimd(2);
}

// Quarter turns of images tall enough that the new rows are staged in more than one band of
// columns and wide enough for the row strips to run in parallel, with a short last strip (and
// strips with no full strip at all): the vector path gives the plain path's bytes, row padding
// included, on every source row parity, staged and without the staging buffer.
TEST(Geometry, QuarterTurnsInSeveralStagingBandsMatchThePlainPath) {
    RecordingHost host;
    uint32_t seed = 99;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    struct Case {
        int bpp;
        int32_t w, h;
    };
    const SimdLevel inForce = ActiveSimdLevel();
    for (const Case c :
         {Case{24, 21, 4501}, Case{24, 40, 4200}, Case{24, 100, 2100}, Case{8, 90, 3203}}) {
        DibHolder src(
            c.bpp == 24
                ? Make24(c.w, c.h,
                         [&](int32_t, int32_t) { return static_cast<int32_t>(next() & 0xFFFFFF); })
                : MakePalette(
                      8, {}, [&](int32_t, int32_t) { return static_cast<int32_t>(next() & 0xFF); },
                      c.w, c.h));
        for (const bool left : {true, false}) {
            SetGeometrySimd(0);
            DibHolder plain(left ? RotLeft(src.get(), host) : RotRight(src.get(), host));
            SetGeometrySimd(2);
            // every level up to the one in force (the environment may ask for less)
            for (const SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
                if (static_cast<int>(level) > static_cast<int>(inForce))
                    continue;
                SetSimdLevel(level);
                for (const bool staged : {true, false}) {
                    SetQuarterTurnStaging(staged);
                    DibHolder fast(left ? RotLeft(src.get(), host) : RotRight(src.get(), host));
                    ASSERT_TRUE(plain.ok() && fast.ok());
                    EXPECT_EQ(PixelBytes(plain.get()), PixelBytes(fast.get()))
                        << c.bpp << "-bit " << c.w << "x" << c.h << (left ? " left " : " right ")
                        << SimdLevelName(level) << (staged ? " staged" : " direct");
                }
                SetQuarterTurnStaging(true);
            }
            SetSimdLevel(inForce);
            // and the plain path is the formula (checked pixel by pixel on smaller images above)
            for (const auto& [x, y] : {std::pair{0, 0}, std::pair{c.w - 1, c.h - 1},
                                       std::pair{c.w - 1, c.h / 2}, std::pair{3, c.h - 2}}) {
                const int32_t v = getpixel(&src.get(), x, y);
                EXPECT_EQ(left ? getpixel(&plain.get(), y, c.w - 1 - x)
                               : getpixel(&plain.get(), c.h - 1 - y, x),
                          v);
            }
        }
    }
    SetGeometrySimd(2);
}

// The interpolated enlargement on both paths, against the formula (rows in storage order),
// small and large enough for the parallel row blocks.
TEST(Geometry, InterpolatedEnlargementOnEveryPathFollowsTheFormula) {
    RecordingHost host;
    uint32_t seed = 777;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    struct Case {
        int32_t w, h, nw, nh;
    };
    for (const Case c : {Case{37, 23, 101, 64}, Case{150, 120, 333, 250}, Case{1, 5, 9, 7}}) {
        std::vector<int32_t> px(static_cast<size_t>(c.w * c.h));
        for (int32_t& v : px)
            v = static_cast<int32_t>(next() & 0xFFFFFF);
        DibHolder src(Make24(c.w, c.h, [&](int32_t x, int32_t y) { return px[static_cast<size_t>(y * c.w + x)]; }));
        const int32_t stepX = c.w * 1024 / c.nw, stepY = c.h * 1024 / c.nh;
        // storage row sy is picture row h - 1 - sy
        auto at = [&](int32_t x, int32_t sy, int shift) {
            return (px[static_cast<size_t>((c.h - 1 - sy) * c.w + x)] >> shift) & 0xFF;
        };
        for (int level : {0, 2}) {
            SetGeometrySimd(level);
            DibHolder r(ResizeDib(src.get(), host, c.nw, c.nh, true));
            int32_t wrong = 0;
            for (int32_t y = 0; y < c.nh; ++y)
                for (int32_t x = 0; x < c.nw; ++x) {
                    const int32_t ix = x * stepX / 1024, ax = x * stepX % 1024;
                    const int32_t iy = y * stepY / 1024, ay = y * stepY % 1024;
                    const int32_t ix1 = std::min(ix + 1, c.w - 1), iy1 = std::min(iy + 1, c.h - 1);
                    int32_t want = 0;
                    for (int shift : {0, 8, 16}) {
                        const int32_t top = (at(ix, iy, shift) * (1023 - ax) + at(ix1, iy, shift) * ax) >> 10;
                        const int32_t bot = (at(ix, iy1, shift) * (1023 - ax) + at(ix1, iy1, shift) * ax) >> 10;
                        want |= ((top * (1023 - ay) + bot * ay) >> 10) << shift;
                    }
                    wrong += getpixel(&r.get(), x, c.nh - 1 - y) != want;
                }
            EXPECT_EQ(wrong, 0) << c.w << "x" << c.h << " -> " << c.nw << "x" << c.nh << ", level " << level;
        }
    }
    SetGeometrySimd(2);
}

TEST(Geometry, CanvasAndBorders) {
    RecordingHost host;
    for (int bpp : {1, 24}) {
        DibHolder src(makeImage(bpp, 6, 4));
        const int32_t fill = 1;
        DibHolder c(NewCanvas(src.get(), host, 4, 3, -1, 2, fill)); // smaller and cut
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x) {
                const int32_t sx = x + 1, sy = y - 2;
                EXPECT_EQ(getpixel(&c.get(), x, y),
                          sy >= 0 ? getpixel(&src.get(), sx, sy) : fill);
            }
        DibHolder b(AddBorders(src.get(), host, 1, 2, 3, 0, fill));
        ASSERT_EQ(DibWidth(&b.get()), 9);
        ASSERT_EQ(DibHeight(&b.get()), 7);
        EXPECT_EQ(getpixel(&b.get(), 2, 3), fill);
        EXPECT_EQ(getpixel(&b.get(), 3, 1), getpixel(&src.get(), 0, 0));
        EXPECT_EQ(getpixel(&b.get(), 8, 4), getpixel(&src.get(), 5, 3));
        EXPECT_EQ(getpixel(&b.get(), 8, 5), fill);
    }
}

TEST(Geometry, DialogArithmetic) {
    EXPECT_EQ(AspectHeight(50, 100, 30), 15);
    EXPECT_EQ(AspectHeight(33, 100, 30), 9);
    EXPECT_EQ(AspectWidth(15, 100, 30), 50);
    EXPECT_EQ(CentredOffset(400, 320), 40);
    EXPECT_EQ(CentredOffset(300, 200), 50);
    EXPECT_EQ(CentredOffset(321, 320), 0);
    EXPECT_EQ(CentredOffset(323, 320), 2);
}

class GeometryCommands : public ::testing::Test {
  protected:
    void SetUp() override { Attach(doc, makeImage(24, 8, 6)); }
    DocumentState doc;
    RecordingHost host;
};

TEST_F(GeometryCommands, SizeChangesTakeOneUndoLevelAndANewMask) {
    doc.BackColor = Rgb(1, 2, 3);
    ASSERT_TRUE(ResizeCommand(doc, host, 16, 3, true));
    EXPECT_EQ(doc.UndoCount, 1);
    EXPECT_EQ(DibWidth(&doc.SelMask), 16);
    EXPECT_EQ(DibHeight(&doc.SelMask), 3);
    EXPECT_FALSE(doc.HasSelection);
    ASSERT_TRUE(CanvasCommand(doc, host, 20, 5, 2, 1));
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(doc.UndoCount, 2);
    EXPECT_FALSE(BorderCommand(doc, host, 0, 0, 0, 0));
    EXPECT_EQ(doc.UndoCount, 2);
    ASSERT_TRUE(BorderCommand(doc, host, 1, 1, 1, 1));
    EXPECT_EQ(DibWidth(&doc.Dib), 22);
    RotateCommand(doc, host, {false, RotateAngle::Deg90, 0, false});
    EXPECT_EQ(DibWidth(&doc.Dib), 7);
    EXPECT_EQ(doc.UndoCount, 3);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(GeometryCommands, FailuresLeaveTheDocumentAndSayWhy) {
    const std::vector<uint8_t> before = PixelBytes(doc.Dib);
    {
        AllocLimit limit(PictoraAllocatedBytes() + 100);
        EXPECT_FALSE(ResizeCommand(doc, host, 1000, 1000, false));
        EXPECT_FALSE(CanvasCommand(doc, host, 1000, 1000, 0, 0));
        EXPECT_FALSE(BorderCommand(doc, host, 500, 500, 0, 0));
        SelectRect(doc, 1, 1, 6, 4);
        UpdateSelddib(doc, host);
        MirrorCommand(doc, host, true); // lifting fails quietly apart from the shortage text
    }
    ASSERT_GE(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].text, "Fehler beim Ändern der Größe...");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    EXPECT_EQ(host.messages[2].text, "Fehler beim Ändern der Größe...");
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    EXPECT_EQ(DibWidth(&doc.Dib), 8);
}

TEST_F(GeometryCommands, CropKeepsSelectedPixelsAndZeroesTheRest) {
    host.messages.clear();
    std::memset(doc.SelMask.Bits, 0, doc.SelMask.Info->bmiHeader.biSizeImage);
    FilledEllipse(&doc.SelMask, 1, 1, 6, 4, 1);
    doc.HasSelection = true;
    UpdateSelddib(doc, host);
    DibHolder old(MakeDIBCopy(doc.Dib, host));
    DocumentState copy;
    ASSERT_TRUE(CropCommand(doc, host));
    ASSERT_EQ(DibWidth(&doc.Dib), 6);
    ASSERT_EQ(DibHeight(&doc.Dib), 4);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 0); // corner outside the ellipse
    EXPECT_EQ(getpixel(&doc.Dib, 3, 2), getpixel(&old.get(), 4, 3));
    EXPECT_FALSE(doc.HasSelection);
    EXPECT_FALSE(CropCommand(doc, host)); // no selection now
}

TEST_F(GeometryCommands, MirrorAndRotateWithASelectionTurnOnlyThePiece) {
    DibHolder old(MakeDIBCopy(doc.Dib, host));
    SelectRect(doc, 2, 1, 4, 2); // 3 x 2
    UpdateSelddib(doc, host);
    MirrorCommand(doc, host, true);
    EXPECT_EQ(doc.UndoCount, 1);
    ASSERT_TRUE(doc.Floating);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const bool in = x >= 2 && x <= 4 && y >= 1 && y <= 2;
            EXPECT_EQ(getpixel(&doc.Dib, x, y), getpixel(&old.get(), in ? 6 - x : x, y));
        }
    // a quarter turn of the 3 x 2 piece: 2 x 3 at the same corner, the selection follows
    RotateCommand(doc, host, {false, RotateAngle::Deg90, 0, false});
    EXPECT_EQ(doc.UndoCount, 2);
    EXPECT_EQ(DibWidth(&doc.FloatDib), 2);
    EXPECT_EQ(doc.SelRect.Left, 2);
    EXPECT_EQ(doc.SelRect.Top, 1);
    EXPECT_EQ(doc.SelRect.Right, 3);
    EXPECT_EQ(doc.SelRect.Bottom, 3);
    // outside the piece, the image as it was (the old piece's place too)
    EXPECT_EQ(getpixel(&doc.Dib, 4, 1), getpixel(&old.get(), 4, 1));
    EXPECT_EQ(getpixel(&doc.Dib, 7, 5), getpixel(&old.get(), 7, 5));
    EXPECT_EQ(DibWidth(&doc.Dib), 8);
    // a free turn keeps the visible piece at the corner
    RotateCommand(doc, host, {true, RotateAngle::Free, 30.0L, false});
    EXPECT_EQ(doc.SelRect.Left, 2);
    EXPECT_EQ(doc.SelRect.Top, 1);
    EXPECT_TRUE(host.messages.empty());
}

} // namespace
} // namespace pixorama

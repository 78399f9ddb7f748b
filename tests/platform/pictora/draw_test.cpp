// Drawing primitives: inclusive corners, corner order, clipping, and the shapes brushes and the
// shape tool are built from.
#include "pictora.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

namespace {

class Canvas {
  public:
    Canvas(int w, int h, int bpp = 8) { newdib(&d, w, h, bpp, nullptr, 0); }
    ~Canvas() { deldib(&d); }
    int count(int value = 1) const {
        int n = 0;
        for (int y = 0; y < DibHeight(&d); ++y)
            for (int x = 0; x < DibWidth(&d); ++x) n += getpixel(&d, x, y) == value;
        return n;
    }
    std::set<std::pair<int, int>> set(int value = 1) const {
        std::set<std::pair<int, int>> s;
        for (int y = 0; y < DibHeight(&d); ++y)
            for (int x = 0; x < DibWidth(&d); ++x)
                if (getpixel(&d, x, y) == value) s.insert({x, y});
        return s;
    }
    bool at(int x, int y) const { return getpixel(&d, x, y) == 1; }
    TDibRecord d;
};

TEST(Draw, LineIncludesBothEndsInAnyOrder) {
    Canvas a(10, 10), b(10, 10);
    line(&a.d, 1, 2, 8, 5, 1);
    line(&b.d, 8, 5, 1, 2, 1);
    EXPECT_TRUE(a.at(1, 2));
    EXPECT_TRUE(a.at(8, 5));
    EXPECT_EQ(a.count(), 8); // one pixel per column of the major axis
    EXPECT_EQ(a.set(), b.set());
    Canvas p(3, 3);
    line(&p.d, 1, 1, 1, 1, 1);
    EXPECT_EQ(p.count(), 1);
    Canvas v(5, 5);
    line(&v.d, 2, 4, 2, 0, 1);
    EXPECT_EQ(v.count(), 5);
}

TEST(Draw, LineClipsAtTheBorder) {
    Canvas c(10, 10);
    line(&c.d, -5, 5, 20, 5, 1);
    EXPECT_EQ(c.count(), 10);
    line(&c.d, -100, -100, -1, -1, 2); // wholly outside
    EXPECT_EQ(c.count(2), 0);
    line(&c.d, INT32_MIN, 0, INT32_MAX, 0, 3); // no overflow, still clipped, and quick
    EXPECT_EQ(c.count(3), 10);
    line(&c.d, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 4); // the diagonal through the image
    for (int i = 0; i < 10; ++i) EXPECT_EQ(getpixel(&c.d, i, i), 4);
    // a long steep line agrees with the short one it passes through
    Canvas s1(10, 10);
    line(&s1.d, 2, -1000000, 7, 1000000 - 1, 1);
    EXPECT_EQ(s1.count(), 10);
}

TEST(Draw, RectanglesAreInclusive) {
    // the drag (10,10)-(19,19) makes a 10 x 10 shape
    Canvas filled(40, 40), outline(40, 40);
    recht_filled(&filled.d, 19, 19, 10, 10, 1);
    EXPECT_EQ(filled.count(), 100);
    EXPECT_TRUE(filled.at(10, 10));
    EXPECT_TRUE(filled.at(19, 19));
    EXPECT_FALSE(filled.at(20, 19));
    rechteck(&outline.d, 10, 19, 19, 10, 1);
    EXPECT_EQ(outline.count(), 36);
    EXPECT_FALSE(outline.at(15, 15));
    // (0,0)-(S,S) on an S x S record covers it all, clipped silently
    for (int bpp : {1, 4, 8, 24}) {
        Canvas s(7, 7, bpp);
        const int v = bpp == 24 ? 0x123456 : 1;
        recht_filled(&s.d, 0, 0, 7, 7, v);
        EXPECT_EQ(s.count(v), 49) << bpp;
    }
    Canvas out(5, 5);
    recht_filled(&out.d, 6, 6, 100, 100, 1);
    rechteck(&out.d, -10, -10, -1, 3, 1);
    EXPECT_EQ(out.count(), 0);
}

TEST(Draw, FilledEllipseIsInscribedAndSymmetric) {
    for (int w : {1, 2, 3, 4, 7, 10, 15, 16, 31}) {
        for (int h : {1, 2, 5, 10, 16}) {
            Canvas c(40, 40);
            FilledEllipse(&c.d, 3, 4, 3 + w - 1, 4 + h - 1, 1);
            auto s = c.set();
            ASSERT_FALSE(s.empty()) << w << "x" << h;
            int minx = 99, maxx = -1, miny = 99, maxy = -1;
            for (auto [x, y] : s) {
                minx = std::min(minx, x);
                maxx = std::max(maxx, x);
                miny = std::min(miny, y);
                maxy = std::max(maxy, y);
                // mirror images across both axes of the rectangle are in the shape too
                EXPECT_TRUE(s.count({3 + 3 + w - 1 - x, y})) << w << "x" << h;
                EXPECT_TRUE(s.count({x, 4 + 4 + h - 1 - y})) << w << "x" << h;
            }
            // touches all four sides of the inclusive rectangle, never leaves it
            EXPECT_EQ(minx, 3);
            EXPECT_EQ(maxx, 3 + w - 1);
            EXPECT_EQ(miny, 4);
            EXPECT_EQ(maxy, 4 + h - 1);
        }
    }
    // a 10 x 10 disc leaves its corners empty and keeps its centre
    Canvas c(10, 10);
    FilledEllipse(&c.d, 0, 0, 9, 9, 1);
    EXPECT_FALSE(c.at(0, 0));
    EXPECT_FALSE(c.at(9, 9));
    EXPECT_TRUE(c.at(5, 5));
    EXPECT_TRUE(c.at(0, 5));
    EXPECT_GT(c.count(), 70); // pi/4 of 100, roughly
    EXPECT_LT(c.count(), 90);
}

TEST(Draw, EllipseOutlineIsTheBorderOfTheFill) {
    for (int w : {1, 3, 6, 11, 20}) {
        for (int h : {1, 4, 9, 20}) {
            Canvas f(30, 30), o(30, 30);
            FilledEllipse(&f.d, 5, 5, 5 + w - 1, 5 + h - 1, 1);
            ellipse(&o.d, 5 + w - 1, 5 + h - 1, 5, 5, 1); // corners swapped
            auto fill = f.set();
            auto ring = o.set();
            for (auto [x, y] : fill) {
                const bool border = !fill.count({x - 1, y}) || !fill.count({x + 1, y}) ||
                                    !fill.count({x, y - 1}) || !fill.count({x, y + 1});
                EXPECT_EQ(ring.count({x, y}) == 1, border) << w << "x" << h << " at " << x << ","
                                                           << y;
            }
            for (auto p : ring) EXPECT_TRUE(fill.count(p));
        }
    }
}

TEST(Draw, EllipsesClipAndSurviveHugeCoordinates) {
    Canvas c(20, 20);
    FilledEllipse(&c.d, -10, -10, 9, 9, 1); // quarter inside
    EXPECT_TRUE(c.at(0, 0));
    EXPECT_FALSE(c.at(10, 10));
    Canvas big(16, 16);
    FilledEllipse(&big.d, -1000000, -1000000, 1000000, 1000000, 1);
    EXPECT_EQ(big.count(), 256);
    ellipse(&big.d, -1000000, -1000000, 1000000, 1000000, 2);
    EXPECT_EQ(big.count(2), 0); // the outline runs far outside
    FilledEllipse(&big.d, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 3);
    EXPECT_EQ(big.count(3), 256);
}

TEST(Draw, EveryDepth) {
    for (int bpp : {1, 4, 8, 24}) {
        Canvas c(9, 9, bpp);
        const int v = bpp == 1 ? 1 : (bpp == 4 ? 9 : (bpp == 8 ? 200 : 0xABCDEF));
        FilledEllipse(&c.d, 0, 0, 8, 8, v);
        rechteck(&c.d, 0, 0, 8, 8, v);
        EXPECT_EQ(c.count(v), 81) << bpp;
        Canvas o(9, 9, bpp);
        ellipse(&o.d, 0, 0, 8, 8, v);
        EXPECT_TRUE(o.count(v) > 16 && o.count(v) < 40) << bpp;
    }
}

TEST(Draw, SpansOnPackedRowsMatchSinglePixels) {
    // every span of a 1- and 4-bit row (whole bytes, odd ends, clipped ends) over a row that
    // already holds a pattern: the pixels outside the span keep their values, also when the
    // span clears bits
    for (int bpp : {1, 4}) {
        const int colours = 1 << bpp;
        for (int x0 = -2; x0 < 23; ++x0)
            for (int x1 = x0; x1 < 23; ++x1) {
                const int v = (x0 * 5 + x1) % colours;
                Canvas spans(21, 3, bpp), pixels(21, 3, bpp);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 21; ++x) {
                        setpixel(&spans.d, x, y, (x * 7 + y) % colours);
                        setpixel(&pixels.d, x, y, (x * 7 + y) % colours);
                    }
                recht_filled(&spans.d, x0, 1, x1, 1, v);
                for (int x = x0; x <= x1; ++x)
                    setpixel(&pixels.d, x, 1, v);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 21; ++x)
                        ASSERT_EQ(getpixel(&spans.d, x, y), getpixel(&pixels.d, x, y))
                            << bpp << ": " << x0 << ".." << x1 << " at " << x << "," << y;
            }
    }
}

} // namespace

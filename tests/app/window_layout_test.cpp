// Arrangement of minimised windows.
#include "app/window_layout.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

TEST(WindowLayout, IconsFillTheBottomRowThenRise) {
    const auto p = ArrangeIcons(5, 160, 30, 500, 400);
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].X, 0);
    EXPECT_EQ(p[0].Y, 370);
    EXPECT_EQ(p[2].X, 320);
    EXPECT_EQ(p[2].Y, 370);
    EXPECT_EQ(p[3].X, 0); // three fit in 500
    EXPECT_EQ(p[3].Y, 340);
    EXPECT_EQ(p[4].X, 160);
    // a work space narrower than one icon still puts one per row
    const auto narrow = ArrangeIcons(2, 160, 30, 100, 400);
    EXPECT_EQ(narrow[1].X, 0);
    EXPECT_EQ(narrow[1].Y, 340);
    EXPECT_TRUE(ArrangeIcons(0, 160, 30, 500, 400).empty());
    EXPECT_TRUE(ArrangeIcons(3, 0, 30, 500, 400).empty());
}

TEST(WindowLayout, CascadeKeepsEachWindowsSize) {
    // three windows in a 1000 x 700 work space, 25 pixels per step
    const auto r = CascadeWindows({{400, 300}, {640, 500}, {120, 90}}, 1000, 700, 25, 180, 110);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].X, 0);
    EXPECT_EQ(r[0].Y, 0);
    EXPECT_EQ(r[0].Width, 400);
    EXPECT_EQ(r[0].Height, 300);
    EXPECT_EQ(r[1].X, 25);
    EXPECT_EQ(r[1].Y, 25);
    EXPECT_EQ(r[1].Width, 640);
    EXPECT_EQ(r[1].Height, 500);
    EXPECT_EQ(r[2].X, 50);
    EXPECT_EQ(r[2].Width, 120); // a small window stays small
    EXPECT_EQ(r[2].Height, 90);

    // a window larger than what is left is cut at the work space's right and bottom sides
    const auto big = CascadeWindows({{300, 200}, {990, 800}}, 1000, 700, 30, 180, 110);
    EXPECT_EQ(big[1].X, 30);
    EXPECT_EQ(big[1].Width, 970);
    EXPECT_EQ(big[1].Height, 670);

    // the stair starts again at the top left before a window would get too small
    const auto many = CascadeWindows(std::vector<CascadeSize>(5, {100, 100}), 300, 200, 40, 180, 110);
    EXPECT_EQ(many[1].Y, 40);
    EXPECT_EQ(many[2].Y, 80);
    EXPECT_EQ(many[3].Y, 0); // 120 + 110 > 200
    EXPECT_EQ(many[4].Y, 40);
    EXPECT_TRUE(CascadeWindows({}, 300, 200, 40, 180, 110).empty());
}

} // namespace
} // namespace pixorama

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

} // namespace
} // namespace pixorama

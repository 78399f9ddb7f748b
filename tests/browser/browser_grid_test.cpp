// The thumbnail grid's geometry, keyboard moves, scrolling and status text.
#include "browser/browser_grid.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

TEST(BrowserGrid, RowsAndCells) {
    EXPECT_EQ(ThumbsPerRow(0), 1);
    EXPECT_EQ(ThumbsPerRow(179), 1);
    EXPECT_EQ(ThumbsPerRow(180), 2);
    EXPECT_EQ(GridHeight(0, 2), 110);
    EXPECT_EQ(GridHeight(5, 2), 330);
    EXPECT_EQ(GridHeight(4, 2), 330);
    // the fifth of rows of two: column 0, row 2; an 80 × 60 picture centred vertically
    const ThumbCell c = CellOf(5, 2, 80, 60);
    EXPECT_EQ(c.x0, 0);
    EXPECT_EQ(c.y0, 220);
    EXPECT_EQ(c.frame, (GridRect{2, 222, 88, 328}));
    EXPECT_EQ(c.picture, (GridRect{5, 235, 85, 295}));
    EXPECT_EQ(c.margins[0], (GridRect{3, 223, 5, 327}));
    EXPECT_EQ(c.margins[1], (GridRect{3, 223, 87, 235}));
    EXPECT_EQ(c.margins[2], (GridRect{3, 295, 87, 327}));
    EXPECT_EQ(c.margins[3], (GridRect{85, 223, 87, 327}));
    EXPECT_EQ(c.name, (GridRect{3, 310, 87, 330}));
    // a tall picture is centred horizontally
    const ThumbCell t = CellOf(2, 2, 60, 80);
    EXPECT_EQ(t.picture, (GridRect{90 + 15, 5, 90 + 75, 85}));
}

TEST(BrowserGrid, HitsOnFramesOnly) {
    EXPECT_EQ(HitThumb(2, 2, 5, 2), 1);
    EXPECT_EQ(HitThumb(88, 108, 5, 2), 1);
    EXPECT_EQ(HitThumb(89, 50, 5, 2), 0);
    EXPECT_EQ(HitThumb(1, 50, 5, 2), 0);
    EXPECT_EQ(HitThumb(92, 112, 5, 2), 4);
    EXPECT_EQ(HitThumb(100, 250, 5, 2), 0); // the empty sixth place
    EXPECT_EQ(HitThumb(10, 250, 5, 2), 5);
}

TEST(BrowserGrid, ArrowKeysStayInside) {
    // five thumbnails in rows of two
    EXPECT_EQ(MoveSelection(5, 5, 2, GridKey::Down), 5);
    EXPECT_EQ(MoveSelection(5, 5, 2, GridKey::Up), 3);
    EXPECT_EQ(MoveSelection(5, 5, 2, GridKey::Right), 5);
    EXPECT_EQ(MoveSelection(1, 5, 2, GridKey::Left), 1);
    EXPECT_EQ(MoveSelection(1, 5, 2, GridKey::Up), 1);
    EXPECT_EQ(MoveSelection(3, 5, 2, GridKey::Down), 5);
    EXPECT_EQ(MoveSelection(4, 5, 2, GridKey::Down), 4);
    EXPECT_EQ(MoveSelection(2, 5, 2, GridKey::Left), 1);
}

TEST(BrowserGrid, ScrollsTheSelectionIntoView) {
    EXPECT_EQ(ScrollForSelected(1, 2, 300, 200), 2);     // above: to its top
    EXPECT_EQ(ScrollForSelected(9, 2, 0, 200), 548 - 200); // below: its bottom at the edge
    EXPECT_EQ(ScrollForSelected(3, 2, 100, 200), 100);   // visible: unchanged
}

TEST(BrowserGrid, StatusText) {
    const TThumbInfo info{24, 80, 60, 640, 480, 16777216, 900, 0};
    EXPECT_EQ(BrowserStatusText(3, 12, &info),
              "Thumbnail: 640 x 480 x 16777216 - 900 KByte  (3 von 12)");
    EXPECT_EQ(BrowserStatusText(13, 12, &info), "Bild: keins   ");
}

} // namespace
} // namespace pixorama

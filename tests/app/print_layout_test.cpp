// The image rectangle on the printed page and in the preview, and the coupled percentages.
#include "app/print_layout.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

TPrintOptions percent(int b, int h, bool centred = true) {
    TPrintOptions o;
    o.UseFull = false;
    o.Breite = b;
    o.Hoch = h;
    o.Zentr = centred;
    return o;
}

TEST(PrintLayout, WholePageKeepsTheAspectAndCentres) {
    const TPrintOptions o; // whole page, aspect kept, centred
    // a landscape image on a portrait page fills the width, centred vertically
    EXPECT_EQ(PrintImageRect(1000, 1400, 400, 200, o), (TPageRect{0, 450, 1000, 500}));
    // a tall image fills the height, centred horizontally
    EXPECT_EQ(PrintImageRect(1000, 1400, 100, 1000, o), (TPageRect{430, 0, 140, 1400}));
    // a single pixel becomes a square as wide as the page
    EXPECT_EQ(PrintImageRect(1000, 1400, 1, 1, o), (TPageRect{0, 200, 1000, 1000}));
    TPrintOptions left = o;
    left.Zentr = false;
    EXPECT_EQ(PrintImageRect(1000, 1400, 400, 200, left), (TPageRect{0, 0, 1000, 500}));
}

TEST(PrintLayout, WholePageWithoutAspectStretches) {
    TPrintOptions o;
    o.Sverh = false;
    EXPECT_EQ(PrintImageRect(1000, 1400, 400, 200, o), (TPageRect{0, 0, 1000, 1400}));
    o.Zentr = false;
    EXPECT_EQ(PrintImageRect(1000, 1400, 3, 7, o), (TPageRect{0, 0, 1000, 1400}));
}

TEST(PrintLayout, PercentagesRoundHalvesToEven) {
    EXPECT_EQ(PrintImageRect(1000, 1400, 400, 200, percent(50, 50)), (TPageRect{250, 350, 500, 700}));
    EXPECT_EQ(PrintImageRect(1000, 1400, 400, 200, percent(50, 50, false)),
              (TPageRect{0, 0, 500, 700}));
    // 500.5 -> 500 and 501.5 -> 502; 1.5 -> 2
    EXPECT_EQ(PrintImageRect(1001, 1003, 5, 5, percent(50, 50, false)), (TPageRect{0, 0, 500, 502}));
    EXPECT_EQ(PrintImageRect(150, 150, 5, 5, percent(1, 1, false)), (TPageRect{0, 0, 2, 2}));
    // the percentages ignore the aspect option: the coupling of the edits keeps it
    TPrintOptions o = percent(100, 10);
    o.Sverh = true;
    EXPECT_EQ(PrintImageRect(1000, 1400, 10, 10, o), (TPageRect{0, 630, 1000, 140}));
}

TEST(PrintLayout, AVeryWideImageStillPrints) {
    const TPageRect r = PrintImageRect(190, 190, 100000, 1, TPrintOptions{});
    EXPECT_EQ(r.w, 190);
    EXPECT_EQ(r.h, 1); // would round to nothing
    EXPECT_EQ(r.y, 94);
    EXPECT_EQ(PrintImageRect(0, 100, 5, 5, TPrintOptions{}), TPageRect{});
}

TEST(PrintLayout, PreviewFitsThePageIntoTheBox) {
    const TPrintOptions o;
    // portrait page: full box height, centred across
    TPrintPreview p = PrintPreviewLayout(190, 190, 1000, 1400, 400, 200, o);
    EXPECT_EQ(p.page, (TPageRect{27, 0, 135, 190}));
    EXPECT_EQ(p.image, (TPageRect{27, 61, 135, 67}));
    // landscape page: full box width
    p = PrintPreviewLayout(190, 190, 1400, 1000, 400, 200, o);
    EXPECT_EQ(p.page, (TPageRect{0, 27, 190, 135}));
    EXPECT_EQ(p.image, (TPageRect{0, 27 + (135 - 95) / 2, 190, 95}));
    // not centred: the image sits at the page's top left corner
    p = PrintPreviewLayout(190, 190, 1000, 1400, 400, 200, percent(50, 50, false));
    EXPECT_EQ(p.image, (TPageRect{27, 0, 68, 95})); // 67.5 -> 68, 95
}

TEST(PrintLayout, CoupledPercentagesKeepTheProportions) {
    // 200 * 50 / 400 * 1000 / 1400 = 17.86
    EXPECT_EQ(CoupledHochPercent(50, 1000, 1400, 400, 200), 17);
    const TPageRect r = PrintImageRect(1000, 1400, 400, 200, percent(50, 17));
    EXPECT_NEAR(double(r.h) / r.w, 0.5, 0.03);
    // the mirror image: 400 * 17 / 200 * 1400 / 1000 = 47.6
    EXPECT_EQ(CoupledBreitePercent(17, 1000, 1400, 400, 200), 47);
    // a tall image would need more than 100 % height: the spin limit holds it
    EXPECT_EQ(CoupledHochPercent(50, 1000, 1400, 100, 1000), 100);
    // and a very small result is still at least 1
    EXPECT_EQ(CoupledHochPercent(1, 1000, 1400, 100000, 1), 1);
}

} // namespace
} // namespace pixorama

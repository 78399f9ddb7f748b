// The three selection tools through the dispatcher: combining modes, the free-hand polygon
// against a plain point-in-polygon rule, the magic wand, and a press inside the selection.
#include "tool_test_support.h"

#include "document/selection.h"
#include "tools/floating.h"
#include "tools/selection_tools.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

// Three regions: left third 0x000000, middle 0x404040 with a speck, right third 0xF0F0F0.
void regionsDoc(Desk& d) {
    Attach(d.doc, Make24(30, 10, [](int32_t x, int32_t y) {
        if (x < 10)
            return 0;
        if (x < 20)
            return x == 15 && y == 5 ? 0x484848 : 0x404040;
        return 0xF0F0F0;
    }));
}

std::string maskPicture(const DocumentState& doc) {
    return Picture(doc.SelMask, [](int32_t v) { return v == 1; });
}

std::string columnsPicture(int32_t w, int32_t h, int32_t x0, int32_t x1) {
    std::string s;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x)
            s += x >= x0 && x <= x1 ? '#' : '.';
        s += '\n';
    }
    return s;
}

TEST(SelectionTools, MagicWandModes) {
    Desk d;
    regionsDoc(d);
    d.view.options.Tol = 10;
    d.click(Tool::Magic, 12, 2);
    // the speck lies within the tolerance; the neighbours do not
    EXPECT_EQ(maskPicture(d.doc), columnsPicture(30, 10, 10, 19));
    EXPECT_EQ(d.doc.UndoCount, 1);
    d.click(Tool::Magic, 25, 2, kShift);
    EXPECT_EQ(maskPicture(d.doc), columnsPicture(30, 10, 10, 29));
    d.click(Tool::Magic, 14, 2, kCtrl);
    EXPECT_EQ(maskPicture(d.doc), columnsPicture(30, 10, 20, 29));
    d.click(Tool::Magic, 2, 2); // a plain click replaces
    EXPECT_EQ(maskPicture(d.doc), columnsPicture(30, 10, 0, 9));
    EXPECT_EQ(d.doc.SelRect.Right, 9);
    // with a tolerance of 0 the speck stays out
    d.view.options.Tol = 0;
    d.click(Tool::Magic, 12, 2);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 15, 5), 0);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 16, 5), 1);
    EXPECT_TRUE(d.host.messages.empty());

    // a seed that already has the fill colour: a black seed fills with the last colour
    Desk b;
    regionsDoc(b);
    b.click(Tool::Magic, 1, 1);
    EXPECT_EQ(maskPicture(b.doc), columnsPicture(30, 10, 0, 9));

    // palette image: same road through the palette indices
    Desk p;
    Attach(p.doc, MakePalette(4, {0, 0xFFFFFF, 0x808080}, [](int32_t x, int32_t y) {
        return x < 3 ? 1 : (y < 2 ? 2 : 0);
    }, 6, 4));
    p.click(Tool::Magic, 4, 3);
    EXPECT_EQ(maskPicture(p.doc), "......\n......\n...###\n...###\n");
}

TEST(SelectionTools, PressInsideTheSelectionMovesIt) {
    for (Tool t : {Tool::Magic, Tool::Select, Tool::FreeSel}) {
        Desk d;
        regionsDoc(d);
        recht_filled(&d.doc.SelMask, 2, 2, 4, 4, 1);
        UpdateSelddib(d.doc, d.host);
        d.view.tool = t;
        d.press(3, 3);
        EXPECT_EQ(d.doc.MouseMode, kModeMoving) << int(t);
        d.release(5, 3);
        EXPECT_TRUE(d.doc.Floating);
        EXPECT_EQ(d.doc.SelRect.Left, 4);
        // with Shift the same press adds instead of moving
        d.drag(Tool::Select, 3, 3, 8, 8, kShift);
        EXPECT_FALSE(d.doc.Floating); // merged by the new selection
        EXPECT_EQ(getpixel(&d.doc.SelMask, 7, 7), 1);
        EXPECT_EQ(getpixel(&d.doc.SelMask, 5, 2), 1);
    }
}

TEST(SelectionTools, GeometricDragModesAtTheRelease) {
    Desk d;
    regionsDoc(d);
    // Ctrl-dragging over an image without selection leaves it empty
    d.drag(Tool::Select, 2, 2, 8, 8, kCtrl);
    EXPECT_FALSE(d.doc.HasSelection);
    // the keys at the release decide: pressed plain, released with Shift adds
    d.drag(Tool::Select, 1, 1, 4, 4);
    d.view.tool = Tool::Select;
    d.press(10, 5);
    d.move(13, 8);
    d.release(13, 8, kShift);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 2, 2), 1);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 12, 7), 1);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 13, 8), 0);
    // the band is clipped to the paint box (not width - 1): a drag beyond reaches the border
    d.drag(Tool::Select, 25, 5, 90, 90);
    EXPECT_EQ(d.doc.SelRect.Right, 29);
    EXPECT_EQ(d.doc.SelRect.Bottom, 9);
    EXPECT_EQ(d.doc.DrawnPt, (TPoint{30, 10}));
    // "Kreis" at the release: a disc in the constrained square
    d.view.options.Typ = 3;
    d.drag(Tool::Select, 2, 1, 20, 8);
    EXPECT_EQ(d.doc.SelRect.Left, 2);
    EXPECT_EQ(d.doc.SelRect.Right, 8);
    EXPECT_EQ(d.doc.SelRect.Bottom, 7);
}

// Plain reference: pixel centres inside by the even-odd rule (edges half-open downwards),
// plus the pixels of every edge.
std::string referencePolygon(int32_t w, int32_t h, const std::vector<TPoint>& pts) {
    TDibRecord m;
    newdib(&m, w, h, 1, nullptr, 0);
    const size_t n = pts.size();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            int crossings = 0;
            for (size_t k = 0; k < n; ++k) {
                const TPoint a = pts[k], b = pts[(k + 1) % n];
                if (a.Y == b.Y || y < std::min(a.Y, b.Y) || y >= std::max(a.Y, b.Y))
                    continue;
                const double xc = a.X + double(y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
                if (xc > x)
                    ++crossings;
            }
            if (crossings % 2 == 1)
                setpixel(&m, x, y, 1);
        }
    for (size_t k = 0; k < n; ++k)
        line(&m, pts[k].X, pts[k].Y, pts[(k + 1) % n].X, pts[(k + 1) % n].Y, 1);
    const std::string s = Picture(m, [](int32_t v) { return v == 1; });
    deldib(&m);
    return s;
}

TEST(SelectionTools, FreeHandPolygon) {
    Desk d;
    regionsDoc(d);
    // a triangle, and a bow tie whose crossing leaves the middle to the even-odd rule
    const std::vector<std::vector<TPoint>> shapes = {
        {{2, 1}, {25, 4}, {8, 9}},
        {{1, 1}, {28, 8}, {28, 1}, {1, 8}},
        {{27, 9}},
    };
    for (const auto& pts : shapes) {
        d.view.tool = Tool::FreeSel;
        d.press(pts[0].X, pts[0].Y);
        for (size_t k = 1; k < pts.size(); ++k)
            d.move(pts[k].X, pts[k].Y);
        EXPECT_EQ(d.doc.FreePoly.Lists[0].size(), pts.size() - 1);
        d.release(pts.back().X, pts.back().Y);
        EXPECT_FALSE(d.doc.FreePoly.Active);
        EXPECT_EQ(maskPicture(d.doc), referencePolygon(30, 10, pts));
    }
    // points beyond the paint box are held at its edge; Ctrl at the release cuts
    d.drag(Tool::Select, 0, 0, 30, 10); // everything
    d.view.tool = Tool::FreeSel;
    d.press(5, 5, kCtrl);
    d.move(50, 5, kCtrl);
    d.move(50, -20, kCtrl);
    EXPECT_EQ(d.doc.FreePoly.Lists[0].back(), (TPoint{29, 0}));
    d.release(50, -20, kCtrl);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 20, 4), 0);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 20, 7), 1);
    // magnified 2:1 the polygon is converted to image points
    Desk z;
    regionsDoc(z);
    z.doc.ZoomIn = 2;
    z.view.tool = Tool::FreeSel;
    z.press(4, 4);
    z.move(40, 4);
    z.move(40, 16);
    z.release(40, 16);
    EXPECT_EQ(maskPicture(z.doc), referencePolygon(30, 10, {{20, 2}, {20, 8}, {2, 2}}));
}

} // namespace
} // namespace pixorama

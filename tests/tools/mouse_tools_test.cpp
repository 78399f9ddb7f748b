// The dispatcher and the simple tools: line widths, shapes and the square constraint, the
// release adjustment, status read-outs, pipette, cursors, zoom and hand.
#include "tool_test_support.h"

#include "tools/line_shape.h"
#include "tools/standard_tools.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

constexpr int32_t kWhite = 0xFFFFFF;


std::string inked(const TDibRecord& dib) {
    return Picture(dib, [](int32_t v) { return v != kWhite; });
}

// A picture with '#' on the listed rows and columns spans.
std::string expectedRows(int32_t w, int32_t h, int32_t x0, int32_t x1, std::vector<int> rows) {
    std::string s;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const bool on = x >= x0 && x <= x1 &&
                            std::find(rows.begin(), rows.end(), y) != rows.end();
            s += on ? '#' : '.';
        }
        s += '\n';
    }
    return s;
}

TEST(MouseTools, LineWidthsAndTheReleaseAdjustment) {
    // the mouse goes up at (12, 6): the line ends one pixel up and left, at (11, 5)
    for (int width : {1, 3}) {
        Desk d;
        WhiteDoc(d, 24, 20);
        d.view.options.Breit = width;
        d.drag(Tool::Line, 2, 5, 12, 6);
        const std::vector<int> rows = width == 1 ? std::vector<int>{5} : std::vector<int>{4, 5, 6};
        EXPECT_EQ(inked(d.doc.Dib), expectedRows(24, 20, 2, 11, rows)) << "width " << width;
        EXPECT_EQ(d.doc.UndoCount, 1);
        EXPECT_TRUE(d.doc.Modified);
        EXPECT_EQ(d.doc.MouseMode, 0);
        EXPECT_FALSE(d.doc.Tracking);
        EXPECT_EQ(d.view.histograms, 1);
    }
    // a vertical line of width 2 takes offsets 0 and 1 sideways: its own column and the left one
    TDibRecord v;
    newdib(&v, 8, 8, 1, nullptr, 0);
    DrawWideLine(v, 4, 1, 4, 6, 2, 1);
    EXPECT_EQ(Picture(v, [](int32_t p) { return p == 1; }),
              "........\n...##...\n...##...\n...##...\n...##...\n...##...\n...##...\n........\n");
    // width 1 draws the same line three times: the same pixels as a single line
    TDibRecord a, b;
    newdib(&a, 16, 16, 1, nullptr, 0);
    newdib(&b, 16, 16, 1, nullptr, 0);
    DrawWideLine(a, 1, 2, 14, 9, 1, 1);
    line(&b, 1, 2, 14, 9, 1);
    EXPECT_EQ(Picture(a, [](int32_t p) { return p == 1; }),
              Picture(b, [](int32_t p) { return p == 1; }));
    // a diagonal of width 3: the three offset lines and the gap lines between them
    deldib(&a);
    deldib(&b);
    newdib(&a, 16, 16, 1, nullptr, 0);
    newdib(&b, 16, 16, 1, nullptr, 0);
    DrawWideLine(a, 3, 3, 12, 12, 3, 1);
    for (auto [ox, oy] : {std::pair{1, -1}, {0, 0}, {-1, 1}, {1, 0}, {0, -1}, {0, 1}, {-1, 0}})
        line(&b, 3 + ox, 3 + oy, 12 + ox, 12 + oy, 1);
    EXPECT_EQ(Picture(a, [](int32_t p) { return p == 1; }),
              Picture(b, [](int32_t p) { return p == 1; }));
    deldib(&a);
    deldib(&b);
    deldib(&v);
}

TEST(MouseTools, ShapesSquareConstraintAndStatus) {
    Desk d;
    WhiteDoc(d, 40, 40);
    d.view.options.Typ = 0;
    d.view.options.Stil = 0;
    d.drag(Tool::Shape, 10, 10, 20, 20);
    EXPECT_EQ(getpixel(&d.doc.Dib, 10, 10), 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 19, 19), 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 20, 20), kWhite);
    EXPECT_EQ(getpixel(&d.doc.Dib, 15, 15), kWhite);

    // "Quadrat", filled, right button: background colour, the longer side cut down
    Desk q;
    WhiteDoc(q, 40, 40);
    q.doc.ForeColor = 0x0000FF;
    q.doc.BackColor = 0x00FF00;
    q.view.options.Typ = 1;
    q.view.options.Stil = 1;
    q.view.tool = Tool::Shape;
    q.press(10, 10, {}, MouseButton::Right);
    q.move(30, 20);
    // the read-out shows the mouse point, not the constrained one
    EXPECT_EQ(q.view.status[0], "( 10 , 10 ) ->( 30 , 20 ) = ( 21 x 11 )");
    EXPECT_EQ(q.doc.CurPt, (TPoint{20, 20}));
    EXPECT_EQ(q.doc.DrawnPt, (TPoint{20, 20}));
    q.release(30, 20, {}, MouseButton::Right);
    EXPECT_EQ(inked(q.doc.Dib), [] {
        DocumentState e;
        Attach(e, Make24(40, 40, [](int32_t x, int32_t y) {
            return x >= 10 && x <= 19 && y >= 10 && y <= 19 ? 0x00FF00 : kWhite;
        }));
        return inked(e.Dib);
    }());
    EXPECT_EQ(q.doc.PaintColor, 0x00FF00);
    EXPECT_EQ(q.doc.OtherColor, 0x0000FF);

    // "Kreis" dragged up and left: the anchor keeps its place, x follows the smaller extent
    Desk c;
    WhiteDoc(c, 40, 40);
    c.view.options.Typ = 3;
    c.view.tool = Tool::Shape;
    c.press(30, 30);
    c.move(10, 25);
    EXPECT_EQ(c.doc.CurPt, (TPoint{25, 25}));

    // magnified 2:1 the read-out is in image points
    Desk z;
    WhiteDoc(z, 40, 40);
    z.doc.ZoomIn = 2;
    z.view.tool = Tool::Line;
    z.press(10, 20);
    z.move(31, 41);
    EXPECT_EQ(z.view.status[0], "( 5 , 10 ) ->( 15 , 20 ) = ( 11 x 11 )");
    z.release(31, 41);
    z.move(7, 9);
    EXPECT_EQ(z.view.status[0], "( 3 , 4 )");
    EXPECT_EQ(z.view.status[1], "Bild: 40 x 40 x 16777216 - 4 KByte   ");
}

TEST(MouseTools, ImagePanelAndPipette) {
    Desk d;
    Attach(d.doc, Make24(640, 480, [](int32_t x, int32_t) { return x == 3 ? 0x332211 : 0; }));
    d.view.tool = Tool::Drop;
    d.move(3, 4);
    EXPECT_EQ(d.view.status[1], "Bild: 640 x 480 x 16777216 - 900 KByte   ");
    EXPECT_EQ(d.view.readoutIndex, "--");
    EXPECT_EQ(d.view.readoutColour, (TRgb{0x11, 0x22, 0x33}));
    d.click(Tool::Drop, 3, 0);
    EXPECT_EQ(d.doc.ForeColor, 0x332211);
    d.click(Tool::Drop, 3, 0, {}, MouseButton::Right);
    EXPECT_EQ(d.doc.BackColor, 0x332211);
    d.click(Tool::Drop, 9, 0, {}, MouseButton::Middle); // other buttons pick nothing
    EXPECT_EQ(d.doc.ForeColor, 0x332211);
    EXPECT_EQ(d.doc.UndoCount, 0);

    // palette image: the index and its palette colour
    Desk p;
    Attach(p.doc, MakePalette(8, {0x000000, 0xA0B0C0, 0x102030},
                              [](int32_t x, int32_t) { return x % 3; }));
    p.view.tool = Tool::Drop;
    p.move(2, 1);
    EXPECT_EQ(p.view.readoutIndex, "2");
    EXPECT_EQ(p.view.readoutColour, (TRgb{0x10, 0x20, 0x30}));
    p.view.tool = Tool::Line; // the read-out follows the pipette only
    p.move(1, 1);
    EXPECT_EQ(p.view.readoutIndex, "2");
}

TEST(MouseTools, Cursors) {
    Desk d;
    WhiteDoc(d, 24, 20);
    recht_filled(&d.doc.SelMask, 2, 2, 5, 5, 1);
    const std::pair<Tool, int> plain[] = {
        {Tool::Zoom, 2},   {Tool::Hand, 1},  {Tool::Brush, 3}, {Tool::Retouch, 3},
        {Tool::Clone, 3},  {Tool::Replace, 3}, {Tool::Line, 5}, {Tool::Shape, 6},
        {Tool::Select, 7}, {Tool::FreeSel, 8}, {Tool::Drop, 9}, {Tool::Txt, 10},
        {Tool::Magic, 11}, {Tool::Fill, 12}};
    for (auto [tool, id] : plain)
        EXPECT_EQ(CursorIdFor(tool, d.doc, 10, 10, {}), id);
    // the selection tools: Shift wins over Ctrl, the move cursor over a selected pixel
    EXPECT_EQ(CursorIdFor(Tool::Magic, d.doc, 10, 10, kShift), 13);
    EXPECT_EQ(CursorIdFor(Tool::Magic, d.doc, 10, 10, kCtrl), 14);
    EXPECT_EQ(CursorIdFor(Tool::Select, d.doc, 10, 10, {true, true, false}), 15);
    EXPECT_EQ(CursorIdFor(Tool::Select, d.doc, 10, 10, kCtrl), 16);
    EXPECT_EQ(CursorIdFor(Tool::FreeSel, d.doc, 10, 10, kShift), 17);
    EXPECT_EQ(CursorIdFor(Tool::FreeSel, d.doc, 10, 10, kCtrl), 18);
    EXPECT_EQ(CursorIdFor(Tool::FreeSel, d.doc, 3, 3, {}), 1);
    EXPECT_EQ(CursorIdFor(Tool::FreeSel, d.doc, 3, 3, kShift), 17);
    EXPECT_EQ(CursorIdFor(Tool::Line, d.doc, 3, 3, {}), 5);

    // the cursor is set only when it changes, and not during a gesture
    d.view.tool = Tool::Select;
    d.move(10, 10);
    d.move(11, 10);
    EXPECT_EQ(d.view.cursor, 7);
    EXPECT_EQ(d.view.cursorSets, 1);
    d.move(3, 3);
    EXPECT_EQ(d.view.cursor, 1);
    d.view.tool = Tool::Line;
    d.press(10, 10);
    d.move(12, 12);
    EXPECT_EQ(d.view.cursor, 1);
}

TEST(MouseTools, ZoomToolStepsAndCentres) {
    Desk d;
    WhiteDoc(d, 400, 300);
    d.doc.ZoomOut = 3;
    d.click(Tool::Zoom, 60, 50);
    EXPECT_EQ(d.doc.ZoomIn, 1);
    EXPECT_EQ(d.doc.ZoomOut, 2);
    // the clicked image point (180, 150) in the middle of the 100 x 80 client area
    EXPECT_EQ(d.view.scroll[0], 90 - 50);
    EXPECT_EQ(d.view.scroll[1], 75 - 40);
    d.click(Tool::Zoom, 2, 2);
    EXPECT_EQ(d.view.scroll[0], 0); // clamped at 0
    d.doc.ZoomOut = 2;
    d.click(Tool::Zoom, 100, 100);
    d.click(Tool::Zoom, 100, 100);
    EXPECT_EQ(d.doc.ZoomIn, 2);
    EXPECT_EQ(d.doc.ZoomOut, 1);
    EXPECT_EQ(d.view.fits, 4);
    EXPECT_EQ(d.view.zoomShown, 4);

    d.doc.ZoomIn = 16;
    d.click(Tool::Zoom, 1600, 1600);
    EXPECT_EQ(d.doc.ZoomIn, 16);
    EXPECT_EQ(d.view.scroll[0], 1600 - 50);
    EXPECT_EQ(d.view.scroll[1], 1600 - 40);
    d.click(Tool::Zoom, 1600, 1600, {}, MouseButton::Right);
    EXPECT_EQ(d.doc.ZoomIn, 15);
    EXPECT_EQ(d.view.scroll[0], 1500 - 50);
    d.doc.ZoomIn = 1;
    d.doc.ZoomOut = 16;
    d.click(Tool::Zoom, 10, 10, {}, MouseButton::Right);
    EXPECT_EQ(d.doc.ZoomOut, 16);
    d.click(Tool::Zoom, 10, 10, {}, MouseButton::Middle);
    EXPECT_EQ(d.doc.ZoomOut, 16);
    EXPECT_EQ(d.doc.UndoCount, 0);
}

TEST(MouseTools, HandScrollsAndTakesAnUndoLevel) {
    Desk d;
    WhiteDoc(d, 400, 300);
    d.view.scroll[0] = 50;
    d.view.scroll[1] = 50;
    d.view.tool = Tool::Hand;
    d.press(100, 100);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_TRUE(d.doc.Modified);
    EXPECT_EQ(d.doc.MouseMode, kModeHand);
    d.move(90, 120);
    EXPECT_EQ(d.view.scroll[0], 60);
    EXPECT_EQ(d.view.scroll[1], 30);
    d.release(300, 400); // clamped to the range
    EXPECT_EQ(d.view.scroll[0], 0);
    EXPECT_EQ(d.view.scroll[1], 0);
    EXPECT_EQ(d.doc.Dib.Bits != nullptr, true);
    EXPECT_EQ(inked(d.doc.Dib).find('#'), std::string::npos);
}

TEST(MouseTools, RetouchRefusalAndPluggedTools) {
    Desk d;
    Attach(d.doc, MakePalette(8, {0, 0xFFFFFF}, [](int32_t, int32_t) { return 1; }, 6, 6));
    d.click(Tool::Retouch, 2, 2);
    ASSERT_EQ(d.host.messages.size(), 1u);
    EXPECT_EQ(d.host.messages[0].text,
              "Sie können dieses Werkzeug nur bei Truecolor Bildern mit 24 Bits pro Pixel "
              "einsetzen!");
    EXPECT_EQ(d.host.messages[0].caption, "Achtung!");
    EXPECT_EQ(d.host.messages[0].flags, MB_ICONINFORMATION);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_FALSE(d.doc.Modified);
    EXPECT_EQ(d.host.messages.size(), 1u);

    // a later tool plugs in behind the dispatcher
    struct Probe : MouseTool {
        int presses = 0;
        void Press(MouseDispatcher&, MouseButton, int32_t, int32_t) override { ++presses; }
    };
    auto probe = std::make_unique<Probe>();
    Probe* p = probe.get();
    d.mouse.SetTool(Tool::Brush, std::move(probe));
    d.click(Tool::Brush, 1, 1);
    EXPECT_EQ(p->presses, 1);
}

} // namespace
} // namespace pixorama

// Marching ants at 1:1 and magnified, their timer, and the XOR feedback of gestures.
#include "tool_test_support.h"

#include "document/selection.h"
#include "tools/feedback.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

constexpr uint32_t kGrey = 0xFF808080u, kW = 0xFFFFFFFFu, kB = 0xFF000000u;

struct Surface {
    std::vector<uint32_t> px;
    DisplaySurface dc;
    Surface(int32_t left, int32_t top, int32_t w, int32_t h) : px(size_t(w * h), kGrey) {
        dc.pixels = px.data();
        dc.stride = w;
        dc.left = left;
        dc.top = top;
        dc.width = w;
        dc.height = h;
    }
    uint32_t at(int32_t x, int32_t y) const {
        return px[size_t((y - dc.top) * dc.stride + (x - dc.left))];
    }
};

TEST(Feedback, MarchingAnts) {
    Desk d;
    Attach(d.doc, Make24(40, 30, [](int32_t, int32_t) { return 0; }));
    recht_filled(&d.doc.SelMask, 0, 5, 39, 5, 1); // one row: every pixel on the outline
    UpdateSelddib(d.doc, d.host);
    // 1:1: white where ((p + x) div 5 + y div 5) is odd; the phase moves the pattern along x
    for (int phase : {0, 3}) {
        d.doc.AntsPhase = phase;
        Surface s(0, 0, 40, 30);
        DrawSelection(s.dc, d.doc);
        for (int32_t x = 0; x < 40; ++x)
            EXPECT_EQ(s.at(x, 5), ((phase + x) / 5 + 5 / 5) % 2 == 1 ? kW : kB) << x;
        EXPECT_EQ(s.at(3, 4), kGrey);
    }
    // magnified 3:1: a 3 x 3 block per point, coloured by image coordinates with the phase
    d.doc.ZoomIn = 3;
    d.doc.AntsPhase = 2;
    Surface s(30, 10, 50, 20); // a window into the paint box
    DrawSelection(s.dc, d.doc);
    for (int32_t x = 10; x < 26; ++x) {
        const uint32_t want = ((2 + x) / 5 + (2 + 5) / 5) % 2 == 1 ? kW : kB;
        for (int32_t k = 0; k < 3; ++k) {
            ASSERT_EQ(s.at(x * 3 + k, 15), want) << x;
            ASSERT_EQ(s.at(x * 3 + k, 17), want) << x;
        }
    }
    EXPECT_EQ(s.at(45, 18), kGrey);
    // zoomed out 1:2: single pixels at the screen point
    d.doc.ZoomIn = 1;
    d.doc.ZoomOut = 2;
    d.doc.AntsPhase = 0;
    Surface o(0, 0, 20, 15);
    DrawSelection(o.dc, d.doc);
    EXPECT_EQ(o.at(7, 2), ((7 / 5 + 2 / 5) % 2 == 1) ? kW : kB);
    EXPECT_EQ(o.at(7, 3), kGrey);

    // the timer: phases 0..9, still while a gesture runs or nothing is selected
    d.doc.AntsPhase = 9;
    EXPECT_TRUE(Timer1Timer(d.doc));
    EXPECT_EQ(d.doc.AntsPhase, 0);
    d.doc.Tracking = true;
    EXPECT_FALSE(Timer1Timer(d.doc));
    d.doc.Tracking = false;
    d.doc.HasSelection = false;
    EXPECT_FALSE(Timer1Timer(d.doc));
    EXPECT_EQ(d.doc.AntsPhase, 0);
}

TEST(Feedback, RubberBandsInvertAndRestore) {
    Desk d;
    Attach(d.doc, Make24(100, 80, [](int32_t, int32_t) { return 0; }));
    d.view.tool = Tool::Line;
    d.press(10, 10);
    d.move(20, 10);
    Surface s(0, 0, 100, 80);
    DrawGestureFeedback(s.dc, d.doc, 0);
    // a line up to, not including, its end point; XOR with white inverts
    EXPECT_EQ(s.at(10, 10), 0xFF7F7F7Fu);
    EXPECT_EQ(s.at(19, 10), 0xFF7F7F7Fu);
    EXPECT_EQ(s.at(20, 10), kGrey);
    DrawGestureFeedback(s.dc, d.doc, 0);
    for (uint32_t p : s.px)
        ASSERT_EQ(p, kGrey);
    d.release(20, 10);
    DrawGestureFeedback(s.dc, d.doc, 0); // no gesture, nothing drawn
    for (uint32_t p : s.px)
        ASSERT_EQ(p, kGrey);

    // the shape band: the framework rectangle leaves its right and bottom edge outside
    d.view.tool = Tool::Shape;
    d.press(10, 10);
    d.move(20, 15);
    Surface r(5, 5, 30, 30);
    DrawGestureFeedback(r.dc, d.doc, 0);
    int inverted = 0;
    for (uint32_t p : r.px)
        inverted += p != kGrey;
    EXPECT_EQ(inverted, 2 * 10 + 2 * 5 - 4);
    EXPECT_NE(r.at(19, 14), kGrey);
    EXPECT_EQ(r.at(20, 15), kGrey);
    EXPECT_EQ(r.at(15, 12), kGrey);
    // an ellipse band up to the end point minus one, drawn twice: nothing left
    Surface e(0, 0, 100, 80);
    DrawGestureFeedback(e.dc, d.doc, 2);
    EXPECT_NE(e.at(15, 10), kGrey);
    DrawGestureFeedback(e.dc, d.doc, 2);
    for (uint32_t p : e.px)
        ASSERT_EQ(p, kGrey);
}

} // namespace
} // namespace pixorama

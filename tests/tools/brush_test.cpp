// The brush engine and the painting tools: dab extent and shapes, falloff and transparency,
// density, the walk along a segment, selection and border clipping, replace, clone, retouch
// and fill, through the dispatcher as the mouse drives them.
#include "tool_test_support.h"

#include "document/selection.h"
#include "tools/brush.h"
#include "tools/fill.h"
#include "tools/paint_tools.h"
#include "tools/standard_tools.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;

constexpr int32_t kWhite = 0xFFFFFF;


int painted(const TDibRecord& dib, int32_t background = kWhite) {
    int n = 0;
    for (int32_t y = 0; y < DibHeight(&dib); ++y)
        for (int32_t x = 0; x < DibWidth(&dib); ++x)
            n += getpixel(&dib, x, y) != background;
    return n;
}

std::string shapePicture(const TBrushDab& dab) {
    std::string s;
    for (int32_t y = 0; y < dab.Size; ++y) {
        for (int32_t x = 0; x < dab.Size; ++x)
            s += dab.inside(x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

TEST(Brush, ExtentShapesAndFalloff) {
    EXPECT_EQ(DabExtent(1).Lo, 0);
    EXPECT_EQ(DabExtent(1).Hi, 0);
    EXPECT_EQ(DabExtent(4).Lo, -1);
    EXPECT_EQ(DabExtent(4).Hi, 2);
    EXPECT_EQ(DabExtent(5).Lo, -2);
    EXPECT_EQ(DabExtent(5).Hi, 2);

    TBrushParams p;
    p.Size = 6;
    TBrushDab dab;
    const std::pair<int, const char*> forms[] = {
        {0, "######\n######\n######\n######\n######\n######\n"},
        {2, "#.....\n##....\n.##...\n..##..\n...##.\n....##\n"},
        {3, "......\n.....#\n....##\n...##.\n..##..\n.##...\n"},
        {4, "......\n......\n######\n######\n######\n......\n"},
        {5, "..###.\n..###.\n..###.\n..###.\n..###.\n..###.\n"},
    };
    for (auto [form, picture] : forms) {
        p.Form = form;
        ASSERT_TRUE(MakeBrushDab(dab, p, 24));
        EXPECT_EQ(shapePicture(dab), picture) << "form " << form;
    }
    // size 1: one pixel whatever the form
    p.Size = 1;
    for (int form = 0; form < 6; ++form) {
        p.Form = form;
        ASSERT_TRUE(MakeBrushDab(dab, p, 24));
        EXPECT_EQ(shapePicture(dab), "#\n");
        EXPECT_TRUE(dab.Map.empty());
    }
    // the falloff: only 24-bit and S > 3; "Kreis" radial, others by |i| + |j|
    p.Size = 3;
    ASSERT_TRUE(MakeBrushDab(dab, p, 24));
    EXPECT_TRUE(dab.Map.empty());
    p.Size = 8;
    p.Form = 1;
    p.Hard = 0;
    ASSERT_TRUE(MakeBrushDab(dab, p, 8));
    EXPECT_TRUE(dab.Map.empty());
    ASSERT_TRUE(MakeBrushDab(dab, p, 24)); // lo -3, hi 4
    auto map = [&](int i, int j) { return int(dab.Map[size_t((j + 3) * 8 + (i + 3))]); };
    EXPECT_EQ(map(0, 0), 0);
    EXPECT_EQ(map(2, 0), 50);
    EXPECT_EQ(map(4, 0), 100);
    EXPECT_EQ(map(3, 3), 100);   // sqrt 18 = 4.24 -> 4
    EXPECT_EQ(map(1, 1), 25);    // sqrt 2 -> 1
    EXPECT_EQ(map(2, 1), 50);    // sqrt 5 = 2.24 -> 2
    p.Hard = 40;
    p.Form = 0;
    ASSERT_TRUE(MakeBrushDab(dab, p, 24));
    EXPECT_EQ(map(1, 2), (3 * 100 / 8) * 60 / 100);
    EXPECT_EQ(map(-3, -3), (6 * 100 / 8) * 60 / 100);
}

TEST(Brush, WalkVisitsFromTheFirstPoint) {
    const std::vector<TPoint> forward = BrushLinePoints(0, 0, 6, 2);
    EXPECT_EQ(forward.front(), (TPoint{0, 0}));
    EXPECT_EQ(forward.back(), (TPoint{6, 2}));
    EXPECT_EQ(forward.size(), 7u);
    // from the other end: visited from (6, 2), the points mirrored through the middle
    const std::vector<TPoint> back = BrushLinePoints(6, 2, 0, 0);
    ASSERT_EQ(back.size(), 7u);
    EXPECT_EQ(back.front(), (TPoint{6, 2}));
    EXPECT_EQ(back.back(), (TPoint{0, 0}));
    for (size_t k = 0; k < back.size(); ++k)
        EXPECT_EQ(back[k], (TPoint{6 - forward[k].X, 2 - forward[k].Y}));
    const std::vector<TPoint> steep = BrushLinePoints(3, 9, 1, 0);
    EXPECT_EQ(steep.size(), 10u);
    EXPECT_EQ(steep.front(), (TPoint{3, 9}));
    for (size_t k = 1; k < steep.size(); ++k)
        EXPECT_EQ(steep[k].Y, steep[k - 1].Y - 1);
    EXPECT_EQ(BrushLinePoints(4, 4, 4, 4).size(), 1u);
}

TEST(Brush, DabsThroughTheDispatcher) {
    // size 1, any form: exactly the pixel under the cursor
    Desk one;
    WhiteDoc(one, 40, 30);
    one.view.options.Size = 1;
    one.view.options.Form = 3;
    one.click(Tool::Brush, 7, 5);
    EXPECT_EQ(painted(one.doc.Dib), 1);
    EXPECT_EQ(getpixel(&one.doc.Dib, 7, 5), 0);
    EXPECT_EQ(one.doc.UndoCount, 1);
    EXPECT_EQ(one.doc.MouseMode, 0);
    EXPECT_EQ(one.view.histograms, 1);

    // size 3: no falloff, transparency blends with a = T (two dabs: twice)
    Desk three;
    WhiteDoc(three, 40, 30);
    three.view.options.Size = 3;
    three.view.options.Form = 0;
    three.view.options.Hard = 0;
    three.view.options.Opacity = 50;
    three.click(Tool::Brush, 10, 10);
    EXPECT_EQ(getpixel(&three.doc.Dib, 9, 9), Rgb(63, 63, 63)); // 255 -> 127 -> 63
    EXPECT_EQ(painted(three.doc.Dib), 9);

    // size 8 "Kreis", hardness 0, no transparency: the centre takes the colour, the rim keeps
    Desk soft;
    WhiteDoc(soft, 40, 30);
    soft.view.options.Size = 8;
    soft.view.options.Form = 1;
    soft.view.options.Hard = 0;
    soft.view.tool = Tool::Brush;
    soft.press(20, 15);
    EXPECT_EQ(getpixel(&soft.doc.Dib, 20, 15), 0);
    EXPECT_EQ(getpixel(&soft.doc.Dib, 24, 15), kWhite);         // distance hi
    EXPECT_EQ(getpixel(&soft.doc.Dib, 22, 15), Rgb(127, 127, 127)); // half way
    soft.release(20, 15);

    // transparency 99: at most 1 % of the difference per dab
    Desk faint;
    WhiteDoc(faint, 40, 30);
    faint.view.options.Opacity = 99;
    faint.view.options.Size = 3;
    faint.click(Tool::Brush, 10, 10);
    EXPECT_EQ(getpixel(&faint.doc.Dib, 10, 10), Rgb(249, 249, 249)); // 255 -> 252 -> 249

    // palette image: the index, hardness and transparency do not apply
    Desk pal;
    Attach(pal.doc, MakePalette(8, {0xFFFFFF, 0x000000}, [](int32_t, int32_t) { return 0; }, 20, 20));
    pal.doc.ForeColor = 1;
    pal.view.options.Size = 8;
    pal.view.options.Hard = 0;
    pal.view.options.Opacity = 90;
    pal.view.options.Form = 0;
    pal.click(Tool::Brush, 10, 10);
    EXPECT_EQ(painted(pal.doc.Dib, 0), 64);
}

TEST(Brush, DensitySelectionAndTheBorder) {
    // density below 100: a click (two dabs) covers more than one dab, reproducibly
    auto cover = [](bool click, uint32_t seed) {
        Desk d;
        WhiteDoc(d, 40, 30);
        d.host.Seed(seed);
        d.view.options.Size = 10;
        d.view.options.Dens = 30;
        d.view.options.Form = 0;
        d.view.tool = Tool::Brush;
        d.press(20, 15);
        const int first = painted(d.doc.Dib);
        d.release(20, 15);
        return click ? painted(d.doc.Dib) : first;
    };
    EXPECT_GT(cover(true, 5), cover(false, 5));
    EXPECT_EQ(cover(true, 5), cover(true, 5));
    EXPECT_LT(cover(false, 5), 60);
    EXPECT_GT(cover(false, 5), 10);

    // a selection clips every dab; a dab at the corner stays inside the image
    Desk d;
    WhiteDoc(d, 40, 30);
    recht_filled(&d.doc.SelMask, 0, 0, 9, 29, 1);
    UpdateSelddib(d.doc, d.host);
    d.view.options.Size = 9;
    d.view.options.Form = 0;
    d.view.options.Hard = 100;
    d.view.tool = Tool::Brush;
    d.press(10, 10);
    d.move(10, 20);
    d.release(10, 20);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 10; x < 40; ++x)
            ASSERT_EQ(getpixel(&d.doc.Dib, x, y), kWhite);
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 15), 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 6, 15), 0);
    Desk c;
    WhiteDoc(c, 5, 4);
    c.view.options.Size = 20;
    c.view.options.Form = 0;
    c.click(Tool::Brush, 0, 0);
    EXPECT_EQ(painted(c.doc.Dib), 20);
}

TEST(Brush, ReplaceMatchesWithinTheTolerance) {
    for (int tol : {0, 200}) {
        Desk d;
        Attach(d.doc, Make24(20, 10, [](int32_t x, int32_t) { return x < 10 ? 0x808080 : 0x818080; }));
        d.doc.ForeColor = 0x0000FF;
        d.doc.BackColor = 0x808080;
        d.view.options.Tol = tol;
        d.view.options.Size = 30;
        d.view.options.Form = 0;
        d.view.options.Hard = 100;
        d.click(Tool::Replace, 10, 5); // left button: looks for the background colour
        EXPECT_EQ(d.doc.ReplaceColor, 0x808080);
        EXPECT_FALSE(d.doc.ReplaceStroke); // cleared at the release
        EXPECT_EQ(getpixel(&d.doc.Dib, 3, 3), 0x0000FF);
        EXPECT_EQ(getpixel(&d.doc.Dib, 13, 3), tol == 0 ? 0x818080 : 0x0000FF);
    }
    // on a palette image the palette colours are compared
    Desk p;
    Attach(p.doc, MakePalette(4, {0x101010, 0x121212, 0x505050}, [](int32_t x, int32_t) {
        return x % 3;
    }, 9, 3));
    p.doc.ForeColor = 0;
    p.doc.BackColor = 15;
    p.view.options.Tol = 2;
    p.view.options.Size = 20;
    p.view.options.Form = 0;
    p.click(Tool::Replace, 4, 1, {}, MouseButton::Right); // right: looks for ForeColor, paints BackColor
    EXPECT_EQ(getpixel(&p.doc.Dib, 0, 0), 15);
    EXPECT_EQ(getpixel(&p.doc.Dib, 1, 0), 15); // 0x12 is within 2 of 0x10
    EXPECT_EQ(getpixel(&p.doc.Dib, 2, 0), 2);
}

TEST(Brush, CloneAlignedAndFree) {
    auto makeDoc = [](Desk& d) {
        Attach(d.doc, Make24(40, 20, [](int32_t x, int32_t y) { return Rgb(x * 6, y * 12, 7); }));
        d.view.options.Size = 1;
    };
    Desk d;
    makeDoc(d);
    d.click(Tool::Clone, 5, 5);
    ASSERT_EQ(d.host.messages.size(), 1u);
    EXPECT_EQ(d.host.messages[0].text, kTextCloneNeedsSource);
    EXPECT_EQ(d.host.messages[0].caption, "Fehler: kein Startpunkt!");
    EXPECT_EQ(d.host.messages[0].flags, MB_ICONSTOP);
    EXPECT_EQ(d.doc.UndoCount, 0);
    d.click(Tool::Clone, 2, 3, kShift); // the source
    EXPECT_EQ(d.doc.UndoCount, 0);
    d.view.tool = Tool::Clone;
    d.press(20, 10);
    d.move(22, 10);
    d.release(22, 10);
    EXPECT_EQ(getpixel(&d.doc.Dib, 20, 10), Rgb(2 * 6, 3 * 12, 7));
    EXPECT_EQ(getpixel(&d.doc.Dib, 22, 10), Rgb(4 * 6, 3 * 12, 7));
    // aligned: a second stroke keeps the offset (18, 7)
    d.click(Tool::Clone, 30, 15);
    EXPECT_EQ(getpixel(&d.doc.Dib, 30, 15), Rgb(12 * 6, 8 * 12, 7));
    // free: every stroke starts at the source again
    d.view.options.CloneMode = 1;
    d.click(Tool::Clone, 35, 2);
    EXPECT_EQ(getpixel(&d.doc.Dib, 35, 2), Rgb(2 * 6, 3 * 12, 7));
    // a new source resets the anchor
    d.view.options.CloneMode = 0;
    d.click(Tool::Clone, 0, 0, kShift);
    d.click(Tool::Clone, 10, 15);
    EXPECT_EQ(getpixel(&d.doc.Dib, 10, 15), Rgb(0, 0, 7));
    // a source outside the image leaves the pixel alone
    d.view.options.Size = 5;
    d.view.options.Hard = 100; // no falloff: the source pixels as they are
    d.view.options.Form = 0;
    d.click(Tool::Clone, 11, 16); // offset (-10, -15): the dab's sources start at (-1, -1)
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 16), Rgb(9 * 6, 16 * 12, 7));
    EXPECT_EQ(getpixel(&d.doc.Dib, 12, 14), Rgb(12 * 6, 14 * 12, 7));
    EXPECT_EQ(getpixel(&d.doc.Dib, 12, 17), Rgb(2 * 6, 2 * 12, 7));
}

TEST(Brush, Retouch) {
    Desk d;
    Attach(d.doc, Make24(20, 10, [](int32_t x, int32_t) { return x < 10 ? kWhite : 0x404040; }));
    d.view.options.Size = 3;
    d.view.options.RetouchMode = 0;
    d.click(Tool::Retouch, 10, 5); // two dabs: +16 where both reach
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 5), kWhite);
    EXPECT_EQ(getpixel(&d.doc.Dib, 11, 5), 0x505050);
    d.view.options.RetouchMode = 1;
    d.click(Tool::Retouch, 10, 5);
    EXPECT_EQ(getpixel(&d.doc.Dib, 11, 5), 0x404040);
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 5), 0xEFEFEF);
    // smear and mix draw from the seeded source: the same seed, the same pixels
    auto mixed = [](int mode) {
        Desk m;
        Attach(m.doc, Make24(30, 20, [](int32_t x, int32_t y) { return Rgb(x * 8, y * 12, 0); }));
        m.host.Seed(11);
        m.view.options.Size = 6;
        m.view.options.RetouchMode = mode;
        m.view.tool = Tool::Retouch;
        m.press(10, 10);
        m.move(15, 12);
        m.release(15, 12);
        return PixelBytes(m.doc.Dib);
    };
    EXPECT_EQ(mixed(2), mixed(2));
    EXPECT_EQ(mixed(3), mixed(3));
    EXPECT_NE(mixed(2), mixed(3));
    // palette images are refused
    Desk p;
    Attach(p.doc, MakePalette(8, {}, [](int32_t, int32_t) { return 3; }, 6, 6));
    p.click(Tool::Retouch, 2, 2);
    ASSERT_EQ(p.host.messages.size(), 1u);
    EXPECT_EQ(p.doc.UndoCount, 0);
}

TEST(Fill, RefusalsUndoAndSelection) {
    Desk d;
    Attach(d.doc, Make24(30, 20, [](int32_t x, int32_t) { return x == 15 ? 0 : kWhite; }));
    d.doc.ForeColor = 0x0000FF;
    d.view.options.FillStyle = 1; // pattern, none loaded
    d.click(Tool::Fill, 5, 5);
    ASSERT_EQ(d.host.messages.size(), 1u);
    EXPECT_EQ(d.host.messages[0].text, kTextChoosePatternFirst);
    EXPECT_EQ(d.doc.UndoCount, 0);
    // no memory for the work mask: no undo level either
    d.view.options.FillStyle = 0;
    PictoraSetAllocLimit(PictoraAllocatedBytes() + 16);
    d.click(Tool::Fill, 5, 5);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(d.host.messages.back().text, kTextNoMemory);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 5, 5), kWhite);
    // the line stops the fill; a selection stops it too
    recht_filled(&d.doc.SelMask, 0, 0, 9, 19, 1);
    UpdateSelddib(d.doc, d.host);
    d.click(Tool::Fill, 5, 5);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 19), 0x0000FF);
    EXPECT_EQ(getpixel(&d.doc.Dib, 10, 0), kWhite);
    d.click(Tool::Fill, 20, 5, {}, MouseButton::Right); // outside the selection: nothing
    EXPECT_EQ(getpixel(&d.doc.Dib, 20, 5), kWhite);

    // a palette pattern on a 24-bit image brings its colours
    TDibRecord pat = MakePalette(8, {0x00FF00, 0xFF0000}, [](int32_t x, int32_t) { return x % 2; }, 2, 2);
    TDibRecord conv = MakePatternCompatible(d.doc.Dib, pat);
    EXPECT_EQ(DibBitsPerPixel(&conv), 24);
    EXPECT_EQ(getpixel(&conv, 0, 0), 0x00FF00);
    EXPECT_EQ(getpixel(&conv, 1, 0), 0x0000FF);
    deldib(&conv);
    // and on a palette image the nearest entries
    Desk p;
    Attach(p.doc, MakePalette(4, {0x000000, 0x00F000, 0xF00000}, [](int32_t, int32_t) { return 0; }));
    conv = MakePatternCompatible(p.doc.Dib, pat);
    EXPECT_EQ(getpixel(&conv, 0, 0), 1);
    EXPECT_EQ(getpixel(&conv, 1, 1), 2);
    deldib(&conv);
    deldib(&pat);
}

} // namespace
} // namespace pixorama

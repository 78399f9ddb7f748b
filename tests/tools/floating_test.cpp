// Lifting, moving, dropping, detaching and merging the floating piece, through the mouse and
// the commands, with undo.
#include "tool_test_support.h"

#include "document/selection.h"
#include "document/undo.h"
#include "tools/floating.h"
#include "tools/selection_tools.h"

#include <gtest/gtest.h>

#include <random>

namespace pixorama {
namespace {

using namespace testing;

int32_t pattern(int32_t x, int32_t y) {
    return Rgb(x * 10, y * 10, 100);
}

void patternDoc(Desk& d, int32_t w = 20, int32_t h = 16) {
    Attach(d.doc, Make24(w, h, pattern));
    d.doc.BackColor = 0x010203;
}

void selectRect(Desk& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    GeometricSelection(d.doc, d.host, kShapeRechteck, SelectionMode::Replace, x0, y0, x1, y1);
}

// Moves the selection by (dx, dy) with the hand tool, grabbing it at (x, y).
void moveBy(Desk& d, int32_t x, int32_t y, int32_t dx, int32_t dy) {
    d.drag(Tool::Hand, x, y, x + dx, y + dy);
}

TEST(Floating, LiftMoveDropAndUndo) {
    Desk d;
    patternDoc(d);
    selectRect(d, 2, 3, 5, 6);
    d.view.tool = Tool::Hand;
    d.press(3, 4);
    // lifted: BackColor where the piece was, the mask empty, the piece follows the mouse
    EXPECT_EQ(d.doc.MouseMode, kModeMoving);
    EXPECT_FALSE(d.doc.HasSelection);
    EXPECT_FALSE(d.doc.Floating);
    EXPECT_EQ(getpixel(&d.doc.FloatBackground, 2, 3), 0x010203);
    EXPECT_EQ(getpixel(&d.doc.Dib, 2, 3), pattern(2, 3));
    d.move(13, 6);
    EXPECT_EQ(getpixel(&d.doc.Dib, 2, 3), 0x010203);
    EXPECT_EQ(getpixel(&d.doc.Dib, 12, 5), pattern(2, 3));
    d.release(13, 6);
    EXPECT_TRUE(d.doc.Floating);
    EXPECT_TRUE(d.doc.HasSelection);
    EXPECT_EQ(d.doc.MouseMode, 0);
    EXPECT_EQ(d.doc.SelRect.Left, 12);
    EXPECT_EQ(d.doc.SelRect.Top, 5);
    EXPECT_EQ(d.doc.SelRect.Right, 15);
    EXPECT_EQ(d.doc.SelRect.Bottom, 8);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const bool inPiece = x >= 12 && x <= 15 && y >= 5 && y <= 8;
            const bool inHole = x >= 2 && x <= 5 && y >= 3 && y <= 6;
            const int32_t want =
                inPiece ? pattern(x - 10, y - 2) : (inHole ? 0x010203 : pattern(x, y));
            ASSERT_EQ(getpixel(&d.doc.Dib, x, y), want) << x << "," << y;
            ASSERT_EQ(getpixel(&d.doc.SelMask, x, y), inPiece ? 1 : 0);
        }
    // one undo level (taken at the press) brings back the image and the old selection
    EXPECT_EQ(d.doc.UndoCount, 1); // taken at the press
    LoadFromUndo(d.doc, d.host);
    EXPECT_FALSE(d.doc.Floating);
    EXPECT_EQ(d.doc.FloatDib.Bits, nullptr);
    EXPECT_EQ(getpixel(&d.doc.Dib, 2, 3), pattern(2, 3));
    EXPECT_EQ(getpixel(&d.doc.Dib, 12, 5), pattern(12, 5));
    EXPECT_EQ(d.doc.SelRect.Left, 2);
    EXPECT_EQ(getpixel(&d.doc.SelMask, 3, 4), 1);
}

TEST(Floating, SecondMoveCarriesEditsAndRestoresTheFirstBackground) {
    Desk d;
    patternDoc(d);
    selectRect(d, 2, 2, 4, 4);
    moveBy(d, 2, 2, 6, 0); // piece now at 8..10
    // an edit inside the placed piece and one outside it
    setpixel(&d.doc.Dib, 9, 3, 0xABCDEF);
    setpixel(&d.doc.Dib, 15, 12, 0x123456);
    const int32_t underPiece = getpixel(&d.doc.FloatBackground, 9, 3);
    moveBy(d, 8, 2, 0, 7); // grabbed on the piece, down to rows 9..11
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 10), 0xABCDEF);   // the edit travelled
    EXPECT_EQ(getpixel(&d.doc.Dib, 9, 3), underPiece);  // the first background is back
    EXPECT_EQ(getpixel(&d.doc.Dib, 15, 12), pattern(15, 12)); // edits outside are lost
    EXPECT_EQ(getpixel(&d.doc.Dib, 3, 3), 0x010203);    // the hole of the lift stays
    EXPECT_EQ(d.doc.SelRect.Top, 9);
    EXPECT_EQ(d.doc.UndoCount, 2);
}

TEST(Floating, PieceCutAtTheBorderKeepsItsShape) {
    Desk d;
    patternDoc(d);
    selectRect(d, 2, 2, 5, 5);
    moveBy(d, 2, 2, -4, -3); // corner at (-2, -1): cut at the border
    EXPECT_EQ(d.doc.SelRect.Left, 0);
    EXPECT_EQ(d.doc.SelRect.Top, 0);
    EXPECT_EQ(d.doc.SelRect.Right, 1);
    EXPECT_EQ(d.doc.SelRect.Bottom, 2);
    EXPECT_EQ(getpixel(&d.doc.Dib, 0, 0), pattern(4, 3));
    // grabbed again and moved back: the piece comes back whole, not shifted by the cut
    moveBy(d, 1, 1, 10, 10);
    EXPECT_EQ(d.doc.SelRect.Left, 8);
    EXPECT_EQ(d.doc.SelRect.Top, 9);
    EXPECT_EQ(d.doc.SelRect.Right, 11);
    EXPECT_EQ(d.doc.SelRect.Bottom, 12);
    EXPECT_EQ(getpixel(&d.doc.Dib, 10, 11), pattern(4, 4));
    EXPECT_EQ(getpixel(&d.doc.Dib, 8, 9), pattern(2, 2));
    EXPECT_EQ(getpixel(&d.doc.Dib, 0, 0), pattern(0, 0));
}

TEST(Floating, DetachMergeAndLinesUnderThePiece) {
    Desk d;
    patternDoc(d);
    selectRect(d, 4, 4, 7, 7);
    MakeSelectionDragable(d.doc, d.host);
    EXPECT_TRUE(d.doc.Floating);
    EXPECT_TRUE(d.doc.HasSelection);
    EXPECT_EQ(getpixel(&d.doc.Dib, 5, 5), pattern(5, 5)); // no hole
    EXPECT_EQ(getpixel(&d.doc.FloatBackground, 5, 5), pattern(5, 5));
    EXPECT_EQ(d.doc.UndoCount, 0); // detaching changes no pixel and takes no level
    // detaching twice is refused with the shortage message, as it has nothing to detach
    MakeSelectionDragable(d.doc, d.host);
    ASSERT_EQ(d.host.messages.size(), 1u);
    EXPECT_EQ(d.host.messages[0].text, kTextNoMemory);

    // a line across the placed piece goes under it
    d.doc.ForeColor = 0;
    d.drag(Tool::Line, 0, 5, 20, 6);
    EXPECT_EQ(getpixel(&d.doc.Dib, 2, 5), 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 5, 5), pattern(5, 5));
    EXPECT_EQ(getpixel(&d.doc.FloatBackground, 5, 5), 0);
    // moving it away shows the line under it
    moveBy(d, 5, 5, 8, 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 5, 5), 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 13, 5), pattern(5, 5));

    // merging keeps the image and the selection; the records go
    FinishDraging(d.doc);
    EXPECT_FALSE(d.doc.Floating);
    EXPECT_TRUE(d.doc.HasSelection);
    EXPECT_EQ(d.doc.FloatBackground.Bits, nullptr);
    EXPECT_EQ(getpixel(&d.doc.Dib, 13, 5), pattern(5, 5));
}

TEST(Floating, TransparentPiecePlacedByAClick) {
    for (int bpp : {8, 24}) {
        Desk d;
        if (bpp == 24)
            patternDoc(d);
        else
            Attach(d.doc, MakePalette(8, {}, [](int32_t x, int32_t y) { return x + y * 20; },
                                      20, 10));
        const int32_t back = bpp == 24 ? 0x010203 : 255;
        d.doc.BackColor = back;
        // a 3 x 2 piece whose middle column has the background colour
        TDibRecord piece, none;
        newdib(&piece, 3, 2, bpp, d.doc.Dib.Info, bpp == 8 ? 256 : 0);
        std::memset(&none, 0, sizeof(none));
        for (int32_t j = 0; j < 2; ++j)
            for (int32_t i = 0; i < 3; ++i)
                setpixel(&piece, i, j, i == 1 ? back : (bpp == 24 ? 0x0000FF : 7));
        ASSERT_TRUE(InitDraging(d.doc, d.host, d.view, piece, none, false, true, kModePlacing,
                                true));
        d.view.tool = Tool::Line; // any tool: the click places the piece
        d.move(5, 5);
        EXPECT_EQ(getpixel(&d.doc.Dib, 6, 5), getpixel(&d.doc.FloatBackground, 6, 5));
        d.press(5, 5);
        EXPECT_FALSE(d.doc.Tracking);
        EXPECT_TRUE(d.doc.Floating);
        EXPECT_FALSE(d.doc.FloatTransparent);
        EXPECT_EQ(getpixel(&d.doc.SelMask, 5, 5), 1);
        EXPECT_EQ(getpixel(&d.doc.SelMask, 6, 5), 0); // dropped out of the selection
        EXPECT_EQ(getpixel(&d.doc.FloatMask, 1, 0), 0);
        EXPECT_EQ(d.doc.UndoCount, 0);
        d.release(5, 5);
        // moved again: the dropped pixels stay out, the image shows through
        moveBy(d, 5, 5, 2, 3);
        EXPECT_EQ(getpixel(&d.doc.Dib, 8, 8), getpixel(&d.doc.FloatBackground, 8, 8));
        EXPECT_EQ(getpixel(&d.doc.Dib, 7, 8), bpp == 24 ? 0x0000FF : 7);
        EXPECT_EQ(getpixel(&d.doc.SelMask, 8, 8), 0);
        EXPECT_EQ(getpixel(&d.doc.SelMask, 9, 9), 1);
    }
}

// The preview restores only where the piece was; the result is the same as a full restore.
TEST(Floating, PreviewEqualsFullRestoreForEveryDepth) {
    std::mt19937 rng(3);
    for (int bpp : {1, 4, 8, 24}) {
        Desk d;
        if (bpp == 24)
            patternDoc(d, 37, 29);
        else
            Attach(d.doc, MakePalette(bpp, {}, [&](int32_t x, int32_t y) {
                       return (x * 7 + y * 3) % (1 << bpp);
                   }, 37, 29));
        FilledEllipse(&d.doc.SelMask, 5, 4, 17, 13, 1);
        UpdateSelddib(d.doc, d.host);
        d.doc.BackColor = 0;
        d.view.tool = Tool::Hand;
        d.press(11, 8);
        for (int k = 0; k < 40; ++k) {
            const int32_t x = int32_t(rng() % 60) - 12, y = int32_t(rng() % 50) - 10;
            d.move(x, y);
            // the reference: background everywhere, then the piece at its corner
            DocumentState ref;
            TDibRecord copy = MakeDIBCopy(d.doc.FloatBackground, d.host);
            ASSERT_TRUE(AttachImage(ref, copy));
            const int32_t ox = d.doc.DragOffset.X + x, oy = d.doc.DragOffset.Y + y;
            for (int32_t i = 0; i < DibWidth(&d.doc.FloatDib); ++i)
                for (int32_t j = 0; j < DibHeight(&d.doc.FloatDib); ++j)
                    if (getpixel(&d.doc.FloatMask, i, j) == 1)
                        setpixel(&ref.Dib, ox + i, oy + j, getpixel(&d.doc.FloatDib, i, j));
            ASSERT_EQ(PixelBytes(d.doc.Dib), PixelBytes(ref.Dib)) << bpp << " move " << k;
        }
        d.release(20, 20);
        EXPECT_TRUE(d.doc.Floating);
    }
}

} // namespace
} // namespace pixorama

namespace pixorama {
namespace {

using namespace testing;

// Without memory for the scratch records nothing is half done: the message, and the document
// as the failure left it (the lift's hole stays until undo, as the undo level has it).
TEST(Floating, ShortageMessages) {
    Desk d;
    Attach(d.doc, Make24(200, 100, pattern));
    d.doc.BackColor = 0x010203;
    recht_filled(&d.doc.SelMask, 10, 10, 50, 50, 1);
    UpdateSelddib(d.doc, d.host);
    const uint64_t limit = PictoraAllocatedBytes();
    PictoraSetAllocLimit(limit + 2048); // no room for a copy of the image
    d.view.tool = Tool::Magic;
    d.press(150, 80, kShift); // the undo copies and the wand's scratch copy fail
    ASSERT_GE(d.host.messages.size(), 2u);
    for (const auto& m : d.host.messages) {
        EXPECT_EQ(m.text, kTextNoMemory);
        EXPECT_EQ(m.flags, MB_ICONSTOP);
    }
    EXPECT_EQ(getpixel(&d.doc.SelMask, 150, 80), 0);
    EXPECT_TRUE(d.doc.HasSelection);
    d.release(150, 80, kShift);

    const size_t before = d.host.messages.size();
    MakeSelectionDragable(d.doc, d.host); // the piece fits, the background copy does not
    EXPECT_EQ(d.host.messages.size(), before + 1);
    EXPECT_FALSE(d.doc.Floating);
    EXPECT_EQ(d.doc.FloatDib.Bits, nullptr);

    PictoraSetAllocLimit(PictoraAllocatedBytes() + 16000);
    d.view.tool = Tool::Hand;
    d.press(20, 20); // lift: the piece is made, its background copy is not
    EXPECT_EQ(d.host.messages.back().text, kTextNoMemory);
    EXPECT_EQ(d.doc.MouseMode, 0);
    EXPECT_FALSE(d.doc.Tracking);
    EXPECT_EQ(d.doc.FloatDib.Bits, nullptr);
    EXPECT_EQ(getpixel(&d.doc.Dib, 20, 20), 0x010203);
    d.release(20, 20);
    PictoraSetAllocLimit(0);
    while (d.doc.UndoCount > 0)
        FreeUndoBuffer(d.doc, 1);
    EXPECT_EQ(PictoraAllocatedBytes(), limit); // nothing leaked on the way
}

} // namespace
} // namespace pixorama

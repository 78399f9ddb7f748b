// pixorama-cli steps of the mouse tools: sticky options and gestures in image points, compared
// with the same drawing and selection done on the core.
#include "document/selection.h"
#include "document/undo.h"
#include "ops/tone.h"
#include "tools/line_shape.h"
#include "tools/selection_tools.h"

#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using ToolsCli = CliFixture;

TEST_F(ToolsCli, LinesAndShapes) {
    check(input24_, "--line-width 3 --line 2 3 15 8", [](DocumentState& d, Host&) {
        DrawWideLine(d.Dib, 2, 3, 15, 8, 3, d.ForeColor);
    });
    // right button: the background colour; the circle's square cut to the smaller side
    check(input24_,
          "--button right --shape-type circle --shape-style filled --shape 3 2 20 9",
          [](DocumentState& d, Host&) { FilledEllipse(&d.Dib, 3, 2, 10, 9, d.BackColor); });
    check(input8_, "--shape-type rect --shape 1 1 6 2 --shape-style filled --button left "
                   "--shape-type ellipse --shape 0 0 8 3",
          [](DocumentState& d, Host&) {
              rechteck(&d.Dib, 1, 1, 6, 2, d.ForeColor);
              FilledEllipse(&d.Dib, 0, 0, 8, 3, d.ForeColor);
          });
    // the pipette's colour is drawn with
    check(input24_, "--pick 5 5 --line 0 0 22 10", [](DocumentState& d, Host&) {
        line(&d.Dib, 0, 0, 22, 10, getpixel(&d.Dib, 5, 5));
    });
}

TEST_F(ToolsCli, SelectionSteps) {
    check(input24_, "--tolerance 40 --select-wand replace 4 4 --select-wand add 20 1 --invert",
          [](DocumentState& d, Host& h) {
              MagicWand(d, h, 4, 4, 40, SelectionMode::Replace);
              MagicWand(d, h, 20, 1, 40, SelectionMode::Add);
              DibInvert(d, h);
          });
    check(input24_, "--select-poly replace 1,1 20,2 10,9 --select-poly subtract 5,3 9,3 7,6 "
                    "--invert",
          [](DocumentState& d, Host& h) {
              FreeSelection(d, h, {{20, 2}, {10, 9}, {1, 1}}, SelectionMode::Replace);
              FreeSelection(d, h, {{9, 3}, {7, 6}, {5, 3}}, SelectionMode::Subtract);
              DibInvert(d, h);
          });
}

// The piece of rectangle (2, 2)-(6, 6) laid five right and three down; lift leaves a hole of
// the background colour, detach leaves the pixels.  The piece becomes the selection.
void movePiece(DocumentState& d, Host& h, bool hole) {
    std::vector<int32_t> piece;
    for (int32_t y = 2; y <= 6; ++y)
        for (int32_t x = 2; x <= 6; ++x) {
            piece.push_back(getpixel(&d.Dib, x, y));
            if (hole)
                setpixel(&d.Dib, x, y, d.BackColor);
        }
    size_t k = 0;
    for (int32_t y = 2; y <= 6; ++y)
        for (int32_t x = 2; x <= 6; ++x)
            setpixel(&d.Dib, x + 5, y + 3, piece[k++]);
    GeometricSelection(d, h, kShapeRechteck, SelectionMode::Replace, 7, 5, 11, 9);
}

TEST_F(ToolsCli, MoveDetachMerge) {
    check(input24_, "--select-rect replace 2 2 6 6 --move 5 3 --invert",
          [](DocumentState& d, Host& h) {
              movePiece(d, h, true);
              DibInvert(d, h);
          });
    check(input24_, "--select-rect replace 2 2 6 6 --detach --move 5 3 --merge --select-invert "
                    "--invert",
          [](DocumentState& d, Host& h) {
              movePiece(d, h, false);
              InvertSelection(d, h);
              DibInvert(d, h);
          });
    // moved twice: from the new place, the first background restored; undo goes one move back
    check(input8_, "--select-rect replace 2 2 6 6 --move 1 0 --move 4 3 --move 7 7 --undo",
          [](DocumentState& d, Host& h) { movePiece(d, h, true); });
    // no selection: the hand only scrolls
    check(input24_, "--move 3 3", [](DocumentState&, Host&) {});
    // --detach without a selection and --merge without a piece change nothing
    check(input24_, "--detach --merge", [](DocumentState&, Host&) {});
}

TEST_F(ToolsCli, WrongArguments) {
    for (const char* steps :
         {"--select-poly replace", "--select-poly sideways 1,1 2,2 3,1", "--select-poly add 1x2",
          "--shape-type hexagon", "--shape-style dotted", "--button middle", "--line-width 0",
          "--tolerance 201", "--line 1 2 3", "--move 1"}) {
        const Result r = run(input24_ + " " + steps);
        EXPECT_EQ(r.code, 2) << steps << ": " << r.err;
    }
}

} // namespace
} // namespace pixorama

// pixorama-cli steps of the mouse tools: sticky options and gestures in image points, compared
// with the same drawing and selection done on the core.
#include "document/selection.h"
#include "document/undo.h"
#include "ops/tone.h"
#include "tools/brush.h"
#include "tools/fill.h"
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

// The BrushLine calls of a stroke through the points: a dab at the press, one segment per
// move, a dab at the release.
void stroke(DocumentState& d, Host& h, const TBrushParams& p, const std::vector<TPoint>& pts,
            int32_t colour) {
    BrushLine(d, h, p, pts[0].X, pts[0].Y, pts[0].X, pts[0].Y, colour);
    for (size_t k = 1; k < pts.size(); ++k)
        BrushLine(d, h, p, pts[k - 1].X, pts[k - 1].Y, pts[k].X, pts[k].Y, colour);
    BrushLine(d, h, p, pts.back().X, pts.back().Y, pts.back().X, pts.back().Y, colour);
}

TEST_F(ToolsCli, BrushStrokes) {
    TBrushParams p;
    p.Size = 5;
    p.Hard = 30;
    p.Opacity = 20;
    check(input24_, "--brush-size 5 --hardness 30 --transparency 20 --stroke 3,3 15,8 18,2",
          [&](DocumentState& d, Host& h) { stroke(d, h, p, {{3, 3}, {15, 8}, {18, 2}}, d.ForeColor); });
    // density draws from the seeded source, square form, right button
    TBrushParams q;
    q.Size = 6;
    q.Form = 0;
    q.Dens = 40;
    check(input24_,
          "--button right --brush-form square --brush-size 6 --density 40 --stroke 2,2 20,9",
          [&](DocumentState& d, Host& h) {
              h.Seed(7);
              stroke(d, h, q, {{2, 2}, {20, 9}}, d.BackColor);
          },
          "--seed 7");
    // palette image: indices, no blending
    check(input8_, "--brush-size 3 --transparency 50 --stroke 1,1 7,2",
          [&](DocumentState& d, Host& h) {
              TBrushParams r;
              r.Size = 3;
              r.Opacity = 50;
              stroke(d, h, r, {{1, 1}, {7, 2}}, d.ForeColor);
          });
}

TEST_F(ToolsCli, ReplaceCloneRetouchAndFill) {
    check(input24_, "--tolerance 60 --brush-size 9 --replace-stroke 4,4 18,6",
          [](DocumentState& d, Host& h) {
              TBrushParams p;
              p.Size = 9;
              p.Tol = 60;
              d.ReplaceStroke = true;
              d.ReplaceColor = d.BackColor;
              stroke(d, h, p, {{4, 4}, {18, 6}}, d.ForeColor);
          });
    check(input24_, "--brush-size 3 --clone-source 2 2 --clone-stroke 12,5 16,6 --clone-mode free "
                    "--clone-stroke 5,8 6,8",
          [](DocumentState& d, Host& h) {
              TBrushParams p;
              p.Size = 3;
              d.CloneStroke = true;
              d.CloneSource = {2, 2};
              d.CloneFirstDest = {12, 5};
              stroke(d, h, p, {{12, 5}, {16, 6}}, d.ForeColor);
              p.CloneMode = 1;
              d.CloneStrokeStart = {5, 8};
              stroke(d, h, p, {{5, 8}, {6, 8}}, d.ForeColor);
          });
    check(input24_, "--retouch darken --brush-size 4 --retouch-stroke 5,5 9,5",
          [](DocumentState& d, Host& h) {
              TBrushParams p;
              p.Size = 4;
              p.RetouchMode = 1;
              d.RetouchStroke = true;
              stroke(d, h, p, {{5, 5}, {9, 5}}, d.ForeColor);
          });
    for (int style : {0, 2, 3, 4, 5})
        for (int dir : {0, 5}) {
            check(input24_,
                  "--tolerance 100 --fill-style " + std::to_string(style) + " --direction " +
                      std::to_string(dir) + " --fill 6 4",
                  [&](DocumentState& d, Host& h) {
                      d.PaintColor = d.ForeColor;
                      d.OtherColor = d.BackColor;
                      FillAt(d, h, {style, dir, 100}, nullptr, 6, 4);
                  });
        }
    // a pattern from a file, and the refusal without one
    check(input24_, "--pattern " + input8_ + " --fill-style 1 --tolerance 200 --fill 0 0",
          [&](DocumentState& d, Host& h) {
              TDibRecord pat;
              ASSERT_EQ(OpenDib(&pat, input8_.c_str(), 0, nullptr, nullptr), 1);
              d.PaintColor = d.ForeColor;
              d.OtherColor = d.BackColor;
              FillAt(d, h, {1, 0, 200}, &pat, 0, 0);
              deldib(&pat);
          });
    const Result r = run(input24_ + " --fill-style 1 --fill 0 0");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Sie müssen zuerst ein Muster auswählen!"), std::string::npos);
    const Result c = run(input24_ + " --clone-stroke 1,1 2,2");
    EXPECT_EQ(c.code, 1);
    EXPECT_NE(c.err.find("Fehler: kein Startpunkt!"), std::string::npos);
}

TEST_F(ToolsCli, WrongArguments) {
    for (const char* steps :
         {"--select-poly replace", "--select-poly sideways 1,1 2,2 3,1", "--select-poly add 1x2",
          "--shape-type hexagon", "--shape-style dotted", "--button middle", "--line-width 0",
          "--tolerance 201", "--line 1 2 3", "--move 1", "--brush-size 0", "--brush-form round",
          "--hardness 101", "--density 0", "--transparency 100", "--fill-style 6",
          "--direction 8", "--clone-mode sometimes", "--retouch blur", "--stroke",
          "--stroke 1,1 2"}) {
        const Result r = run(input24_ + " " + steps);
        EXPECT_EQ(r.code, 2) << steps << ": " << r.err;
    }
}

} // namespace
} // namespace pixorama

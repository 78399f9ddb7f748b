// pixorama-cli's --text step, compared with the text inserted and placed on the core, and its
// wrong command lines and refusals.
#include "ops/tone.h"
#include "tools/floating.h"
#include "tools/text_render.h"
#include "tools/text_tool.h"

#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using TextCli = CliFixture;

class QuietView : public MouseView {
  public:
    Tool SelectedTool() const override { return Tool::Txt; }
    TToolOptions Options() const override { return {}; }
};

// InsertText, then the placing click at image point (x, y).
void insertAndPlace(DocumentState& d, Host& h, std::vector<std::string> lines,
                    const std::string& family, int px, int align, int32_t x, int32_t y) {
    QuietView view;
    TTextRequest r;
    r.Lines = std::move(lines);
    r.Family = family;
    r.PixelSize = px;
    r.Align = align;
    ASSERT_TRUE(InsertText(d, h, view, r));
    MouseDispatcher mouse(d, h, view);
    mouse.PaintBox1MouseDown(MouseButton::Left, {}, x, y);
    ASSERT_TRUE(d.Floating);
}

TEST_F(TextCli, InsertedAndPlacedAsTheToolDoes) {
    // the options after the text, in any order; "\n" separates the lines
    check(input24_,
          "--fore '#FF0000' --text 2 1 'A\\nBBB\\nCC' --align right --font-size 9 "
          "--font 'Liberation Sans'",
          [](DocumentState& d, Host& h) {
              d.ForeColor = 0x0000FF;
              insertAndPlace(d, h, {"A", "BBB", "CC"}, "Liberation Sans", 9, kAlignRight, 2, 1);
          });
    // the start font and size; the block cut at the image border; a later step still runs
    check(input24_, "--text -3 4 Test --invert", [](DocumentState& d, Host& h) {
        insertAndPlace(d, h, {"Test"}, "Times New Roman", 21, kAlignLeft, -3, 4);
        DibInvert(d, h); // only the letters: they are the selection
    });
    // a palette image takes the foreground index
    check(input8_, "--fore 17 --text 0 0 'ij\\nW' --align center --font-size 6",
          [](DocumentState& d, Host& h) {
              d.ForeColor = 17;
              insertAndPlace(d, h, {"ij", "W"}, "Times New Roman", 6, kAlignCenter, 0, 0);
          });
}

TEST_F(TextCli, WrongCommandLinesAndRefusals) {
    for (const char* steps :
         {"--text 1 1 ''", "--text 1 1 x --align middle", "--text 1 1 x --font-size 0",
          "--text 1 1 x --font-size 2001", "--text 1 1 x --font", "--text 1 x y", "--text 1 1"}) {
        const Result r = run(input24_ + " " + steps);
        EXPECT_EQ(r.code, 2) << steps << ": " << r.err;
    }
    // far too long a text: the shortage message, no output written
    const std::string file = out("never.bmp");
    const Result r = run(input24_ + " --text 0 0 " + std::string(40000, 'W') + " --save " + file);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(kTextNoMemory), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file));
}

} // namespace
} // namespace pixorama

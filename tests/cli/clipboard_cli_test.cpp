// pixorama-cli steps of the edit commands over the run's own clipboard.
#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using ClipboardCli = CliFixture;

TDibRecord load(const std::string& path) {
    TDibRecord d;
    EXPECT_EQ(OpenDib(&d, path.c_str(), 0, nullptr, nullptr), 1) << path;
    return d;
}

TEST_F(ClipboardCli, CopyAndCutPasteAsImage) {
    // the whole image goes round unchanged, palette and all
    for (const std::string& in : {input24_, input8_}) {
        const std::string file = out("whole.bmp");
        const Result r = run(in + " --copy --delete --paste image --save " + file);
        ASSERT_EQ(r.code, 0) << r.err;
        DibHolder a(load(in)), b(load(file));
        ASSERT_EQ(DibWidth(&b.get()), DibWidth(&a.get()));
        ASSERT_EQ(DibBitsPerPixel(&b.get()), DibBitsPerPixel(&a.get()));
        for (int y = 0; y < DibHeight(&a.get()); ++y)
            for (int x = 0; x < DibWidth(&a.get()); ++x)
                ASSERT_EQ(getpixel(&b.get(), x, y), getpixel(&a.get(), x, y)) << x << "," << y;
    }
    // a cut rectangle becomes an image of its own
    const std::string file = out("part.bmp");
    const Result r = run(input24_ + " --select-rect replace 4 2 9 6 --cut --paste image --save " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    DibHolder a(load(input24_)), b(load(file));
    ASSERT_EQ(DibWidth(&b.get()), 6);
    ASSERT_EQ(DibHeight(&b.get()), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(getpixel(&b.get(), x, y), getpixel(&a.get(), x + 4, y + 2));
}

TEST_F(ClipboardCli, PasteSelectionCutAndDelete) {
    // an elliptical piece laid at the corner, then merged: it keeps its shape
    check(input24_, "--select-ellipse replace 6 1 16 9 --copy --paste selection --merge",
          [](DocumentState& d, Host& h) {
              DibHolder shape;
              newdib(&shape.get(), 23, 11, 1, nullptr, 0);
              FilledEllipse(&shape.get(), 6, 1, 16, 9, 1);
              DibHolder copy(MakeDIBCopy(d.Dib, h));
              for (int y = 1; y <= 9; ++y)
                  for (int x = 6; x <= 16; ++x)
                      if (getpixel(&shape.get(), x, y) == 1)
                          setpixel(&d.Dib, x - 6, y - 1, getpixel(&copy.get(), x, y));
          });
    // a palette image: the piece takes the document's palette as it is
    check(input8_, "--select-rect replace 1 1 3 2 --copy --paste transparent --move 4 1 --merge",
          [](DocumentState& d, Host&) {
              // BackColor 255 is not in the piece: every pixel shows
              for (int y = 1; y <= 2; ++y)
                  for (int x = 1; x <= 3; ++x)
                      setpixel(&d.Dib, x - 1 + 4, y - 1 + 1, getpixel(&d.Dib, x, y));
          });
    // delete fills the selection with the background colour; cut does the same
    for (const char* step : {"--delete", "--cut"})
        check(input24_, std::string("--select-rect replace 2 3 7 5 ") + step,
              [](DocumentState& d, Host&) { recht_filled(&d.Dib, 2, 3, 7, 5, d.BackColor); });
}

TEST_F(ClipboardCli, EmptyClipboardAndWrongArguments) {
    // nothing copied: the paste commands are disabled and change nothing
    check(input24_, "--paste selection --paste image", [](DocumentState&, Host&) {});
    const Result bad = run(input24_ + " --paste bild --save " + out("x.bmp"));
    EXPECT_EQ(bad.code, 2);
    const Result missing = run(input24_ + " --paste");
    EXPECT_EQ(missing.code, 2);
}

} // namespace
} // namespace pixorama

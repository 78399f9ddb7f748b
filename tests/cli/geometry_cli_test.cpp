// pixorama-cli steps of geometry, effects and deformations, compared pixel by pixel with the
// same commands run on the core.
#include "document/dib.h"
#include "document/selection.h"
#include "ops/deformations.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "tools/selection_tools.h"

#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using GeometryCli = CliFixture;

void selectBox(DocumentState& d, Host& h) {
    BeginSelectionGesture(d, h);
    GeometricSelection(d, h, kShapeRechteck, SelectionMode::Replace, 3, 2, 12, 8);
}

TEST_F(GeometryCli, GeometrySteps) {
    for (const std::string& in : {input24_, input8_}) {
        check(in, "--flip-h", [](DocumentState& d, Host& h) { MirrorCommand(d, h, true); });
        check(in, "--flip-v", [](DocumentState& d, Host& h) { MirrorCommand(d, h, false); });
        check(in, "--rotate left 90", [](DocumentState& d, Host& h) {
            RotateCommand(d, h, {false, RotateAngle::Deg90, 0, false});
        });
        check(in, "--rotate right 270", [](DocumentState& d, Host& h) {
            RotateCommand(d, h, {true, RotateAngle::Deg270, 0, false});
        });
        check(in, "--rotate-free right 33.5 --interpolate", [](DocumentState& d, Host& h) {
            RotateCommand(d, h, {true, RotateAngle::Free, 33.5L, true});
        });
        check(in, "--resize 50 7 --interpolate",
              [](DocumentState& d, Host& h) { ResizeCommand(d, h, 50, 7, false); });
        check(in, "--canvas 320 200 -5 7",
              [](DocumentState& d, Host& h) { CanvasCommand(d, h, 320, 200, -5, 7); });
        check(in, "--border 1 2 3 4",
              [](DocumentState& d, Host& h) { BorderCommand(d, h, 1, 2, 3, 4); });
        check(in, "--select-rect replace 3 2 12 8 --crop", [](DocumentState& d, Host& h) {
            selectBox(d, h);
            CropCommand(d, h);
        });
        check(in, "--select-rect replace 3 2 12 8 --rotate left 180 --merge",
              [](DocumentState& d, Host& h) {
                  selectBox(d, h);
                  RotateCommand(d, h, {false, RotateAngle::Deg180, 0, false});
              });
    }
    // the interpolation box counts for 24-bit images
    check(input24_, "--resize 50 30 --interpolate",
          [](DocumentState& d, Host& h) { ResizeCommand(d, h, 50, 30, true); });
}

TEST_F(GeometryCli, EffectAndDeformationSteps) {
    const std::string in = input24_;
    check(in, "--select-rect replace 3 2 12 8 --shadow 3 -2 20 40 red",
          [](DocumentState& d, Host& h) {
              selectBox(d, h);
              ShadowCommand(d, h, 3, -2, 20, 40, 4);
          });
    check(in, "--select-rect replace 3 2 12 8 --button-effect 3 10 transparent fore",
          [](DocumentState& d, Host& h) {
              selectBox(d, h);
              ButtonCommand(d, h, 3, 10, false, 0);
          });
    check(in, "--mosaic 3 2", [](DocumentState& d, Host& h) { MosaicCommand(d, h, 3, 2); });
    check(in, "--erode", [](DocumentState& d, Host& h) { DibErodeFilter(d, h); });
    check(in, "--dilate", [](DocumentState& d, Host& h) { DibDilateFilter(d, h); });
    // noise draws from the generator --seed fixes
    const std::string noisy = out("noise.bmp");
    ASSERT_EQ(run("--seed 5 " + in + " --add-noise 96 50 --save " + noisy).code, 0);
    check(noisy, "--info", [&](DocumentState& d, Host&) {
        DocumentState fresh;
        TDibRecord src;
        ASSERT_EQ(OpenDib(&src, in.c_str(), 0, nullptr, nullptr), 1);
        ASSERT_TRUE(AttachImage(fresh, src));
        QuietHost seeded;
        seeded.Seed(5);
        AddNoiseCommand(fresh, seeded, 96, 50);
        ASSERT_TRUE(CopyImagePixels(d.Dib, fresh.Dib)); // the saved file must equal this
    });
    check(in, "--remove-noise 30", [](DocumentState& d, Host& h) { DelNoise(d, h, 30); });
    check(in, "--perspective v -70",
          [](DocumentState& d, Host& h) { PerspectiveCommand(d, h, -70, false, true); });
    check(in, "--skew h 45",
          [](DocumentState& d, Host& h) { PerspectiveCommand(d, h, 45, true, false); });
    check(in, "--bulge v 0.5",
          [](DocumentState& d, Host& h) { BulgeCommand(d, h, false, 0.5, true); });
}

TEST_F(GeometryCli, RefusalsAndWrongArguments) {
    EXPECT_EQ(run(input8_ + " --erode").code, 1);
    EXPECT_EQ(run(input8_ + " --bulge both 2").code, 1);
    EXPECT_EQ(run(input24_ + " --crop").code, 1);
    EXPECT_EQ(run(input24_ + " --shadow 1 1 1 1 black").code, 1);
    EXPECT_EQ(run(input24_ + " --rotate up 90").code, 2);
    EXPECT_EQ(run(input24_ + " --rotate left 45").code, 2);
    EXPECT_EQ(run(input24_ + " --resize 0 5").code, 2);
    EXPECT_EQ(run(input24_ + " --canvas 100 200 0 0").code, 2); // below the dialog's 320
    EXPECT_EQ(run(input24_ + " --button-effect 3 3 soft white").code, 2);
    EXPECT_EQ(run(input24_ + " --shadow 1 1 1 1 purple").code, 2);
    EXPECT_EQ(run(input24_ + " --bulge both 0").code, 2);
}

} // namespace
} // namespace pixorama

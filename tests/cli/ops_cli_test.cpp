// pixorama-cli steps of the tone, filter, correction, selection, colour and undo commands, run
// as a user runs them; every output file is read back and compared pixel by pixel with the
// same command run on the core.
#include "colour/hsl.h"
#include "document/undo.h"
#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/histogram.h"
#include "ops/tone.h"
#include "document/selection.h"
#include "tools/selection_tools.h"

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pixorama {
namespace {

using OpsCli = CliFixture;

TEST_F(OpsCli, ToneSteps) {
    for (const std::string& in : {input24_, input8_}) {
        check(in, "--invert", [](DocumentState& d, Host& h) { DibInvert(d, h); });
        check(in, "--grayscale", [](DocumentState& d, Host& h) { DibGrayscale(d, h); });
        check(in, "--stretch", [](DocumentState& d, Host& h) { StretchHistogramm(d, h); });
        check(in, "--posterize 3", [](DocumentState& d, Host& h) { DibPoster(d, h, 5); });
        check(in, "--solarize 100", [](DocumentState& d, Host& h) { DibSolar(d, h, 100); });
    }
}

TEST_F(OpsCli, CorrectionSteps) {
    for (const std::string& in : {input24_, input8_}) {
        check(in, "--brightness -40", [](DocumentState& d, Host& h) { Helligkeit(d, h, -40); });
        check(in, "--contrast 170", [](DocumentState& d, Host& h) { Kontrast(d, h, 170); });
        check(in, "--saturation 60", [](DocumentState& d, Host& h) { Saettigung(d, h, 60); });
        check(in, "--hcs 15 80 -30", [](DocumentState& d, Host& h) {
            Helligkeit(d, h, 15);
            Kontrast(d, h, 80);
            Saettigung(d, h, -30);
        });
        check(in, "--gamma 2.4", [](DocumentState& d, Host& h) { Gamma(d, h, 2.4); });
        check(in, "--highlight-mid-shadow 200 100 30",
              [](DocumentState& d, Host& h) { HighMidShadow(d, h, 200, 100, 30); });
        check(in, "--rgb 50 -20 -100",
              [](DocumentState& d, Host& h) { RedGreenBlue(d, h, 50, -20, -100); });
        check(in, "--colorize 40 200", [](DocumentState& d, Host& h) { Colorize(d, h, 40, 200); });
    }
}

TEST_F(OpsCli, FilterAndKernelSteps) {
    for (const TBuiltinFilter& f : kBuiltinFilters)
        check(input24_, std::string("--filter ") + f.CliName,
              [&](DocumentState& d, Host& h) { ApplyBuiltinFilter(d, h, f); });
    // the kernel is written row by row like the built-in tables
    check(input24_, "--kernel 1 0  0 0 0 0 0  0 -1 0 1 0  0 -1 0 1 0  0 -1 0 1 0  0 0 0 0 0",
          [](DocumentState& d, Host& h) {
              ApplyBuiltinFilter(d, h, *FindBuiltinFilter("find-h-edges"));
          });
    // one weight in the top row, right column: each pixel takes its neighbour 2 right, 2 up
    const std::string file = out("shift.bmp");
    Result r = run(input24_ + " --kernel 1 0  0 0 0 0 1" + " 0 0 0 0 0" + " 0 0 0 0 0" +
                   " 0 0 0 0 0" + " 0 0 0 0 0 --save " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    TDibRecord in, got;
    ASSERT_EQ(OpenDib(&in, input24_.c_str(), 0, nullptr, nullptr), 1);
    ASSERT_EQ(OpenDib(&got, file.c_str(), 0, nullptr, nullptr), 1);
    EXPECT_EQ(getpixel(&got, 5, 6), getpixel(&in, 7, 4));
    EXPECT_EQ(getpixel(&got, 22, 0), getpixel(&in, 22, 0)); // edges repeat
    deldib(&in);
    deldib(&got);
}

TEST_F(OpsCli, SelectionSteps) {
    check(input24_, "--select-rect replace 3 2 15 8 --select-ellipse subtract 5 3 9 6 --invert",
          [](DocumentState& d, Host& h) {
              GeometricSelection(d, h, kShapeRechteck, SelectionMode::Replace, 3, 2, 15, 8);
              GeometricSelection(d, h, kShapeEllipse, SelectionMode::Subtract, 5, 3, 9, 6);
              DibInvert(d, h);
          });
    check(input24_, "--select-ellipse replace 0 0 22 10 --select-invert --filter soften-strong",
          [](DocumentState& d, Host& h) {
              GeometricSelection(d, h, kShapeEllipse, SelectionMode::Replace, 0, 0, 22, 10);
              InvertSelection(d, h);
              ApplyBuiltinFilter(d, h, *FindBuiltinFilter("soften-strong"));
          });
    check(input24_, "--select-rect replace 0 0 4 4 --select-rect add 10 5 12 9 --grayscale",
          [](DocumentState& d, Host& h) {
              GeometricSelection(d, h, kShapeRechteck, SelectionMode::Replace, 0, 0, 4, 4);
              GeometricSelection(d, h, kShapeRechteck, SelectionMode::Add, 10, 5, 12, 9);
              DibGrayscale(d, h);
          });
    // everything again after select all / none; palette images ignore the selection
    check(input24_, "--select-rect replace 0 0 1 1 --select-none --gamma 0.5",
          [](DocumentState& d, Host& h) { Gamma(d, h, 0.5); });
    check(input24_, "--select-rect replace 0 0 1 1 --select-all --contrast 30",
          [](DocumentState& d, Host& h) { Kontrast(d, h, 30); });
    check(input8_, "--select-rect replace 0 0 1 1 --invert",
          [](DocumentState& d, Host& h) { DibInvert(d, h); });
}

TEST_F(OpsCli, UndoLevelsAndHistogram) {
    // every step takes one level: three undos bring back the image after the first step
    check(input24_, "--grayscale --invert --filter sharpen --brightness 9 --undo --undo --undo",
          [](DocumentState& d, Host& h) { DibGrayscale(d, h); });
    check(input24_, "--select-all --select-invert --undo --undo --posterize 1",
          [](DocumentState& d, Host& h) { DibPoster(d, h, 7); });
    check(input24_, "--invert --undo --undo", [](DocumentState&, Host&) {});
    // --undo restores the selection: the solarising covers the rectangle only
    check(input24_, "--select-rect replace 2 2 6 6 --select-all --undo --solarize 200",
          [](DocumentState& d, Host& h) {
              GeometricSelection(d, h, kShapeRechteck, SelectionMode::Replace, 2, 2, 6, 6);
              DibSolar(d, h, 200);
          });

    // deeper undo on request: five levels give back the image before the first of five steps
    check(input24_,
          "--undo-levels 5 --invert --grayscale --invert --brightness 9 --invert"
          " --undo --undo --undo --undo --undo",
          [](DocumentState&, Host&) {});
    check(input24_,
          "--undo-levels 4 --invert --grayscale --invert --brightness 9 --invert"
          " --undo --undo --undo --undo --undo",
          [](DocumentState& d, Host& h) { DibInvert(d, h); });
    EXPECT_EQ(run("--new 4 4 24 --undo-levels 50 --invert --undo").code, 0);
    EXPECT_EQ(run("--new 4 4 24 --undo-levels 0").code, 2);
    EXPECT_EQ(run("--new 4 4 24 --undo-levels 51").code, 2);

    TDibRecord in;
    ASSERT_EQ(OpenDib(&in, input24_.c_str(), 0, nullptr, nullptr), 1);
    Result r = run(input24_ + " --histogram --invert --histogram");
    ASSERT_EQ(r.code, 0) << r.err;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, in));
    QuietHost host;
    std::string expected = HistogramText(doc.Dib) + "\n";
    DibInvert(doc, host);
    expected += HistogramText(doc.Dib) + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(run("--new 5 4 24 --histogram").out, "Max: 20 (100%); Min: 0; Durchschnitt: 255\n");
}

TEST_F(OpsCli, ArgumentsAndRefusals) {
    EXPECT_EQ(run("--new 4 4 24 --fore '#FF8000' --back '#000000' --info").code, 0);
    EXPECT_EQ(run("--new 4 4 8 --fore 255 --back 0").code, 0);
    EXPECT_EQ(run("--new 4 4 8 --fore 256").code, 2);
    EXPECT_EQ(run("--new 4 4 24 --back 12 --info").code, 2);
    for (const char* bad :
         {"--posterize 0", "--posterize 8", "--solarize 0", "--solarize 256", "--brightness 128",
          "--contrast -1", "--saturation 101", "--gamma 0.05", "--gamma 9", "--gamma x",
          "--hcs 0 100", "--rgb 0 0 101", "--colorize 256 0", "--highlight-mid-shadow 0 0 -1",
          "--filter blur", "--kernel 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
          "--kernel 1 0 1 2 3", "--select-rect all 0 0 1 1", "--select-ellipse add 0 0 1"}) {
        const Result r = run(std::string("--new 4 4 24 ") + bad);
        EXPECT_EQ(r.code, 2) << bad << ": " << r.err;
    }
    // commands whose menus are disabled for the image are refused with a message
    Result r = run("--new 4 4 1 --grayscale");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--grayscale"), std::string::npos);
    EXPECT_EQ(run("--new 4 4 8 --filter soften").code, 1);
    EXPECT_EQ(
        run("--new 4 4 4 --kernel 1 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0").code, 1);
    EXPECT_EQ(run("--new 4 4 1 --invert").code, 0);
    r = run("--new 4 4 1 --invert --histogram");
    EXPECT_EQ(r.out, "Max: 16 (100%); Min: 0; Durchschnitt: 0\n");
}

} // namespace
} // namespace pixorama

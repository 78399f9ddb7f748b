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

namespace fs = std::filesystem;

class QuietHost : public Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return IDOK; }
};

struct Result {
    int code;
    std::string out, err;
};

Result run(const std::string& args) {
    const fs::path errFile =
        fs::temp_directory_path() / ("pixorama_ops_err_" + std::to_string(::getpid()));
    const std::string cmd = std::string(PIXORAMA_CLI) + " " + args + " 2>" + errFile.string();
    Result r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr)
        return {-1, "", "popen"};
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* e = std::fopen(errFile.c_str(), "rb")) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0)
            r.err.append(buf.data(), n);
        std::fclose(e);
    }
    fs::remove(errFile);
    return r;
}

class OpsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pixorama_ops_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        TDibRecord rgb;
        newdib(&rgb, 23, 11, 24, nullptr, 0);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 23; ++x)
                setpixel(&rgb, x, y,
                         (x * 11 + y * 3) | ((x * y * 7 % 256) << 8) | ((250 - 9 * y) << 16));
        input24_ = save(rgb, "in24.bmp");
        TDibRecord pal;
        newdib(&pal, 9, 4, 8, nullptr, 0);
        for (int i = 0; i < 256; ++i)
            DibSetPaletteColor(&pal, i, uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13));
        DibUpdatePaletteHandle(&pal);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                setpixel(&pal, x, y, x * 4 + y);
        input8_ = save(pal, "in8.bmp");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string save(TDibRecord& d, const std::string& name) {
        const std::string path = (dir_ / name).string();
        EXPECT_EQ(SaveDib(&d, path.c_str(), 0, 75, nullptr, 0), 1);
        deldib(&d);
        return path;
    }
    std::string out(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the steps on input and compares the saved result with `expect` applied to the same
    // input in the core.
    void check(const std::string& input, const std::string& steps,
               const std::function<void(DocumentState&, Host&)>& expect) {
        const std::string file = out("out.bmp");
        const Result r = run(input + " " + steps + " --save " + file);
        ASSERT_EQ(r.code, 0) << steps << ": " << r.err;
        TDibRecord got;
        ASSERT_EQ(OpenDib(&got, file.c_str(), 0, nullptr, nullptr), 1);
        DocumentState doc;
        TDibRecord in;
        ASSERT_EQ(OpenDib(&in, input.c_str(), 0, nullptr, nullptr), 1);
        ASSERT_TRUE(AttachImage(doc, in));
        QuietHost host;
        expect(doc, host);
        ASSERT_EQ(DibWidth(&got), DibWidth(&doc.Dib));
        ASSERT_EQ(DibHeight(&got), DibHeight(&doc.Dib));
        ASSERT_EQ(DibBitsPerPixel(&got), DibBitsPerPixel(&doc.Dib));
        for (int y = 0; y < DibHeight(&got); ++y)
            for (int x = 0; x < DibWidth(&got); ++x)
                ASSERT_EQ(getpixel(&got, x, y), getpixel(&doc.Dib, x, y))
                    << steps << " at " << x << "," << y;
        if (DibBitsPerPixel(&got) <= 8)
            for (int i = 0; i < DibColorCount(&got); ++i) {
                const TPaletteEntry a = got.Palette.palPalEntry[i],
                                    b = doc.Dib.Palette.palPalEntry[i];
                ASSERT_TRUE(a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue)
                    << steps << " palette entry " << i;
            }
        deldib(&got);
    }

    fs::path dir_;
    std::string input24_, input8_;
};

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

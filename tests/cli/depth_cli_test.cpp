// pixorama-cli steps of colour depth and palettes, run as a user runs them: every saved result
// is compared pixel by pixel (and entry by entry) with the same command run on the core.
#include "colour/depth_down.h"
#include "colour/depth_up.h"
#include "colour/palette_files.h"

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

class DepthCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pixorama_depth_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        TDibRecord rgb;
        newdib(&rgb, 37, 21, 24, nullptr, 0);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x)
                setpixel(&rgb, x, y, (x * 7 + y) | ((x * y * 5 % 256) << 8) | ((240 - 11 * y) << 16));
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

    void check(const std::string& input, const std::string& steps,
               const std::function<void(DocumentState&, Host&)>& expect) {
        const std::string file = out("out.bmp");
        const Result r = run("--seed 5 " + input + " " + steps + " --save " + file);
        ASSERT_EQ(r.code, 0) << steps << ": " << r.err;
        TDibRecord got;
        ASSERT_EQ(OpenDib(&got, file.c_str(), 0, nullptr, nullptr), 1);
        DocumentState doc;
        TDibRecord in;
        ASSERT_EQ(OpenDib(&in, input.c_str(), 0, nullptr, nullptr), 1);
        ASSERT_TRUE(AttachImage(doc, in));
        QuietHost host;
        host.Seed(5);
        expect(doc, host);
        ASSERT_EQ(DibBitsPerPixel(&got), DibBitsPerPixel(&doc.Dib)) << steps;
        for (int y = 0; y < DibHeight(&got); ++y)
            for (int x = 0; x < DibWidth(&got); ++x)
                ASSERT_EQ(getpixel(&got, x, y), getpixel(&doc.Dib, x, y)) << steps << " at " << x << "," << y;
        if (DibBitsPerPixel(&got) <= 8)
            for (int i = 0; i < DibColorCount(&got); ++i) {
                const TPaletteEntry a = got.Palette.palPalEntry[i], b = doc.Dib.Palette.palPalEntry[i];
                ASSERT_TRUE(a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue)
                    << steps << " palette entry " << i;
            }
        deldib(&got);
    }

    fs::path dir_;
    std::string input24_, input8_;
};

TEST_F(DepthCli, DepthDownWithTheDialogsDefaultsAndOptions) {
    check(input24_, "--depth-down 8", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(8, true, TDepthMethod::FloydSteinberg, true));
    });
    check(input24_, "--depth-down 8 --standard-palette --method ordered", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(8, false, TDepthMethod::Ordered, true));
    });
    check(input24_, "--depth-down 8 --no-windows-colors --method nearest", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(8, true, TDepthMethod::Nearest, false));
    });
    check(input24_, "--depth-down 4 --standard-palette", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(4, false, TDepthMethod::FloydSteinberg, true));
    });
    check(input8_, "--depth-down 1 --method nearest", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(1, true, TDepthMethod::Nearest, true));
    });
    check(input24_, "--colors 40", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, FreeDepthChoice(40, true, true));
    });
    check(input24_, "--colors 9 --no-windows-colors --method nearest", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, FreeDepthChoice(9, false, false));
    });
    check(input8_, "--depth-up 24", [](DocumentState& d, Host& h) { DepthUpTo(d, h, 24); });
    check(input24_, "--depth-down 1 --depth-up 8", [](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(1, true, TDepthMethod::FloydSteinberg, true));
        DepthUpTo(d, h, 8);
    });
}

TEST_F(DepthCli, RefusedWhereTheMenuIsDisabledAndWrongOptions) {
    Result r = run(input8_ + " --depth-down 8");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("nicht verfügbar"), std::string::npos) << r.err;
    EXPECT_EQ(run(input24_ + " --depth-up 24").code, 1);
    EXPECT_EQ(run(input24_ + " --load-palette x.pal").code, 1);
    EXPECT_EQ(run(input8_ + " --colors 17").code, 2); // at most 16 from an 8-bit image
    EXPECT_EQ(run(input24_ + " --colors 10").code, 2); // 22 with the Windows colours
    EXPECT_EQ(run(input24_ + " --depth-down 4 --method ordered").code, 2);
    EXPECT_EQ(run(input24_ + " --depth-down 8 --method ordered").code, 2); // optimised palette
    EXPECT_EQ(run(input24_ + " --depth-down 1 --standard-palette").code, 2);
    EXPECT_EQ(run(input24_ + " --depth-down 3").code, 2);
    EXPECT_EQ(run(input24_ + " --depth-down 8 --method").code, 2);
    EXPECT_EQ(run(input24_ + " --fit-palette x.pal sometimes").code, 2);
}

TEST_F(DepthCli, CountColoursPrintsTheMessage) {
    Result r = run(input8_ + " --count-colors");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Es werden 36 Farben im Bild benutzt.\n");
    r = run(input8_ + " --select-rect replace 0 0 1 0 --count-colors");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Es werden 2 Farben in der aktuellen Auswahl benutzt.\n");
}

TEST_F(DepthCli, PaletteFiles) {
    const std::string pal = out("p.pal");
    Result r = run(input8_ + " --save-palette " + pal);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::file_size(pal), 1028u);
    // loading an 8-bit palette into an image made 4-bit: refused with the message
    r = run(input24_ + " --depth-down 4 --load-palette " + pal);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Palette paßt nicht zum Bild oder illegale Palette!"), std::string::npos);
    r = run(input24_ + " --fit-palette " + out("missing.pal") + " fs");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Fehler beim Laden der Palette!"), std::string::npos);
    for (const char* how : {"nearest", "fs"}) {
        check(input24_, "--fit-palette " + pal + " " + how, [&](DocumentState& d, Host& h) {
            static_cast<QuietHost&>(h).answer = std::string(how) == "fs" ? IDYES : IDNO;
            loadpal0(d, h, pal);
        });
    }
    check(input24_, "--depth-down 8 --load-palette " + pal, [&](DocumentState& d, Host& h) {
        DepthDownTo(d, h, DepthDownChoice(8, true, TDepthMethod::FloydSteinberg, true));
        loadpal(d, h, pal);
    });
}

} // namespace
} // namespace pixorama

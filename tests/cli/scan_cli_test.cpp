// Scanning from SANE's test backend: the command line's --scan input against scanimage's own
// reading of the same device, and the library's cancel, failure and three-pass paths.
#include "cli_test_support.h"

#include <pictora.h>
#include <scanlink.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace pixorama {
namespace {

// A SANE configuration folder that offers only the test backend, with picture and extra
// settings written into its test.conf.
class SaneFolder {
  public:
    SaneFolder(const fs::path& dir, const std::string& picture, const std::string& extra = "") : dir_(dir) {
        fs::create_directories(dir_);
        std::ofstream(dir_ / "dll.conf") << "test\n";
        std::ofstream conf(dir_ / "test.conf");
        conf << "number_of_devices 2\nmode Gray\ndepth 8\nresolution 50.0\n"
             << "test-picture \"" << picture << "\"\n"
             << "tl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n"
             << extra;
        ::setenv("SANE_CONFIG_DIR", dir_.c_str(), 1);
    }
    ~SaneFolder() { ::unsetenv("SANE_CONFIG_DIR"); }

  private:
    fs::path dir_;
};

struct Pnm {
    std::string magic;
    int width = 0, height = 0;
    std::vector<uint8_t> data;
};

// scanimage's PNM of the device with the given options.
Pnm scanimage(const std::string& options, const fs::path& file) {
    Pnm p;
    const std::string cmd = "scanimage --format=pnm " + options + " > " + file.string() + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return p;
    std::ifstream in(file, std::ios::binary);
    in >> p.magic;
    auto skip = [&] {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string line;
            std::getline(in, line);
            in >> std::ws;
        }
    };
    skip();
    in >> p.width;
    skip();
    in >> p.height;
    if (p.magic != "P4") {
        int maxval;
        skip();
        in >> maxval;
    }
    in.get();
    p.data.assign(std::istreambuf_iterator<char>(in), {});
    return p;
}

// The pixel of a PNM as our pixel value: 0/1 (1 = white) for P4, grey for P5, R + 256 G + 65536 B
// for P6.
int32_t pnmPixel(const Pnm& p, int x, int y) {
    if (p.magic == "P4") {
        const int bytes = (p.width + 7) / 8;
        const int bit = (p.data[static_cast<size_t>(y) * bytes + x / 8] >> (7 - x % 8)) & 1;
        return bit ? 0 : 1;
    }
    if (p.magic == "P5") return p.data[static_cast<size_t>(y) * p.width + x];
    const uint8_t* s = &p.data[(static_cast<size_t>(y) * p.width + x) * 3];
    return s[0] | (s[1] << 8) | (s[2] << 16);
}

class ScanCli : public CliFixture {
  protected:
    // pixorama-cli --scan against scanimage for one mode; bpp the expected depth
    void compare(const std::string& mode, const std::string& saneMode, int bpp) {
        const std::string bmp = out("scan.bmp");
        const Result r = run("--scan test:0 --scan-mode " + mode +
                             " --scan-resolution 40 --save " + bmp);
        ASSERT_EQ(r.code, 0) << r.err;
        const Pnm ref = scanimage("-d test:0 --resolution 40 " + saneMode, dir_ / "ref.pnm");
        ASSERT_GT(ref.width, 0) << mode;
        TDibRecord got;
        ASSERT_EQ(OpenDib(&got, bmp.c_str(), 0, nullptr, nullptr), 1);
        EXPECT_EQ(DibBitsPerPixel(&got), bpp);
        // 80 x 100 mm at 40 dpi
        EXPECT_EQ(DibWidth(&got), 125);
        EXPECT_EQ(DibHeight(&got), 157);
        ASSERT_EQ(DibWidth(&got), ref.width);
        ASSERT_EQ(DibHeight(&got), ref.height);
        if (bpp == 8)
            for (int i = 0; i < 256; i += 51) { // the grey ramp
                EXPECT_EQ(got.Palette.palPalEntry[i].peRed, i);
                EXPECT_EQ(got.Palette.palPalEntry[i].peBlue, i);
            }
        if (bpp == 1) {
            EXPECT_EQ(got.Palette.palPalEntry[0].peRed, 0);
            EXPECT_EQ(got.Palette.palPalEntry[1].peRed, 255);
        }
        int differences = 0, distinct = 0;
        const int32_t first = getpixel(&got, 0, 0);
        for (int y = 0; y < ref.height; ++y)
            for (int x = 0; x < ref.width; ++x) {
                const int32_t v = getpixel(&got, x, y);
                differences += v != pnmPixel(ref, x, y);
                distinct += v != first;
            }
        EXPECT_EQ(differences, 0) << mode;
        EXPECT_GT(distinct, 100) << mode << ": the pattern must show";
        deldib(&got);
    }
};

TEST_F(ScanCli, EachModeMatchesScanimage) {
    {
        SaneFolder sane(dir_ / "grid", "Grid");
        compare("gray", "--mode Gray --depth 8", 8);
        compare("lineart", "--mode Gray --depth 1", 1);
    }
    SaneFolder sane(dir_ / "colour", "Color pattern");
    compare("color", "--mode Color --depth 8", 24);
}

TEST_F(ScanCli, AreaOfTheGlassMatchesScanimage) {
    SaneFolder sane(dir_ / "area", "Grid");
    std::string error;
    scanlink::ScanSettings settings{scanlink::Mode::Gray, 40};
    settings.area = {10, 20, 40, 30}; // millimetres
    const intptr_t n = scanlink::Acquire("test:0", settings, nullptr, nullptr, error);
    ASSERT_GT(n, 0) << error;
    TDibRecord got;
    GetScanedDib(&got, n);
    ASSERT_NE(got.Bits, nullptr);
    const Pnm ref = scanimage("-d test:0 --resolution 40 --mode Gray --depth 8 -l 10 -t 20 -x 40 -y 30",
                              dir_ / "area.pnm");
    EXPECT_EQ(DibWidth(&got), 62); // 40 mm at 40 dpi
    EXPECT_EQ(DibHeight(&got), 47);
    ASSERT_EQ(DibWidth(&got), ref.width);
    ASSERT_EQ(DibHeight(&got), ref.height);
    int differences = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) differences += getpixel(&got, x, y) != pnmPixel(ref, x, y);
    EXPECT_EQ(differences, 0);
    deldib(&got);
}

TEST_F(ScanCli, FailuresExitWithAGermanMessageAndWriteNothing) {
    SaneFolder sane(dir_ / "sane", "Solid black");
    const std::string bmp = out("nie.bmp");
    Result r = run("--scan gibtsnicht:7 --save " + bmp);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Der Scanner ist nicht verfügbar: gibtsnicht:7"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(bmp));
    EXPECT_EQ(run("--scan test:0 --scan-mode bunt --save " + bmp).code, 2);
    EXPECT_EQ(run("--scan test:0 --scan-resolution 0 --save " + bmp).code, 2);
    EXPECT_EQ(run("--scan").code, 2);
    EXPECT_FALSE(fs::exists(bmp));
    // the scan becomes a document the steps work on
    r = run("--scan test:1 --scan-mode gray --info");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("x 256"), std::string::npos) << r.out;
}

TEST_F(ScanCli, ADeviceFailingMidScanDeliversNothing) {
    SaneFolder sane(dir_ / "io", "Solid black", "read-status-code \"SANE_STATUS_IO_ERROR\"\n");
    const std::string bmp = out("nie.bmp");
    const Result r = run("--scan test:0 --save " + bmp);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Das Scannen ist fehlgeschlagen"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(bmp));
}

TEST_F(ScanCli, LibraryCancelUnknownNumberAndThreePass) {
    {
        SaneFolder sane(dir_ / "slow", "Solid white");
        std::atomic<bool> cancel{true};
        std::string error = "x";
        int calls = 0;
        EXPECT_EQ(scanlink::Acquire("test:0", {}, [&](int) { ++calls; }, &cancel, error), 0);
        EXPECT_TRUE(error.empty()); // cancelled: no message
        EXPECT_EQ(calls, 0);
    }
    TDibRecord none;
    GetScanedDib(&none, 987654);
    EXPECT_EQ(none.Bits, nullptr);

    SaneFolder sane(dir_ / "three", "Solid white", "three-pass true\n");
    std::string error;
    std::vector<int> progress;
    const intptr_t n = scanlink::Acquire("test:0", {scanlink::Mode::Color, 20},
                                         [&](int p) { progress.push_back(p); }, nullptr, error);
    ASSERT_GT(n, 0) << error;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    TDibRecord dib;
    GetScanedDib(&dib, n);
    ASSERT_NE(dib.Bits, nullptr);
    EXPECT_EQ(DibBitsPerPixel(&dib), 24);
    EXPECT_EQ(getpixel(&dib, 0, 0), 0xFFFFFF);
    EXPECT_EQ(getpixel(&dib, DibWidth(&dib) - 1, DibHeight(&dib) - 1), 0xFFFFFF);
    deldib(&dib);
    // delivered once
    GetScanedDib(&dib, n);
    EXPECT_EQ(dib.Bits, nullptr);
}

} // namespace
} // namespace pixorama

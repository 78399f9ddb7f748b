// --print-pdf: the page size and title with pdfinfo, the image rectangle and its colours on the
// page rendered by pdftoppm.
#include "cli_test_support.h"

#include <pictora.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace pixorama {
namespace {

struct Rgb {
    int r, g, b;
};

struct Raster {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    Rgb at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// Renders page 1 at dpi (optionally only a crop, in pixels of that resolution) into a raster.
Raster render(const std::string& pdf, int dpi, const std::string& crop = "") {
    const std::string base = pdf + ".render";
    const std::string cmd = "pdftoppm -r " + std::to_string(dpi) + " " + crop +
                            " -singlefile " + pdf + " " + base;
    Raster r;
    if (std::system(cmd.c_str()) != 0) return r;
    std::ifstream in(base + ".ppm", std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> r.width >> r.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255) return Raster{};
    r.rgb.resize(static_cast<size_t>(r.width) * r.height * 3);
    in.read(reinterpret_cast<char*>(r.rgb.data()), static_cast<std::streamsize>(r.rgb.size()));
    fs::remove(base + ".ppm");
    return r;
}

struct Box {
    int x0 = -1, y0 = -1, x1 = -1, y1 = -1; // inclusive
};

// Bounding box of the pixels that are not white.
Box inked(const Raster& r) {
    Box b;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const Rgb c = r.at(x, y);
            if (c.r > 250 && c.g > 250 && c.b > 250) continue;
            if (b.x0 < 0 || x < b.x0) b.x0 = x;
            if (b.y0 < 0 || y < b.y0) b.y0 = y;
            b.x1 = std::max(b.x1, x);
            b.y1 = std::max(b.y1, y);
        }
    return b;
}

std::string pdfinfo(const std::string& pdf) {
    std::string out;
    if (FILE* p = ::popen(("pdfinfo " + pdf).c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    return out;
}

class PrintCli : public CliFixture {
  protected:
    // a solid 24-bit image of w x h in one dark colour
    std::string solid(int w, int h, const std::string& name) {
        TDibRecord d;
        newdib(&d, w, h, 24, nullptr, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) setpixel(&d, x, y, 0x203040);
        return save(d, name);
    }
    // The rectangle (in device pixels of the 600 dpi page) seen at 60 dpi, within a pixel.
    void expectRect(const std::string& pdf, int x, int y, int w, int h) {
        const Raster r = render(pdf, 60);
        ASSERT_EQ(r.width, 496 + (r.width == 497));
        const Box b = inked(r);
        EXPECT_NEAR(b.x0, x / 10.0, 1.0) << pdf;
        EXPECT_NEAR(b.y0, y / 10.0, 1.0) << pdf;
        EXPECT_NEAR(b.x1 + 1, (x + w) / 10.0, 1.0) << pdf;
        EXPECT_NEAR(b.y1 + 1, (y + h) / 10.0, 1.0) << pdf;
    }
};

TEST_F(PrintCli, A4PageWithTitleAndTheImageWhereTheDialogPutsIt) {
    const std::string in = solid(300, 100, "wide.bmp");
    const std::string pdf = out("a.pdf");
    Result r = run(in + " --print-pdf " + pdf);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string info = pdfinfo(pdf);
    EXPECT_NE(info.find("Title:           Pixorama Bild"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    // whole page, aspect kept, centred: 4961 x 1653 at y = 2681
    expectRect(pdf, 0, 2681, 4961, 1653);

    // explicit defaults give the same page; not centred moves it to the top
    ASSERT_EQ(run(in + " --print-pdf " + pdf + " --print-size full --no-center").code, 0);
    expectRect(pdf, 0, 0, 4961, 1653);
    // aspect off: the whole page
    ASSERT_EQ(run(in + " --print-pdf " + pdf + " --no-keep-aspect").code, 0);
    expectRect(pdf, 0, 0, 4961, 7016);
}

TEST_F(PrintCli, PercentagesCentredAndNot) {
    const std::string in = solid(300, 100, "wide.bmp");
    const std::string pdf = out("p.pdf");
    ASSERT_EQ(run(in + " --print-pdf " + pdf + " --print-size percent 50 20").code, 0);
    // 2480.5 -> 2480, 1403.2 -> 1403, centred
    expectRect(pdf, 1240, 2806, 2480, 1403);
    ASSERT_EQ(run(in + " --print-pdf " + pdf + " --no-center --print-size percent 50 20").code, 0);
    expectRect(pdf, 0, 0, 2480, 1403);
}

TEST_F(PrintCli, TinyAndVeryWideImages) {
    const std::string pdf = out("t.pdf");
    ASSERT_EQ(run(solid(1, 1, "one.bmp") + " --print-pdf " + pdf).code, 0);
    expectRect(pdf, 0, 1027, 4961, 4961);

    // 4000 x 1 prints 1 device pixel high (4961 / 4000 = 1) in the middle of the page: look at
    // the rows around it at the page's own resolution
    ASSERT_EQ(run(solid(4000, 1, "line.bmp") + " --print-pdf " + pdf).code, 0);
    const Raster r = render(pdf, 600, "-x 0 -y 3500 -W 4961 -H 16");
    ASSERT_EQ(r.height, 16);
    const Box b = inked(r);
    EXPECT_EQ(b.x0, 0);
    EXPECT_EQ(b.x1, 4960);
    EXPECT_EQ(b.y0, 3507 - 3500);
    EXPECT_LE(b.y1, 3507 - 3500 + 1); // the renderer may widen a hairline image by a row
}

TEST_F(PrintCli, PaletteColoursArriveOnThePage) {
    // four vertical stripes of an 8-bit image, and a 1-bit image with two odd colours
    TDibRecord pal;
    newdib(&pal, 4, 2, 8, nullptr, 0);
    const Rgb colours[4] = {{200, 10, 30}, {5, 180, 90}, {20, 40, 240}, {250, 220, 0}};
    for (int i = 0; i < 4; ++i)
        DibSetPaletteColor(&pal, 17 * i, uint8_t(colours[i].r), uint8_t(colours[i].g),
                           uint8_t(colours[i].b));
    DibUpdatePaletteHandle(&pal);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y) setpixel(&pal, x, y, 17 * x);
    const std::string pdf = out("pal.pdf");
    ASSERT_EQ(run(save(pal, "pal.bmp") + " --print-pdf " + pdf + " --no-keep-aspect").code, 0);
    Raster r = render(pdf, 60);
    for (int i = 0; i < 4; ++i) {
        const Rgb c = r.at(r.width * (2 * i + 1) / 8, r.height / 2);
        EXPECT_NEAR(c.r, colours[i].r, 2) << i;
        EXPECT_NEAR(c.g, colours[i].g, 2) << i;
        EXPECT_NEAR(c.b, colours[i].b, 2) << i;
    }

    TDibRecord mono;
    newdib(&mono, 2, 1, 1, nullptr, 0);
    DibSetPaletteColor(&mono, 0, 10, 200, 30);
    DibSetPaletteColor(&mono, 1, 250, 5, 100);
    DibUpdatePaletteHandle(&mono);
    setpixel(&mono, 0, 0, 1);
    setpixel(&mono, 1, 0, 0);
    ASSERT_EQ(run(save(mono, "mono.bmp") + " --print-pdf " + pdf + " --no-keep-aspect").code, 0);
    r = render(pdf, 60);
    const Rgb left = r.at(r.width / 4, r.height / 2), right = r.at(3 * r.width / 4, r.height / 2);
    EXPECT_NEAR(left.r, 250, 2);
    EXPECT_NEAR(left.g, 5, 2);
    EXPECT_NEAR(left.b, 100, 2);
    EXPECT_NEAR(right.r, 10, 2);
    EXPECT_NEAR(right.g, 200, 2);
    EXPECT_NEAR(right.b, 30, 2);
}

TEST_F(PrintCli, FailuresWriteNothing) {
    const std::string in = solid(3, 3, "s.bmp");
    // a folder that does not exist: German message, exit 1, no file
    const std::string pdf = out("nicht/da.pdf");
    Result r = run(in + " --print-pdf " + pdf);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Fehler beim Drucken"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(pdf));
    // an existing file survives a wrong command line untouched
    const std::string keep = out("keep.pdf");
    std::ofstream(keep) << "alt";
    EXPECT_EQ(run(in + " --print-pdf " + keep + " --print-size percent 0 50").code, 2);
    EXPECT_EQ(run(in + " --print-pdf " + keep + " --print-size halb").code, 2);
    EXPECT_EQ(run(in + " --print-pdf " + keep + " --print-size percent 50").code, 2);
    std::ifstream k(keep);
    std::stringstream s;
    s << k.rdbuf();
    EXPECT_EQ(s.str(), "alt");
}

} // namespace
} // namespace pixorama

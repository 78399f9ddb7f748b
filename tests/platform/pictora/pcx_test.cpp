// PCX reader and writer.
#include "codec_test_support.h"

#include <cstring>

namespace {

using namespace codec_test;
const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/pcx/";

void le16(std::vector<uint8_t>& b, size_t at, int v) {
    b[at] = static_cast<uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

TEST(Pcx, EveryVariantDecodesToTheSourcePixels) {
    const struct {
        const char* file;
        const char* source;
        int bpp;
    } cases[] = {{"c2.pcx", "c2.ppm", 1},          {"c4_planes.pcx", "c4.ppm", 4},
                 {"c4_packed.pcx", "c4.ppm", 4},   {"c16_planes.pcx", "c16.ppm", 4},
                 {"c16_packed.pcx", "c16.ppm", 4}, {"c16_8bit.pcx", "c16.ppm", 8},
                 {"c256.pcx", "c256.ppm", 8},      {"c256_im.pcx", "c256.ppm", 8},
                 {"grey.pcx", "grey.pgm", 8},      {"rgb24.pcx", "rgb.ppm", 24},
                 {"rgb_im.pcx", "rgb.ppm", 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Rgb ref = readPnm(kDir + c.source);
        ASSERT_GT(ref.w, 0);
        // a wrong name still opens
        expectOpensAs(kDir + c.file, {0, PICTORA_FORMAT_PCX, PICTORA_FORMAT_TGA}, c.bpp, ref);
    }
}

TEST(Pcx, HeaderPaletteRules) {
    // version 3 files carry no palette: the EGA default applies to the same indices
    std::vector<uint8_t> f = readBytes(kDir + "c16_planes.pcx");
    Dib orig, d;
    ASSERT_EQ(OpenDibMemory(&orig.r, f.data(), f.size(), 0, nullptr, nullptr), 1);
    f[1] = 3;
    ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), 0, nullptr, nullptr), 1);
    const uint32_t ega[16] = {0x000000, 0xAA0000, 0x00AA00, 0xAAAA00, 0x0000AA, 0xAA00AA,
                              0x0055AA, 0xAAAAAA, 0x555555, 0xFF5555, 0x55FF55, 0xFFFF55,
                              0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF};
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x) {
            ASSERT_EQ(getpixel(&d.r, x, y), getpixel(&orig.r, x, y));
            EXPECT_EQ(colourAt(d.r, x, y), ega[getpixel(&d.r, x, y)]);
        }

    // a 1-bit file without colours in the header is black and white
    f = readBytes(kDir + "c2.pcx");
    std::memset(&f[16], 0, 48);
    Dib m;
    ASSERT_EQ(OpenDibMemory(&m.r, f.data(), f.size(), 0, nullptr, nullptr), 1);
    EXPECT_EQ(DibBitsPerPixel(&m.r), 1);
    EXPECT_EQ(colourAt(m.r, 0, 0), getpixel(&m.r, 0, 0) ? 0xFFFFFFu : 0u);
    EXPECT_EQ(colourAt(m.r, 1, 0), getpixel(&m.r, 1, 0) ? 0xFFFFFFu : 0u);

    // any other all-black header palette is taken as it is, and survives our writer
    // (a fuzzer find: it once turned into the EGA colours on the way back)
    f = readBytes(kDir + "c4_planes.pcx");
    std::memset(&f[16], 0, 48);
    Dib k;
    ASSERT_EQ(OpenDibMemory(&k.r, f.data(), f.size(), 0, nullptr, nullptr), 1);
    std::vector<uint8_t> saved;
    std::string error;
    ASSERT_TRUE(pictora::encodePcx(k.r, 0, saved, error));
    Dib k2;
    ASSERT_EQ(OpenDibMemory(&k2.r, saved.data(), saved.size(), 0, nullptr, nullptr), 1);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(std::memcmp(&k2.r.Info->bmiColors[i], "\0\0\0\0", 4), 0) << i;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 15; ++x)
            EXPECT_EQ(getpixel(&k2.r, x, y), getpixel(&k.r, x, y));
}

TEST(Pcx, EightBitWithoutTrailingPaletteUsesGreyRamp) {
    const std::vector<uint8_t> f = readBytes(kDir + "c256.pcx");
    Dib full, bare;
    ASSERT_EQ(OpenDibMemory(&full.r, f.data(), f.size(), 0, nullptr, nullptr), 1);
    ASSERT_EQ(OpenDibMemory(&bare.r, f.data(), f.size() - 769, 0, nullptr, nullptr), 1);
    EXPECT_EQ(DibBitsPerPixel(&bare.r), 8);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 31; ++x) {
            EXPECT_EQ(getpixel(&bare.r, x, y), getpixel(&full.r, x, y));
            EXPECT_EQ(colourAt(bare.r, x, y),
                      static_cast<uint32_t>(getpixel(&full.r, x, y)) * 0x010101u);
        }
    // a palette cut short is an error, not a grey picture
    TDibRecord cut{};
    EXPECT_EQ(OpenDibMemory(&cut, f.data(), f.size() - 300, 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&cut), "Die Datei ist unvollständig");
}

// 5 x 2, 24-bit, window 3..7 x 10..11, 6 bytes a plane (one padding byte); the runs cross
// plane boundaries and, at the end of the first line, the scan line itself.
std::vector<uint8_t> handMadeRgb(bool rle) {
    std::vector<uint8_t> f(128, 0);
    f[0] = 10, f[1] = 5, f[2] = rle ? 1 : 0, f[3] = 8, f[65] = 3;
    le16(f, 4, 3), le16(f, 6, 10), le16(f, 8, 7), le16(f, 10, 11), le16(f, 66, 6);
    if (rle) {
        f.insert(f.end(), {10,   20,  30,   40, 50, 99, 0xC8, 7, 0xC1, 200, 0xC1, 201,
                           0xC1, 202, 0xC3, 0,  1,  2,  3,    4, 0xC6, 5,   0xC6, 255});
    } else {
        f.insert(f.end(), {10, 20, 30, 40, 50, 99, 7, 7, 7, 7, 7, 7, 7,   7,   200, 201, 202, 0,
                           0,  0,  1,  2,  3,  4,  5, 5, 5, 5, 5, 5, 255, 255, 255, 255, 255, 255});
    }
    return f;
}

TEST(Pcx, RunsAcrossPlanesAndLinesPaddingAndRawData) {
    const uint32_t expected[2][5] = {{0x07070A, 0x070714, 0xC8071E, 0xC90728, 0xCA0732},
                                     {0xFF0500, 0xFF0500, 0xFF0501, 0xFF0502, 0xFF0503}};
    for (bool rle : {true, false}) {
        const std::vector<uint8_t> f = handMadeRgb(rle);
        Dib d;
        ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), 0, nullptr, nullptr), 1)
            << DibErrorText(&d.r);
        ASSERT_EQ(DibWidth(&d.r), 5);
        ASSERT_EQ(DibHeight(&d.r), 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(colourAt(d.r, x, y), expected[y][x]) << x << "," << y;
        expectPrefixesFail(f, PICTORA_FORMAT_PCX);
    }
}

TEST(Pcx, RoundTripThroughOurWriterAndOtherReaders) {
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        Dib src;
        makePattern(&src.r, bpp, 21, 9);
        const std::string path = tempPath("oldformats_", "rt" + std::to_string(bpp) + ".pcx");
        char err[200] = "";
        ASSERT_EQ(SaveDib(&src.r, path.c_str(), 0, 0, err, sizeof err), 1) << err;
        const std::vector<uint8_t> f = readBytes(path);
        EXPECT_EQ(f[1], 5);
        EXPECT_EQ(f[2], 1);
        EXPECT_EQ((f[66] | (f[67] << 8)) % 2, 0);
        EXPECT_EQ(f[65], bpp == 4 ? 4 : bpp == 24 ? 3 : 1);
        if (bpp == 8) {
            EXPECT_EQ(f[f.size() - 769], 0x0C);
        }
        Dib back;
        ASSERT_EQ(OpenDib(&back.r, path.c_str(), 0, nullptr, nullptr), 1) << DibErrorText(&back.r);
        EXPECT_EQ(DibBitsPerPixel(&back.r), bpp);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(getpixel(&back.r, x, y), getpixel(&src.r, x, y));
        const Rgb mine = toRgb(src.r);
        EXPECT_TRUE(samePixels(back.r, mine));
        // ImageMagick ignores the colours of 1-bit PCX files; netpbm reads them
        EXPECT_TRUE(samePixels(back.r, runToPnm("pcxtoppm '" + path + "'")));
        if (bpp != 1) {
            EXPECT_TRUE(samePixels(back.r, runToPnm("convert '" + path + "' -depth 8 ppm:-")));
        }
        std::remove(path.c_str());
    }
}

TEST(Pcx, ResolutionSurvivesSaving) {
    // the header's dots per inch come back as pixels per metre: 96 and 150 dpi
    Dib src;
    makePattern(&src.r, 8, 5, 3);
    src.r.Info->bmiHeader.biXPelsPerMeter = 3780;
    src.r.Info->bmiHeader.biYPelsPerMeter = 5906;
    std::vector<uint8_t> f;
    std::string error;
    ASSERT_TRUE(pictora::encodePcx(src.r, 0, f, error)) << error;
    Dib back;
    ASSERT_TRUE(decode(back, f));
    EXPECT_EQ(back.r.Info->bmiHeader.biXPelsPerMeter, 3780);
    EXPECT_EQ(back.r.Info->bmiHeader.biYPelsPerMeter, 5906);
    // one of them missing: 72 dpi
    le16(f, 14, 0);
    ASSERT_TRUE(decode(back, f));
    EXPECT_EQ(back.r.Info->bmiHeader.biXPelsPerMeter, 2835);
    EXPECT_EQ(back.r.Info->bmiHeader.biYPelsPerMeter, 2835);
}

TEST(Pcx, DamagedAndTruncatedFilesFailCleanly) {
    for (const char* name : {"c16_planes.pcx", "c4_packed.pcx", "rgb24.pcx", "c256.pcx"}) {
        const std::vector<uint8_t> f = readBytes(kDir + name);
        // an 8-bit file cut exactly before its palette is a valid file without one
        expectPrefixesFail(f, 0, std::string(name) == "c256.pcx" ? f.size() - 769 : 0);
    }
    const std::vector<uint8_t> good = readBytes(kDir + "rgb24.pcx");
    struct Patch {
        size_t at;
        std::vector<uint8_t> bytes;
    } patches[] = {{4, {30, 0}}, // Xmin > Xmax
                   {66, {5, 0}}, // BytesPerLine below the width
                   {3, {4}},     // 4 bits in 3 planes
                   {65, {7}},    // 7 planes
                   {2, {2}}};    // unknown encoding
    const uint64_t before = PictoraAllocatedBytes();
    for (const Patch& p : patches) {
        std::vector<uint8_t> f = good;
        std::copy(p.bytes.begin(), p.bytes.end(), f.begin() + p.at);
        TDibRecord d{};
        EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), PICTORA_FORMAT_PCX, nullptr, nullptr), 0)
            << p.at;
        EXPECT_EQ(d.Bits, nullptr);
        EXPECT_NE(std::string(DibErrorText(&d)), "");
        deldib(&d);
    }
    // 65536 x 65536 at 24 bits from a few bytes: refused before anything is allocated
    std::vector<uint8_t> huge = good;
    le16(huge, 8, 0xFFFE), le16(huge, 10, 0xFFFE), le16(huge, 66, 0xFFFF);
    TDibRecord d{};
    EXPECT_EQ(OpenDibMemory(&d, huge.data(), huge.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), "Die Datei ist unvollständig");
    EXPECT_EQ(PictoraAllocatedBytes(), before);

    PictoraSetAllocLimit(before + 500);
    EXPECT_EQ(OpenDibMemory(&d, good.data(), good.size(), 0, nullptr, nullptr), 0);
    PictoraSetAllocLimit(0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextNoMemory);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

} // namespace

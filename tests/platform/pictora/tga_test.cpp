// Targa reader and writer.
#include "codec_test_support.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace codec_test;
const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/tga/";

std::vector<uint8_t> header(int mapType, int type, int first, int length, int mapBits, int w, int h,
                            int depth, int descriptor) {
    return {0,
            static_cast<uint8_t>(mapType),
            static_cast<uint8_t>(type),
            static_cast<uint8_t>(first),
            static_cast<uint8_t>(first >> 8),
            static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8),
            static_cast<uint8_t>(mapBits),
            0,
            0,
            0,
            0,
            static_cast<uint8_t>(w),
            static_cast<uint8_t>(w >> 8),
            static_cast<uint8_t>(h),
            static_cast<uint8_t>(h >> 8),
            static_cast<uint8_t>(depth),
            static_cast<uint8_t>(descriptor)};
}

uint32_t rgb5(int r, int g, int b) { // 5-bit components as an 8-bit RGB value, rounded
    return (r * 255 + 15) / 31 | ((g * 255 + 15) / 31) << 8 | ((b * 255 + 15) / 31) << 16;
}

TEST(Tga, EveryVariantDecodesToTheSourcePixels) {
    const struct {
        const char* file;
        const char* source;
        int bpp;
    } cases[] = {{"c256_rle.tga", "c256.ppm", 8},    {"c256_raw.tga", "c256.ppm", 8},
                 {"c256_im.tga", "c256.ppm", 8},     {"c16_rle.tga", "c16.ppm", 4},
                 {"c2_rle.tga", "c2.ppm", 1},        {"rgb_rle.tga", "rgb.ppm", 24},
                 {"rgb_raw.tga", "rgb.ppm", 24},     {"rgb_im_rle.tga", "rgb.ppm", 24},
                 {"rgb_topleft.tga", "rgb.ppm", 24}, {"rgb32.tga", "rgb.ppm", 24},
                 {"grey_rle.tga", "grey.pgm", 8},    {"grey_raw.tga", "grey.pgm", 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Rgb ref = readPnm(kDir + c.source);
        ASSERT_GT(ref.w, 0);
        expectOpensAs(kDir + c.file, {0, PICTORA_FORMAT_TGA}, c.bpp, ref);
    }
}

TEST(Tga, SixteenBitColoursMapsOrientationAndPackets) {
    { // 16-bit true colour, top-left origin, right to left
        std::vector<uint8_t> f = header(0, 2, 0, 0, 0, 3, 2, 16, 0x30);
        const uint16_t words[6] = {0x7C00, 0x03E0, 0x001F, 0x0C63, 0x7FFF, 0x0421};
        for (uint16_t v : words)
            f.insert(f.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
        Dib d;
        ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 1);
        EXPECT_EQ(DibBitsPerPixel(&d.r), 24);
        EXPECT_EQ(colourAt(d.r, 2, 0), rgb5(31, 0, 0));
        EXPECT_EQ(colourAt(d.r, 1, 0), rgb5(0, 31, 0));
        EXPECT_EQ(colourAt(d.r, 0, 0), rgb5(0, 0, 31));
        EXPECT_EQ(colourAt(d.r, 2, 1), rgb5(3, 3, 3));
        EXPECT_EQ(colourAt(d.r, 1, 1), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d.r, 0, 1), rgb5(1, 1, 1));
    }
    { // 16-bit map entries starting at index 2; indices outside the map are black
        std::vector<uint8_t> f = header(1, 1, 2, 3, 16, 4, 1, 8, 0);
        f.insert(f.end(), {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}); // red, green, blue
        f.insert(f.end(), {3, 0, 4, 7});
        Dib d;
        ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 1);
        EXPECT_EQ(DibBitsPerPixel(&d.r), 4);
        const uint32_t expected[4] = {0x00FF00, 0, 0xFF0000, 0};
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(colourAt(d.r, x, 0), expected[x]) << x;
        EXPECT_EQ(getpixel(&d.r, 3, 0), 7);
    }
    { // 32-bit map entries, two colours: a 1-bit record
        std::vector<uint8_t> f = header(1, 9, 0, 2, 32, 5, 1, 8, 0);
        f.insert(f.end(), {10, 20, 30, 255, 40, 50, 60, 0});
        f.insert(f.end(), {0x81, 1, 0x02, 0, 1, 0}); // 2 x index 1, then 0, 1, 0
        Dib d;
        ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 1);
        EXPECT_EQ(DibBitsPerPixel(&d.r), 1);
        const uint32_t a = 30 | 20 << 8 | 10 << 16, b = 60 | 50 << 8 | 40 << 16;
        const uint32_t expected[5] = {b, b, a, b, a};
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(colourAt(d.r, x, 0), expected[x]) << x;
    }
    { // packets run across rows, the last one past the end of the image (clipped)
        std::vector<uint8_t> f = header(0, 10, 0, 0, 0, 3, 2, 24, 0);
        f.insert(f.end(), {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12});
        Dib d;
        ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 1);
        const uint32_t p = 3 | 2 << 8 | 1 << 16;
        EXPECT_EQ(colourAt(d.r, 0, 1), p); // bottom row first
        EXPECT_EQ(colourAt(d.r, 2, 1), p);
        EXPECT_EQ(colourAt(d.r, 0, 0), p);
        EXPECT_EQ(colourAt(d.r, 1, 0), 6u | 5 << 8 | 4 << 16);
        EXPECT_EQ(colourAt(d.r, 2, 0), 9u | 8 << 8 | 7 << 16);
    }
}

TEST(Tga, HeaderChecksRefuseWhatIsNoTarga) {
    const std::vector<uint8_t> good = readBytes(kDir + "rgb_raw.tga");
    const struct {
        size_t at;
        uint8_t value;
    } patches[] = {{2, 4},
                   {2, 0},
                   {1, 1} /* map without entries */,
                   {16, 8},
                   {16, 12},
                   {12, 0} /* width 0 */,
                   {14, 0} /* height 0 */,
                   {17, 0xC0},
                   {17, 0x0F},
                   {1, 2}};
    const uint64_t before = PictoraAllocatedBytes();
    for (const auto& p : patches) {
        std::vector<uint8_t> f = good;
        f[p.at] = p.value;
        TDibRecord d{};
        EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 0)
            << p.at;
        EXPECT_EQ(std::string(DibErrorText(&d)).rfind("Die Datei ist beschädigt: ", 0), 0u)
            << DibErrorText(&d);
        EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), 0, nullptr, nullptr), 0);
        EXPECT_STREQ(DibErrorText(&d), pictora::kTextUnknownType);
    }
    // colour-mapped needs a map, grey must not have one
    std::vector<uint8_t> f = readBytes(kDir + "c256_raw.tga");
    f[1] = 0;
    TDibRecord d{};
    EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 0);
    f = readBytes(kDir + "grey_raw.tga");
    f[1] = 1, f[7] = 24, f[5] = 1;
    EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 0);
    const char text[] = "Dies ist eine Textdatei und kein Bild, auch wenn sie lang genug ist.";
    EXPECT_EQ(OpenDibMemory(&d, text, sizeof text, 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextUnknownType);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(Tga, RoundTripThroughOurWriterAndImageMagick) {
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        Dib src;
        makePattern(&src.r, bpp, 19, 11);
        const std::string path = tempPath("oldformats_", "rt" + std::to_string(bpp) + ".tga");
        char err[200] = "";
        ASSERT_EQ(SaveDib(&src.r, path.c_str(), 0, 0, err, sizeof err), 1) << err;
        const std::vector<uint8_t> f = readBytes(path);
        ASSERT_GT(f.size(), 44u);
        EXPECT_EQ(f[2], bpp == 24 ? 10 : 9);
        EXPECT_EQ(f[5] | (f[6] << 8), bpp == 24 ? 0 : 1 << bpp);
        EXPECT_EQ(f[17] & 0x30, 0); // bottom-left
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[f.size() - 18])),
                  "TRUEVISION-XFILE.");
        Dib back;
        ASSERT_EQ(OpenDib(&back.r, path.c_str(), 0, nullptr, nullptr), 1) << DibErrorText(&back.r);
        EXPECT_EQ(DibBitsPerPixel(&back.r), bpp);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 19; ++x)
                ASSERT_EQ(getpixel(&back.r, x, y), getpixel(&src.r, x, y));
        EXPECT_TRUE(samePixels(back.r, toRgb(src.r)));
        // this ImageMagick keeps the file's row order unless told to apply the origin
        EXPECT_TRUE(
            samePixels(back.r, runToPnm("convert '" + path + "' -auto-orient -depth 8 ppm:-")));
        std::remove(path.c_str());
    }
}

TEST(Tga, DamagedAndTruncatedFilesFailCleanly) {
    for (const char* name :
         {"c256_rle.tga", "rgb_rle.tga", "grey_raw.tga", "rgb32.tga", "c16_rle.tga"})
        expectPrefixesFail(readBytes(kDir + name), PICTORA_FORMAT_TGA);

    const uint64_t before = PictoraAllocatedBytes();
    // 65535 x 65535 in a few bytes, raw and packed: refused before anything is allocated
    for (int type : {2, 10}) {
        std::vector<uint8_t> f = header(0, type, 0, 0, 0, 0xFFFF, 0xFFFF, 24, 0);
        f.insert(f.end(), 64, 0xFF);
        TDibRecord d{};
        EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 0);
        EXPECT_STREQ(DibErrorText(&d), "Die Datei ist unvollständig");
        EXPECT_EQ(PictoraAllocatedBytes(), before);
    }
    const std::vector<uint8_t> good = readBytes(kDir + "c16_rle.tga");
    TDibRecord d{};
    PictoraSetAllocLimit(before + 500);
    EXPECT_EQ(OpenDibMemory(&d, good.data(), good.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextNoMemory);
    // enough for the 8-bit pass but not for the 4-bit record made from it
    PictoraSetAllocLimit(before + sizeof(TBitmapInfo) + 400);
    EXPECT_EQ(OpenDibMemory(&d, good.data(), good.size(), PICTORA_FORMAT_TGA, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextNoMemory);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

} // namespace

// GIF reading and writing: fixtures made by gifbuild, pamtogif and ImageMagick, round trips,
// ImageMagick reading our files, and damaged input.
#include "codec_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using codec_test::colourAt;
using codec_test::Dib;
using codec_test::readBytes;

const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/gif/";

// Binary PGM/PPM (maxval < 256): grey values, or R + 256G + 65536B per pixel.
struct Pnm {
    int width = 0, height = 0;
    std::vector<int32_t> px;
};
Pnm parsePnm(const std::vector<uint8_t>& b) {
    Pnm p;
    int maxval = 0;
    char magic[3] = {};
    int used = 0;
    std::string head(b.begin(), b.begin() + std::min<size_t>(b.size(), 64));
    if (std::sscanf(head.c_str(), "%2s %d %d %d%n", magic, &p.width, &p.height, &maxval, &used) !=
        4)
        return {};
    const bool colour = magic[1] == '6';
    for (size_t i = used + 1; i + (colour ? 2 : 0) < b.size(); i += colour ? 3 : 1)
        p.px.push_back(colour ? b[i] + 256 * b[i + 1] + 65536 * b[i + 2] : b[i]);
    return p;
}

std::vector<uint8_t> encode(const TDibRecord& d, std::string& error) {
    std::vector<uint8_t> out;
    if (!pictora::encodeGif(d, 0, out, error))
        out.clear();
    return out;
}

} // namespace

TEST(GifCodec, ReadsGifbuildFilesWithExactIndicesAndPalette) {
    const struct {
        const char* name;
        int bpp;
    } cases[] = {{"two_9x5", 1},         {"eight_11x6", 4},  {"interlaced_7x19", 4},
                 {"local_map_12x10", 4}, {"clipped_8x6", 4}, {"animated_10x7", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Pnm idx = parsePnm(readBytes(kDir + "expect_" + c.name + ".pgm"));
        const Pnm table = parsePnm(readBytes(kDir + "expect_" + c.name + ".ppm"));
        ASSERT_GT(idx.width, 0);
        for (int format : {0, static_cast<int>(PICTORA_FORMAT_GIF)}) {
            Dib d;
            ASSERT_EQ(OpenDib(&d.r, (kDir + c.name + ".gif").c_str(), format, nullptr, nullptr), 1)
                << DibErrorText(&d.r);
            ASSERT_EQ(DibBitsPerPixel(&d.r), c.bpp);
            ASSERT_EQ(DibWidth(&d.r), idx.width);
            ASSERT_EQ(DibHeight(&d.r), idx.height);
            for (int y = 0; y < idx.height; ++y)
                for (int x = 0; x < idx.width; ++x)
                    ASSERT_EQ(getpixel(&d.r, x, y), idx.px[y * idx.width + x]) << x << "," << y;
            for (int i = 0; i < (1 << c.bpp); ++i) {
                const TRGBQuad q = d.r.Info->bmiColors[i];
                const int32_t want = i < table.width ? table.px[i] : 0; // unused entries black
                EXPECT_EQ(q.rgbRed + 256 * q.rgbGreen + 65536 * q.rgbBlue, want) << i;
                EXPECT_EQ(d.r.Palette.palPalEntry[i].peRed, q.rgbRed);
                EXPECT_EQ(d.r.Palette.palPalEntry[i].peBlue, q.rgbBlue);
            }
        }
    }
}

TEST(GifCodec, ReadsOtherProgramsFilesByColour) {
    const struct {
        const char* file;
        const char* source;
        int bpp;
        int32_t transparent; // ImageMagick stores the transparent colour as black
    } cases[] = {{"colours_17x9.gif", "src_colours_17x9.ppm", 8, -1},
                 {"interlaced_15x11.gif", "src_colours_15x11.ppm", 4, -1},
                 {"gif89a_15x11.gif", "src_colours_15x11.ppm", 4, 17 + 256 * 31 + 65536 * 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Pnm src = parsePnm(readBytes(kDir + c.source));
        // a misnamed file still opens: the content decides
        const std::vector<uint8_t> bytes = readBytes(kDir + c.file);
        Dib d;
        ASSERT_EQ(
            OpenDibMemory(&d.r, bytes.data(), bytes.size(), PICTORA_FORMAT_PNG, nullptr, nullptr),
            1)
            << DibErrorText(&d.r);
        EXPECT_EQ(DibBitsPerPixel(&d.r), c.bpp);
        ASSERT_EQ(DibWidth(&d.r), src.width);
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x)
                ASSERT_EQ(colourAt(d.r, x, y), src.px[y * src.width + x] == c.transparent
                                                   ? 0
                                                   : src.px[y * src.width + x])
                    << x << "," << y;
    }
}

TEST(GifCodec, RoundTripKeepsIndicesAndPaletteAndImageMagickAgrees) {
    const auto tmp = std::filesystem::temp_directory_path() / "pixorama_gif_roundtrip.gif";
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        Dib d;
        ASSERT_EQ(newdib(&d.r, 37, 11, bpp, nullptr, 0), 1);
        const int n = 1 << bpp;
        for (int i = 0; i < n; ++i)
            DibSetPaletteColor(&d.r, i, static_cast<uint8_t>(i * 7 + 1),
                               static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3 + 100));
        DibUpdatePaletteHandle(&d.r);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37; ++x)
                setpixel(&d.r, x, y, (x * 5 + y * 11 + x * y) % n);

        std::string error;
        const std::vector<uint8_t> bytes = encode(d.r, error);
        ASSERT_FALSE(bytes.empty()) << error;
        EXPECT_TRUE(std::memcmp(bytes.data(), "GIF87a", 6) == 0 ||
                    std::memcmp(bytes.data(), "GIF89a", 6) == 0);
        // global colour table of 2^bpp entries, image right after it, code size from the depth
        ASSERT_GT(bytes.size(), 13u + 3u * n + 11u);
        EXPECT_EQ(bytes[10] & 0x87, 0x80 | (bpp - 1));
        EXPECT_EQ(bytes[13 + 3 * n], ',');
        EXPECT_EQ(bytes[13 + 3 * n + 10], std::max(2, bpp));
        Dib back;
        ASSERT_EQ(OpenDibMemory(&back.r, bytes.data(), bytes.size(), 0, nullptr, nullptr), 1)
            << DibErrorText(&back.r);
        ASSERT_EQ(DibBitsPerPixel(&back.r), bpp);
        EXPECT_EQ(std::memcmp(back.r.Info->bmiColors, d.r.Info->bmiColors, n * sizeof(TRGBQuad)),
                  0);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(getpixel(&back.r, x, y), getpixel(&d.r, x, y)) << x << "," << y;

        // ImageMagick reads what SaveDib wrote to the same colours
        char text[256] = {};
        ASSERT_EQ(SaveDib(&d.r, tmp.c_str(), 0, 0, text, sizeof(text)), 1) << text;
        FILE* pipe = popen(("convert '" + tmp.string() + "' -depth 8 ppm:-").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<uint8_t> ppm;
        for (int ch; (ch = std::fgetc(pipe)) != EOF;)
            ppm.push_back(static_cast<uint8_t>(ch));
        pclose(pipe);
        const Pnm seen = parsePnm(ppm);
        ASSERT_EQ(seen.width, 37);
        ASSERT_EQ(seen.px.size(), 37u * 11u);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(seen.px[y * 37 + x], colourAt(d.r, x, y)) << x << "," << y;
    }
    std::filesystem::remove(tmp);
}

TEST(GifCodec, RefusesTrueColourWithGermanText) {
    Dib d;
    ASSERT_EQ(newdib(&d.r, 5, 5, 24, nullptr, 0), 1);
    std::string error;
    EXPECT_TRUE(encode(d.r, error).empty());
    EXPECT_EQ(error, "GIF-Dateien können höchstens 256 Farben enthalten. Bitte reduzieren Sie "
                     "zuerst die Farbtiefe des Bildes.");
}

TEST(GifCodec, DamagedAndTruncatedFilesFailCleanly) {
    const uint64_t before = PictoraAllocatedBytes();
    for (const char* name : {"interlaced_7x19.gif", "local_map_12x10.gif", "gif89a_15x11.gif"}) {
        const std::vector<uint8_t> bytes = readBytes(kDir + name);
        // a file missing only its trailer byte still holds the whole image
        for (size_t len = 1; len + 1 < bytes.size(); ++len) {
            Dib d;
            EXPECT_EQ(OpenDibMemory(&d.r, bytes.data(), len, PICTORA_FORMAT_GIF, nullptr, nullptr),
                      0)
                << name << " cut at " << len;
            EXPECT_EQ(d.r.Bits, nullptr);
            EXPECT_STRNE(DibErrorText(&d.r), "");
        }
        for (size_t pos = 6; pos < bytes.size(); pos += 3) {
            std::vector<uint8_t> bad = bytes;
            bad[pos] ^= 0xA5;
            Dib d;
            if (OpenDibMemory(&d.r, bad.data(), bad.size(), 0, nullptr, nullptr) == 0) {
                EXPECT_EQ(d.r.Bits, nullptr);
                EXPECT_STRNE(DibErrorText(&d.r), "");
            }
        }
    }
    // LZW data that stops early but is properly terminated is still an error, not a part image
    const std::vector<uint8_t> whole = readBytes(kDir + "eight_11x6.gif");
    const size_t data = 13 + 8 * 3 + 10 + 2; // header, colour table, descriptor, code size, length
    ASSERT_GT(whole.size(), data + 8);
    for (size_t keep : {size_t{1}, size_t{4}, whole[data - 1] - size_t{2}}) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + data + keep);
        cut[data - 1] = static_cast<uint8_t>(keep);
        cut.push_back(0);
        cut.push_back(';');
        Dib d;
        EXPECT_EQ(OpenDibMemory(&d.r, cut.data(), cut.size(), 0, nullptr, nullptr), 0) << keep;
        EXPECT_EQ(std::string(DibErrorText(&d.r)).rfind("Die Datei ist", 0), 0u);
    }
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(GifCodec, HugeSizesAndTheAllocationLimit) {
    // 65535 x 65535 screen and frame, a few bytes of LZW data: refused before any allocation
    std::vector<uint8_t> huge = {'G',  'I',  'F',  '8',  '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0,
                                 0,    0,    0,    0,    255, 255, 255,  ',',  0,    0,    0,    0,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0,   2,   2,    0x4C, 0x01, 0,    ';'};
    const uint64_t before = PictoraAllocatedBytes();
    PictoraSetAllocLimit(before + 4096);
    Dib d;
    EXPECT_EQ(OpenDibMemory(&d.r, huge.data(), huge.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d.r), "Die Datei ist unvollständig");

    // a 1x1 frame on that screen: the background alone would take half a gigabyte
    huge[24] = huge[26] = 1;
    huge[25] = huge[27] = 0;
    Dib e;
    EXPECT_EQ(OpenDibMemory(&e.r, huge.data(), huge.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&e.r), "Die Datei ist beschädigt: ungültige Bildschirmgröße");
    // on a 2048 x 2048 screen it is legal: only the limit stops it, with the memory text
    huge[6] = huge[8] = 0x00;
    huge[7] = huge[9] = 0x08;
    Dib e2;
    EXPECT_EQ(OpenDibMemory(&e2.r, huge.data(), huge.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&e2.r), pictora::kTextNoMemory);
    PictoraSetAllocLimit(0);
    ASSERT_EQ(OpenDibMemory(&e2.r, huge.data(), huge.size(), 0, nullptr, nullptr), 1);
    EXPECT_EQ(DibWidth(&e2.r), 2048);
    EXPECT_EQ(getpixel(&e2.r, 0, 0), 1);
    // found by fuzzing: a screen of height 0 takes the frame's extent, here 256 x 65535
    const std::vector<uint8_t> tall = readBytes(kDir + "fuzz_zero_height_screen.gif");
    Dib e3;
    EXPECT_EQ(OpenDibMemory(&e3.r, tall.data(), tall.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&e3.r), "Die Datei ist beschädigt: ungültige Bildschirmgröße");
    deldib(&e2.r);

    const std::vector<uint8_t> small = readBytes(kDir + "colours_17x9.gif");
    for (uint64_t room : {1, 1100, 1200}) { // nothing, the info block, not all pixels
        PictoraSetAllocLimit(before + room);
        Dib f;
        EXPECT_EQ(OpenDibMemory(&f.r, small.data(), small.size(), 0, nullptr, nullptr), 0);
        EXPECT_STREQ(DibErrorText(&f.r), pictora::kTextNoMemory);
    }
    PictoraSetAllocLimit(0);
    EXPECT_EQ(PictoraAllocatedBytes(), before);

    std::vector<int> seen;
    Dib g;
    ASSERT_TRUE(codec_test::decodeWithProgress(g, small, seen));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

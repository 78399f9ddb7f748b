// PNG reading and writing: every colour type and depth made by pnmtopng and ImageMagick,
// transparency over white, round trips, ImageMagick reading our files, hostile input.
#include "codec_test_support.h"

#include <zlib.h>

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

const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/png/";

// Binary PGM/PPM, 8 or 16 bits: the samples as 8-bit values (16-bit ones rounded to 8 bits),
// packed as R + 256G + 65536B, grey g as g * 0x010101.
struct Pnm {
    int width = 0, height = 0;
    std::vector<int32_t> px;
};
Pnm parsePnm(const std::vector<uint8_t>& b) {
    Pnm p;
    int maxval = 0, used = 0;
    char magic[3] = {};
    const std::string head(b.begin(), b.begin() + std::min<size_t>(b.size(), 64));
    if (std::sscanf(head.c_str(), "%2s %d %d %d%n", magic, &p.width, &p.height, &maxval, &used) !=
        4)
        return {};
    const int channels = magic[1] == '6' ? 3 : 1;
    const int sampleBytes = maxval > 255 ? 2 : 1;
    const auto to8 = [&](size_t i) -> int32_t {
        const int v = sampleBytes == 2 ? b[i] * 256 + b[i + 1] : b[i];
        return (v * 255 + maxval / 2) / maxval; // maxval 1, 3, 15, 255, 65535
    };
    for (size_t i = used + 1; i + channels * sampleBytes <= b.size(); i += channels * sampleBytes) {
        if (channels == 1)
            p.px.push_back(to8(i) * 0x010101);
        else
            p.px.push_back(to8(i) + 256 * to8(i + sampleBytes) + 65536 * to8(i + 2 * sampleBytes));
    }
    return p;
}

// What ImageMagick shows of a file: flattened onto white.
Pnm imageMagickView(const std::string& path) {
    return parsePnm(
        codec_test::runCommand("convert '" + path + "' -background white -flatten ppm:-"));
}

void expectPixels(const TDibRecord& d, const Pnm& want) {
    ASSERT_EQ(DibWidth(&d), want.width);
    ASSERT_EQ(DibHeight(&d), want.height);
    ASSERT_EQ(want.px.size(), static_cast<size_t>(want.width) * want.height);
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            ASSERT_EQ(colourAt(d, x, y), want.px[y * want.width + x]) << x << "," << y;
}

// A PNG put together by hand, for files no tool writes.
void addChunk(std::vector<uint8_t>& f, const char* type, const std::vector<uint8_t>& body) {
    const uint32_t n = static_cast<uint32_t>(body.size());
    for (int s : {24, 16, 8, 0})
        f.push_back(static_cast<uint8_t>(n >> s));
    const size_t start = f.size();
    f.insert(f.end(), type, type + 4);
    f.insert(f.end(), body.begin(), body.end());
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, f.data() + start, static_cast<uInt>(f.size() - start)));
    for (int s : {24, 16, 8, 0})
        f.push_back(static_cast<uint8_t>(crc >> s));
}
std::vector<uint8_t> handMadePng(uint32_t w, uint32_t h, uint8_t depth, uint8_t type,
                                 const std::vector<uint8_t>& raw,
                                 const std::vector<uint8_t>& plte) {
    std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    for (uint32_t v : {w, h})
        for (int s : {24, 16, 8, 0})
            ihdr.push_back(static_cast<uint8_t>(v >> s));
    ihdr.insert(ihdr.end(), {depth, type, 0, 0, 0});
    addChunk(f, "IHDR", ihdr);
    if (!plte.empty())
        addChunk(f, "PLTE", plte);
    std::vector<uint8_t> z(compressBound(static_cast<uLong>(raw.size())));
    uLongf zn = static_cast<uLongf>(z.size());
    compress(z.data(), &zn, raw.data(), static_cast<uLong>(raw.size()));
    z.resize(zn);
    addChunk(f, "IDAT", z);
    addChunk(f, "IEND", {});
    return f;
}

} // namespace

TEST(PngCodec, ReadsPaletteGreyAndTrueColourFilesExactly) {
    const struct {
        const char* file;
        const char* source;
        int bpp;
    } cases[] = {
        {"pal1_11x6.png", "src_pal2_11x6.ppm", 1},
        {"pal2_9x7.png", "src_pal4_9x7.ppm", 4},
        {"pal2_interlaced_9x7.png", "src_pal4_9x7.ppm", 4},
        {"pal4_13x5.png", "src_pal12_13x5.ppm", 4},
        {"pal8_17x9.png", "src_pal40_17x9.ppm", 8},
        {"pal8_with12_13x5.png", "src_pal12_13x5.ppm", 4},
        {"grey1_10x3.png", "src_grey1_10x3.pgm", 1},
        {"grey2_7x5.png", "src_grey2_7x5.pgm", 8},
        {"grey4_9x5.png", "src_grey4_9x5.pgm", 8},
        {"grey4_interlaced_9x5.png", "src_grey4_9x5.pgm", 8},
        {"grey8_21x9.png", "src_grey8_21x9.pgm", 8},
        {"grey16_11x7.png", "src_grey16_11x7.pgm", 8},
        {"rgb8_13x7.png", "src_rgb_13x7.ppm", 24},
        {"rgb8_interlaced_13x7.png", "src_rgb_13x7.ppm", 24},
        {"rgb16_9x5.png", "src_rgb16_9x5.ppm", 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Pnm want = parsePnm(readBytes(kDir + c.source));
        for (int format : {0, static_cast<int>(PICTORA_FORMAT_PNG)}) {
            Dib d;
            ASSERT_EQ(OpenDib(&d.r, (kDir + c.file).c_str(), format, nullptr, nullptr), 1)
                << DibErrorText(&d.r);
            ASSERT_EQ(DibBitsPerPixel(&d.r), c.bpp);
            expectPixels(d.r, want);
            // grey files get black/white or a full grey ramp
            if (c.file[0] == 'g') {
                for (int i = 0; i < (1 << c.bpp); ++i)
                    ASSERT_EQ(d.r.Info->bmiColors[i].rgbGreen, c.bpp == 1 ? i * 255 : i);
            }
        }
    }
    // entries past the file's palette are black, in both copies of the table
    Dib d;
    ASSERT_EQ(OpenDib(&d.r, (kDir + "pal8_with12_13x5.png").c_str(), 0, nullptr, nullptr), 1);
    for (int i = 13; i < 16; ++i) {
        EXPECT_EQ(d.r.Info->bmiColors[i].rgbRed + d.r.Info->bmiColors[i].rgbGreen +
                      d.r.Info->bmiColors[i].rgbBlue,
                  0);
        EXPECT_EQ(d.r.Palette.palPalEntry[i].peRed + d.r.Palette.palPalEntry[i].peBlue, 0);
    }
}

TEST(PngCodec, PutsTransparencyOverWhiteLikeImageMagick) {
    const struct {
        const char* file;
        int bpp;
    } cases[] = {{"rgba_13x7.png", 24},      {"rgba_interlaced_13x7.png", 24},
                 {"rgba16_9x5.png", 24},     {"greyalpha_13x7.png", 24},
                 {"grey8_key_21x9.png", 24}, {"rgb8_key_13x7.png", 24},
                 {"pal_trns_9x7.png", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Pnm want = imageMagickView(kDir + c.file);
        ASSERT_GT(want.width, 0) << "ImageMagick's convert is needed";
        Dib d;
        ASSERT_EQ(OpenDib(&d.r, (kDir + c.file).c_str(), 0, nullptr, nullptr), 1)
            << DibErrorText(&d.r);
        EXPECT_EQ(DibBitsPerPixel(&d.r), c.bpp);
        expectPixels(d.r, want);
    }
    // the keyed pixel really turned white
    Dib d;
    ASSERT_EQ(OpenDib(&d.r, (kDir + "rgb8_key_13x7.png").c_str(), 0, nullptr, nullptr), 1);
    EXPECT_EQ(getpixel(&d.r, 0, 0), 0xFFFFFF);
}

TEST(PngCodec, RoundTripKeepsDepthPaletteAndPixelsAndImageMagickAgrees) {
    const auto tmp = std::filesystem::temp_directory_path() / "pixorama_png_roundtrip.png";
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        Dib d;
        ASSERT_EQ(newdib(&d.r, 29, 9, bpp, nullptr, 0), 1);
        const int n = bpp == 24 ? 0 : 1 << bpp;
        for (int i = 0; i < n; ++i)
            DibSetPaletteColor(&d.r, i, static_cast<uint8_t>(i * 5 + 3),
                               static_cast<uint8_t>(200 - i / 2), static_cast<uint8_t>(i ^ 0x55));
        DibUpdatePaletteHandle(&d.r);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 29; ++x)
                setpixel(&d.r, x, y,
                         bpp == 24 ? x * 8 + 65536 * (y * 27) + 256 * ((x * y * 13) & 255)
                                   : (x * 7 + y * 3 + x * y) % n);
        d.r.Info->bmiHeader.biXPelsPerMeter = 3780; // 96 dpi travels in pHYs
        char text[256] = {};
        ASSERT_EQ(SaveDib(&d.r, tmp.c_str(), PICTORA_FORMAT_PNG, 0, text, sizeof(text)), 1) << text;
        const std::vector<uint8_t> bytes = readBytes(tmp.string());
        ASSERT_GT(bytes.size(), 33u);
        EXPECT_EQ(bytes[24], bpp == 24 ? 8 : bpp); // IHDR bit depth
        EXPECT_EQ(bytes[25], bpp == 24 ? 2 : 3);   // RGB or palette

        Dib back;
        ASSERT_EQ(OpenDib(&back.r, tmp.c_str(), 0, nullptr, nullptr), 1) << DibErrorText(&back.r);
        ASSERT_EQ(DibBitsPerPixel(&back.r), bpp);
        EXPECT_EQ(back.r.Info->bmiHeader.biXPelsPerMeter, 3780);
        EXPECT_EQ(std::memcmp(back.r.Info->bmiColors, d.r.Info->bmiColors, n * sizeof(TRGBQuad)),
                  0);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 29; ++x)
                ASSERT_EQ(getpixel(&back.r, x, y), getpixel(&d.r, x, y)) << x << "," << y;
        Pnm seen = imageMagickView(tmp.string());
        expectPixels(d.r, seen);
    }
    std::filesystem::remove(tmp);
}

TEST(PngCodec, DamagedTruncatedAndOddFiles) {
    const uint64_t before = PictoraAllocatedBytes();
    for (const char* name : {"pal2_interlaced_9x7.png", "rgba16_9x5.png", "grey8_key_21x9.png"}) {
        const std::vector<uint8_t> bytes = readBytes(kDir + name);
        for (size_t len = 1; len < bytes.size(); ++len) {
            Dib d;
            EXPECT_EQ(OpenDibMemory(&d.r, bytes.data(), len, 0, nullptr, nullptr), 0)
                << name << " cut at " << len;
            EXPECT_EQ(d.r.Bits, nullptr);
            EXPECT_STRNE(DibErrorText(&d.r), "");
        }
        for (size_t pos = 8; pos < bytes.size(); pos += 5) {
            std::vector<uint8_t> bad = bytes;
            bad[pos] ^= 0x24;
            Dib d;
            if (OpenDibMemory(&d.r, bad.data(), bad.size(), 0, nullptr, nullptr) == 0) {
                EXPECT_EQ(d.r.Bits, nullptr);
                EXPECT_STRNE(DibErrorText(&d.r), "");
            }
        }
    }
    // a damaged pixel chunk is an error; a damaged text chunk is only a warning
    std::vector<uint8_t> rgb = readBytes(kDir + "rgb8_13x7.png");
    std::vector<uint8_t> bad = rgb;
    const size_t idatLength = bad[33] << 24 | bad[34] << 16 | bad[35] << 8 | bad[36];
    bad[33 + 8 + idatLength] ^= 1; // IDAT's checksum
    Dib d1;
    EXPECT_EQ(OpenDibMemory(&d1.r, bad.data(), bad.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d1.r), "Die Datei ist beschädigt: Prüfsummenfehler");
    std::vector<uint8_t> text(rgb.begin(), rgb.begin() + 33);
    addChunk(text, "tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
    text[text.size() - 1] ^= 0xFF;
    text.insert(text.end(), rgb.begin() + 33, rgb.end());
    Dib d2;
    EXPECT_EQ(OpenDibMemory(&d2.r, text.data(), text.size(), 0, nullptr, nullptr), 1)
        << DibErrorText(&d2.r);

    // palette indices past a 2-colour table (a libpng warning) read as 0 in the 1-bit record
    const std::vector<uint8_t> odd =
        handMadePng(4, 1, 8, 3, {0, 1, 0, 7, 1}, {10, 20, 30, 40, 50, 60});
    Dib d3;
    ASSERT_EQ(OpenDibMemory(&d3.r, odd.data(), odd.size(), 0, nullptr, nullptr), 1)
        << DibErrorText(&d3.r);
    EXPECT_EQ(DibBitsPerPixel(&d3.r), 1);
    EXPECT_EQ(getpixel(&d3.r, 0, 0) * 1000 + getpixel(&d3.r, 1, 0) * 100 +
                  getpixel(&d3.r, 2, 0) * 10 + getpixel(&d3.r, 3, 0),
              1001);
    EXPECT_EQ(colourAt(d3.r, 0, 0), 40 + 256 * 50 + 65536 * 60);
    deldib(&d2.r);
    deldib(&d3.r);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(PngCodec, HugeSizesAndTheAllocationLimit) {
    const uint64_t before = PictoraAllocatedBytes();
    PictoraSetAllocLimit(before + (1u << 20));
    // a million by a million pixels declared, a few bytes of data: refused before allocating
    const std::vector<uint8_t> huge = handMadePng(1000000, 1000000, 8, 2, {0, 0, 0, 0}, {});
    Dib d;
    EXPECT_EQ(OpenDibMemory(&d.r, huge.data(), huge.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d.r), "Die Datei ist unvollständig");
    // wider than any record may be
    const std::vector<uint8_t> wide = handMadePng((1u << 20) + 1, 1, 1, 0, {0, 0}, {});
    Dib e;
    EXPECT_EQ(OpenDibMemory(&e.r, wide.data(), wide.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&e.r), "Die Datei ist beschädigt: ungültiger Bildkopf");
    // a legal 2000 x 2000 grey file over the 1 MB limit
    const std::vector<uint8_t> big =
        handMadePng(2000, 2000, 8, 0, std::vector<uint8_t>(2001 * 2000, 0), {});
    Dib f;
    EXPECT_EQ(OpenDibMemory(&f.r, big.data(), big.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&f.r), pictora::kTextNoMemory);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(PictoraAllocatedBytes(), before);

    std::vector<int> seen;
    Dib g;
    ASSERT_TRUE(codec_test::decodeWithProgress(g, big, seen));
    EXPECT_GT(seen.size(), 50u);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

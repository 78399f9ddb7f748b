// TIFF codec: files made by ImageMagick, netpbm and the libtiff tools in every layout we read,
// the LZW writer (round trips, files ImageMagick reads), and damaged or oversized input.
#include "codec_test_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <tiffio.h>
#include <unistd.h>

using namespace pictora;

namespace {

using codec_test::colourAt;
using codec_test::decode;
using codec_test::Dib;
using codec_test::readBytes;

const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/tiff/";
using Bytes = std::vector<uint8_t>;

// Binary PBM/PGM/PPM, kept as one RGB value per pixel (PBM: 1 = black).
struct Pnm {
    int w = 0, h = 0;
    std::vector<uint32_t> rgb;
};

Pnm parsePnm(const Bytes& b) {
    Pnm p;
    if (b.size() < 3 || b[0] != 'P' || b[1] < '4' || b[1] > '6')
        return p;
    const int kind = b[1] - '0';
    size_t i = 2;
    int fields[3] = {};
    for (int f = 0; f < (kind == 4 ? 2 : 3); ++f) {
        while (i < b.size() && isspace(b[i]))
            ++i;
        while (i < b.size() && isdigit(b[i]))
            fields[f] = fields[f] * 10 + (b[i++] - '0');
    }
    const uint8_t* px = b.data() + i + 1;
    const size_t w = static_cast<size_t>(fields[0]), h = static_cast<size_t>(fields[1]);
    const size_t need = kind == 4 ? (w + 7) / 8 * h : w * h * (kind == 5 ? 1 : 3);
    if (b.size() < i + 1 + need)
        return p;
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            if (kind == 4) {
                const bool black = px[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8) & 1;
                p.rgb.push_back(black ? 0 : 0xFFFFFF);
            } else if (kind == 5) {
                p.rgb.push_back(px[y * w + x] * 0x010101u);
            } else {
                const uint8_t* q = px + (y * w + x) * 3;
                p.rgb.push_back(q[0] | q[1] << 8 | q[2] << 16);
            }
        }
    p.w = fields[0];
    p.h = fields[1];
    return p;
}

// Pixels whose colour differs from the reference (all of them when the size differs).
int wrongPixels(const TDibRecord& d, const Pnm& ref) {
    if (DibWidth(&d) != ref.w || DibHeight(&d) != ref.h)
        return ref.w * ref.h + 1;
    int bad = 0;
    for (int y = 0; y < ref.h; ++y)
        for (int x = 0; x < ref.w; ++x)
            bad += colourAt(d, x, y) != ref.rgb[size_t(y) * ref.w + x];
    return bad;
}

// Sets every value of a SHORT or LONG entry of the first directory (classic TIFF); a single
// SHORT becomes a LONG when the value needs it.
void patchTag(Bytes& b, uint16_t tag, uint32_t value) {
    const bool le = b[0] == 'I';
    auto get = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int k = 0; k < n; ++k)
            v |= uint32_t(b[at + (le ? k : n - 1 - k)]) << (8 * k);
        return v;
    };
    auto put = [&](size_t at, int n, uint32_t v) {
        for (int k = 0; k < n; ++k)
            b[at + (le ? k : n - 1 - k)] = uint8_t(v >> (8 * k));
    };
    const size_t ifd = get(4, 4);
    for (size_t e = ifd + 2; e < ifd + 2 + 12 * get(ifd, 2); e += 12) {
        if (get(e, 2) != tag)
            continue;
        const uint32_t count = get(e + 4, 4);
        if (count == 1 && value > 0xFFFF)
            put(e + 2, 2, 4);
        const int n = get(e + 2, 2) == 3 ? 2 : 4;
        const size_t at = count * n <= 4 ? e + 8 : get(e + 8, 4);
        for (uint32_t i = 0; i < count; ++i)
            put(at + i * n, n, value);
        return;
    }
    ADD_FAILURE() << "tag " << tag << " not found";
}

} // namespace

TEST(TiffCodec, DecodesEveryVariant) {
    const struct {
        const char* file;
        const char* ref;
        int bpp;
        int firstEntry; // grey level of colour 0 where it is fixed, else -1
    } cases[] = {
        {"pal1.tif", "pal2.ppm", 1, -1},
        {"pal2bit.tif", "pal4.ppm", 4, -1},
        {"pal4.tif", "pal12.ppm", 4, -1},
        {"pal8.tif", "pal200.ppm", 8, -1},
        {"bw_g4.tif", "bw.pbm", 1, 255},
        {"bw_g3_black.tif", "bw.pbm", 1, 0},
        {"bw_black.tif", "bw.pbm", 1, 0},
        {"bw_lsb.tif", "bw.pbm", 1, 0},
        {"grey8.tif", "grey.pgm", 8, 0},
        {"grey8_white.tif", "grey.pgm", 8, 0},
        {"grey4.tif", "grey4.pgm", 8, 0},
        {"grey16.tif", "grey.pgm", 8, 0},
        {"rgb.tif", "rgb.ppm", 24, -1},
        {"rgb_lzw_pred.tif", "rgb.ppm", 24, -1},
        {"rgb_packbits.tif", "rgb.ppm", 24, -1},
        {"rgb_deflate.tif", "rgb.ppm", 24, -1},
        {"rgb16.tif", "rgb.ppm", 24, -1},
        {"rgb16_be.tif", "rgb.ppm", 24, -1},
        {"rgb_planar.tif", "rgb.ppm", 24, -1},
        {"rgb_tiled.tif", "rgb.ppm", 24, -1},
        {"rgb_tiled_planar.tif", "rgb.ppm", 24, -1},
        {"rgba.tif", "rgb.ppm", 24, -1},
        {"rgb_jpeg.tif", "rgb_jpeg.ppm", 24, -1},
        {"cmyk.tif", "cmyk_tif_ref.ppm", 24, -1},
    };
    for (const auto& c : cases) {
        const Pnm ref = parsePnm(readBytes(kDir + c.ref));
        ASSERT_GT(ref.w, 0) << c.ref;
        for (int format : {0, int(PICTORA_FORMAT_TIF)}) {
            Dib d;
            ASSERT_EQ(OpenDib(&d.r, (kDir + c.file).c_str(), format, nullptr, nullptr), 1)
                << c.file << ": " << DibErrorText(&d.r);
            EXPECT_EQ(DibBitsPerPixel(&d.r), c.bpp) << c.file;
            EXPECT_EQ(wrongPixels(d.r, ref), 0) << c.file;
            if (c.bpp == 24)
                continue;
            const int n = 1 << c.bpp;
            EXPECT_EQ(d.r.Palette.palNumEntries, n) << c.file;
            for (int i = 0; i < n; ++i) {
                const TRGBQuad q = d.r.Info->bmiColors[i];
                const TPaletteEntry e = d.r.Palette.palPalEntry[i];
                ASSERT_TRUE(q.rgbRed == e.peRed && q.rgbGreen == e.peGreen && q.rgbBlue == e.peBlue)
                    << c.file << " entry " << i;
                // grey images use the plain ramp, so the index is the grey level
                if (c.bpp == 8 && c.firstEntry == 0) {
                    ASSERT_EQ(e.peRed + e.peGreen + e.peBlue, 3 * i);
                }
            }
            if (c.firstEntry >= 0) {
                EXPECT_EQ(d.r.Info->bmiColors[0].rgbGreen, c.firstEntry) << c.file;
            }
        }
    }
    // a 2-bit palette fills a 4-bit record: colours 4..15 unused and black
    Dib d;
    ASSERT_TRUE(decode(d, readBytes(kDir + "pal2bit.tif")));
    for (int i = 4; i < 16; ++i) {
        const TPaletteEntry e = d.r.Palette.palPalEntry[i];
        EXPECT_EQ(e.peRed + e.peGreen + e.peBlue, 0) << i;
    }
}

TEST(TiffCodec, WriterRoundTripsAndImageMagickAgrees) {
    Dib images[6];
    const int depths[6] = {1, 1, 1, 4, 8, 24};
    for (int k = 0; k < 6; ++k) {
        TDibRecord& d = images[k].r;
        ASSERT_TRUE(newdib(&d, 37 + k, 11, depths[k], nullptr, 0));
        d.Info->bmiHeader.biXPelsPerMeter = 3937;
        d.Info->bmiHeader.biYPelsPerMeter = 1181;
        const int colours = depths[k] == 24 ? 0 : 1 << depths[k];
        for (int i = 0; i < colours && k != 0; ++i) // image 0 keeps black/white
            DibSetPaletteColor(&d, i, uint8_t(i * 5 + 3), uint8_t(255 - i), uint8_t(i * 77));
        if (k == 1) {
            DibSetPaletteColor(&d, 0, 255, 255, 255);
            DibSetPaletteColor(&d, 1, 0, 0, 0);
        }
        DibUpdatePaletteHandle(&d);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37 + k; ++x)
                setpixel(&d, x, y,
                         colours ? (x * 3 + y * 7) % colours
                                 : x * 6 | (y * 20) << 8 | (x ^ y) << 16);
    }
    for (const Dib& src : images) {
        const std::string path = (std::filesystem::temp_directory_path() /
                                  ("pictora_tiff_" + std::to_string(getpid()) + ".tif"))
                                     .string();
        char err[200] = "";
        ASSERT_EQ(SaveDib(&src.r, path.c_str(), 0, 0, err, sizeof err), 1) << err;
        Dib back;
        ASSERT_EQ(OpenDib(&back.r, path.c_str(), 0, nullptr, nullptr), 1) << DibErrorText(&back.r);
        const int bpp = DibBitsPerPixel(&src.r);
        ASSERT_EQ(DibBitsPerPixel(&back.r), bpp);
        ASSERT_EQ(DibWidth(&back.r), DibWidth(&src.r));
        ASSERT_EQ(DibHeight(&back.r), 11);
        EXPECT_EQ(back.r.Info->bmiHeader.biXPelsPerMeter, 3937);
        EXPECT_EQ(back.r.Info->bmiHeader.biYPelsPerMeter, 1181);
        if (bpp < 24) {
            EXPECT_EQ(std::memcmp(back.r.Info->bmiColors, src.r.Info->bmiColors, 4u << bpp), 0)
                << bpp;
        }
        Pnm expected{DibWidth(&src.r), 11, {}};
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < expected.w; ++x) {
                ASSERT_EQ(getpixel(&back.r, x, y), getpixel(&src.r, x, y)) << x << "," << y;
                expected.rgb.push_back(colourAt(src.r, x, y));
            }
        FILE* pipe = popen(("convert '" + path + "' -depth 8 ppm:-").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        Bytes im;
        for (int ch; (ch = fgetc(pipe)) != EOF;)
            im.push_back(static_cast<uint8_t>(ch));
        pclose(pipe);
        const Pnm magick = parsePnm(im);
        ASSERT_EQ(magick.w, expected.w) << "ImageMagick could not read depth " << bpp;
        EXPECT_EQ(magick.rgb, expected.rgb) << "depth " << bpp;
        std::remove(path.c_str());
    }
}

TEST(TiffCodec, DamagedInputFailsWithoutLeaks) {
    const uint64_t before = PictoraAllocatedBytes();
    auto expectFail = [&](const Bytes& b, const char* text, const std::string& what) {
        Dib d;
        EXPECT_FALSE(decode(d, b)) << what;
        EXPECT_EQ(d.r.Bits, nullptr) << what;
        EXPECT_STREQ(DibErrorText(&d.r), text) << what;
        EXPECT_EQ(PictoraAllocatedBytes(), before) << what;
    };
    for (const char* name : {"rgb.tif", "rgb_tiled.tif", "pal8.tif", "bw_g4.tif", "rgb_jpeg.tif",
                             "cmyk.tif", "rgb16_be.tif"}) {
        const Bytes full = readBytes(kDir + name);
        for (size_t n : {size_t{4}, size_t{9}, full.size() / 4, full.size() / 2, full.size() - 1})
            expectFail(Bytes(full.begin(), full.begin() + long(n)), "Die Datei ist unvollständig",
                       name + std::to_string(n));
    }
    const Bytes rgb = readBytes(kDir + "rgb.tif");
    Bytes b = rgb;
    patchTag(b, 258, 12); // 12 bits per sample
    expectFail(b, "Diese TIFF-Variante wird nicht unterstützt", "12 bits");
    b = rgb;
    patchTag(b, 259, 999); // unknown compression
    expectFail(b, "Die Datei ist beschädigt: fehlerhafte TIFF-Daten", "compression");
    // found by the fuzzer: 11017 strips at offset 0, slow to read as one 42 MB image
    expectFail(readBytes(kDir + "zero_strips.tif"),
               "Die Datei ist beschädigt: fehlerhafte TIFF-Daten", "zero strips");
    b = rgb;
    patchTag(b, 273, 0x7FFFFFF0); // strip far behind the end
    expectFail(b, "Die Datei ist unvollständig", "strip offset");

    // random damage: any outcome but a crash, a leak or a half image
    const Bytes tiled = readBytes(kDir + "rgb_tiled_planar.tif"),
                g4 = readBytes(kDir + "bw_g4.tif");
    codec_test::expectSurvivesDamage({&rgb, &tiled, &g4}, 600, 8, 777);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(TiffCodec, RefusesHugeImagesAndHonoursAllocLimit) {
    const uint64_t before = PictoraAllocatedBytes();
    const Bytes rgb = readBytes(kDir + "rgb.tif");
    Dib d;
    for (uint32_t side : {1000000u, 3000000u}) {
        Bytes huge = rgb;
        patchTag(huge, 256, side);
        patchTag(huge, 257, side);
        patchTag(huge, 278, 0xFFFFFFFF); // one strip, as many writers do
        EXPECT_FALSE(decode(d, huge));
        EXPECT_STREQ(DibErrorText(&d.r), "Das Bild ist zu groß") << side;
    }
    Bytes big = rgb;
    patchTag(big, 256, 20000);
    patchTag(big, 257, 20000);
    patchTag(big, 278, 0xFFFFFFFF);
    PictoraSetAllocLimit(64u << 20);
    EXPECT_FALSE(decode(d, big));
    EXPECT_STREQ(DibErrorText(&d.r), kTextNoMemory);
    PictoraSetAllocLimit(before + 3000); // the record fits, the strip buffer does not
    EXPECT_FALSE(decode(d, rgb));
    EXPECT_STREQ(DibErrorText(&d.r), kTextNoMemory);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
    EXPECT_TRUE(decode(d, rgb));
}

// A single strip of 72 MB is decoded row by row: it opens under a limit that leaves room for
// the record but not for the strip.
TEST(TiffCodec, HugeStripIsReadRowByRow) {
    const uint32_t w = 9001, h = 8000;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("pictora_tiff_strip_" + std::to_string(getpid()) + ".tif"))
                                 .string();
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_DEFLATE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
    Bytes row(w);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            row[x] = uint8_t(x / 64 + y / 32);
        ASSERT_EQ(TIFFWriteScanline(t, row.data(), y, 0), 1);
    }
    TIFFClose(t);

    const uint64_t before = PictoraAllocatedBytes();
    PictoraSetAllocLimit(before + uint64_t(rowBytes(w, 8)) * h + sizeof(TBitmapInfo) + (1 << 20));
    Dib d;
    const bool ok = OpenDib(&d.r, path.c_str(), 0, nullptr, nullptr) == 1;
    PictoraSetAllocLimit(0);
    std::remove(path.c_str());
    ASSERT_TRUE(ok) << DibErrorText(&d.r);
    int bad = 0;
    for (uint32_t y = 0; y < h; y += 7)
        for (uint32_t x = 0; x < w; x += 13)
            bad += getpixel(&d.r, int(x), int(y)) != uint8_t(x / 64 + y / 32);
    EXPECT_EQ(bad, 0);
}

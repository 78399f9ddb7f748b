// JPEG codec: files made by cjpeg and ImageMagick against djpeg's decode, CMYK/YCCK, the writer
// (round trips, files ImageMagick reads), and damaged, truncated and oversized input.
#include "codec_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <unistd.h>

using namespace pictora;

namespace {

using codec_test::colourAt;
using codec_test::decode;
using codec_test::Dib;
using codec_test::readBytes;

const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/jpeg/";
using Bytes = std::vector<uint8_t>;

struct Pnm {
    int w = 0, h = 0, channels = 0;
    Bytes px;
    uint32_t rgb(int x, int y) const {
        const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * channels];
        return channels == 1 ? p[0] * 0x010101u : p[0] | p[1] << 8 | p[2] << 16;
    }
};

// Binary PGM/PPM as written by djpeg and ImageMagick.
Pnm parsePnm(const Bytes& b) {
    Pnm p;
    if (b.size() < 2 || b[0] != 'P' || (b[1] != '5' && b[1] != '6'))
        return p;
    size_t i = 2;
    int fields[3] = {};
    for (int& f : fields) {
        while (i < b.size() && (isspace(b[i]) || b[i] == '#'))
            if (b[i] == '#')
                while (i < b.size() && b[i] != '\n')
                    ++i;
            else
                ++i;
        while (i < b.size() && isdigit(b[i]))
            f = f * 10 + (b[i++] - '0');
    }
    p.channels = b[1] == '5' ? 1 : 3;
    p.px.assign(b.begin() + static_cast<long>(i + 1), b.end());
    if (p.px.size() != static_cast<size_t>(fields[0]) * fields[1] * p.channels)
        return Pnm{};
    p.w = fields[0];
    p.h = fields[1];
    return p;
}

// Largest difference of one channel between the record and the reference.
int maxDiff(const TDibRecord& d, const Pnm& ref) {
    if (DibWidth(&d) != ref.w || DibHeight(&d) != ref.h)
        return 1000;
    int worst = 0;
    for (int y = 0; y < ref.h; ++y)
        for (int x = 0; x < ref.w; ++x)
            for (int s = 0; s < 24; s += 8)
                worst = std::max(worst, std::abs(int(colourAt(d, x, y) >> s & 255) -
                                                 int(ref.rgb(x, y) >> s & 255)));
    return worst;
}

Bytes encode(const TDibRecord& d, int quality) {
    Bytes out;
    std::string err;
    EXPECT_TRUE(encodeJpeg(d, quality, out, err)) << err;
    return out;
}

// Offset of the first marker `code` in the header segments, or 0.
size_t findMarker(const Bytes& b, uint8_t code) {
    for (size_t i = 2; i + 4 <= b.size() && b[i] == 0xFF;) {
        if (b[i + 1] == code)
            return i;
        i += 2 + (b[i + 2] << 8 | b[i + 3]);
    }
    return 0;
}

void setSize(Bytes& b, int w, int h) {
    size_t sof = findMarker(b, 0xC0);
    if (sof == 0)
        sof = findMarker(b, 0xC2);
    ASSERT_NE(sof, 0u);
    b[sof + 5] = static_cast<uint8_t>(h >> 8);
    b[sof + 6] = static_cast<uint8_t>(h);
    b[sof + 7] = static_cast<uint8_t>(w >> 8);
    b[sof + 8] = static_cast<uint8_t>(w);
}

void onProgress(int32_t percent, void* user) {
    *static_cast<int*>(user) = percent;
}

} // namespace

TEST(JpegCodec, DecodesLikeDjpeg) {
    const struct {
        const char* file;
        const char* ref;
        int bpp;
    } cases[] = {{"baseline.jpg", "baseline.ppm", 24},
                 {"progressive.jpg", "progressive.ppm", 24},
                 {"s444_restart.jpg", "s444_restart.ppm", 24},
                 {"arith.jpg", "arith.ppm", 24},
                 {"rgbspace.jpg", "rgbspace.ppm", 24},
                 {"cmyk.jpg", "cmyk.ppm", 24},
                 {"grey.jpg", "grey_ref.pgm", 8},
                 {"grey_prog.jpg", "grey_prog_ref.pgm", 8}};
    for (const auto& c : cases) {
        const Pnm ref = parsePnm(readBytes(kDir + c.ref));
        ASSERT_GT(ref.w, 0) << c.ref;
        // by content, by its own number, and misnamed as a TIFF
        for (int format : {0, int(PICTORA_FORMAT_JPG), int(PICTORA_FORMAT_TIF)}) {
            Dib d;
            int percent = -1;
            ASSERT_EQ(OpenDib(&d.r, (kDir + c.file).c_str(), format, onProgress, &percent), 1)
                << c.file << ": " << DibErrorText(&d.r);
            EXPECT_EQ(DibBitsPerPixel(&d.r), c.bpp) << c.file;
            EXPECT_EQ(maxDiff(d.r, ref), 0) << c.file;
            EXPECT_EQ(percent, 100) << c.file;
            if (c.bpp == 8)
                for (int i = 0; i < 256; ++i) {
                    const TRGBQuad q = d.r.Info->bmiColors[i];
                    const TPaletteEntry e = d.r.Palette.palPalEntry[i];
                    ASSERT_TRUE(q.rgbRed == i && q.rgbGreen == i && q.rgbBlue == i &&
                                e.peRed == i && e.peGreen == i && e.peBlue == i)
                        << c.file << " entry " << i;
                }
        }
    }
}

// Arithmetic-coded data may stop before the last block; libjpeg then decodes zeros, as the
// standard allows.  (Found by the fuzzer as a slow input: 300 bytes for 23 x 31338 pixels.)
TEST(JpegCodec, ArithmeticDataMayStopEarly) {
    Dib d;
    ASSERT_EQ(OpenDib(&d.r, (kDir + "arith_tall.jpg").c_str(), 0, nullptr, nullptr), 1)
        << DibErrorText(&d.r);
    EXPECT_EQ(DibWidth(&d.r), 23);
    EXPECT_EQ(DibHeight(&d.r), 31338);
    EXPECT_EQ(DibBitsPerPixel(&d.r), 24);
}

// CMYK with an Adobe marker is stored inverted, plain CMYK is not; YCCK is always Adobe.
TEST(JpegCodec, CmykAndYcckBecomeRgb) {
    const int w = 16, h = 8;
    Bytes ink(w * h * 4);
    for (size_t i = 0; i < ink.size(); ++i)
        ink[i] = static_cast<uint8_t>((i * 37) % 251);
    for (const J_COLOR_SPACE space : {JCS_YCCK, JCS_CMYK}) {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* buf = nullptr;
        unsigned long len = 0;
        jpeg_mem_dest(&c, &buf, &len);
        c.image_width = w;
        c.image_height = h;
        c.input_components = 4;
        c.in_color_space = JCS_CMYK;
        jpeg_set_defaults(&c);
        jpeg_set_colorspace(&c, space);
        c.write_Adobe_marker = space == JCS_YCCK;
        jpeg_set_quality(&c, 100, TRUE);
        jpeg_start_compress(&c, TRUE);
        for (JSAMPROW row = ink.data(); c.next_scanline < h; row += w * 4)
            jpeg_write_scanlines(&c, &row, 1);
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        const Bytes file(buf, buf + len);
        free(buf);

        // the samples libjpeg itself decodes, turned to RGB by hand
        jpeg_decompress_struct dc;
        dc.err = jpeg_std_error(&err);
        jpeg_create_decompress(&dc);
        jpeg_mem_src(&dc, file.data(), file.size());
        jpeg_read_header(&dc, TRUE);
        ASSERT_EQ(dc.jpeg_color_space, space);
        dc.out_color_space = JCS_CMYK;
        jpeg_start_decompress(&dc);
        Bytes cmyk(w * h * 4);
        for (JSAMPROW row = cmyk.data(); dc.output_scanline < h; row += w * 4)
            jpeg_read_scanlines(&dc, &row, 1);
        jpeg_finish_decompress(&dc);
        jpeg_destroy_decompress(&dc);

        Dib d;
        ASSERT_TRUE(decode(d, file)) << DibErrorText(&d.r);
        ASSERT_EQ(DibBitsPerPixel(&d.r), 24);
        for (int i = 0; i < w * h; ++i) {
            const uint8_t* p = &cmyk[i * 4];
            auto ch = [&](int s) {
                const int v = space == JCS_YCCK ? p[s] * p[3] : (255 - p[s]) * (255 - p[3]);
                return uint32_t((v + 127) / 255);
            };
            ASSERT_EQ(uint32_t(getpixel(&d.r, i % w, i / w)), ch(0) | ch(1) << 8 | ch(2) << 16)
                << i;
        }
    }
}

TEST(JpegCodec, WriterRoundTripsAndImageMagickAgrees) {
    Dib rgb, pal, grey, bw;
    ASSERT_TRUE(newdib(&rgb.r, 61, 37, 24, nullptr, 0));
    ASSERT_TRUE(newdib(&pal.r, 40, 24, 4, nullptr, 0));
    ASSERT_TRUE(newdib(&grey.r, 33, 9, 8, nullptr, 0)); // default table: grey ramp
    ASSERT_TRUE(newdib(&bw.r, 19, 5, 1, nullptr, 0));
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x)
            setpixel(&rgb.r, x, y, (x * 4) | (y * 6) << 8 | ((x + y) * 2) << 16);
    for (int i = 0; i < 16; ++i)
        DibSetPaletteColor(&pal.r, i, uint8_t(i * 16), uint8_t(255 - i * 9), 90);
    DibUpdatePaletteHandle(&pal.r);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
            setpixel(&pal.r, x, y, (x / 8 + y / 8 * 5) % 16);
    for (int x = 0; x < 33; ++x)
        recht_filled(&grey.r, x, 0, x, 8, x * 7);
    recht_filled(&bw.r, 0, 0, 9, 4, 1);

    const struct {
        const TDibRecord* dib;
        int bpp;
        int tolerance;
    } cases[] = {{&rgb.r, 24, 8}, {&pal.r, 24, 40}, {&grey.r, 8, 8}, {&bw.r, 8, 40}};
    for (const auto& c : cases) {
        const std::string path = codec_test::tempPath("pictora_jpeg_", "rt.jpg");
        char err[200] = "";
        ASSERT_EQ(SaveDib(c.dib, path.c_str(), 0, 95, err, sizeof err), 1) << err;
        Dib back;
        ASSERT_EQ(OpenDib(&back.r, path.c_str(), 0, nullptr, nullptr), 1);
        EXPECT_EQ(DibBitsPerPixel(&back.r), c.bpp);
        ASSERT_EQ(DibWidth(&back.r), DibWidth(c.dib));
        ASSERT_EQ(DibHeight(&back.r), DibHeight(c.dib));
        int worst = 0;
        for (int y = 0; y < DibHeight(c.dib); ++y)
            for (int x = 0; x < DibWidth(c.dib); ++x)
                for (int s = 0; s < 24; s += 8)
                    worst = std::max(worst, std::abs(int(colourAt(back.r, x, y) >> s & 255) -
                                                     int(colourAt(*c.dib, x, y) >> s & 255)));
        EXPECT_LE(worst, c.tolerance) << "depth " << DibBitsPerPixel(c.dib);

        // the same libjpeg decode with the same defaults: ImageMagick must see our pixels exactly
        const std::string cmd =
            "convert '" + path + (c.bpp == 8 ? "' -depth 8 pgm:-" : "' -depth 8 ppm:-");
        FILE* pipe = popen(cmd.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        Bytes im;
        for (int ch; (ch = fgetc(pipe)) != EOF;)
            im.push_back(static_cast<uint8_t>(ch));
        pclose(pipe);
        const Pnm seen = parsePnm(im);
        ASSERT_GT(seen.w, 0) << cmd;
        EXPECT_EQ(maxDiff(back.r, seen), 0) << cmd;
        std::remove(path.c_str());
    }
    // quality is clamped to 1..99 and changes the size
    EXPECT_EQ(encode(rgb.r, 0), encode(rgb.r, 1));
    EXPECT_EQ(encode(rgb.r, 500), encode(rgb.r, 99));
    EXPECT_LT(encode(rgb.r, 10).size(), encode(rgb.r, 90).size());
}

TEST(JpegCodec, DamagedInputFailsWithoutLeaks) {
    const uint64_t before = PictoraAllocatedBytes();
    auto expectFail = [&](const Bytes& b, const char* text, const std::string& what) {
        Dib d;
        EXPECT_FALSE(decode(d, b)) << what;
        EXPECT_EQ(d.r.Bits, nullptr) << what;
        const std::string got = DibErrorText(&d.r);
        EXPECT_FALSE(got.empty()) << what;
        if (text) {
            EXPECT_EQ(got, text) << what;
        }
        EXPECT_EQ(PictoraAllocatedBytes(), before) << what;
    };
    for (const char* name : {"baseline.jpg", "progressive.jpg", "arith.jpg", "cmyk.jpg"}) {
        const Bytes full = readBytes(kDir + name);
        for (size_t n : {size_t{2}, size_t{40}, full.size() / 3, full.size() / 2, full.size() - 9})
            expectFail(Bytes(full.begin(), full.begin() + long(n)), nullptr,
                       name + std::to_string(n));
        // only the end marker missing: still an incomplete file
        expectFail(Bytes(full.begin(), full.end() - 2), "Die Datei ist unvollständig", name);
    }
    const Bytes base = readBytes(kDir + "baseline.jpg");
    Bytes b = base;
    b[b.size() - 60] = 0xFF; // a marker in the middle of the scan data
    b[b.size() - 59] = 0xD9;
    expectFail(b, "Die Datei ist beschädigt: fehlerhafte JPEG-Daten", "marker in scan");
    b = base;
    b[findMarker(b, 0xC0) + 4] = 12;
    expectFail(b, "Diese JPEG-Variante wird nicht unterstützt", "12-bit");

    // endless scans: the DC refinement scan of a progressive file repeated 1100 times
    const Bytes prog = readBytes(kDir + "progressive.jpg");
    size_t from = 0, to = 0;
    for (size_t i = 0; i + 10 < prog.size() && to == 0; ++i) {
        if (prog[i] != 0xFF || prog[i + 1] != 0xDA)
            continue;
        const size_t sel = i + 5 + 2 * prog[i + 4]; // Ss, Se, Ah/Al behind the components
        if (prog[sel] != 0 || prog[sel + 1] != 0 || prog[sel + 2] != 0x10)
            continue;
        from = i;
        for (to = i + 2; to + 1 < prog.size(); ++to)
            if (prog[to] == 0xFF && prog[to + 1] != 0 && (prog[to + 1] & 0xF8) != 0xD0 && to > sel)
                break;
    }
    ASSERT_GT(to, from);
    auto repeated = [&](int n) {
        Bytes out(prog.begin(), prog.end() - 2);
        for (int i = 0; i < n; ++i)
            out.insert(out.end(), prog.begin() + long(from), prog.begin() + long(to));
        out.push_back(0xFF);
        out.push_back(0xD9);
        return out;
    };
    Dib few;
    EXPECT_TRUE(decode(few, repeated(50))) << "50 more scans are fine";
    deldib(&few.r);
    expectFail(repeated(1100), "Die Datei ist beschädigt: zu viele Bilddurchgänge", "scans");

    // random damage behind the header: any outcome but a crash, a leak or a half image
    codec_test::expectSurvivesDamage({&prog, &base}, 300, 20, 12345);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(JpegCodec, RefusesHugeImagesAndHonoursAllocLimit) {
    const uint64_t before = PictoraAllocatedBytes();
    const Bytes base = readBytes(kDir + "baseline.jpg");
    Bytes huge = base;
    setSize(huge, 65000, 65000); // 12 GB of pixels
    Dib d;
    EXPECT_FALSE(decode(d, huge));
    EXPECT_STREQ(DibErrorText(&d.r), "Das Bild ist zu groß");

    Bytes big = base;
    setSize(big, 20000, 20000); // 1.2 GB: possible, but not under a 64 MB limit
    PictoraSetAllocLimit(64u << 20);
    EXPECT_FALSE(decode(d, big));
    EXPECT_STREQ(DibErrorText(&d.r), kTextNoMemory);
    PictoraSetAllocLimit(before + 1000);
    EXPECT_FALSE(decode(d, base));
    EXPECT_STREQ(DibErrorText(&d.r), kTextNoMemory);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
    EXPECT_TRUE(decode(d, base));
}

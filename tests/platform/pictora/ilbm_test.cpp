// IFF ILBM / PBM reader and ILBM writer.
#include "codec_test_support.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace codec_test;
const std::string kDir = std::string(PIXORAMA_TEST_DATA) + "/ilbm/";

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<uint8_t>(v >> s));
}

std::vector<uint8_t> chunk(const char* id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> c(id, id + 4);
    put32(c, static_cast<uint32_t>(payload.size()));
    c.insert(c.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        c.push_back(0);
    return c;
}

std::vector<uint8_t> bmhd(int w, int h, int planes, int compression, int masking = 0) {
    return {0,
            static_cast<uint8_t>(w),
            0,
            static_cast<uint8_t>(h),
            0,
            0,
            0,
            0,
            static_cast<uint8_t>(planes),
            static_cast<uint8_t>(masking),
            static_cast<uint8_t>(compression),
            0,
            0,
            0,
            1,
            1,
            0,
            static_cast<uint8_t>(w),
            0,
            static_cast<uint8_t>(h)};
}

std::vector<uint8_t> form(const char* type, const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body(type, type + 4);
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> f{'F', 'O', 'R', 'M'};
    put32(f, static_cast<uint32_t>(body.size()));
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

TEST(Ilbm, EveryVariantDecodesToTheSourcePixels) {
    const struct {
        const char* file;
        const char* source;
        int bpp;
    } cases[] = {{"c2.iff", "c2.ppm", 1},        {"c4.iff", "c4.ppm", 4},
                 {"c16.iff", "c16.ppm", 4},      {"c16_raw.iff", "c16.ppm", 4},
                 {"c16_mask.iff", "c16.ppm", 4}, {"c256.iff", "c256.ppm", 8},
                 {"grey.iff", "grey.pgm", 8},    {"ehb.iff", "ehb.ppm", 8},
                 {"rgb24.iff", "rgb.ppm", 24},   {"rgb24_raw.iff", "rgb.ppm", 24},
                 {"ham6.iff", "ham6.ppm", 24},   {"ham8.iff", "ham8.ppm", 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Rgb ref = readPnm(kDir + c.source);
        ASSERT_GT(ref.w, 0);
        expectOpensAs(kDir + c.file, {0, PICTORA_FORMAT_IFF, PICTORA_FORMAT_LBM}, c.bpp, ref);
    }
}

TEST(Ilbm, ExtraHalfBriteDerivesTheUpperColours) {
    // spoil the 32 stored upper entries: the picture must not change
    std::vector<uint8_t> f = readBytes(kDir + "ehb.iff");
    size_t at = 12;
    while (at + 8 <= f.size() && std::memcmp(&f[at], "CMAP", 4) != 0)
        at += 8 + ((be32(&f[at + 4]) + 1) & ~1u);
    ASSERT_LT(at + 8 + 192, f.size());
    ASSERT_EQ(be32(&f[at + 4]), 192u);
    std::memset(&f[at + 8 + 96], 0xEE, 96);
    Dib d;
    ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), 0, nullptr, nullptr), 1);
    EXPECT_TRUE(samePixels(d.r, readPnm(kDir + "ehb.ppm")));
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(d.r.Palette.palPalEntry[32 + i].peRed, f[at + 8 + 3 * i] >> 1);
        EXPECT_EQ(d.r.Palette.palPalEntry[32 + i].peBlue, f[at + 10 + 3 * i] >> 1);
    }
}

TEST(Ilbm, HoldAndModifyStartsEachRowFromColourZero) {
    std::vector<uint8_t> cmap(48, 0);
    cmap[0] = 0x10, cmap[1] = 0x20, cmap[2] = 0x30;
    cmap[15] = 0xA0, cmap[16] = 0xB0, cmap[17] = 0xC0;
    // row 0: modify blue 15, colour 5, modify red 3, modify green 1; row 1: modify blue 0 x 4
    const std::vector<uint8_t> body = {0xF0, 0, 0xA0, 0, 0xC0, 0, 0x80, 0, 0x90, 0, 0x30, 0,
                                       0,    0, 0,    0, 0,    0, 0,    0, 0xF0, 0, 0,    0};
    const std::vector<uint8_t> f =
        form("ILBM", {chunk("BMHD", bmhd(4, 2, 6, 0)), chunk("CAMG", {0, 0, 8, 0}),
                      chunk("CMAP", cmap), chunk("BODY", body)});
    Dib d;
    ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), 0, nullptr, nullptr), 1)
        << DibErrorText(&d.r);
    ASSERT_EQ(DibBitsPerPixel(&d.r), 24);
    const uint32_t expected[2][4] = {{0xF02010, 0xC0B0A0, 0xC0B030, 0xC01030},
                                     {0x002010, 0x002010, 0x002010, 0x002010}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(colourAt(d.r, x, y), expected[y][x]) << x << "," << y;
}

TEST(Ilbm, ChunkyPbmMissingColourMapAndRunsAcrossRows) {
    const std::vector<uint8_t> cmap = chunk("CMAP", {1, 2, 3, 40, 50, 60, 70, 80, 90, 255, 0, 7});
    // 3 x 2 chunky, rows padded to 4 bytes; raw and as runs (one crossing the row end, a no-op)
    const std::vector<uint8_t> rawBody = {3, 1, 2, 0, 0, 0, 1, 99};
    const std::vector<uint8_t> packedBody = {0x02, 3, 1, 2, 0xFE, 0, 0x80, 0x01, 1, 99};
    for (const auto& [compression, body] : {std::pair{0, rawBody}, std::pair{1, packedBody}}) {
        const std::vector<uint8_t> f =
            form("PBM ", {chunk("BMHD", bmhd(3, 2, 8, compression)), cmap, chunk("BODY", body)});
        Dib d;
        ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), 0, nullptr, nullptr), 1)
            << DibErrorText(&d.r);
        EXPECT_EQ(DibBitsPerPixel(&d.r), 8);
        const int expected[2][3] = {{3, 1, 2}, {0, 0, 1}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(getpixel(&d.r, x, y), expected[y][x]) << compression;
        EXPECT_EQ(colourAt(d.r, 0, 0), 0x0700FFu);
        EXPECT_EQ(colourAt(d.r, 1, 0), 0x3C3228u);
        EXPECT_EQ(colourAt(d.r, 0, 1), 0x030201u);
    }
    // two planes, no CMAP: a grey ramp; a run of zeros ends row 0 and starts row 1; odd BODY
    const std::vector<uint8_t> f =
        form("ILBM", {chunk("BMHD", bmhd(5, 2, 2, 1)),
                      chunk("BODY", {0x02, 0xA8, 0x00, 0x50, 0xFE, 0x00, 0x01, 0xD8, 0x00})});
    Dib d;
    ASSERT_EQ(OpenDibMemory(&d.r, f.data(), f.size(), PICTORA_FORMAT_LBM, nullptr, nullptr), 1)
        << DibErrorText(&d.r);
    EXPECT_EQ(DibBitsPerPixel(&d.r), 4);
    const int expected[2][5] = {{1, 2, 1, 2, 1}, {2, 2, 0, 2, 2}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(getpixel(&d.r, x, y), expected[y][x]) << x << "," << y;
            EXPECT_EQ(colourAt(d.r, x, y), static_cast<uint32_t>(expected[y][x]) * 85 * 0x010101u);
        }
}

TEST(Ilbm, BrokenStructureIsRefused) {
    const std::vector<uint8_t> hd = chunk("BMHD", bmhd(3, 2, 8, 0));
    const std::vector<uint8_t> body = chunk("BODY", std::vector<uint8_t>(8, 1));
    std::vector<std::vector<uint8_t>> broken = {
        form("PBM ", {hd}),                                     // no BODY
        form("PBM ", {body}),                                   // no BMHD
        form("PBM ", {chunk("BMHD", bmhd(3, 2, 8, 2)), body}),  // unknown compression
        form("ILBM", {chunk("BMHD", bmhd(3, 2, 12, 0)), body}), // 12 planes
        form("PBM ", {chunk("BMHD", bmhd(3, 2, 8, 0)), chunk("BODY", std::vector<uint8_t>(7, 1))}),
        form("PBM ", {chunk("BMHD", {0, 3, 0, 2}), body}), // short BMHD
    };
    std::vector<uint8_t> f = form("PBM ", {hd, body});
    f[f.size() - 9] = 9; // BODY longer than the FORM
    broken.push_back(f);
    f = form("PBM ", {hd, body});
    f[7] += 2; // FORM longer than the file
    broken.push_back(f);
    const uint64_t before = PictoraAllocatedBytes();
    for (size_t i = 0; i < broken.size(); ++i) {
        TDibRecord d{};
        EXPECT_EQ(OpenDibMemory(&d, broken[i].data(), broken[i].size(), 0, nullptr, nullptr), 0)
            << i;
        EXPECT_EQ(d.Bits, nullptr);
        const std::string text = DibErrorText(&d);
        EXPECT_TRUE(text.rfind("Die Datei ist beschädigt: ", 0) == 0 ||
                    text == "Die Datei ist unvollständig")
            << i << ": " << text;
    }
    EXPECT_EQ(PictoraAllocatedBytes(), before);
    f = form("PBM ", {hd, body});
    Dib ok;
    EXPECT_EQ(OpenDibMemory(&ok.r, f.data(), f.size(), 0, nullptr, nullptr), 1); // the unbroken one
}

TEST(Ilbm, RoundTripThroughOurWriterAndNetpbm) {
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        Dib src;
        makePattern(&src.r, bpp, 35, 6);
        const std::string path =
            tempPath("oldformats_", "rt" + std::to_string(bpp) + (bpp == 8 ? ".lbm" : ".iff"));
        char err[200] = "";
        ASSERT_EQ(SaveDib(&src.r, path.c_str(), 0, 0, err, sizeof err), 1) << err;
        const std::vector<uint8_t> f = readBytes(path);
        ASSERT_GT(f.size(), 48u);
        EXPECT_EQ(be32(&f[4]), f.size() - 8);
        EXPECT_EQ(f.size() % 2, 0u);
        EXPECT_EQ(std::string(&f[12], &f[16]), "BMHD");
        EXPECT_EQ(f[28], bpp);      // planes
        EXPECT_EQ(f[30], 1);        // ByteRun1
        EXPECT_EQ(f[37], 35);       // page width
        size_t at = 12, chunks = 0; // every chunk inside the FORM, padded to even
        while (at < f.size()) {
            at += 8 + ((be32(&f[at + 4]) + 1) & ~1u);
            ++chunks;
        }
        EXPECT_EQ(at, f.size());
        EXPECT_EQ(chunks, bpp == 24 ? 2u : 3u);
        Dib back;
        ASSERT_EQ(OpenDib(&back.r, path.c_str(), 0, nullptr, nullptr), 1) << DibErrorText(&back.r);
        EXPECT_EQ(DibBitsPerPixel(&back.r), bpp);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 35; ++x)
                ASSERT_EQ(getpixel(&back.r, x, y), getpixel(&src.r, x, y));
        EXPECT_TRUE(samePixels(back.r, toRgb(src.r)));
        EXPECT_TRUE(samePixels(back.r, runToPnm("ilbmtoppm '" + path + "'")));
        std::remove(path.c_str());
    }
}

TEST(Ilbm, DamagedAndTruncatedFilesFailCleanly) {
    for (const char* name : {"c16.iff", "c16_mask.iff", "rgb24.iff", "ham6.iff", "ehb.iff"})
        expectPrefixesFail(readBytes(kDir + name), 0);

    const uint64_t before = PictoraAllocatedBytes();
    // 65535 x 65535 with 24 planes from a 64-byte BODY
    std::vector<uint8_t> hd = bmhd(0, 0, 24, 1);
    hd[0] = hd[1] = hd[2] = hd[3] = 0xFF;
    const std::vector<uint8_t> f =
        form("ILBM", {chunk("BMHD", hd), chunk("BODY", std::vector<uint8_t>(64, 0x81))});
    TDibRecord d{};
    EXPECT_EQ(OpenDibMemory(&d, f.data(), f.size(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), "Die Datei ist unvollständig");
    EXPECT_EQ(PictoraAllocatedBytes(), before);

    const std::vector<uint8_t> good = readBytes(kDir + "ham8.iff");
    PictoraSetAllocLimit(before + 1000);
    EXPECT_EQ(OpenDibMemory(&d, good.data(), good.size(), 0, nullptr, nullptr), 0);
    PictoraSetAllocLimit(0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextNoMemory);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

} // namespace

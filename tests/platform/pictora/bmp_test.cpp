// BMP reader and writer: every fixture against the picture it was made from, hand-made RLE
// streams, damaged and truncated files, the allocation limit, and saving through SaveDib.
#include "internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace pictora;

namespace {

const std::string kDir = PIXORAMA_TEST_DATA "/bmp/";

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Picture {
    int w = 0, h = 0;
    std::vector<uint32_t> px; // R + 256G + 65536B
};

Picture readPpm(const std::string& name) {
    std::ifstream in(kDir + name);
    std::string magic;
    int maxval = 0;
    Picture p;
    in >> magic >> p.w >> p.h >> maxval;
    for (int i = 0; i < p.w * p.h; ++i) {
        uint32_t r, g, b;
        in >> r >> g >> b;
        p.px.push_back(r | g << 8 | b << 16);
    }
    EXPECT_TRUE(in && magic == "P3") << name;
    return p;
}

// Colour shown at (x, y), whatever the depth; the colour table and palette must agree.
uint32_t colourAt(const TDibRecord& d, int x, int y) {
    const int32_t v = getpixel(&d, x, y);
    if (DibBitsPerPixel(&d) == 24)
        return static_cast<uint32_t>(v);
    const TPaletteEntry& e = d.Palette.palPalEntry[v];
    const TRGBQuad& q = d.Info->bmiColors[v];
    EXPECT_TRUE(e.peRed == q.rgbRed && e.peGreen == q.rgbGreen && e.peBlue == q.rgbBlue);
    return e.peRed | e.peGreen << 8 | e.peBlue << 16;
}

// A channel value after ImageMagick stored it in n bits (rounding down) and we read it back.
uint32_t through(uint32_t v, int bits) {
    const uint32_t max = (1u << bits) - 1;
    const uint32_t q = v * max / 255;
    return (q * 255 + max / 2) / max;
}

struct Dib {
    TDibRecord d{};
    ~Dib() { deldib(&d); }
    int32_t open(const std::vector<uint8_t>& f, int format = 0, PictoraProgress fn = nullptr,
                 void* user = nullptr) {
        deldib(&d);
        return OpenDibMemory(&d, f.data(), f.size(), format, fn, user);
    }
    std::string error() const { return DibErrorText(&d); }
};

// A 40-byte-header file around a colour table and pixel data.
std::vector<uint8_t> makeBmp(int w, int h, int bpp, int compression, int colours,
                             const std::vector<uint8_t>& data) {
    // one allocation of the final size: the pixel data is copied in, never appended
    const size_t header = 54 + 4 * static_cast<size_t>(colours);
    std::vector<uint8_t> f(header + data.size(), 0);
    f[0] = 'B', f[1] = 'M';
    put32(f, 10, static_cast<uint32_t>(header));
    put32(f, 14, 40);
    put32(f, 18, static_cast<uint32_t>(w));
    put32(f, 22, static_cast<uint32_t>(h));
    f[26] = 1, f[28] = static_cast<uint8_t>(bpp), f[30] = static_cast<uint8_t>(compression);
    for (int i = 0; i < colours; ++i)
        f[54 + 4 * i] = f[55 + 4 * i] = f[56 + 4 * i] = uint8_t(i);
    std::copy(data.begin(), data.end(), f.begin() + static_cast<std::ptrdiff_t>(header));
    put32(f, 2, static_cast<uint32_t>(f.size()));
    return f;
}

void expectIndices(const TDibRecord& d, const std::vector<std::vector<int>>& rows) {
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            EXPECT_EQ(getpixel(&d, int(x), int(y)), rows[y][x]) << x << "," << y;
}

} // namespace

TEST(Bmp, EveryFixtureMatchesItsSource) {
    struct Case {
        const char* file;
        const char* source;
        int bpp;
        int bits[3]; // red, green, blue bits of a 16-bit file; 0 = exact
    };
    const Case cases[] = {
        {"pal1_win3.bmp", "src_mono.ppm", 1, {}},
        {"pal1_os2.bmp", "src_mono.ppm", 1, {}},
        {"pal2_win3.bmp", "src_pal4.ppm", 4, {}},
        {"pal4_win3.bmp", "src_pal16.ppm", 4, {}},
        {"pal4_os2.bmp", "src_pal16.ppm", 4, {}},
        {"pal4_clrused.bmp", "src_pal16.ppm", 4, {}},
        {"pal4_rle4.bmp", "src_pal16.ppm", 4, {}},
        {"pal4_packed.dib", "src_pal16.ppm", 4, {}},
        {"pal8_win3.bmp", "src_pal16.ppm", 8, {}},
        {"pal8_os2.bmp", "src_pal16.ppm", 8, {}},
        {"pal8_rle8.bmp", "src_pal16.ppm", 8, {}},
        {"pal8_rle8_v5.bmp", "src_pal16.ppm", 8, {}},
        {"pal8_topdown.bmp", "src_pal16.ppm", 8, {}},
        {"rgb24_win3.bmp", "src_rgb.ppm", 24, {}},
        {"rgb24_os2.bmp", "src_rgb.ppm", 24, {}},
        {"rgb24_v4.bmp", "src_rgb.ppm", 24, {}},
        {"rgb24_v5.bmp", "src_rgb.ppm", 24, {}},
        {"rgb24_topdown.bmp", "src_rgb.ppm", 24, {}},
        {"rgb32_win3.bmp", "src_rgb.ppm", 24, {}},
        {"rgb32_bitfields_v5.bmp", "src_rgb.ppm", 24, {}},
        {"rgb32_alphabitfields.bmp", "src_rgb.ppm", 24, {}},
        {"rgb16_565_v5.bmp", "src_rgb.ppm", 24, {5, 6, 5}},
        {"rgb16_565_win3.bmp", "src_rgb.ppm", 24, {5, 6, 5}},
        {"rgb16_555_v5.bmp", "src_rgb.ppm", 24, {5, 5, 5}},
        {"rgb16_555_win3.bmp", "src_rgb.ppm", 24, {5, 5, 5}},
        {"argb16_1555_v5.bmp", "src_rgb.ppm", 24, {5, 5, 5}},
        {"argb16_4444_v5.bmp", "src_rgb.ppm", 24, {4, 4, 4}},
    };
    for (const Case& c : cases) {
        const Picture src = readPpm(c.source);
        for (int format : {0, 3}) {
            SCOPED_TRACE(std::string(c.file) + " format " + std::to_string(format));
            Dib dib;
            ASSERT_EQ(OpenDib(&dib.d, (kDir + c.file).c_str(), format, nullptr, nullptr), 1)
                << dib.error();
            ASSERT_EQ(DibWidth(&dib.d), src.w);
            ASSERT_EQ(DibHeight(&dib.d), src.h);
            ASSERT_EQ(DibBitsPerPixel(&dib.d), c.bpp);
            if (c.bpp <= 8) {
                EXPECT_NE(dib.d.PaletteHandle, nullptr);
            }
            int wrong = 0;
            for (int y = 0; y < src.h; ++y)
                for (int x = 0; x < src.w; ++x) {
                    uint32_t want = src.px[y * src.w + x];
                    if (c.bits[0] != 0)
                        want = through(want & 0xFF, c.bits[0]) |
                               through(want >> 8 & 0xFF, c.bits[1]) << 8 |
                               through(want >> 16, c.bits[2]) << 16;
                    wrong += colourAt(dib.d, x, y) != want;
                }
            EXPECT_EQ(wrong, 0);
        }
    }
    // the 2-bit file's four colours, the rest of the 4-bit table black
    Dib two;
    ASSERT_EQ(two.open(readFile(kDir + "pal2_win3.bmp")), 1);
    EXPECT_EQ(two.d.Palette.palPalEntry[3].peRed, 99);
    for (int i = 4; i < 16; ++i)
        EXPECT_EQ(two.d.Info->bmiColors[i].rgbRed | two.d.Info->bmiColors[i].rgbGreen |
                      two.d.Info->bmiColors[i].rgbBlue,
                  0);
}

TEST(Bmp, RleCornersAndSkippedPixels) {
    // RLE8, 8 x 4: run, absolute run with padding, run clipped at the row end, end of line,
    // delta, end of bitmap; skipped pixels stay 0
    Dib a;
    const std::vector<uint8_t> rle8 = {3, 5, 0, 3, 1, 2, 3, 0, 5, 9, 0, 0, 0, 2, 2, 1, 2, 7, 0, 1};
    ASSERT_EQ(a.open(makeBmp(8, 4, 8, 1, 16, rle8)), 1) << a.error();
    expectIndices(a.d, {{0, 0, 0, 0, 0, 0, 0, 0},
                        {0, 0, 7, 7, 0, 0, 0, 0},
                        {0, 0, 0, 0, 0, 0, 0, 0},
                        {5, 5, 5, 1, 2, 3, 9, 9}});
    // RLE4, 7 x 2: odd absolute run padded to a word, alternating run clipped, then a short row
    Dib b;
    const std::vector<uint8_t> rle4 = {0, 5, 0x12, 0x34, 0x50, 0, 4, 0x67, 0, 0, 2, 0xAB, 0, 1};
    ASSERT_EQ(b.open(makeBmp(7, 2, 4, 2, 16, rle4)), 1) << b.error();
    expectIndices(b.d, {{10, 11, 0, 0, 0, 0, 0}, {1, 2, 3, 4, 5, 6, 7}});

    // streams that stop before the last row without end of bitmap, or inside an absolute run
    for (const std::vector<uint8_t>& bad :
         {std::vector<uint8_t>{3, 5, 0, 0}, std::vector<uint8_t>{0, 9, 1, 2, 3},
          std::vector<uint8_t>{0, 2, 1}}) {
        Dib c;
        EXPECT_EQ(c.open(makeBmp(8, 4, 8, 1, 16, bad)), 0);
        EXPECT_EQ(c.error(), "Die Datei ist beschädigt: Bilddaten unvollständig");
        EXPECT_EQ(c.d.Bits, nullptr);
    }
    // a delta far past the image ends it; what follows is never written
    Dib d;
    ASSERT_EQ(d.open(makeBmp(8, 4, 8, 1, 16, {1, 4, 0, 2, 255, 255, 9, 9})), 1);
    EXPECT_EQ(getpixel(&d.d, 0, 3), 4);
    EXPECT_EQ(getpixel(&d.d, 1, 3), 0);
}

TEST(Bmp, TruncatedAndDamagedFilesFail) {
    // every prefix: the last row may lack its padding (1 byte here), nothing more
    const auto pal4 = readFile(kDir + "pal4_win3.bmp");
    const auto rle8 = readFile(kDir + "pal8_rle8.bmp"); // ends with end of line, end of bitmap
    const auto rle4 = readFile(kDir + "pal4_rle4.bmp");
    const auto rgb16 = readFile(kDir + "rgb16_565_win3.bmp");
    for (const auto* f : {&pal4, &rle8, &rle4, &rgb16}) {
        // the others miss 2 bytes of padding or their end-of-bitmap code at that length
        const size_t complete = f->size() - (f == &pal4 ? 1 : 2);
        for (size_t n = 1; n <= f->size(); ++n) {
            Dib dib;
            const std::vector<uint8_t> part(f->begin(), f->begin() + n);
            const int ok = dib.open(part);
            ASSERT_EQ(ok, n >= complete ? 1 : 0) << n;
            if (!ok) {
                EXPECT_TRUE(dib.d.Bits == nullptr && !dib.error().empty()) << n;
            }
        }
    }

    // damaged header fields of a 24-bit file
    const auto good = readFile(kDir + "rgb24_win3.bmp");
    struct Damage {
        size_t at;
        uint32_t value;
        const char* text;
    };
    const std::string bad = "Die Datei ist beschädigt: ";
    const Damage damages[] = {
        {18, 0, "ungültige Bildgröße"},
        {18, (1u << 20) + 1, "ungültige Bildgröße"},
        {22, 0, "ungültige Bildgröße"},
        {22, 0x80000000u, "ungültige Bildgröße"},
        {26, 2 | 24u << 16, "ungültige Anzahl der Farbebenen"},
        {26, 1 | 3u << 16, "ungültige Farbtiefe"},
        {30, 9, "unbekannte Kompression"},
        {30, 4, "unbekannte Kompression"},
        {30, 1, "Kompression passt nicht zur Farbtiefe"},
        {14, 200, nullptr},
        {14, 0, nullptr},
    };
    for (const Damage& dm : damages) {
        auto f = good;
        put32(f, dm.at, dm.value);
        Dib dib;
        EXPECT_EQ(dib.open(f, 3), 0);
        EXPECT_EQ(dib.d.Bits, nullptr);
        EXPECT_EQ(dib.error(), dm.text ? bad + dm.text
                                       : std::string("Die Datei ist keine gültige Bitmap-Datei"));
    }

    // a size beyond what the machine can hold is a shortage, a possible size with a tiny file
    // is a truncated file: both refused before anything is allocated
    auto huge = good;
    put32(huge, 18, 1000000);
    put32(huge, 22, 1000000);
    const uint64_t before = PictoraAllocatedBytes();
    PictoraSetAllocLimit(before + (1u << 20));
    Dib dib;
    EXPECT_EQ(dib.open(huge), 0);
    EXPECT_EQ(dib.error(), pictora::kTextNoMemory);
    put32(huge, 18, 3000);
    put32(huge, 22, 2000);
    EXPECT_EQ(dib.open(huge), 0);
    EXPECT_EQ(dib.error(), bad + "Bilddaten unvollständig");
    PictoraSetAllocLimit(0);
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(Bmp, AllocationLimitGivesMemoryTextAndFreesAll) {
    for (const char* file : {"rgb24_win3.bmp", "pal8_rle8.bmp", "pal4_packed.dib"}) {
        const auto f = readFile(kDir + file);
        const uint64_t before = PictoraAllocatedBytes();
        PictoraSetAllocLimit(before + sizeof(TBitmapInfo) + 16); // the info block, no pixels
        Dib dib;
        EXPECT_EQ(dib.open(f), 0) << file;
        PictoraSetAllocLimit(0);
        EXPECT_EQ(dib.error(), kTextNoMemory);
        EXPECT_EQ(dib.d.Bits, nullptr);
        EXPECT_EQ(PictoraAllocatedBytes(), before);
    }
}

TEST(Bmp, OffsetsTablesAndPackedDibs) {
    const auto good = readFile(kDir + "rgb24_win3.bmp");
    Dib ref;
    ASSERT_EQ(ref.open(good), 1);
    auto same = [&](const TDibRecord& d) {
        int wrong = 0;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 11; ++x)
                wrong += getpixel(&d, x, y) != getpixel(&ref.d, x, y);
        return wrong == 0;
    };
    // a gap before the pixels is honoured; an impossible offset falls back to after the table
    auto gap = good;
    gap.insert(gap.begin() + 54, 10, 0xEE);
    put32(gap, 10, 64);
    for (uint32_t off : {64u, 0u, 999999u}) {
        auto f = off == 64 ? gap : good;
        put32(f, 10, off);
        Dib dib;
        ASSERT_EQ(dib.open(f), 1) << off;
        EXPECT_TRUE(same(dib.d)) << off;
    }
    // biClrUsed 3: the other colours are black
    auto pal8 = readFile(kDir + "pal8_win3.bmp");
    put32(pal8, 46, 3);
    Dib shortTable;
    ASSERT_EQ(shortTable.open(pal8), 1);
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = i < 3 ? pal8[54 + 4 * i] | pal8[55 + 4 * i] << 8 : 0;
        const TRGBQuad& q = shortTable.d.Info->bmiColors[i];
        EXPECT_EQ(uint32_t(q.rgbBlue | q.rgbGreen << 8), c) << i;
    }
    // packed DIBs: a clipboard block and a 16-bit one whose masks sit in a V5 header
    const auto packed = readFile(kDir + "pal4_packed.dib");
    const auto v5 = readFile(kDir + "rgb16_565_v5.bmp");
    const std::vector<uint8_t> packedV5(v5.begin() + 14, v5.end());
    EXPECT_TRUE(sniffBmp(packed.data(), packed.size()));
    EXPECT_TRUE(sniffBmp(packedV5.data(), packedV5.size()));
    Dib a, b, c;
    ASSERT_EQ(a.open(packed, 4), 1) << a.error();
    ASSERT_EQ(b.open(readFile(kDir + "pal4_win3.bmp")), 1);
    ASSERT_EQ(c.open(packedV5), 1) << c.error();
    EXPECT_EQ(DibWidth(&c.d), 11);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(colourAt(a.d, x, y), colourAt(b.d, x, y));
    // not a DIB: a PNG signature, a 40-byte header with width 0
    const uint8_t png[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    std::vector<uint8_t> zeroWidth(packed);
    put32(zeroWidth, 4, 0);
    EXPECT_FALSE(sniffBmp(png, sizeof(png)));
    EXPECT_FALSE(sniffBmp(zeroWidth.data(), zeroWidth.size()));
}

TEST(Bmp, ProgressRisesToHundred) {
    TDibRecord tall{};
    ASSERT_EQ(newdib(&tall, 3, 300, 24, nullptr, 0), 1);
    std::vector<uint8_t> f;
    std::string error;
    ASSERT_TRUE(encodeBmp(tall, 0, f, error));
    deldib(&tall);
    std::vector<int> seen;
    Dib dib;
    ASSERT_EQ(dib.open(
                  f, 0, [](int32_t p, void* u) { static_cast<std::vector<int>*>(u)->push_back(p); },
                  &seen),
              1);
    ASSERT_GE(seen.size(), 90u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 100);
}

TEST(Bmp, SaveDibRoundTripAndFileLayout) {
    const fs::path dir = fs::temp_directory_path() / ("bmp_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        Dib src;
        ASSERT_EQ(newdib(&src.d, 13, 5, bpp, nullptr, 0), 1);
        const int colours = bpp <= 8 ? 1 << bpp : 0;
        for (int i = 0; i < colours; ++i)
            DibSetPaletteColor(&src.d, i, uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11));
        DibUpdatePaletteHandle(&src.d);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                setpixel(&src.d, x, y,
                         bpp == 24 ? (x * 1234567 + y * 7654321) & 0xFFFFFF
                                   : (x * 7 + y * 3 + x * y) % colours);
        src.d.Info->bmiHeader.biXPelsPerMeter = bpp == 8 ? 3780 : 0;
        const std::string path = (dir / "out.bmp").string();
        char error[200] = "";
        ASSERT_EQ(SaveDib(&src.d, path.c_str(), 0, 0, error, sizeof(error)), 1) << error;

        const auto f = readFile(path);
        const uint32_t stride = (13 * bpp + 31) / 32 * 4;
        auto u32 = [&](size_t at) {
            return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
        };
        EXPECT_EQ(u32(2), f.size());
        EXPECT_EQ(u32(10), 54u + 4 * colours);
        EXPECT_EQ(u32(14), 40u);
        EXPECT_EQ(u32(34), stride * 5);
        EXPECT_EQ(u32(38), bpp == 8 ? 3780u : 2835u);
        EXPECT_EQ(f.size(), 54u + 4 * colours + stride * 5);

        Dib back;
        ASSERT_EQ(OpenDib(&back.d, path.c_str(), 3, nullptr, nullptr), 1) << back.error();
        ASSERT_EQ(DibBitsPerPixel(&back.d), bpp);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(getpixel(&back.d, x, y), getpixel(&src.d, x, y));
        for (int i = 0; i < colours; ++i) {
            const TPaletteEntry &p = src.d.Palette.palPalEntry[i],
                                &q = back.d.Palette.palPalEntry[i];
            ASSERT_TRUE(p.peRed == q.peRed && p.peGreen == q.peGreen && p.peBlue == q.peBlue) << i;
        }
    }

    // a missing folder: message, nothing written
    Dib img;
    ASSERT_EQ(newdib(&img.d, 5, 3, 8, nullptr, 0), 1);
    char error[200] = "";
    const fs::path missing = dir / "nicht_da" / "x.bmp";
    EXPECT_EQ(SaveDib(&img.d, missing.c_str(), 3, 0, error, sizeof(error)), 0);
    EXPECT_NE(error[0], '\0');
    EXPECT_FALSE(fs::exists(missing.parent_path()));

    // an existing file is replaced only by a save that succeeds
    const fs::path target = dir / "keep.bmp";
    std::ofstream(target) << "old";
    img.d.Info->bmiHeader.biBitCount = 16; // a record no BMP can hold
    error[0] = '\0';
    EXPECT_EQ(SaveDib(&img.d, target.c_str(), 3, 0, error, sizeof(error)), 0);
    EXPECT_NE(error[0], '\0');
    EXPECT_EQ(readFile(target.string()), std::vector<uint8_t>({'o', 'l', 'd'}));
    img.d.Info->bmiHeader.biBitCount = 8;
    EXPECT_EQ(SaveDib(&img.d, target.c_str(), 3, 0, error, sizeof(error)), 1);
    EXPECT_EQ(readFile(target.string()).size(), 54u + 1024 + 8 * 3);
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 2); // out.bmp and keep.bmp, no temporary left behind
    fs::remove_all(dir);
}

namespace {

// Pages of mapped files in this process (the third field of /proc/self/statm counts them).
long filePagesInMemory() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0, shared = 0;
    in >> size >> resident >> shared;
    return shared;
}

struct LargeBmp {
    TDibRecord img{};
    std::vector<uint8_t> bytes;
    std::string path;
    LargeBmp() { // 12 MB, three times the reader's release step
        EXPECT_EQ(newdib(&img, 2000, 2000, 24, nullptr, 0), 1);
        for (uint32_t i = 0; i < img.Info->bmiHeader.biSizeImage; ++i)
            img.Bits[i] = static_cast<uint8_t>(i * 131 + (i >> 11));
        std::string error;
        EXPECT_TRUE(encodeBmp(img, 0, bytes, error)) << error;
        path = testing::TempDir() + "large_" + std::to_string(getpid()) + ".bmp";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~LargeBmp() {
        deldib(&img);
        std::remove(path.c_str());
    }
    bool samePixels(const TDibRecord& d) const {
        return d.Info->bmiHeader.biSizeImage == img.Info->bmiHeader.biSizeImage &&
               std::equal(img.Bits, img.Bits + img.Info->bmiHeader.biSizeImage, d.Bits);
    }
};

} // namespace

TEST(Bmp, ReadRowsOfTheOwnMappingAreGivenBackButNeverTheCallersBuffer) {
    LargeBmp big;
    const long pageBytes = sysconf(_SC_PAGESIZE);
    struct Watch {
        long before, most;
    } watch{filePagesInMemory(), 0};
    Dib opened;
    ASSERT_EQ(OpenDib(
                  &opened.d, big.path.c_str(), 0,
                  [](int32_t, void* user) {
                      auto* w = static_cast<Watch*>(user);
                      w->most = std::max(w->most, filePagesInMemory() - w->before);
                  },
                  &watch),
              1);
    EXPECT_TRUE(big.samePixels(opened.d));
    // never more than a release step or two of the 12 MB file held at once
    EXPECT_LT(watch.most * pageBytes, 9l << 20) << watch.most;
    EXPECT_GT(watch.most * pageBytes, 1l << 20) << watch.most; // the file was read through it

    // a caller's buffer is read, never dropped: giving its pages back would zero them
    const std::vector<uint8_t> copy = big.bytes;
    Dib fromMemory;
    ASSERT_EQ(fromMemory.open(big.bytes, 0, nullptr, nullptr), 1);
    EXPECT_TRUE(big.samePixels(fromMemory.d));
    EXPECT_TRUE(big.bytes == copy);
}

TEST(Bmp, AFileCutShortAfterPagesWereGivenBackStillFails) {
    LargeBmp big;
    struct Cut {
        std::string path;
        bool done = false;
    } cut{big.path};
    Dib d;
    EXPECT_EQ(OpenDib(
                  &d.d, big.path.c_str(), 0,
                  [](int32_t pct, void* user) {
                      auto* c = static_cast<Cut*>(user);
                      if (pct >= 60 && !c->done) // well behind the first release
                          c->done = ::truncate(c->path.c_str(), 4 << 20) == 0;
                  },
                  &cut),
              0);
    EXPECT_TRUE(cut.done);
    EXPECT_STREQ(DibErrorText(&d.d), kTextTruncated);
}

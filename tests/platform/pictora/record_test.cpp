// The image record: layout, accessors, creation and freeing, palettes, the allocation limit.
#include "internal.h"
#include "pictora_nearest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
std::atomic<int> gUmaskChanges{0};
} // namespace

// Every umask() call of this program lands here, the library's included (the program's own
// definition wins over the C library's), so a save that changes the mask even for a moment shows.
extern "C" mode_t umask(mode_t mask) noexcept {
    const auto old = static_cast<mode_t>(::syscall(SYS_umask, mask));
    if (old != mask)
        ++gUmaskChanges;
    return old;
}

namespace {

struct LimitGuard {
    explicit LimitGuard(uint64_t bytes) { PictoraSetAllocLimit(bytes); }
    ~LimitGuard() { PictoraSetAllocLimit(0); }
};

TEST(Record, FieldOrderAndWidths) {
    // pointers are native; the other fields keep their 32-bit widths and their order
    EXPECT_EQ(offsetof(TDibRecord, Info), 0u);
    EXPECT_LT(offsetof(TDibRecord, Info), offsetof(TDibRecord, DibHandle));
    EXPECT_LT(offsetof(TDibRecord, DibHandle), offsetof(TDibRecord, Bits));
    EXPECT_LT(offsetof(TDibRecord, Bits), offsetof(TDibRecord, LineBytes));
    EXPECT_LT(offsetof(TDibRecord, LineBytes), offsetof(TDibRecord, HasPalette));
    EXPECT_LT(offsetof(TDibRecord, HasPalette), offsetof(TDibRecord, Palette));
    EXPECT_LT(offsetof(TDibRecord, Palette), offsetof(TDibRecord, PaletteHandle));
    EXPECT_EQ(sizeof(TDibRecord::DibHandle), 4u);
    EXPECT_EQ(sizeof(TDibRecord::LineBytes), 4u);
    EXPECT_EQ(sizeof(TDibRecord::HasPalette), 1u);
    EXPECT_EQ(sizeof(TLogPalette), 1028u);
    EXPECT_EQ(sizeof(TBitmapInfoHeader), 40u);
    EXPECT_EQ(offsetof(TBitmapInfoHeader, biWidth), 4u);
    EXPECT_EQ(offsetof(TBitmapInfoHeader, biHeight), 8u);
    EXPECT_EQ(offsetof(TBitmapInfoHeader, biBitCount), 14u);
    EXPECT_EQ(offsetof(TBitmapInfoHeader, biSizeImage), 20u);
    EXPECT_EQ(offsetof(TBitmapInfo, bmiColors), 40u);
}

TEST(Record, PowerOfTwoAndColourCount) {
    EXPECT_EQ(PowerOfTwo(-3), 1);
    EXPECT_EQ(PowerOfTwo(0), 1);
    EXPECT_EQ(PowerOfTwo(1), 2);
    EXPECT_EQ(PowerOfTwo(8), 256);
    EXPECT_EQ(PowerOfTwo(24), 16777216);
    const int depths[] = {1, 4, 8, 24};
    const int counts[] = {2, 16, 256, 16777216};
    for (int i = 0; i < 4; ++i) {
        TDibRecord d;
        ASSERT_TRUE(newdib(&d, 3, 2, depths[i], nullptr, 0));
        EXPECT_EQ(DibColorCount(&d), counts[i]);
        EXPECT_EQ(DibBitsPerPixel(&d), depths[i]);
        deldib(&d);
    }
}

TEST(Record, NewDibSizesAndZeroFill) {
    struct Case {
        int w, h, bpp, line;
    } cases[] = {{1, 1, 1, 4}, {33, 2, 1, 8}, {9, 3, 4, 8}, {5, 4, 8, 8}, {5, 3, 24, 16},
                 {640, 480, 24, 1920}};
    for (const Case& c : cases) {
        TDibRecord d;
        ASSERT_EQ(newdib(&d, c.w, c.h, c.bpp, nullptr, 0), 1);
        EXPECT_NE(d.DibHandle, 0u);
        EXPECT_EQ(DibWidth(&d), c.w);
        EXPECT_EQ(DibHeight(&d), c.h);
        EXPECT_EQ(DibLineBytes(&d), c.line) << c.w << "x" << c.bpp;
        EXPECT_EQ(d.Info->bmiHeader.biSizeImage, static_cast<uint32_t>(c.line * c.h));
        EXPECT_EQ(d.Info->bmiHeader.biSize, 40u);
        EXPECT_EQ(d.Palette.palVersion, 0x300);
        EXPECT_EQ(d.Palette.palNumEntries, c.bpp <= 8 ? (1 << c.bpp) : 0);
        EXPECT_EQ(d.HasPalette, c.bpp <= 8 ? 1 : 0);
        EXPECT_EQ(d.PaletteHandle != nullptr, c.bpp <= 8);
        for (uint32_t i = 0; i < d.Info->bmiHeader.biSizeImage; ++i) ASSERT_EQ(d.Bits[i], 0);
        deldib(&d);
        EXPECT_EQ(d.Bits, nullptr);
    }
    // 640 x 480 x 24 is the 900 KByte of the status line
    TDibRecord d;
    newdib(&d, 640, 480, 24, nullptr, 0);
    EXPECT_EQ(d.Info->bmiHeader.biSizeImage / 1024, 900u);
    deldib(&d);
}

TEST(Record, NewDibRefusesBadArguments) {
    TDibRecord d;
    const int bad[][3] = {{0, 5, 8},  {5, 0, 8},        {-1, 5, 8},      {5, 5, 2},
                          {5, 5, 16}, {5, 5, 32},       {1 << 21, 1, 8}, {100000, 100000, 24}};
    for (const auto& b : bad) {
        std::memset(&d, 0xAB, sizeof(d));
        EXPECT_EQ(newdib(&d, b[0], b[1], b[2], nullptr, 0), 0);
        EXPECT_EQ(d.Bits, nullptr);
        EXPECT_EQ(d.DibHandle, 0u);
        deldib(&d); // harmless on a failed record
    }
    deldib(nullptr);
}

TEST(Record, ColourTableCopiedAndMirrored) {
    TBitmapInfo info{};
    for (int i = 0; i < 16; ++i)
        info.bmiColors[i] = TRGBQuad{static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i),
                                     static_cast<uint8_t>(3 * i), 99};
    TDibRecord d;
    ASSERT_TRUE(newdib(&d, 4, 4, 4, &info, 16));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(d.Info->bmiColors[i].rgbBlue, i);
        EXPECT_EQ(d.Info->bmiColors[i].rgbRed, 3 * i);
        EXPECT_EQ(d.Palette.palPalEntry[i].peRed, 3 * i);
        EXPECT_EQ(d.Palette.palPalEntry[i].peGreen, 2 * i);
        EXPECT_EQ(d.Palette.palPalEntry[i].peBlue, i);
    }
    EXPECT_EQ(GetNearestPaletteIndex(d.PaletteHandle, 3 * 5 + 256 * 10 + 65536 * 5), 5u);
    deldib(&d);

    // without a table: black and white for 1 bit, a grey ramp for 8 bits
    ASSERT_TRUE(newdib(&d, 2, 2, 1, nullptr, 0));
    EXPECT_EQ(d.Palette.palPalEntry[0].peRed, 0);
    EXPECT_EQ(d.Palette.palPalEntry[1].peRed, 255);
    deldib(&d);
    ASSERT_TRUE(newdib(&d, 2, 2, 8, nullptr, 0));
    EXPECT_EQ(d.Palette.palPalEntry[128].peGreen, 128);
    deldib(&d);
}

TEST(Record, PaletteChangeWritesBothCopiesAndNewHandle) {
    TDibRecord d;
    ASSERT_TRUE(newdib(&d, 2, 2, 8, nullptr, 0));
    HPALETTE before = d.PaletteHandle;
    DibSetPaletteColor(&d, 7, 10, 20, 30);
    DibUpdatePaletteHandle(&d);
    EXPECT_EQ(d.Info->bmiColors[7].rgbBlue, 30);
    EXPECT_EQ(d.Info->bmiColors[7].rgbGreen, 20);
    EXPECT_EQ(d.Info->bmiColors[7].rgbRed, 10);
    EXPECT_EQ(d.Palette.palPalEntry[7].peRed, 10);
    EXPECT_EQ(d.Palette.palPalEntry[7].peBlue, 30);
    EXPECT_NE(d.PaletteHandle, nullptr);
    (void)before; // the old handle is gone; the new one answers with the new colour
    EXPECT_EQ(GetNearestPaletteIndex(d.PaletteHandle, 10 + 256 * 20 + 65536 * 30), 7u);
    deldib(&d);
}

TEST(Record, AllocationLimitFailsCleanly) {
    const uint64_t before = PictoraAllocatedBytes();
    {
        LimitGuard limit(before + 200000);
        TDibRecord small, big;
        EXPECT_TRUE(newdib(&small, 100, 100, 8, nullptr, 0));
        EXPECT_FALSE(newdib(&big, 1000, 1000, 24, nullptr, 0));
        EXPECT_EQ(big.Bits, nullptr);
        deldib(&big);
        deldib(&small);
    }
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

// Large pixel blocks freed are kept for the next image of about that size: a kept block handed
// to newdib must come back cleared, and the accounting and limit see only live images.
TEST(Record, ReusedLargeBlocksAreClearedAndAccounted) {
    const uint64_t before = PictoraAllocatedBytes();
    for (int round = 0; round < 3; ++round) {
        TDibRecord a, b;
        ASSERT_TRUE(newdib_unfilled(&a, 2000, 1000, 24, nullptr, 0));
        ASSERT_TRUE(newdib_unfilled(&b, 2004, 1004, 24, nullptr, 0));
        std::memset(a.Bits, 0x5A, a.Info->bmiHeader.biSizeImage);
        std::memset(b.Bits, 0xA5, b.Info->bmiHeader.biSizeImage);
        deldib(&a);
        deldib(&b);
        EXPECT_EQ(PictoraAllocatedBytes(), before);
        TDibRecord c;
        ASSERT_TRUE(newdib(&c, 2000 - 100 * round, 1000, 24, nullptr, 0));
        const uint8_t* p = c.Bits;
        const uint32_t n = c.Info->bmiHeader.biSizeImage;
        EXPECT_EQ(std::count(p, p + n, uint8_t{0}), static_cast<std::ptrdiff_t>(n)) << round;
        deldib(&c);
    }
    {
        // kept blocks do not count against the limit, and do not let an image past it
        LimitGuard limit(before + 1000000);
        TDibRecord big;
        EXPECT_FALSE(newdib_unfilled(&big, 2000, 1000, 24, nullptr, 0));
    }
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

TEST(Pixels, PixelValueConventions) {
    TDibRecord d;
    ASSERT_TRUE(newdib(&d, 3, 2, 24, nullptr, 0));
    setpixel(&d, 0, 0, 255);      // pure red
    setpixel(&d, 1, 0, 16711680); // pure blue
    // (0, 0) is the first pixel of the last buffer row, stored blue, green, red
    const uint8_t* top = d.Bits + d.LineBytes;
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[2], 255);
    EXPECT_EQ(top[3], 255);
    EXPECT_EQ(top[5], 0);
    EXPECT_EQ(getpixel(&d, 0, 0), 255);
    EXPECT_EQ(getpixel(&d, 1, 0), 16711680);
    deldib(&d);

    ASSERT_TRUE(newdib(&d, 3, 1, 4, nullptr, 0));
    setpixel(&d, 0, 0, 0xA);
    setpixel(&d, 1, 0, 0x5);
    EXPECT_EQ(d.Bits[0], 0xA5); // left pixel in the high nibble
    EXPECT_EQ(getpixel(&d, 1, 0), 5);
    deldib(&d);

    ASSERT_TRUE(newdib(&d, 10, 1, 1, nullptr, 0));
    setpixel(&d, 0, 0, 1);
    setpixel(&d, 9, 0, 1);
    EXPECT_EQ(d.Bits[0], 0x80);
    EXPECT_EQ(d.Bits[1], 0x40);
    deldib(&d);
}

TEST(Pixels, OutsideTheImageIsHarmless) {
    // the buffer is exactly biSizeImage bytes; ASan would see any stray access
    for (int bpp : {1, 4, 8, 24}) {
        TDibRecord d;
        ASSERT_TRUE(newdib(&d, 5, 3, bpp, nullptr, 0));
        const int pts[][2] = {{-1, 0}, {0, -1}, {5, 0}, {0, 3}, {INT32_MIN, 0}, {0, INT32_MAX}};
        for (const auto& p : pts) {
            setpixel(&d, p[0], p[1], 1);
            EXPECT_EQ(getpixel(&d, p[0], p[1]), 0);
        }
        for (uint32_t i = 0; i < d.Info->bmiHeader.biSizeImage; ++i) ASSERT_EQ(d.Bits[i], 0);
        deldib(&d);
    }
    TDibRecord empty{};
    setpixel(&empty, 0, 0, 1);
    EXPECT_EQ(getpixel(&empty, 0, 0), 0);
}

TEST(Pixels, RecordOverForeignMemory) {
    // callers build records over memory they own with only Info, Bits and LineBytes set
    TBitmapInfo info{};
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biBitCount = 8;
    uint8_t buffer[8] = {};
    TDibRecord d;
    std::memset(&d, 0x5A, sizeof(d));
    d.Info = &info;
    d.Bits = buffer;
    d.LineBytes = 4;
    setpixel(&d, 1, 0, 42);
    EXPECT_EQ(buffer[5], 42); // top row is the second buffer row
    EXPECT_EQ(getpixel(&d, 1, 0), 42);
}

TEST(Palette, AcceleratorAgreesWithPlainScan) {
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        TLogPalette pal{};
        pal.palVersion = 0x300;
        const int n = round == 0 ? 1 : (round == 1 ? 2 : 1 + static_cast<int>(rng() % 256));
        pal.palNumEntries = static_cast<uint16_t>(n);
        for (int i = 0; i < n; ++i) {
            // clustered palettes and duplicates make ties likely
            const uint32_t c = rng();
            const uint8_t q = round % 3 == 0 ? 0x3F : 0xFF;
            pal.palPalEntry[i] = TPaletteEntry{static_cast<uint8_t>(c & q),
                                               static_cast<uint8_t>((c >> 8) & q),
                                               static_cast<uint8_t>((c >> 16) & q), 0};
            if (i > 0 && rng() % 8 == 0) pal.palPalEntry[i] = pal.palPalEntry[i - 1];
        }
        HPALETTE h = CreatePalette(&pal);
        if (round < 3) {
            // a dense grid reaches every fine cell of the accelerator, borders included
            for (int r = 0; r < 256; r += 3)
                for (int g = 1; g < 256; g += 3)
                    for (int b = 2; b < 256; b += 3) {
                        const uint32_t colour = r | (g << 8) | (b << 16);
                        ASSERT_EQ(GetNearestPaletteIndex(h, colour),
                                  GetNearestPaletteIndexScan(h, colour))
                            << "round " << round << " colour " << colour;
                    }
        }
        for (int k = 0; k < 20000; ++k) {
            const uint32_t colour = rng() & 0xFFFFFF;
            ASSERT_EQ(GetNearestPaletteIndex(h, colour), GetNearestPaletteIndexScan(h, colour))
                << "round " << round << " colour " << colour;
        }
        DeleteObject(h);
    }
}

TEST(Palette, AcceleratorOnGridPalettesWithManyCandidates) {
    // lower corners of a 16-step grid, as popularity palettes have them: cells on the grid's
    // boundaries hold up to eight equally near entries, and duplicates add more
    for (int variant = 0; variant < 2; ++variant) {
        TLogPalette pal{};
        pal.palVersion = 0x300;
        pal.palNumEntries = 256;
        for (int i = 0; i < 256; ++i) {
            const int step = variant == 0 ? 16 : 32;
            pal.palPalEntry[i] = TPaletteEntry{static_cast<uint8_t>((i % 8) * step),
                                               static_cast<uint8_t>(((i / 8) % 8) * step),
                                               static_cast<uint8_t>((i / 64) * step), 0};
            if (variant == 1 && i >= 128) pal.palPalEntry[i] = pal.palPalEntry[i - 128];
        }
        HPALETTE h = CreatePalette(&pal);
        for (int r = 0; r < 256; r += 2)
            for (int g = 1; g < 256; g += 3)
                for (int b = 0; b < 256; b += 5) {
                    const uint32_t colour = r | (g << 8) | (b << 16);
                    ASSERT_EQ(GetNearestPaletteIndex(h, colour), GetNearestPaletteIndexScan(h, colour))
                        << "variant " << variant << " colour " << colour;
                }
        DeleteObject(h);
    }
}

TEST(Palette, TiesGoToTheLowestIndex) {
    TLogPalette pal{};
    pal.palVersion = 0x300;
    pal.palNumEntries = 3;
    pal.palPalEntry[0] = {10, 0, 0, 0};
    pal.palPalEntry[1] = {0, 0, 0, 0};
    pal.palPalEntry[2] = {0, 0, 0, 0};
    HPALETTE h = CreatePalette(&pal);
    EXPECT_EQ(GetNearestPaletteIndex(h, 0), 1u);
    EXPECT_EQ(GetNearestPaletteIndex(h, 5), 0u); // 5 from both 0 and 10: index 0 wins
    EXPECT_EQ(GetNearestPaletteIndex(nullptr, 5), 0u);
    DeleteObject(h);
    DeleteObject(nullptr);
}

namespace {

// Nearest entry by the rule itself: least squared distance, the lowest index on ties.
uint32_t plainNearest(const TLogPalette& pal, uint32_t colour) {
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    int best = INT32_MAX;
    uint32_t bestIndex = 0;
    for (int i = 0; i < pal.palNumEntries; ++i) {
        const TPaletteEntry& e = pal.palPalEntry[i];
        const int d = (e.peRed - r) * (e.peRed - r) + (e.peGreen - g) * (e.peGreen - g) +
                      (e.peBlue - b) * (e.peBlue - b);
        if (d < best) {
            best = d;
            bestIndex = static_cast<uint32_t>(i);
        }
    }
    return bestIndex;
}

} // namespace

// One query in every fine cell of the accelerator, then random colours: a random 256-colour
// palette has more cells with several candidates than there are answer tables, so the cells
// looked at last are answered from the coarse lists; a grid palette with duplicates has ties
// on every cell border.  Rows through the batch call agree too.
TEST(Palette, EveryFineCellAndTheBatchCallAgreeWithTheRule) {
    std::mt19937 rng(11);
    for (int variant = 0; variant < 3; ++variant) {
        TLogPalette pal{};
        pal.palVersion = 0x300;
        pal.palNumEntries = variant == 2 ? 37 : 256;
        for (int i = 0; i < pal.palNumEntries; ++i) {
            const uint32_t c = variant == 1 ? (rng() & 0xE0E0E0) : rng();
            pal.palPalEntry[i] = TPaletteEntry{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                               static_cast<uint8_t>(c >> 16), 0};
            if (variant == 1 && i > 0 && rng() % 4 == 0)
                pal.palPalEntry[i] = pal.palPalEntry[rng() % static_cast<uint32_t>(i)];
        }
        HPALETTE h = CreatePalette(&pal);
        for (uint32_t cell = 0; cell < 64 * 64 * 64; ++cell) {
            const uint32_t r = ((cell >> 12) << 2) | (rng() & 3), g = (((cell >> 6) & 63) << 2) | (rng() & 3),
                           b = ((cell & 63) << 2) | (rng() & 3);
            const uint32_t colour = r | (g << 8) | (b << 16);
            ASSERT_EQ(GetNearestPaletteIndex(h, colour), plainNearest(pal, colour))
                << "variant " << variant << " colour " << colour;
        }
        std::vector<uint8_t> row(3 * 5000), got(5000);
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = i > 3 && rng() % 3 == 0 ? row[i - 3] : static_cast<uint8_t>(rng()); // repeats
        GetNearestPaletteIndicesBgr(h, row.data(), 5000, got.data());
        for (size_t i = 0; i < got.size(); ++i) {
            const uint32_t colour = row[3 * i + 2] | (row[3 * i + 1] << 8) | (row[3 * i] << 16);
            ASSERT_EQ(got[i], plainNearest(pal, colour)) << "variant " << variant << " pixel " << i;
            ASSERT_EQ(GetNearestPaletteIndex(h, colour | 0xAB000000u), got[i]); // high byte ignored
        }
        // the tables read inline give the same answers, asking the library where they must
        const uint16_t* cells = nullptr;
        const uint8_t* answers = nullptr;
        ASSERT_EQ(GetNearestPaletteTables(h, &cells, &answers), 1);
        for (int k = 0; k < 100000; ++k) {
            const uint32_t colour = rng() & 0xFFFFFF;
            ASSERT_EQ(NearestPaletteIndexFromTables(h, cells, answers, colour), plainNearest(pal, colour))
                << "variant " << variant << " colour " << colour;
        }
        DeleteObject(h);
    }
    // no palette: index 0 everywhere, and no tables
    const uint16_t* cells = nullptr;
    const uint8_t* answers = nullptr;
    EXPECT_EQ(GetNearestPaletteTables(nullptr, &cells, &answers), 0);
    EXPECT_EQ(cells, nullptr);
    uint8_t bgr[6] = {1, 2, 3, 4, 5, 6}, out[2] = {9, 9};
    GetNearestPaletteIndicesBgr(nullptr, bgr, 2, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
}

TEST(Library, PowerAndFormatNumbers) {
    EXPECT_DOUBLE_EQ(power(2.0, 10.0), 1024.0);
    EXPECT_DOUBLE_EQ(power(9.0, 0.5), 3.0);
    EXPECT_EQ(DibFormatOfPath("/a/b/BILD.JPG"), 8);
    EXPECT_EQ(DibFormatOfPath("bild.png"), 14);
    EXPECT_EQ(DibFormatOfPath("x.Lbm"), 9);
    EXPECT_EQ(DibFormatOfPath("bild.jpeg"), 0);
    EXPECT_EQ(DibFormatOfPath("dir.bmp/file"), 0);
    EXPECT_EQ(DibFormatOfPath("noext"), 0);
}

TEST(Library, FilterTexts) {
    const std::string open = GetDIBOpenFilter();
    const std::string save = GetDIBSaveFilter();
    // pairs of description and pattern
    size_t bars = 0;
    for (char c : open) bars += c == '|';
    EXPECT_EQ(bars % 2, 1u);
    EXPECT_NE(open.find("*.bmp"), std::string::npos);
    EXPECT_NE(open.find("|Alle Dateien (*.*)|*.*"), std::string::npos);
    EXPECT_NE(save.find("*.bmp"), std::string::npos);
    EXPECT_EQ(save.find("Alle Dateien"), std::string::npos);
    // every one of the twelve extensions opens; all but the run-length bitmaps can be written
    for (const char* ext : {"bmp", "dib", "gif", "iff", "jif", "jpg", "lbm", "pcx", "rle", "tga",
                            "tif", "png"}) {
        const std::string pattern = std::string("*.") + ext;
        EXPECT_NE(open.find(pattern), std::string::npos) << ext;
        EXPECT_EQ(save.find(pattern) != std::string::npos, std::string(ext) != "rle") << ext;
    }
    TDibRecord d;
    ASSERT_TRUE(newdib(&d, 2, 2, 8, nullptr, 0));
    char error[256] = "";
    EXPECT_EQ(SaveDib(&d, "/tmp/pixorama_never_written.rle", 0, 75, error, sizeof(error)), 0);
    EXPECT_STRNE(error, "");
    deldib(&d);
}

TEST(Library, OpenDibFailuresLeaveAnErrorText) {
    TDibRecord d;
    EXPECT_EQ(OpenDib(&d, "/nonexistent/file.bmp", 0, nullptr, nullptr), 0);
    EXPECT_EQ(d.Bits, nullptr);
    EXPECT_STRNE(DibErrorText(&d), "");
    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(OpenDibMemory(&d, junk, sizeof(junk), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextUnknownType);
    EXPECT_EQ(OpenDibMemory(&d, junk, 0, 0, nullptr, nullptr), 0);
    EXPECT_STRNE(DibErrorText(&d), "");
    EXPECT_EQ(OpenDibMemory(&d, junk, sizeof(junk), 77, nullptr, nullptr), 0);
    EXPECT_STRNE(DibErrorText(&d), "");
}

TEST(Library, SavingLeavesTheUmaskAlone) {
    // a new file gets the umask's mode, read without setting it: meanwhile a file made by another
    // thread would get mode 0666
    const mode_t before = umask(027);
    TDibRecord d;
    ASSERT_TRUE(newdib(&d, 2, 2, 8, nullptr, 0));
    const std::string path = testing::TempDir() + "umask_" + std::to_string(getpid()) + ".bmp";
    gUmaskChanges = 0;
    char error[256] = "";
    EXPECT_EQ(SaveDib(&d, path.c_str(), 0, 0, error, sizeof(error)), 1) << error;
    EXPECT_EQ(gUmaskChanges.load(), 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::remove(path.c_str());
    deldib(&d);
    umask(before);
}

TEST(Library, OpenDibSurvivesTheFileShrinking) {
    // another program cuts the file short while it is decoded: the mapped file's missing pages
    // must not kill the program with SIGBUS; the load fails with the German text instead
    TDibRecord img;
    ASSERT_TRUE(newdib(&img, 512, 512, 24, nullptr, 0));
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(pictora::encodeBmp(img, 0, bytes, error));
    deldib(&img);
    const std::string path = testing::TempDir() + "shrink_" + std::to_string(getpid()) + ".bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    struct Cut {
        std::string path;
        bool done = false;
    } cut{path};
    TDibRecord d;
    EXPECT_EQ(OpenDib(
                  &d, path.c_str(), 0,
                  [](int32_t, void* user) {
                      auto* c = static_cast<Cut*>(user);
                      if (!c->done)
                          c->done = ::truncate(c->path.c_str(), 0) == 0;
                  },
                  &cut),
              0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextTruncated);
    EXPECT_TRUE(cut.done);
    deldib(&d);
    std::remove(path.c_str());
}

} // namespace

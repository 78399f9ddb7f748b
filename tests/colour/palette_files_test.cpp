// Palette files: round trip, short and long files, bad headers, read-only targets, the palettes
// of other programs; loading with and without fitting the image; the editor's grid.
#include "colour/palette_files.h"

#include "colour/depth_down.h"
#include "document/std_palettes.h"
#include "../ops/image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace pixorama {
namespace {

using namespace testing;
namespace fs = std::filesystem;

class PaletteFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("pixorama_pal_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    static void write(const std::string& p, const std::vector<uint8_t>& bytes) {
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    }
    static void writeText(const std::string& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::vector<uint8_t> read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // A palette file of count entries, entry i = (i, 255 - i, 2i, flags).
    static std::vector<uint8_t> paletteBytes(uint16_t version, uint16_t count, uint8_t flags = 0) {
        std::vector<uint8_t> b(1028);
        b[0] = static_cast<uint8_t>(version);
        b[1] = static_cast<uint8_t>(version >> 8);
        b[2] = static_cast<uint8_t>(count);
        b[3] = static_cast<uint8_t>(count >> 8);
        for (int i = 0; i < 256; ++i) {
            b[4 + 4 * i] = static_cast<uint8_t>(i);
            b[5 + 4 * i] = static_cast<uint8_t>(255 - i);
            b[6 + 4 * i] = static_cast<uint8_t>(2 * i);
            b[7 + 4 * i] = flags;
        }
        return b;
    }
    fs::path dir;
    RecordingHost host;
};

TEST_F(PaletteFiles, SaveWritesTheWholeLogicalPalette) {
    DocumentState doc;
    Attach(doc, MakePalette(4, {0x112233, 0x445566}, [](int32_t x, int32_t) { return x & 1; }));
    doc.Dib.Palette.palPalEntry[200] = TPaletteEntry{9, 8, 7, 0}; // beyond the entry count
    ASSERT_TRUE(savepal(doc, host, path("a.pal")));
    const auto bytes = read(path("a.pal"));
    ASSERT_EQ(bytes.size(), 1028u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x03);
    EXPECT_EQ(bytes[2], 16);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(bytes[4], 0x11);
    EXPECT_EQ(bytes[5], 0x22);
    EXPECT_EQ(bytes[6], 0x33);
    EXPECT_EQ(bytes[4 + 4 * 200], 9);
    EXPECT_TRUE(host.messages.empty());
    // an 8-bit image does not take it; fitting an image to it gives 4 bits
    DocumentState eight;
    Attach(eight, MakePalette(8, {0xFFFFFF}, [](int32_t, int32_t) { return 0; }));
    EXPECT_FALSE(loadpal(eight, host, path("a.pal")));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Palette paßt nicht zum Bild oder illegale Palette!");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP | kTaskModal);
    EXPECT_EQ(PaletteColour(eight.Dib, 0), 0xFFFFFFu);
    DocumentState rgb;
    Attach(rgb, Make24(3, 2, [](int32_t x, int32_t) { return x == 0 ? Rgb(0x44, 0x55, 0x66) : Rgb(0x11, 0x22, 0x33); }));
    host.answer = IDNO;
    ASSERT_TRUE(loadpal0(rgb, host, path("a.pal")));
    EXPECT_EQ(DibBitsPerPixel(&rgb.Dib), 4);
    EXPECT_EQ(getpixel(&rgb.Dib, 0, 0), 1);
    EXPECT_EQ(getpixel(&rgb.Dib, 2, 1), 0);
    EXPECT_EQ(rgb.BackColor, 15);
    EXPECT_EQ(host.messages.back().text,
              "Wollen Sie das Bild durch Floyd-Steinberg Fehlerverteilung (Dithering) anpassen?");
    EXPECT_EQ(host.messages.back().caption, "Farbpalette laden?");
    EXPECT_EQ(host.messages.back().flags, MB_YESNO | MB_ICONQUESTION);
    // a palette of 4 bits saved and loaded into another 4-bit image: the same colours
    DocumentState other;
    Attach(other, MakePalette(4, {}, [](int32_t x, int32_t) { return x & 1; }));
    ASSERT_TRUE(loadpal(other, host, path("a.pal")));
    EXPECT_EQ(PaletteColour(other.Dib, 1), 0x445566u);
}

TEST_F(PaletteFiles, ShortLongAndBadFiles) {
    DocumentState doc;
    Attach(doc, MakePalette(8, {0xABCDEF}, [](int32_t x, int32_t) { return x == 2 ? 5 : 0; }));
    const std::vector<uint8_t> indices = PixelBytes(doc.Dib);
    auto bytes = paletteBytes(0x300, 256, 0x04);
    write(path("short.pal"), std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));
    EXPECT_FALSE(loadpal(doc, host, path("short.pal")));
    EXPECT_EQ(host.messages.back().text, "Fehler beim Laden der Palette!");
    EXPECT_FALSE(loadpal(doc, host, path("missing.pal")));
    EXPECT_EQ(host.messages.back().text, "Fehler beim Laden der Palette!");
    EXPECT_EQ(PaletteColour(doc.Dib, 0), 0xABCDEFu);
    write(path("version.pal"), paletteBytes(0x301, 256));
    EXPECT_FALSE(loadpal(doc, host, path("version.pal")));
    EXPECT_EQ(host.messages.back().text, "Palette paßt nicht zum Bild oder illegale Palette!");
    EXPECT_FALSE(loadpal0(doc, host, path("version.pal")));
    EXPECT_EQ(host.messages.back().text, "Illegale Palette!");
    write(path("count.pal"), paletteBytes(0x300, 17));
    EXPECT_FALSE(loadpal0(doc, host, path("count.pal")));
    EXPECT_EQ(host.messages.back().text, "Illegale Palette!");
    EXPECT_EQ(DibBitsPerPixel(&doc.Dib), 8);
    EXPECT_EQ(PaletteColour(doc.Dib, 0), 0xABCDEFu);

    // 1100 bytes whose first 1028 are valid: loads; the flags come along, the indices stay
    auto longer = bytes;
    longer.resize(1100, 0xEE);
    write(path("long.pal"), longer);
    const size_t before = host.messages.size();
    ASSERT_TRUE(loadpal(doc, host, path("long.pal")));
    EXPECT_EQ(host.messages.size(), before);
    EXPECT_EQ(PixelBytes(doc.Dib), indices);
    EXPECT_EQ(PaletteColour(doc.Dib, 5), 0x05FA0Au);
    EXPECT_EQ(doc.Dib.Palette.palPalEntry[5].peFlags, 0x04);
    EXPECT_EQ(doc.Dib.Palette.palNumEntries, 256);
    EXPECT_EQ(GetNearestPaletteIndex(doc.Dib.PaletteHandle, 0x0AFA05), 5u);
    // fitting drops the flags
    DocumentState fit;
    Attach(fit, Make24(2, 2, [](int32_t, int32_t) { return 0; }));
    ASSERT_TRUE(loadpal0(fit, host, path("long.pal"))); // answer OK: Floyd-Steinberg
    EXPECT_EQ(DibBitsPerPixel(&fit.Dib), 8);
    EXPECT_EQ(fit.Dib.Palette.palPalEntry[5].peFlags, 0);
    EXPECT_EQ(fit.BackColor, 255);
}

TEST_F(PaletteFiles, ReadOnlyTargetIsRefusedAndKept) {
    DocumentState doc;
    Attach(doc, MakePalette(8, {0x010203}, [](int32_t, int32_t) { return 0; }));
    write(path("ro.pal"), {1, 2, 3});
    fs::permissions(path("ro.pal"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(savepal(doc, host, path("ro.pal")));
    EXPECT_EQ(host.messages.back().text, "Fehler beim Speichern der Palette!");
    EXPECT_EQ(read(path("ro.pal")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(savepal(doc, host, path("no/such/folder.pal")));
    // nothing is left beside the target
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1);
    // 1- and 24-bit images have no palette file
    DocumentState mono;
    Attach(mono, MakePalette(1, {}, [](int32_t, int32_t) { return 0; }));
    EXPECT_FALSE(savepal(mono, host, path("mono.pal")));
    EXPECT_FALSE(fs::exists(path("mono.pal")));
}

TEST_F(PaletteFiles, LoadpalZeroNearestReadsEveryDepthAndSurvivesNoMemory) {
    write(path("std16.pal"), [] {
        std::vector<uint8_t> b(1028);
        b[1] = 3;
        b[2] = 16;
        for (int i = 0; i < 16; ++i) {
            b[4 + 4 * i] = static_cast<uint8_t>(StdPalette16[i] >> 16);
            b[5 + 4 * i] = static_cast<uint8_t>(StdPalette16[i] >> 8);
            b[6 + 4 * i] = static_cast<uint8_t>(StdPalette16[i]);
        }
        return b;
    }());
    host.answer = IDNO;
    // a 4-bit image (nibbles) whose colours are in the standard palette, in another order
    std::vector<uint32_t> colours(StdPalette16.rbegin(), StdPalette16.rend());
    DocumentState four;
    Attach(four, MakePalette(4, colours, [](int32_t x, int32_t) { return x; }, 16, 1));
    ASSERT_TRUE(loadpal0(four, host, path("std16.pal")));
    for (int32_t x = 0; x < 16; ++x)
        EXPECT_EQ(getpixel(&four.Dib, x, 0), 15 - x);

    DocumentState big;
    Attach(big, Make24(200, 200, [](int32_t x, int32_t) { return x; }));
    const uint8_t* bits = big.Dib.Bits;
    {
        AllocLimit limit(PictoraAllocatedBytes() + 100);
        EXPECT_FALSE(loadpal0(big, host, path("std16.pal")));
    }
    EXPECT_EQ(big.Dib.Bits, bits);
    ASSERT_GE(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[host.messages.size() - 2].text, kTextNoMemory);
    EXPECT_EQ(host.messages[host.messages.size() - 2].flags, MB_ICONSTOP);
    EXPECT_EQ(host.messages.back().text, "Fehler beim Laden der Palette!");
    // cancelled: nothing but the menu refresh
    const int updates = host.menuUpdates;
    EXPECT_FALSE(loadpal0(big, host, ""));
    EXPECT_EQ(host.menuUpdates, updates + 1);
}

TEST_F(PaletteFiles, OtherProgramsPalettes) {
    TLogPalette p;
    const std::string jasc = "JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n1 2 3\r\n";
    ASSERT_TRUE(ParsePaletteBytes(reinterpret_cast<const uint8_t*>(jasc.data()), jasc.size(), p));
    EXPECT_EQ(p.palVersion, 0x300);
    EXPECT_EQ(p.palNumEntries, 16);
    EXPECT_EQ(p.palPalEntry[0].peRed, 255);
    EXPECT_EQ(p.palPalEntry[2].peBlue, 3);
    EXPECT_EQ(p.palPalEntry[3].peRed + p.palPalEntry[15].peGreen, 0);
    const std::string bad = "JASC-PAL\n0100\n3\n255 0 0\n0 256 0\n1 2 3\n";
    EXPECT_FALSE(ParsePaletteBytes(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), p));
    const std::string missing = "JASC-PAL\n0100\n3\n255 0 0\n";
    EXPECT_FALSE(ParsePaletteBytes(reinterpret_cast<const uint8_t*>(missing.data()), missing.size(), p));

    std::string gpl = "GIMP Palette\nName: Test\nColumns: 4\n#\n";
    for (int i = 0; i < 20; ++i)
        gpl += std::to_string(i) + " " + std::to_string(2 * i) + "\t" + std::to_string(3 * i) + "\tcolour " +
               std::to_string(i) + "\n";
    ASSERT_TRUE(ParsePaletteBytes(reinterpret_cast<const uint8_t*>(gpl.data()), gpl.size(), p));
    EXPECT_EQ(p.palNumEntries, 256);
    EXPECT_EQ(p.palPalEntry[19].peGreen, 38);
    EXPECT_EQ(p.palPalEntry[19].peBlue, 57);
    EXPECT_EQ(p.palPalEntry[20].peRed, 0);

    // RIFF with a list chunk before the data chunk, 300 colours of which 256 are taken
    std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'P', 'A', 'L', ' ',
                                 'L', 'I', 'S', 'T', 3, 0, 0, 0, 'x', 'y', 'z', 0};
    const uint32_t dataSize = 4 + 4 * 300;
    for (uint8_t c : {'d', 'a', 't', 'a'})
        riff.push_back(c);
    for (int i = 0; i < 4; ++i)
        riff.push_back(static_cast<uint8_t>(dataSize >> (8 * i)));
    riff.insert(riff.end(), {0x00, 0x03, 0x2C, 0x01});
    for (int i = 0; i < 300; ++i)
        riff.insert(riff.end(), {static_cast<uint8_t>(i), 7, 9, 1});
    const uint32_t total = static_cast<uint32_t>(riff.size() - 8);
    for (int i = 0; i < 4; ++i)
        riff[4 + i] = static_cast<uint8_t>(total >> (8 * i));
    ASSERT_TRUE(ParsePaletteBytes(riff.data(), riff.size(), p));
    EXPECT_EQ(p.palNumEntries, 256);
    EXPECT_EQ(p.palPalEntry[255].peRed, 255);
    EXPECT_EQ(p.palPalEntry[255].peFlags, 0);
    riff.resize(40); // cut inside the data chunk: nothing usable
    EXPECT_FALSE(ParsePaletteBytes(riff.data(), riff.size(), p));

    // loaded through the menu command into a 4-bit image
    writeText(path("x.pal"), jasc);
    DocumentState doc;
    Attach(doc, MakePalette(4, {}, [](int32_t, int32_t) { return 1; }));
    ASSERT_TRUE(loadpal(doc, host, path("x.pal")));
    EXPECT_EQ(PaletteColour(doc.Dib, 1), 0x00FF00u);
}

TEST(PaletteEditor, GridAndLabel) {
    const int32_t cols = PalEditColumns(337);
    EXPECT_EQ(cols, 18);
    const TRect c15 = PalEditCellRect(15, cols);
    EXPECT_EQ(c15.Left, 270);
    EXPECT_EQ(c15.Top, 0);
    EXPECT_EQ(c15.Right, 285);
    const TRect c255 = PalEditCellRect(255, cols);
    EXPECT_EQ(c255.Left, 3 * 18); // 14 full rows, then 4 cells of the 15th
    EXPECT_EQ(c255.Top, 14 * 18);
    EXPECT_EQ(PalEditEntryAt(0, 0, cols, 16), 0);
    EXPECT_EQ(PalEditEntryAt(15, 15, cols, 16), 0);
    EXPECT_EQ(PalEditEntryAt(16, 5, cols, 16), -1); // the gap between cells
    EXPECT_EQ(PalEditEntryAt(18, 5, cols, 16), 1);
    EXPECT_EQ(PalEditEntryAt(5, 18, cols, 16), -1); // beyond the entry count
    EXPECT_EQ(PalEditEntryAt(5, 18, cols, 256), 18);
    EXPECT_EQ(PalEditEntryAt(18 * 18 + 2, 2, cols, 256), -1); // right of the last column
    EXPECT_EQ(PalEditInfoText(0, TPaletteEntry{0, 0, 0, 0}), "Index: 0 ; R: 0 G:0 B:0");
    EXPECT_EQ(PalEditInfoText(200, TPaletteEntry{255, 16, 7, 0}), "Index: 200 ; R: 255 G:16 B:7");

    RecordingHost host;
    DocumentState doc;
    Attach(doc, MakePalette(4, {0x111111}, [](int32_t, int32_t) { return 0; }));
    TLogPalette edit = doc.Dib.Palette;
    edit.palPalEntry[0] = TPaletteEntry{0xAA, 0xBB, 0xCC, 0x02};
    ApplyEditedPalette(doc.Dib, edit);
    EXPECT_EQ(PaletteColour(doc.Dib, 0), 0xAABBCCu);
    EXPECT_EQ(doc.Dib.Palette.palPalEntry[0].peFlags, 0x02);
    EXPECT_EQ(GetNearestPaletteIndex(doc.Dib.PaletteHandle, 0xCCBBAA), 0u);
}

} // namespace
} // namespace pixorama

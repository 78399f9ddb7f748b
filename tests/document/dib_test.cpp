// Core record helpers: deep copies, new images, the status text, the recording host.
#include "document/std_palettes.h"
#include "document/dib.h"
#include "document/document_state.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

struct LimitGuard {
    explicit LimitGuard(uint64_t bytes) { PictoraSetAllocLimit(bytes); }
    ~LimitGuard() { PictoraSetAllocLimit(0); }
};

TEST(MakeDIBCopy, DeepCopyOfEveryDepth) {
    RecordingHost host;
    for (int bpp : {1, 4, 8, 24}) {
        TDibRecord src = CreateNewImage(13, 7, bpp);
        ASSERT_NE(src.Bits, nullptr);
        setpixel(&src, 3, 2, bpp == 24 ? 0x0000FF : 0);
        if (bpp == 8) {
            SetPaletteColor(src, 5, 0x102030);
            DibUpdatePaletteHandle(&src);
        }
        TDibRecord copy = MakeDIBCopy(src, host);
        ASSERT_NE(copy.Bits, nullptr);
        EXPECT_NE(copy.Bits, src.Bits);
        EXPECT_NE(copy.Info, src.Info);
        EXPECT_EQ(DibBitsPerPixel(&copy), bpp);
        EXPECT_EQ(0, std::memcmp(copy.Bits, src.Bits, src.Info->bmiHeader.biSizeImage));
        // 24-bit copies are made with no colour table entries
        EXPECT_EQ(copy.Palette.palNumEntries, bpp == 24 ? 0 : (1 << bpp));
        if (bpp == 8) {
            EXPECT_EQ(copy.Palette.palPalEntry[5].peRed, 0x10);
            EXPECT_EQ(copy.Info->bmiColors[5].rgbBlue, 0x30);
            EXPECT_NE(copy.PaletteHandle, src.PaletteHandle);
        }
        // the copy is independent of its source
        setpixel(&copy, 0, 0, getpixel(&src, 0, 0) ^ 1);
        EXPECT_NE(getpixel(&src, 0, 0), getpixel(&copy, 0, 0));
        deldib(&copy);
        deldib(&src);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(MakeDIBCopy, NilSourceAndMemoryShortage) {
    RecordingHost host;
    TDibRecord none{};
    TDibRecord copy = MakeDIBCopy(none, host);
    EXPECT_EQ(copy.Bits, nullptr);
    EXPECT_TRUE(host.messages.empty());

    TDibRecord src = CreateNewImage(300, 300, 24);
    {
        LimitGuard limit(PictoraAllocatedBytes() + 1000);
        copy = MakeDIBCopy(src, host);
    }
    EXPECT_EQ(copy.Bits, nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Fehler: nicht genug Speicher für diese Operation!");
    EXPECT_EQ(host.messages[0].caption, "");
    EXPECT_EQ(host.messages[0].flags, 16);
    deldib(&src);
}

TEST(NewImage, StandardPalettesAndWhite) {
    TDibRecord d8 = CreateNewImage(5, 3, 8);
    EXPECT_EQ(getpixel(&d8, 4, 2), 255);
    EXPECT_EQ(d8.Palette.palPalEntry[255].peRed, 0xFF);
    EXPECT_EQ(d8.Palette.palPalEntry[9].peRed, 0xA6); // A6CAF0
    EXPECT_EQ(d8.Palette.palPalEntry[9].peBlue, 0xF0);
    EXPECT_EQ(d8.Info->bmiColors[9].rgbBlue, 0xF0);
    EXPECT_EQ(GetNearestPaletteIndex(d8.PaletteHandle, 0xF0CAA6), 9u);
    deldib(&d8);

    TDibRecord d4 = CreateNewImage(5, 3, 4);
    EXPECT_EQ(getpixel(&d4, 0, 0), 15);
    EXPECT_EQ(d4.Palette.palPalEntry[7].peGreen, 0xC0);
    deldib(&d4);

    TDibRecord d1 = CreateNewImage(5, 3, 1);
    EXPECT_EQ(getpixel(&d1, 2, 1), 1);
    EXPECT_EQ(d1.Palette.palPalEntry[1].peRed, 255); // index 1 is white
    deldib(&d1);

    TDibRecord d24 = CreateNewImage(1, 1, 24);
    EXPECT_EQ(getpixel(&d24, 0, 0), 0xFFFFFF);
    deldib(&d24);

    EXPECT_EQ(StdPalette256[240], 0xD7D7D7u);
    EXPECT_EQ(StdPalette256[255], 0xFFFFFFu);
    EXPECT_EQ(StdPalette16[8], 0x808080u);
}

TEST(NewImage, StatusText) {
    TDibRecord d = CreateNewImage(640, 480, 24);
    EXPECT_EQ(ImageStatusText(d), "Bild: 640 x 480 x 16777216 - 900 KByte");
    deldib(&d);
    d = CreateNewImage(33, 10, 1);
    EXPECT_EQ(ImageStatusText(d), "Bild: 33 x 10 x 2 - 0 KByte");
    deldib(&d);
}

TEST(DocumentState, AttachSetsColoursAndMask) {
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(9, 4, 4)));
    EXPECT_EQ(doc.ForeColor, 0);
    EXPECT_EQ(doc.BackColor, 15);
    EXPECT_EQ(DibBitsPerPixel(&doc.SelMask), 1);
    EXPECT_EQ(DibWidth(&doc.SelMask), 9);
    EXPECT_FALSE(AttachImage(doc, TDibRecord{}));
    EXPECT_EQ(doc.Dib.Bits, nullptr);
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(2, 2, 24)));
    EXPECT_EQ(doc.BackColor, 16777215);
}

} // namespace
} // namespace pixorama

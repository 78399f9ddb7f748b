// Copy, cut, delete and the pastes: the exact bytes of both clipboard blocks, pastes into every
// depth, another program's PNG, and blocks that must be refused without touching the document.
#include "tools/clipboard.h"

#include "document/selection.h"
#include "document/undo.h"
#include "tool_test_support.h"
#include "tools/floating.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace pixorama {
namespace {

using namespace testing;

TBitmapInfoHeader headerAt(const std::vector<uint8_t>& block, size_t at = 0) {
    TBitmapInfoHeader h;
    std::memcpy(&h, block.data() + at, sizeof(h));
    return h;
}

// Bit x of a bottom-up 1-bit row block (rows bytes per row, h rows) at image row y.
int bitAt(const uint8_t* px, int64_t rows, int32_t h, int32_t x, int32_t y) {
    return (px[static_cast<size_t>(h - 1 - y) * static_cast<size_t>(rows) + (x >> 3)] >>
            (7 - (x & 7))) &
           1;
}

int32_t colourful(int32_t x, int32_t y) {
    return Rgb((x * 37 + y) & 255, (y * 53) & 255, (x * y + 11) & 255);
}

// An elliptical selection inside the box (x0, y0)-(x1, y1).
void SelectEllipse(Desk& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    FillMask(d.doc, 0);
    FilledEllipse(&d.doc.SelMask, x0, y0, x1, y1, 1);
    UpdateSelddib(d.doc, d.host);
}

TEST(ClipboardCopy, WholeImageIsTheDocumentsHeaderAndRows) {
    Desk d;
    Attach(d.doc, Make24(13, 5, colourful));
    ClipboardContent clip;
    clip.Selection = std::vector<uint8_t>{1, 2, 3}; // an earlier copy's shape must go
    ASSERT_TRUE(CopyToClipboard(d.doc, d.host, clip));
    ASSERT_TRUE(clip.Dib.has_value());
    EXPECT_FALSE(clip.Selection.has_value());
    const std::vector<uint8_t>& b = *clip.Dib;
    const uint32_t image = d.doc.Dib.Info->bmiHeader.biSizeImage;
    ASSERT_EQ(b.size(), 40u + image);
    EXPECT_EQ(std::memcmp(b.data(), &d.doc.Dib.Info->bmiHeader, 40), 0);
    EXPECT_EQ(std::memcmp(b.data() + 40, d.doc.Dib.Bits, image), 0);
    // without a selection the box becomes the whole image
    EXPECT_EQ(d.doc.SelRect.Right, 12);
    EXPECT_EQ(d.doc.SelRect.Bottom, 4);

    // pasted as a new image it is the same image
    TDibRecord back;
    ASSERT_TRUE(PasteAsNewImage(clip, d.host, back));
    DibHolder hold(back);
    EXPECT_EQ(std::memcmp(&back.Info->bmiHeader, &d.doc.Dib.Info->bmiHeader, 40), 0);
    EXPECT_EQ(PixelBytes(back), PixelBytes(d.doc.Dib));
    EXPECT_TRUE(d.host.messages.empty());
}

TEST(ClipboardCopy, SmallDepthsCarryTheirTableAndZeroPadding) {
    for (int bpp : {1, 4, 8}) {
        Desk d;
        const std::vector<uint32_t> colours = {0x102030, 0xFFEEDD, 0x00FF00, 0x123456};
        Attach(d.doc, MakePalette(bpp, colours, [](int32_t x, int32_t y) { return (x + y) % 2; },
                                  11, 3));
        ClipboardContent clip;
        ASSERT_TRUE(CopyToClipboard(d.doc, d.host, clip));
        const std::vector<uint8_t>& b = *clip.Dib;
        const size_t table = 4u << bpp;
        ASSERT_EQ(b.size(), 40 + table + d.doc.Dib.Info->bmiHeader.biSizeImage) << bpp;
        EXPECT_EQ(std::memcmp(b.data() + 40, d.doc.Dib.Info->bmiColors, table), 0) << bpp;
        TDibRecord back;
        ASSERT_TRUE(PasteAsNewImage(clip, d.host, back));
        DibHolder hold(back);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 11; ++x)
                ASSERT_EQ(getpixel(&back, x, y), (x + y) % 2) << bpp << " " << x << "," << y;
        EXPECT_EQ(PaletteColour(back, 1), 0xFFEEDDu) << bpp;
        if (bpp == 1) {
            // 11 pixels leave 5 bits of padding in the row's second byte, and 2 more bytes
            const uint8_t* row = b.data() + 40 + table;
            EXPECT_EQ(row[1] & 0x1F, 0);
            EXPECT_EQ(row[2], 0);
            EXPECT_EQ(row[3], 0);
        }
    }
}

TEST(ClipboardCopy, SelectionGivesTheBoxAndTheShapeBlock) {
    Desk d;
    const std::vector<uint32_t> colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // 4-bit image, values 1..3
    Attach(d.doc, MakePalette(4, colours, [](int32_t x, int32_t y) { return 1 + (x + 2 * y) % 3; },
                              20, 12));
    // an ellipse with a notch at its top: no symmetry that would hide flipped rows
    FillMask(d.doc, 0);
    FilledEllipse(&d.doc.SelMask, 3, 2, 15, 9, 1);
    recht_filled(&d.doc.SelMask, 4, 2, 5, 3, 1);
    UpdateSelddib(d.doc, d.host);
    const TRect box = d.doc.SelRect;
    ASSERT_EQ(box.Left, 3);
    ASSERT_EQ(box.Bottom, 9);
    const int32_t w = box.Right - box.Left + 1, h = box.Bottom - box.Top + 1;
    ClipboardContent clip;
    ASSERT_TRUE(CopyToClipboard(d.doc, d.host, clip));
    ASSERT_TRUE(clip.Selection.has_value());

    const std::vector<uint8_t>& b = *clip.Dib;
    const int64_t rows = ((4 * w + 31) / 32) * 4;
    ASSERT_EQ(b.size(), static_cast<size_t>(40 + 64 + rows * h));
    TBitmapInfoHeader want = d.doc.Dib.Info->bmiHeader;
    want.biWidth = w;
    want.biHeight = h;
    want.biSizeImage = static_cast<uint32_t>(rows * h);
    EXPECT_EQ(std::memcmp(b.data(), &want, 40), 0);
    EXPECT_EQ(std::memcmp(b.data() + 40, d.doc.Dib.Info->bmiColors, 64), 0);
    const uint8_t* px = b.data() + 104;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t byte = px[static_cast<size_t>((h - 1 - y) * rows + x / 2)];
            const int v = x % 2 ? byte & 15 : byte >> 4;
            const bool in = MaskValue(d.doc, x + box.Left, y + box.Top) == 1;
            ASSERT_EQ(v, in ? getpixel(&d.doc.Dib, x + box.Left, y + box.Top) : 0) << x << "," << y;
        }

    const std::vector<uint8_t>& s = *clip.Selection;
    const int64_t maskRows = ((w + 31) / 32) * 4;
    ASSERT_EQ(s.size(), static_cast<size_t>(52 + maskRows * h));
    const TBitmapInfoHeader mh = headerAt(s);
    EXPECT_EQ(mh.biSize, 40u);
    EXPECT_EQ(mh.biWidth, w);
    EXPECT_EQ(mh.biHeight, h);
    EXPECT_EQ(mh.biBitCount, 1);
    EXPECT_EQ(mh.biSizeImage, static_cast<uint32_t>(maskRows * h));
    const uint8_t table[12] = {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(s.data() + 40, table, 12), 0);
    int inside = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int bit = bitAt(s.data() + 52, maskRows, h, x, y);
            ASSERT_EQ(bit, MaskValue(d.doc, x + box.Left, y + box.Top)) << x << "," << y;
            inside += bit;
        }
    EXPECT_GT(inside, 0);
    EXPECT_LT(inside, w * h); // an ellipse, not its box
}

// The 24-bit image with an elliptical selection, copied; and the shape it had.
struct EllipseCopy {
    ClipboardContent clip;
    DibHolder shape; // 1-bit, the box's size
    DibHolder pixels;
};
void CopyEllipse(EllipseCopy& c) {
    Desk d;
    Attach(d.doc, Make24(16, 10, colourful));
    SelectEllipse(d, 2, 1, 12, 8);
    const TRect r = d.doc.SelRect;
    newdib(&c.shape.get(), r.Right - r.Left + 1, r.Bottom - r.Top + 1, 1, nullptr, 0);
    newdib(&c.pixels.get(), r.Right - r.Left + 1, r.Bottom - r.Top + 1, 24, nullptr, 0);
    for (int32_t y = r.Top; y <= r.Bottom; ++y)
        for (int32_t x = r.Left; x <= r.Right; ++x) {
            setpixel(&c.shape.get(), x - r.Left, y - r.Top, MaskValue(d.doc, x, y));
            setpixel(&c.pixels.get(), x - r.Left, y - r.Top, getpixel(&d.doc.Dib, x, y));
        }
    ASSERT_TRUE(CopyToClipboard(d.doc, d.host, c.clip));
}

TEST(ClipboardPaste, SelectionIntoEveryDepthKeepsTheShape) {
    EllipseCopy c;
    CopyEllipse(c);
    const TDibRecord& shape = c.shape.get();
    const int32_t w = DibWidth(&shape), h = DibHeight(&shape);
    for (int bpp : {1, 4, 8, 24}) {
        Desk d;
        Attach(d.doc, bpp == 24 ? Make24(30, 20, [](int32_t, int32_t) { return 0x808080; })
                                : CreateNewImage(30, 20, bpp));
        const std::vector<uint8_t> before = PixelBytes(d.doc.Dib);
        ASSERT_TRUE(PasteAlsAuswahl(d.doc, d.host, d.view, c.clip, false)) << bpp;
        EXPECT_EQ(d.doc.UndoCount, 1);
        EXPECT_EQ(d.doc.MouseMode, kModePlacing);
        ASSERT_EQ(DibBitsPerPixel(&d.doc.FloatDib), bpp);
        ASSERT_TRUE(d.doc.FloatHasMask);
        // the click places it: corner at the mouse
        d.click(Tool::Hand, 5, 4);
        ASSERT_TRUE(d.doc.Floating) << bpp;
        EXPECT_EQ(d.doc.MouseMode, 0);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 30; ++x) {
                const int32_t i = x - 5, j = y - 4;
                const bool in = i >= 0 && j >= 0 && i < w && j < h && getpixel(&shape, i, j) == 1;
                ASSERT_EQ(MaskValue(d.doc, x, y), in ? 1 : 0) << bpp << " " << x << "," << y;
                int32_t want = getpixel(&d.doc.FloatBackground, x, y);
                if (in) {
                    const uint32_t c24 = static_cast<uint32_t>(getpixel(&c.pixels.get(), i, j));
                    want = bpp == 24 ? static_cast<int32_t>(c24)
                                     : static_cast<int32_t>(
                                           GetNearestPaletteIndex(d.doc.Dib.PaletteHandle, c24));
                }
                ASSERT_EQ(getpixel(&d.doc.Dib, x, y), want) << bpp << " " << x << "," << y;
            }
        // what lay under the piece is kept apart, unchanged
        EXPECT_EQ(PixelBytes(d.doc.FloatBackground), before);
    }
}

TEST(ClipboardPaste, PaletteSourceIntoDeeperAndSameDepthImages) {
    Desk src;
    const std::vector<uint32_t> colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    Attach(src.doc, MakePalette(4, colours, [](int32_t x, int32_t) { return x % 4; }, 8, 2));
    ClipboardContent clip;
    ASSERT_TRUE(CopyToClipboard(src.doc, src.host, clip));

    // into 24 bits: the palette's colours
    Desk d24;
    WhiteDoc(d24, 10, 4);
    ASSERT_TRUE(PasteAlsAuswahl(d24.doc, d24.host, d24.view, clip, false));
    d24.click(Tool::Hand, 0, 0);
    EXPECT_EQ(getpixel(&d24.doc.Dib, 1, 0), Rgb(255, 0, 0));
    EXPECT_EQ(getpixel(&d24.doc.Dib, 3, 1), Rgb(0, 0, 255));
    EXPECT_FALSE(d24.doc.FloatHasMask); // a whole image carries no shape

    // into another 4-bit image: the indices as they are, shown with that image's palette
    Desk d4;
    Attach(d4.doc, CreateNewImage(10, 4, 4));
    ASSERT_TRUE(PasteAlsAuswahl(d4.doc, d4.host, d4.view, clip, false));
    d4.click(Tool::Hand, 1, 1);
    for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(getpixel(&d4.doc.Dib, x + 1, 1), x % 4) << x;
}

TEST(ClipboardPaste, TransparentPieceLetsTheImageThroughBackColour) {
    Desk src;
    // left half white (the pasting document's BackColor), right half red
    Attach(src.doc, Make24(6, 3, [](int32_t x, int32_t) { return x < 3 ? 0xFFFFFF : Rgb(255, 0, 0); }));
    ClipboardContent clip;
    ASSERT_TRUE(CopyToClipboard(src.doc, src.host, clip));
    Desk d;
    Attach(d.doc, Make24(8, 5, [](int32_t, int32_t) { return Rgb(0, 0, 255); }));
    d.doc.BackColor = 0xFFFFFF;
    ASSERT_TRUE(PasteAlsAuswahl(d.doc, d.host, d.view, clip, true));
    EXPECT_TRUE(d.doc.FloatTransparent);
    d.click(Tool::Hand, 1, 1);
    EXPECT_EQ(getpixel(&d.doc.Dib, 2, 1), Rgb(0, 0, 255)); // white part: image shows through
    EXPECT_EQ(getpixel(&d.doc.Dib, 5, 1), Rgb(255, 0, 0));
    EXPECT_EQ(MaskValue(d.doc, 2, 1), 0);
    EXPECT_EQ(MaskValue(d.doc, 5, 1), 1);
    EXPECT_FALSE(d.doc.FloatTransparent);
}

TEST(ClipboardPaste, AnotherProgramsPngIsARectangularPiece) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("pixorama_clip_png_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "foreign.png").string();
    DibHolder img(Make24(7, 4, colourful));
    ASSERT_EQ(SaveDib(&img.get(), file.c_str(), PICTORA_FORMAT_PNG, 0, nullptr, 0), 1);
    std::ifstream in(file, std::ios::binary);
    ClipboardContent clip;
    clip.Encoded = std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove_all(dir);

    Desk d;
    WhiteDoc(d, 12, 9);
    ASSERT_TRUE(PasteAlsAuswahl(d.doc, d.host, d.view, clip, false));
    EXPECT_FALSE(d.doc.FloatHasMask);
    d.click(Tool::Hand, 2, 3);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            const bool in = x >= 2 && x < 9 && y >= 3 && y < 7;
            ASSERT_EQ(MaskValue(d.doc, x, y), in ? 1 : 0) << x << "," << y;
            ASSERT_EQ(getpixel(&d.doc.Dib, x, y), in ? colourful(x - 2, y - 3) : 0xFFFFFF);
        }
    TDibRecord whole;
    ASSERT_TRUE(PasteAsNewImage(clip, d.host, whole));
    DibHolder hold(whole);
    EXPECT_EQ(PixelBytes(whole), PixelBytes(img.get()));
}

// A document whose state must survive a refused paste unchanged.
struct Untouched {
    Desk d;
    std::vector<uint8_t> pixels;
    Untouched() {
        WhiteDoc(d, 9, 6);
        pixels = PixelBytes(d.doc.Dib);
    }
    void expectUnchanged(const std::string& what) {
        EXPECT_EQ(PixelBytes(d.doc.Dib), pixels) << what;
        EXPECT_EQ(d.doc.UndoCount, 0) << what;
        EXPECT_FALSE(d.doc.Modified) << what;
        EXPECT_EQ(d.doc.MouseMode, 0) << what;
        EXPECT_EQ(d.doc.FloatDib.Bits, nullptr) << what;
    }
};

std::vector<uint8_t> plainBlock(int32_t w, int32_t h, int bpp) {
    DibHolder img(CreateNewImage(w, h, bpp));
    DocumentState doc;
    EXPECT_TRUE(AttachImage(doc, img.release()));
    ClipboardContent clip;
    EXPECT_TRUE(BuildCopyBlocks(doc, clip));
    return *clip.Dib;
}

TEST(ClipboardPaste, BadBlocksAreRefusedAndChangeNothing) {
    const std::vector<uint8_t> good = plainBlock(5, 4, 8);
    struct Case {
        const char* what;
        std::vector<uint8_t> dib;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 39)});
    cases.push_back({"table cut", std::vector<uint8_t>(good.begin(), good.begin() + 600)});
    cases.push_back({"rows cut", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    auto edited = [&](const char* what, auto edit) {
        std::vector<uint8_t> b = good;
        TBitmapInfoHeader h = headerAt(b);
        edit(h);
        std::memcpy(b.data(), &h, 40);
        cases.push_back({what, b});
    };
    edited("depth 7", [](TBitmapInfoHeader& h) { h.biBitCount = 7; });
    edited("depth 0", [](TBitmapInfoHeader& h) { h.biBitCount = 0; });
    edited("width 0", [](TBitmapInfoHeader& h) { h.biWidth = 0; });
    edited("negative width", [](TBitmapInfoHeader& h) { h.biWidth = -5; });
    edited("huge height", [](TBitmapInfoHeader& h) { h.biHeight = 0x7FFFFFFF; });
    edited("huge width", [](TBitmapInfoHeader& h) { h.biWidth = 0x40000000; });
    edited("header size 0", [](TBitmapInfoHeader& h) { h.biSize = 0; });
    edited("header size past the block", [](TBitmapInfoHeader& h) { h.biSize = 100000; });
    edited("unknown compression", [](TBitmapInfoHeader& h) { h.biCompression = 77; });
    for (const Case& c : cases) {
        Untouched u;
        ClipboardContent clip;
        clip.Dib = c.dib;
        EXPECT_FALSE(PasteAlsAuswahl(u.d.doc, u.d.host, u.d.view, clip, false)) << c.what;
        ASSERT_EQ(u.d.host.messages.size(), 1u) << c.what;
        EXPECT_EQ(u.d.host.messages[0].text, kTextBadClipboard) << c.what;
        EXPECT_EQ(u.d.host.messages[0].flags, MB_ICONSTOP) << c.what;
        u.expectUnchanged(c.what);
        TDibRecord none;
        EXPECT_FALSE(PasteAsNewImage(clip, u.d.host, none)) << c.what;
        EXPECT_EQ(none.Bits, nullptr) << c.what;
        EXPECT_EQ(u.d.host.messages.size(), 2u) << c.what;
    }

    // a shape that does not fit the image, or is no 1-bit block
    EllipseCopy e;
    CopyEllipse(e);
    std::vector<std::pair<const char*, std::vector<uint8_t>>> shapes;
    std::vector<uint8_t> s = *e.clip.Selection;
    shapes.push_back({"shape cut", std::vector<uint8_t>(s.begin(), s.end() - 1)});
    shapes.push_back({"shape head only", std::vector<uint8_t>(s.begin(), s.begin() + 51)});
    std::vector<uint8_t> wide = s;
    wide[4] = static_cast<uint8_t>(wide[4] + 1); // biWidth + 1: rows of other length and size
    shapes.push_back({"shape of another size", wide});
    std::vector<uint8_t> deep = s;
    deep[14] = 8;
    shapes.push_back({"shape of 8 bits", deep});
    for (const auto& [what, block] : shapes) {
        Untouched u;
        ClipboardContent clip = e.clip;
        clip.Selection = block;
        EXPECT_FALSE(PasteAlsAuswahl(u.d.doc, u.d.host, u.d.view, clip, false)) << what;
        ASSERT_EQ(u.d.host.messages.size(), 1u) << what;
        EXPECT_EQ(u.d.host.messages[0].text, kTextBadClipboard) << what;
        u.expectUnchanged(what);
    }

    // a foreign image file that is no image
    Untouched u;
    ClipboardContent junk;
    junk.Encoded = std::vector<uint8_t>{0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_FALSE(PasteAlsAuswahl(u.d.doc, u.d.host, u.d.view, junk, false));
    ASSERT_EQ(u.d.host.messages.size(), 1u);
    EXPECT_EQ(u.d.host.messages[0].text, kTextBadClipboard);
    u.expectUnchanged("foreign junk");
}

TEST(ClipboardPaste, ForeignBlockFormsGoThroughTheBitmapReader) {
    // top-down rows and a short colour table are read as the bitmap reader reads them
    Desk src;
    const std::vector<uint32_t> colours = {0x000000, 0xFF8800, 0x0088FF};
    Attach(src.doc, MakePalette(8, colours, [](int32_t x, int32_t y) { return (x + y) % 3; }, 4, 3));
    ClipboardContent clip;
    ASSERT_TRUE(CopyToClipboard(src.doc, src.host, clip));
    const std::vector<uint8_t>& b = *clip.Dib;
    // the same picture with a 3-entry table and top-down rows
    std::vector<uint8_t> foreign(b.begin(), b.begin() + 40);
    TBitmapInfoHeader h = headerAt(b);
    h.biClrUsed = 3;
    h.biHeight = -3;
    std::memcpy(foreign.data(), &h, 40);
    foreign.insert(foreign.end(), b.begin() + 40, b.begin() + 52);
    const uint8_t* rows = b.data() + 40 + 1024;
    for (int y = 0; y < 3; ++y)
        foreign.insert(foreign.end(), rows + (2 - y) * 4, rows + (3 - y) * 4);
    ClipboardContent other;
    other.Dib = foreign;
    TDibRecord got;
    ASSERT_TRUE(PasteAsNewImage(other, src.host, got));
    DibHolder hold(got);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(PaletteColour(got, getpixel(&got, x, y)), colours[(x + y) % 3]);
}

TEST(ClipboardPaste, ShortageMessagesLeaveTheDocumentAlone) {
    EllipseCopy e;
    CopyEllipse(e);
    Untouched u;
    {
        // room for nothing more than what exists
        AllocLimit limit(PictoraAllocatedBytes() + 16);
        EXPECT_FALSE(PasteAlsAuswahl(u.d.doc, u.d.host, u.d.view, e.clip, false));
        TDibRecord none;
        EXPECT_FALSE(PasteAsNewImage(e.clip, u.d.host, none));
    }
    ASSERT_EQ(u.d.host.messages.size(), 2u);
    EXPECT_EQ(u.d.host.messages[0].text, kTextNoMemory);
    EXPECT_EQ(u.d.host.messages[1].text, kTextNoMemory);
    u.expectUnchanged("shortage");

    // a conversion that cannot be made keeps the source
    Desk p;
    Attach(p.doc, CreateNewImage(4, 4, 8));
    DibHolder source(Make24(3, 3, colourful));
    const std::vector<uint8_t> bytes = PixelBytes(source.get());
    {
        AllocLimit limit(PictoraAllocatedBytes() + 16);
        EXPECT_FALSE(MakeCompatibleDib(p.doc.Dib, source.get()));
    }
    EXPECT_EQ(DibBitsPerPixel(&source.get()), 24);
    EXPECT_EQ(PixelBytes(source.get()), bytes);
}

TEST(ClipboardDelete, WholeImageSelectionAndFloatingPiece) {
    // without a selection everything becomes the background colour
    Desk a;
    Attach(a.doc, Make24(6, 4, colourful));
    a.doc.BackColor = Rgb(1, 2, 3);
    DeleteSelection(a.doc, a.host, a.view);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            ASSERT_EQ(getpixel(&a.doc.Dib, x, y), Rgb(1, 2, 3));
    EXPECT_EQ(a.doc.UndoCount, 1);
    LoadFromUndo(a.doc, a.host);
    EXPECT_EQ(getpixel(&a.doc.Dib, 4, 2), colourful(4, 2));

    // with one only the selected pixels, in a palette image too
    Desk b;
    Attach(b.doc, MakePalette(4, {0, 0xFFFFFF, 0xFF0000}, [](int32_t, int32_t) { return 2; }, 12, 9));
    b.doc.BackColor = 1;
    SelectEllipse(b, 1, 1, 10, 7);
    DeleteSelection(b.doc, b.host, b.view);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 12; ++x)
            ASSERT_EQ(getpixel(&b.doc.Dib, x, y), MaskValue(b.doc, x, y) ? 1 : 2) << x << "," << y;

    // a placed piece goes, and the image under it is back
    Desk c;
    Attach(c.doc, Make24(10, 8, colourful));
    const std::vector<uint8_t> before = PixelBytes(c.doc.Dib);
    SelectRect(c.doc, 2, 2, 5, 5);
    UpdateSelddib(c.doc, c.host);
    c.drag(Tool::Hand, 3, 3, 6, 5); // lift and move
    ASSERT_TRUE(c.doc.Floating);
    ASSERT_NE(PixelBytes(c.doc.Dib), before);
    DeleteSelection(c.doc, c.host, c.view);
    EXPECT_FALSE(c.doc.Floating);
    EXPECT_FALSE(c.doc.HasSelection);
    EXPECT_EQ(c.doc.FloatDib.Bits, nullptr);
    // the lift left a hole of BackColor: that is what lay under the piece
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            const bool hole = x >= 2 && x <= 5 && y >= 2 && y <= 5;
            ASSERT_EQ(getpixel(&c.doc.Dib, x, y), hole ? c.doc.BackColor : colourful(x, y));
        }

    // a paste still waiting for its click is taken away the same way
    Desk w;
    WhiteDoc(w, 8, 8);
    ClipboardContent clip;
    ASSERT_TRUE(CopyToClipboard(a.doc, a.host, clip));
    ASSERT_TRUE(PasteAlsAuswahl(w.doc, w.host, w.view, clip, false));
    w.move(2, 2);
    DeleteSelection(w.doc, w.host, w.view);
    EXPECT_EQ(w.doc.MouseMode, 0);
    EXPECT_FALSE(w.doc.Tracking);
    EXPECT_EQ(w.doc.FloatDib.Bits, nullptr);
    EXPECT_EQ(getpixel(&w.doc.Dib, 3, 3), 0xFFFFFF);
}

TEST(ClipboardCut, CopiesThenDeletes) {
    Desk d;
    Attach(d.doc, Make24(8, 6, colourful));
    d.doc.BackColor = 0;
    SelectRect(d.doc, 1, 1, 3, 2);
    UpdateSelddib(d.doc, d.host);
    ClipboardContent clip;
    ASSERT_TRUE(CutToClipboard(d.doc, d.host, d.view, clip));
    EXPECT_EQ(getpixel(&d.doc.Dib, 2, 2), 0);
    EXPECT_EQ(getpixel(&d.doc.Dib, 4, 2), colourful(4, 2));
    TDibRecord piece;
    ASSERT_TRUE(PasteAsNewImage(clip, d.host, piece));
    DibHolder hold(piece);
    ASSERT_EQ(DibWidth(&piece), 3);
    ASSERT_EQ(DibHeight(&piece), 2);
    EXPECT_EQ(getpixel(&piece, 2, 1), colourful(3, 2));

    // a copy that cannot be made deletes nothing
    Desk e;
    Attach(e.doc, Make24(300, 200, colourful));
    const std::vector<uint8_t> before = PixelBytes(e.doc.Dib);
    ClipboardContent big;
    {
        // the shape record of a selection copy comes from the library
        SelectRect(e.doc, 0, 0, 299, 199);
        UpdateSelddib(e.doc, e.host);
        AllocLimit limit(PictoraAllocatedBytes() + 16);
        EXPECT_FALSE(CutToClipboard(e.doc, e.host, e.view, big));
    }
    EXPECT_EQ(PixelBytes(e.doc.Dib), before);
    EXPECT_EQ(e.doc.UndoCount, 0);
    EXPECT_FALSE(big.Dib.has_value());
    ASSERT_EQ(e.host.messages.size(), 1u);
    EXPECT_EQ(e.host.messages[0].text, kTextNoMemory);
}

TEST(ClipboardBmp, FileFormOfABlockAndBack) {
    const std::vector<uint8_t> dib = plainBlock(3, 2, 4);
    const std::vector<uint8_t> file = BmpFileFromDib(dib);
    ASSERT_EQ(file.size(), dib.size() + 14);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | (file[3] << 8), static_cast<int>(file.size()));
    EXPECT_EQ(file[10], 14 + 40 + 64);
    std::vector<uint8_t> back;
    ASSERT_TRUE(DibFromBmpFile(file.data(), file.size(), back));
    EXPECT_EQ(back, dib);
    // a file whose pixels do not follow the table directly is no packed bitmap
    std::vector<uint8_t> gap = file;
    gap[10] = static_cast<uint8_t>(gap[10] + 4);
    EXPECT_FALSE(DibFromBmpFile(gap.data(), gap.size(), back));
    EXPECT_FALSE(DibFromBmpFile(file.data(), 30, back));
    std::vector<uint8_t> png = file;
    png[0] = 0x89;
    EXPECT_FALSE(DibFromBmpFile(png.data(), png.size(), back));
}

} // namespace
} // namespace pixorama

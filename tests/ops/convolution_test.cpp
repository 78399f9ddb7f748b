// DibFilter against a plain reference loop, the built-in kernels, selection, undo and memory.
#include "ops/convolution.h"

#include "document/undo.h"

#include "image_helpers.h"
#include "recording_host.h"
#include "simd_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace pixorama {
namespace {

using namespace testing;

// The formula written out plainly: edges replicated, 64-bit sums (no kernel here overflows 32
// bits), division truncating toward zero, then bias and clamp.
TDibRecord referenceFilter(const TDibRecord& src, const TFilterRecord& f) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    TDibRecord out = Make24(w, h, [&](int32_t x, int32_t y) {
        int32_t result = 0;
        for (int ch = 0; ch < 3; ++ch) {
            int64_t sum = 0;
            for (int c = 0; c < 5; ++c)
                for (int r = 0; r < 5; ++r) {
                    const int32_t sx = std::clamp(x + c - 2, 0, w - 1);
                    const int32_t sy = std::clamp(y + r - 2, 0, h - 1);
                    sum += int64_t(f.Matrix[c][r]) * ((getpixel(&src, sx, sy) >> (8 * ch)) & 255);
                }
            const int64_t v = std::clamp<int64_t>(sum / f.Divisor + f.Bias, 0, 255);
            result |= int32_t(v) << (8 * ch);
        }
        return result;
    });
    return out;
}

int32_t noise(int32_t x, int32_t y) {
    uint32_t s = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
    s ^= s >> 13;
    s *= 0x5bd1e995u;
    return int32_t((s ^ (s >> 15)) & 0xFFFFFF);
}

TEST(Convolution, BuiltinKernelsMatchTheReference) {
    ASSERT_EQ(kBuiltinFilters.size(), 12u);
    // written rows land transposed in Matrix[column][row]
    const TFilterRecord h = PrepareBuiltinFilter(*FindBuiltinFilter("find-h-edges"));
    EXPECT_EQ(h.Matrix[1][2], -1); // left column
    EXPECT_EQ(h.Matrix[3][2], 1);
    const TFilterRecord v = PrepareBuiltinFilter(*FindBuiltinFilter("find-v-edges"));
    EXPECT_EQ(v.Matrix[2][1], -1); // upper row
    EXPECT_EQ(v.Matrix[2][3], 1);
    EXPECT_EQ(FindBuiltinFilter("blur"), nullptr);

    for (SimdLevel simd : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(simd);
        for (const TBuiltinFilter& f : kBuiltinFilters) {
            for (int32_t w : {1, 2, 7, 37}) {
                RecordingHost host;
                DocumentState doc;
                Attach(doc, Make24(w, 9, noise));
                TDibRecord expected = referenceFilter(doc.Dib, PrepareBuiltinFilter(f));
                if (f.InvertAfter)
                    for (int32_t y = 0; y < 9; ++y)
                        for (int32_t x = 0; x < w; ++x)
                            setpixel(&expected, x, y, getpixel(&expected, x, y) ^ 0xFFFFFF);
                ApplyBuiltinFilter(doc, host, f);
                EXPECT_EQ(PixelBytes(doc.Dib), PixelBytes(expected))
                    << f.CliName << " width " << w << " simd " << SimdLevelName(simd);
                EXPECT_EQ(doc.UndoCount, 1);
                deldib(&expected);
            }
        }
    }
}

TEST(Convolution, DivisorsAndBiases) {
    // every way of dividing and adding the bias, with and without the vector routines
    int32_t rows[5][5] = {
        {0, 0, 0, 0, 0}, {0, 1, 2, 1, 0}, {-3, 2, 7, 2, 1}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 2}};
    const std::pair<int32_t, int32_t> cases[] = {{1, 0},     {-1, 300},   {2, -5},    {3, 0},
                                                 {7, 12},    {-7, 200},   {13, 1},    {100, 40},
                                                 {255, 0},   {-40, 90},   {1000, 99}, {40000, 7},
                                                 {5, 40000}, {9, -40000}, {6, 32767}, {6, -32767}};
    for (SimdLevel simd : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(simd);
        for (const auto& [divisor, bias] : cases) {
            RecordingHost host;
            DocumentState doc;
            Attach(doc, Make24(19, 5, noise));
            const TFilterRecord f = FilterFromRows(rows, divisor, bias);
            TDibRecord expected = referenceFilter(doc.Dib, f);
            DibFilter(doc, host, f);
            EXPECT_EQ(PixelBytes(doc.Dib), PixelBytes(expected))
                << divisor << " " << bias << " simd " << SimdLevelName(simd);
            deldib(&expected);
        }
    }
    // a kernel of zeros leaves the bias
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(3, 2, noise));
    int32_t zero[5][5] = {};
    DibFilter(doc, host, FilterFromRows(zero, 4, 77));
    EXPECT_EQ(getpixel(&doc.Dib, 2, 1), Rgb(77, 77, 77));
    // a divisor of 0 is refused after the undo level
    const std::vector<uint8_t> before = PixelBytes(doc.Dib);
    DibFilter(doc, host, FilterFromRows(rows, 0, 0));
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    EXPECT_EQ(doc.UndoCount, 2);
}

TEST(Convolution, OneColourImagesAndBorders) {
    auto run = [](const char* name) {
        RecordingHost host;
        DocumentState doc;
        Attach(doc, Make24(6, 5, [](int32_t, int32_t) { return Rgb(90, 150, 210); }));
        ApplyBuiltinFilter(doc, host, *FindBuiltinFilter(name));
        std::vector<int32_t> values;
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 6; ++x)
                values.push_back(getpixel(&doc.Dib, x, y));
        return values;
    };
    const auto all = [](int32_t v) { return std::vector<int32_t>(30, v); };
    EXPECT_EQ(run("soften"), all(Rgb(90, 150, 210)));
    EXPECT_EQ(run("soften-strong"), all(Rgb(90, 150, 210)));
    EXPECT_EQ(run("sharpen-strong"), all(Rgb(90, 150, 210)));
    EXPECT_EQ(run("find-edges"), all(0));
    EXPECT_EQ(run("emboss-h"), all(Rgb(128, 128, 128)));
    EXPECT_EQ(run("contour"), all(Rgb(255, 255, 255)));

    // the histogram is counted last from the inverted picture
    struct SnapshotHost : RecordingHost {
        const DocumentState* doc = nullptr;
        int32_t counted = -1;
        void Updatehistogramm() override { counted = getpixel(&doc->Dib, 0, 0); }
    } snapshot;
    DocumentState doc;
    snapshot.doc = &doc;
    Attach(doc, Make24(6, 5, [](int32_t, int32_t) { return Rgb(90, 150, 210); }));
    ApplyBuiltinFilter(doc, snapshot, *FindBuiltinFilter("contour"));
    EXPECT_EQ(snapshot.counted, Rgb(255, 255, 255));
}

TEST(Convolution, TruncationClampingAndLargeWeights) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(3, 1, [](int32_t, int32_t) { return Rgb(1, 100, 255); }));
    int32_t rows[5][5] = {};
    rows[2][2] = -7;
    DibFilter(doc, host, FilterFromRows(rows, 2, 10));
    // -7 / 2 = -3 (toward zero), + 10; -700 / 2 + 10 < 0; -1785 / 2 + 10 < 0
    EXPECT_EQ(getpixel(&doc.Dib, 1, 0), Rgb(7, 0, 0));

    // weights too large for the sixteen-bit path: the plain path gives the same formula
    DocumentState big;
    Attach(big, Make24(23, 4, noise));
    int32_t k[5][5] = {{0, 0, 3000, 0, 0},
                       {0, 0, 0, 0, 0},
                       {-2000, 0, 1, 0, 1999},
                       {0, 0, 0, 0, 0},
                       {0, 0, 0, 0, -7}};
    const TFilterRecord f = FilterFromRows(k, 997, -3);
    TDibRecord expected = referenceFilter(big.Dib, f);
    DibFilter(big, host, f);
    EXPECT_EQ(PixelBytes(big.Dib), PixelBytes(expected));
    deldib(&expected);

    // an asymmetric kernel with a negative divisor on the fast path
    DocumentState asym;
    Attach(asym, Make24(29, 6, noise));
    int32_t a[5][5] = {
        {1, 2, 0, 0, 0}, {0, 0, 0, 0, 5}, {0, -3, 4, 0, 0}, {0, 0, 0, 0, 0}, {9, 0, 0, 0, -1}};
    const TFilterRecord fa = FilterFromRows(a, -3, 200);
    expected = referenceFilter(asym.Dib, fa);
    DibFilter(asym, host, fa);
    EXPECT_EQ(PixelBytes(asym.Dib), PixelBytes(expected));
    deldib(&expected);
}

TEST(Convolution, SelectionUsesUnfilteredNeighbours) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(40, 8, noise));
    TDibRecord original = Make24(40, 8, noise);
    const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter("soften-strong"));
    TDibRecord filtered = referenceFilter(original, f);
    SelectRect(doc, 3, 2, 30, 5);
    setpixel(&doc.SelMask, 17, 3, 0); // a hole
    DibFilter(doc, host, f);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const bool in = x >= 3 && x <= 30 && y >= 2 && y <= 5 && !(x == 17 && y == 3);
            ASSERT_EQ(getpixel(&doc.Dib, x, y), getpixel(in ? &filtered : &original, x, y))
                << x << "," << y;
        }
    deldib(&original);
    deldib(&filtered);
}

TEST(Convolution, LargeImagesRunInBlocksOfRows) {
    // big enough to be split into blocks of rows that run in parallel
    for (const char* name : {"sharpen-strong", "edge-enhance", "find-v-edges"}) {
        RecordingHost host;
        DocumentState doc;
        Attach(doc, Make24(301, 290, noise));
        const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter(name));
        TDibRecord expected = referenceFilter(doc.Dib, f);
        TDibRecord original = MakeDIBCopy(doc.Dib, host);
        SelectRect(doc, 0, 0, 300, 100);
        recht_filled(&doc.SelMask, 20, 150, 280, 289, 1);
        DibFilter(doc, host, f);
        for (int32_t y = 0; y < 290; ++y)
            for (int32_t x = 0; x < 301; ++x) {
                const bool in = y <= 100 || (y >= 150 && x >= 20 && x <= 280);
                ASSERT_EQ(getpixel(&doc.Dib, x, y), getpixel(in ? &expected : &original, x, y))
                    << name << " " << x << "," << y;
            }
        EXPECT_EQ(host.progress.front(), 0);
        EXPECT_EQ(host.progress.back(), 0);
        EXPECT_GE(*std::max_element(host.progress.begin(), host.progress.end()), 50);
        deldib(&expected);
        deldib(&original);
    }
}

TEST(Convolution, BlockBoundariesInPlaceAndIntoTheLevel) {
    // the filter runs in blocks of 64 rows, into the undo level's buffer or (with no such
    // buffer) in place: last blocks of one and two rows, a boundary two rows before the end, and
    // rows on both sides of each boundary
    for (SimdLevel simd : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(simd);
        for (int32_t h : {62, 64, 65, 66, 129, 130})
            for (bool inPlace : {false, true}) {
                RecordingHost host;
                DocumentState doc;
                Attach(doc, Make24(11, h, noise));
                const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter("soften-strong"));
                TDibRecord expected = referenceFilter(doc.Dib, f);
                if (inPlace) {
                    SaveForUndo(doc, host);
                    ASSERT_EQ(PendingUndoImage(doc), nullptr);
                    EXPECT_TRUE(FilterPixels(doc, host, f));
                } else {
                    DibFilter(doc, host, f);
                }
                EXPECT_EQ(PixelBytes(doc.Dib), PixelBytes(expected))
                    << "height " << h << " simd " << SimdLevelName(simd) << " in place "
                    << inPlace;
                deldib(&expected);
            }
    }
}

TEST(Convolution, SmallSelectionsOnALargeImage) {
    // a few scattered pixels, the last column among them, mask padding bits set
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(301, 290, noise));
    const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter("soften-strong"));
    TDibRecord expected = referenceFilter(doc.Dib, f);
    TDibRecord original = MakeDIBCopy(doc.Dib, host);
    std::memset(doc.SelMask.Bits, 0x07, doc.SelMask.Info->bmiHeader.biSizeImage);
    SelectRect(doc, 101, 5, 103, 7);
    for (int32_t y = 0; y < 290; ++y) {
        uint8_t* row = doc.SelMask.Bits + static_cast<size_t>(289 - y) * doc.SelMask.LineBytes;
        row[37] |= 0x07; // padding bits after x = 300
    }
    setpixel(&doc.SelMask, 300, 289, 1);
    setpixel(&doc.SelMask, 0, 150, 1);
    DibFilter(doc, host, f);
    for (int32_t y = 0; y < 290; ++y)
        for (int32_t x = 0; x < 301; ++x) {
            const bool in = (x >= 101 && x <= 103 && y >= 5 && y <= 7) || (x == 300 && y == 289) ||
                            (x == 0 && y == 150);
            ASSERT_EQ(getpixel(&doc.Dib, x, y), getpixel(in ? &expected : &original, x, y))
                << x << "," << y;
        }
    deldib(&expected);
    deldib(&original);
}

TEST(Convolution, UndoProgressPaletteAndMemory) {
    // one row: filtered like any other, progress 0 throughout
    RecordingHost host;
    DocumentState row;
    Attach(row, Make24(10, 1, noise));
    TDibRecord expected = referenceFilter(row.Dib, PrepareBuiltinFilter(kBuiltinFilters[0]));
    DibFilter(row, host, PrepareBuiltinFilter(kBuiltinFilters[0]));
    EXPECT_EQ(PixelBytes(row.Dib), PixelBytes(expected));
    deldib(&expected);
    for (int p : host.progress)
        EXPECT_EQ(p, 0);
    EXPECT_EQ(host.histogramUpdates, 1);
    EXPECT_EQ(row.UndoCount, 1);
    EXPECT_TRUE(row.Modified);

    // three rows in one block: 0 before and after, 100 when the block is done; the scalar level
    // goes row by row and shows 0, 50, 100, in place after as much for its work copy
    const bool scalar = ActiveSimdLevel() == SimdLevel::Scalar;
    host.progress.clear();
    DocumentState three;
    Attach(three, Make24(4, 3, noise));
    DibFilter(three, host, PrepareBuiltinFilter(kBuiltinFilters[0]));
    const std::vector<int> blocks{0, 0, 100, 0, 0}, rows{0, 0, 50, 100, 0, 0};
    EXPECT_EQ(host.progress, scalar ? rows : blocks);
    host.progress.clear();
    SaveForUndo(three, host);
    EXPECT_TRUE(FilterPixels(three, host, PrepareBuiltinFilter(kBuiltinFilters[0])));
    const std::vector<int> inPlace{0, 100, 0}, copied{50, 100, 0, 50, 100, 0};
    EXPECT_EQ(host.progress, scalar ? copied : inPlace);

    // palette images are left alone, but the undo level is taken
    DocumentState pal;
    Attach(pal, MakePalette(8, {0x123456}, [](int32_t x, int32_t) { return x; }));
    const std::vector<uint8_t> before = PixelBytes(pal.Dib);
    DibFilter(pal, host, PrepareBuiltinFilter(kBuiltinFilters[6]));
    EXPECT_EQ(PixelBytes(pal.Dib), before);
    EXPECT_EQ(pal.UndoCount, 1);
    EXPECT_TRUE(pal.Modified);

    // no memory beyond the undo level: filtering into the level's buffer needs none
    DocumentState doc;
    Attach(doc, Make24(100, 100, noise));
    const std::vector<uint8_t> image = PixelBytes(doc.Dib);
    expected = referenceFilter(doc.Dib, PrepareBuiltinFilter(kBuiltinFilters[6]));
    host.messages.clear();
    {
        AllocLimit limit(PictoraAllocatedBytes() + image.size() + 2 * sizeof(TBitmapInfo) + 512);
        DibFilter(doc, host, PrepareBuiltinFilter(kBuiltinFilters[6]));
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(PixelBytes(doc.Dib), PixelBytes(expected));
    deldib(&expected);
    ASSERT_EQ(doc.UndoCount, 1);
    EXPECT_EQ(PixelBytes(doc.UndoLevels[0].Image), image);

    // filtering in place, no memory for the rows kept at the block boundary: the message, the
    // image unchanged
    SaveForUndo(doc, host);
    const std::vector<uint8_t> once = PixelBytes(doc.Dib);
    {
        AllocLimit limit(PictoraAllocatedBytes() + 512);
        EXPECT_FALSE(FilterPixels(doc, host, PrepareBuiltinFilter(kBuiltinFilters[6])));
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Fehler: Nicht genügent Speicher für diese Aktion!");
    EXPECT_EQ(host.messages[0].caption, "Fehler");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    EXPECT_EQ(PixelBytes(doc.Dib), once);
    EXPECT_EQ(host.progress.back(), 0);

    // no memory for a new buffer either: the level is copied... and without room for the copy
    // the shortage message of the undo level comes first; the image stays as it was
    DocumentState tight;
    Attach(tight, Make24(100, 100, noise));
    const std::vector<uint8_t> tightBefore = PixelBytes(tight.Dib);
    host.messages.clear();
    {
        AllocLimit limit(PictoraAllocatedBytes() + 512);
        DibFilter(tight, host, PrepareBuiltinFilter(kBuiltinFilters[6]));
    }
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "Fehler: Nicht genügent Speicher für diese Aktion!");
    EXPECT_EQ(PixelBytes(tight.Dib), tightBefore);
    EXPECT_FALSE(tight.UndoImagePending);
}

// A noisy image whose rows carry padding bytes set to a mark, so that a padding byte lost or
// left unwritten in the new buffer shows.
TDibRecord markedNoise(int32_t w, int32_t h) {
    TDibRecord d = Make24(w, h, noise);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t i = 3 * w; i < d.LineBytes; ++i)
            d.Bits[static_cast<size_t>(y) * static_cast<size_t>(d.LineBytes) + static_cast<size_t>(i)] =
                0xA5;
    return d;
}

// Every kernel of the store and one too large for sixteen bits.
std::vector<TFilterRecord> everyKernel() {
    std::vector<TFilterRecord> all;
    for (const TBuiltinFilter& f : kBuiltinFilters)
        all.push_back(PrepareBuiltinFilter(f));
    int32_t big[5][5] = {{0, 0, 3000, 0, 0},
                         {0, 0, 0, 0, 0},
                         {-2000, 0, 1, 0, 1999},
                         {0, 0, 0, 0, 0},
                         {0, 0, 0, 0, -7}};
    all.push_back(FilterFromRows(big, 997, -3));
    return all;
}

TEST(Convolution, TheOldBufferBecomesTheUndoLevel) {
    // the result into a new buffer gives the same bytes (padding included) as filtering in
    // place; the old buffer is the level, untouched, and undo gives it back
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 3},
                                                 {13, 70}, {301, 130}};
    for (SimdLevel simd : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(simd);
        for (const auto& [w, h] : sizes)
            for (int selection = 0; selection < 3; ++selection) {
                int kernel = 0;
                for (const TFilterRecord& f : everyKernel()) {
                    SCOPED_TRACE(std::string(SimdLevelName(simd)) + " " + std::to_string(w) +
                                 "x" + std::to_string(h) + " selection " +
                                 std::to_string(selection) + " kernel " + std::to_string(kernel++));
                    RecordingHost host;
                    DocumentState doc, twin;
                    Attach(doc, markedNoise(w, h));
                    Attach(twin, markedNoise(w, h));
                    for (DocumentState* d : {&doc, &twin}) {
                        if (selection == 1) { // a rectangle with a hole
                            SelectRect(*d, w / 3, h / 3, w - 1, h - 1);
                            setpixel(&d->SelMask, w - 1, h - 1, 0);
                        } else if (selection == 2) { // every other row, from the second
                            SelectRect(*d, 0, 0, w - 1, h - 1);
                            for (int32_t y = 0; y < h; y += 2)
                                for (int32_t x = 0; x < w; ++x)
                                    setpixel(&d->SelMask, x, y, 0);
                        }
                    }
                    const std::vector<uint8_t> before = PixelBytes(doc.Dib);
                    const uint8_t* oldBuffer = doc.Dib.Bits;
                    DibFilter(doc, host, f);
                    SaveForUndo(twin, host);
                    ASSERT_TRUE(FilterPixels(twin, host, f));
                    EXPECT_FALSE(doc.UndoImagePending);
                    EXPECT_EQ(PixelBytes(doc.Dib), PixelBytes(twin.Dib));
                    ASSERT_EQ(doc.UndoCount, 1);
                    EXPECT_EQ(doc.UndoLevels[0].Image.Bits, oldBuffer);
                    EXPECT_EQ(PixelBytes(doc.UndoLevels[0].Image), before);
                    EXPECT_TRUE(host.messages.empty());
                    LoadFromUndo(doc, host);
                    EXPECT_EQ(PixelBytes(doc.Dib), before);
                }
            }
    }
}

TEST(Convolution, ThreeLevelsComeBackExactly) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, markedNoise(301, 130));
    std::vector<std::vector<uint8_t>> states{PixelBytes(doc.Dib)};
    const char* names[] = {"sharpen-strong", "soften", "emboss-v", "find-edges", "soften-weak"};
    for (int i = 0; i < 5; ++i) {
        if (i == 2)
            SelectRect(doc, 20, 10, 200, 100);
        DibFilter(doc, host, PrepareBuiltinFilter(*FindBuiltinFilter(names[i])));
        states.push_back(PixelBytes(doc.Dib));
        EXPECT_NE(states[static_cast<size_t>(i)], states[static_cast<size_t>(i) + 1]);
        EXPECT_EQ(doc.UndoCount, std::min(i + 1, 3));
    }
    for (int k = 4; k >= 2; --k) {
        LoadFromUndo(doc, host);
        EXPECT_EQ(PixelBytes(doc.Dib), states[static_cast<size_t>(k)]) << "state " << k;
    }
    EXPECT_EQ(doc.UndoCount, 0);
    EXPECT_TRUE(host.messages.empty());

    // a palette image is left alone with a copied level; a divisor of 0 likewise on 24 bits
    DocumentState pal;
    Attach(pal, MakePalette(8, {0x123456, 0xABCDEF}, [](int32_t x, int32_t) { return x & 1; }));
    const std::vector<uint8_t> palBefore = PixelBytes(pal.Dib);
    DibFilter(pal, host, PrepareBuiltinFilter(kBuiltinFilters[6]));
    ASSERT_EQ(pal.UndoCount, 1);
    EXPECT_NE(pal.UndoLevels[0].Image.Bits, pal.Dib.Bits);
    EXPECT_EQ(PixelBytes(pal.UndoLevels[0].Image), palBefore);
    EXPECT_EQ(PixelBytes(pal.Dib), palBefore);
    const std::vector<uint8_t> now = PixelBytes(doc.Dib);
    DibFilter(doc, host, FilterFromRows(kBuiltinFilters[6].Rows, 0, 0));
    EXPECT_FALSE(doc.UndoImagePending);
    EXPECT_EQ(PixelBytes(doc.Dib), now);
    EXPECT_EQ(PixelBytes(doc.UndoLevels[static_cast<size_t>(doc.UndoCount) - 1].Image), now);
}

} // namespace
} // namespace pixorama

// Shadow, button, mosaic, the neighbourhood filters, noise, perspective, skew and bulge.
#include "ops/deformations.h"
#include "ops/effects.h"
#include "ops/geometry.h"

#include "document/selection.h"
#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace pixorama {
namespace {

using namespace testing;

int32_t grey(int32_t v) {
    return Rgb(v, v, v);
}

class Effects : public ::testing::Test {
  protected:
    void attach(TDibRecord d) { Attach(doc, d); }
    void select(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        SelectRect(doc, x0, y0, x1, y1);
        UpdateSelddib(doc, host);
    }
    DocumentState doc;
    RecordingHost host;
};

TEST_F(Effects, NeighbourhoodFiltersFollowTheirWorkedExamples) {
    attach(Make24(6, 6, [](int32_t, int32_t) { return grey(255); }));
    DibDilateFilter(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 2, 2), grey(255));
    EXPECT_EQ(doc.UndoCount, 1);
    EXPECT_EQ(host.histogramUpdates, 1);
    DocumentState mid;
    Attach(mid, Make24(6, 6, [](int32_t, int32_t) { return grey(128); }));
    const auto before = PixelBytes(mid.Dib);
    DibDilateFilter(mid, host);
    DibErodeFilter(mid, host); // luminance 128 >= 96 keeps it
    EXPECT_EQ(PixelBytes(mid.Dib), before);
    DocumentState ninety;
    Attach(ninety, Make24(7, 7, [](int32_t, int32_t) { return grey(90); }));
    DibErodeFilter(ninety, host);
    EXPECT_EQ(getpixel(&ninety.Dib, 3, 3), grey(45));
    EXPECT_EQ(getpixel(&ninety.Dib, 0, 6), grey(45)); // the margin repeats the edge
}

TEST_F(Effects, DelNoiseAveragesOutliersOnly) {
    attach(Make24(9, 9, [](int32_t x, int32_t y) { return x == 4 && y == 4 ? grey(255) : 0; }));
    DocumentState same;
    Attach(same, Make24(9, 9, [](int32_t x, int32_t y) { return x == 4 && y == 4 ? grey(255) : 0; }));
    const auto before = PixelBytes(same.Dib);
    DelNoise(same, host, 255);
    EXPECT_EQ(PixelBytes(same.Dib), before);
    DelNoise(doc, host, 50);
    EXPECT_EQ(getpixel(&doc.Dib, 4, 4), grey(10));
    EXPECT_EQ(getpixel(&doc.Dib, 3, 4), 0); // average 10 is within 50 of 0
    // only selected pixels change
    DocumentState part;
    Attach(part, Make24(9, 9, [](int32_t x, int32_t y) { return x == 4 && y == 4 ? grey(255) : 0; }));
    SelectRect(part, 0, 0, 3, 3);
    UpdateSelddib(part, host);
    DelNoise(part, host, 50);
    EXPECT_EQ(getpixel(&part.Dib, 4, 4), grey(255));
}

TEST_F(Effects, NeighbourhoodFilterWithoutMemoryKeepsTheImage) {
    attach(Make24(30, 30, [](int32_t x, int32_t y) { return grey(x + y); }));
    const auto before = PixelBytes(doc.Dib);
    {
        AllocLimit limit(PictoraAllocatedBytes() + 6000); // the undo level fits, the work copy not
        DibErodeFilter(doc, host);
    }
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "Fehler: Nicht genügent Speicher für diese Aktion!");
    EXPECT_EQ(host.messages.back().caption, "Fehler");
    EXPECT_EQ(PixelBytes(doc.Dib), before);
}

// The neighbourhood rules straight from their definition, clamping at the border.
int32_t neighbourhoodRule(const TDibRecord& src, int kind, int32_t t, int32_t x, int32_t y) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    int32_t s[3] = {0, 0, 0};
    for (int32_t dy = -2; dy <= 2; ++dy)
        for (int32_t dx = -2; dx <= 2; ++dx) {
            const int32_t v = getpixel(&src, std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1));
            s[0] += BlueOf(v), s[1] += GreenOf(v), s[2] += RedOf(v);
        }
    const int32_t old = getpixel(&src, x, y), S = 30 * s[2] + 59 * s[1] + 11 * s[0];
    if (kind == 0)
        return S / 2500 < 96 ? Rgb(s[2] / 50, s[1] / 50, s[0] / 50) : old;
    if (kind == 1)
        return S / 2500 > 160 ? grey(std::min(S / 2000, 255)) : old;
    const int32_t a[3] = {s[0] / 25, s[1] / 25, s[2] / 25};
    return std::abs(a[2] - RedOf(old)) > t || std::abs(a[1] - GreenOf(old)) > t ||
                   std::abs(a[0] - BlueOf(old)) > t
               ? Rgb(a[2], a[1], a[0])
               : old;
}

// Patches of random brightness with noise on top reach both sides of every rule; large enough
// for the parallel row blocks, runs of the selection not aligned to 16 pixels.
TEST_F(Effects, NeighbourhoodFiltersOnEveryPathFollowTheRules) {
    uint32_t seed = 99;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    const int32_t w = 301, h = 290;
    std::vector<int32_t> base(static_cast<size_t>((w / 6 + 1) * (h / 6 + 1)));
    for (int32_t& b : base)
        b = static_cast<int32_t>(next() % 256);
    std::vector<int32_t> px(static_cast<size_t>(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t b = base[static_cast<size_t>((y / 6) * (w / 6 + 1) + x / 6)];
            auto ch = [&] { return std::clamp(b + static_cast<int32_t>(next() % 61) - 30, 0, 255); };
            const int32_t r = ch(), g = ch(), bl = ch();
            px[static_cast<size_t>(y * w + x)] = Rgb(r, g, bl);
        }
    DibHolder src(Make24(w, h, [&](int32_t x, int32_t y) { return px[static_cast<size_t>(y * w + x)]; }));
    for (int kind = 0; kind < 3; ++kind)
        for (bool selected : {false, true})
            for (int level : {0, 2}) {
                SetGeometrySimd(level);
                DocumentState d;
                Attach(d, MakeDIBCopy(src.get(), host));
                if (selected) {
                    SelectRect(d, 7, 3, 250, 281);
                    UpdateSelddib(d, host);
                }
                const int32_t t = 17;
                if (kind == 0)
                    DibErodeFilter(d, host);
                else if (kind == 1)
                    DibDilateFilter(d, host);
                else
                    DelNoise(d, host, t);
                int32_t wrong = 0, changed = 0;
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x) {
                        const bool in = !selected || getpixel(&d.SelMask, x, y) != 0;
                        const int32_t old = getpixel(&src.get(), x, y);
                        const int32_t want = in ? neighbourhoodRule(src.get(), kind, t, x, y) : old;
                        wrong += getpixel(&d.Dib, x, y) != want;
                        changed += want != old;
                    }
                EXPECT_EQ(wrong, 0) << "kind " << kind << " selected " << selected << " level " << level;
                EXPECT_GT(changed, w * h / 20) << "the image must reach the rule's changing side";
            }
    SetGeometrySimd(2);
}

TEST_F(Effects, NoiseUsesTheHostGenerator) {
    attach(Make24(10, 10, [](int32_t x, int32_t y) { return grey(x * 20 + y); }));
    const auto before = PixelBytes(doc.Dib);
    AddNoise(doc, host, 1, 100); // random(1) - 0 = 0
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    DocumentState a, b;
    Attach(a, Make24(10, 10, [](int32_t, int32_t) { return grey(100); }));
    Attach(b, Make24(10, 10, [](int32_t, int32_t) { return grey(100); }));
    RecordingHost ha, hb;
    ha.Seed(7);
    hb.Seed(7);
    AddNoiseCommand(a, ha, 96, 50);
    AddNoiseCommand(b, hb, 96, 50);
    EXPECT_EQ(PixelBytes(a.Dib), PixelBytes(b.Dib));
    EXPECT_NE(PixelBytes(a.Dib), before);
    EXPECT_EQ(a.UndoCount, 1);
    for (uint8_t v : PixelBytes(a.Dib))
        EXPECT_TRUE(v == 100 || (v >= 100 - 48 && v <= 100 + 47) || v == 0);
}

TEST_F(Effects, MosaicOnEveryDepth) {
    for (int bpp : {1, 4, 8, 24}) {
        DocumentState d;
        Attach(d, bpp == 24 ? Make24(7, 5, [](int32_t x, int32_t y) { return Rgb(x, y, x + y); })
                            : MakePalette(bpp, {}, [bpp](int32_t x, int32_t y) {
                                  return (x + 3 * y) % (bpp == 1 ? 2 : 16);
                              }, 7, 5));
        DibHolder old(MakeDIBCopy(d.Dib, host));
        MosaikEffekt(d, host, 1, 1);
        EXPECT_EQ(PixelBytes(d.Dib), PixelBytes(old.get())) << bpp;
        MosaikEffekt(d, host, 3, 2);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 7; ++x)
                ASSERT_EQ(getpixel(&d.Dib, x, y), getpixel(&old.get(), x / 3 * 3, y / 2 * 2)) << bpp;
        MosaikEffekt(d, host, 100, 100); // blocks larger than the image: the first pixel
        EXPECT_EQ(getpixel(&d.Dib, 6, 4), getpixel(&old.get(), 0, 0));
    }
}

TEST_F(Effects, MosaicWithASelectionCarriesTheLastValue) {
    attach(Make24(6, 2, [](int32_t x, int32_t y) { return Rgb(x + 1, y, 0); }));
    select(1, 0, 5, 1); // column 0 unselected: the first block's value is never taken
    MosaikEffekt(doc, host, 3, 1);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), Rgb(1, 0, 0));
    EXPECT_EQ(getpixel(&doc.Dib, 1, 0), 0);               // nothing taken yet: 0
    EXPECT_EQ(getpixel(&doc.Dib, 4, 0), Rgb(4, 0, 0));    // taken at x = 3
    EXPECT_EQ(getpixel(&doc.Dib, 1, 1), Rgb(4, 0, 0));    // runs on into the next row
}

TEST_F(Effects, ShadowFollowsTheSelection) {
    attach(Make24(40, 30, [](int32_t, int32_t) { return grey(200); }));
    select(5, 5, 14, 14);
    const auto before = PixelBytes(doc.Dib);
    DrawShadow(doc, host, 0, 0, 10, 10, 0); // every candidate is selected itself
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    DrawShadow(doc, host, 3, 2, 0, 0, Rgb(255, 0, 0)); // hard: the plain colour
    EXPECT_EQ(getpixel(&doc.Dib, 17, 16), Rgb(255, 0, 0));
    EXPECT_EQ(getpixel(&doc.Dib, 10, 10), grey(200)); // selected: untouched
    EXPECT_EQ(getpixel(&doc.Dib, 18, 16), grey(200));
    // transparency 50 mixes half and half
    DrawShadow(doc, host, -3, 20, 50, 0, 0);
    EXPECT_EQ(getpixel(&doc.Dib, 2, 25), grey(100));
    // near and over the image border nothing fails and nothing outside the shadow changes
    DrawShadow(doc, host, -100, 100, 10, 50, 0);
    DrawShadow(doc, host, 30, -8, 10, 100, 0);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), grey(200));
}

TEST_F(Effects, HardShadowOnPaletteImages) {
    attach(MakePalette(8, {0xFFFFFF, 0xFF0000}, [](int32_t, int32_t) { return 0; }, 20, 20));
    select(2, 2, 5, 5);
    ShadowCommand(doc, host, 2, 2, 10, 10, 4); // red: nearest palette entry 1
    EXPECT_EQ(getpixel(&doc.Dib, 7, 7), 1);
    EXPECT_EQ(getpixel(&doc.Dib, 4, 4), 0);
    EXPECT_EQ(doc.UndoCount, 1);
    EXPECT_EQ(EffectColor(doc, 1), doc.BackColor);
    EXPECT_EQ(EffectColor(doc, 9), doc.BackColor);
}

TEST_F(Effects, ButtonWorkedExampleAndDegenerateCases) {
    attach(Make24(120, 70, [](int32_t, int32_t) { return grey(60); }));
    select(10, 10, 109, 59); // 100 x 50
    Buttonize(doc, host, 10, 0, true, grey(255));
    EXPECT_EQ(getpixel(&doc.Dib, 10, 34), grey(128));
    EXPECT_EQ(getpixel(&doc.Dib, 109, 34), grey(0));
    EXPECT_EQ(getpixel(&doc.Dib, 60, 34), grey(60)); // the middle is not in a band
    EXPECT_EQ(getpixel(&doc.Dib, 9, 34), grey(60));
    // the vertical band is 5 rows: row 15 (dT = 5) is shaded, row 16 is not
    EXPECT_NE(getpixel(&doc.Dib, 60, 15), grey(60));
    EXPECT_EQ(getpixel(&doc.Dib, 60, 16), grey(60));
    // width 0, or a one-pixel-wide selection: nothing changes
    const auto before = PixelBytes(doc.Dib);
    Buttonize(doc, host, 0, 0, true, grey(255));
    select(3, 3, 3, 40);
    Buttonize(doc, host, 10, 0, false, grey(255));
    select(3, 3, 3, 3);
    Buttonize(doc, host, 10, 0, false, grey(255));
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    // a selection reaching over the border of the image
    select(100, 50, 119, 69);
    Buttonize(doc, host, 5, 30, false, Rgb(0, 0, 255));
    EXPECT_EQ(getpixel(&doc.Dib, 99, 65), grey(60));
    EXPECT_NE(getpixel(&doc.Dib, 100, 60), grey(60));
}

TEST_F(Effects, PerspectiveAndSkew) {
    attach(Make24(100, 100, [](int32_t x, int32_t y) { return Rgb(x, y, 7); }));
    doc.BackColor = Rgb(1, 2, 3);
    DibHolder src(MakeDIBCopy(doc.Dib, host));
    for (bool persp : {true, false})
        for (bool horz : {true, false}) {
            Perspektive(doc, host, src.get(), 0, horz, persp);
            EXPECT_EQ(PixelBytes(doc.Dib), PixelBytes(src.get()));
        }
    Perspektive(doc, host, src.get(), 100, true, true);
    EXPECT_EQ(getpixel(&doc.Dib, 99, 50), Rgb(99, 99, 7)); // the last row lands last
    EXPECT_EQ(getpixel(&doc.Dib, 99, 10), Rgb(1, 2, 3));
    EXPECT_EQ(getpixel(&doc.Dib, 0, 10), Rgb(0, 10, 7));
    Perspektive(doc, host, src.get(), -100, false, true);
    EXPECT_EQ(getpixel(&doc.Dib, 10, 0), Rgb(1, 2, 3));
    EXPECT_EQ(getpixel(&doc.Dib, 10, 99), Rgb(10, 99, 7));
    Perspektive(doc, host, src.get(), 100, true, false); // top row 50 right
    EXPECT_EQ(getpixel(&doc.Dib, 50, 0), Rgb(0, 0, 7));
    EXPECT_EQ(getpixel(&doc.Dib, 10, 0), Rgb(1, 2, 3));
    EXPECT_EQ(getpixel(&doc.Dib, 0, 99), Rgb(49, 99, 7)); // bottom row 49 left
    // a one-pixel-wide image does not fail
    DocumentState thin;
    Attach(thin, Make24(1, 5, [](int32_t, int32_t y) { return grey(y); }));
    DibHolder thinSrc(MakeDIBCopy(thin.Dib, host));
    Perspektive(thin, host, thinSrc.get(), 60, true, true);
    Perspektive(thin, host, thinSrc.get(), -60, false, true);
    EXPECT_EQ(getpixel(&thin.Dib, 0, 4), grey(4));
}

TEST_F(Effects, PerspectiveCommandTakesOneUndoLevelAndRespectsTheSelection) {
    attach(Make24(20, 20, [](int32_t x, int32_t y) { return Rgb(x, y, 0); }));
    select(0, 0, 9, 19);
    PerspectiveCommand(doc, host, 50, true, true);
    EXPECT_EQ(doc.UndoCount, 1);
    for (int32_t y = 0; y < 20; ++y)
        EXPECT_EQ(getpixel(&doc.Dib, 15, y), Rgb(15, y, 0));
}

TEST_F(Effects, BulgeStrengths) {
    attach(Make24(101, 3, [](int32_t x, int32_t y) { return Rgb(x, y, 0); }));
    DibHolder src(MakeDIBCopy(doc.Dib, host));
    Woelben(doc, host, src.get(), true, 1.0, true); // unchanged apart from the truncation
    for (int32_t x = 0; x < 101; ++x)
        EXPECT_LE(std::abs(RedOf(getpixel(&doc.Dib, x, 1)) - x), 1);
    Woelben(doc, host, src.get(), true, 2.0, false);
    EXPECT_EQ(getpixel(&doc.Dib, 75, 0), Rgb(62, 0, 0));
    EXPECT_EQ(getpixel(&doc.Dib, 25, 0), Rgb(38, 0, 0));
    Woelben(doc, host, src.get(), true, 0.01, true); // nearly everything from the rim
    EXPECT_EQ(getpixel(&doc.Dib, 60, 1), Rgb(99, 1, 0)); // 50 + trunc(50 * 0.2^0.01)
    Woelben(doc, host, src.get(), true, 10.0, true); // nearly everything from the middle
    EXPECT_EQ(getpixel(&doc.Dib, 60, 1), Rgb(50, 1, 0));
    BulgeCommand(doc, host, true, 1.4, true);
    EXPECT_EQ(doc.UndoCount, 1);
}

TEST(Deformations, PerspectiveOutline) {
    TOutline o = PerspectiveOutline(100, 80, 50, true, true);
    EXPECT_EQ(o.P[0], (TPoint{99, 20}));
    EXPECT_EQ(o.P[3], (TPoint{99, 59}));
    o = PerspectiveOutline(100, 80, -50, false, true);
    EXPECT_EQ(o.P[0], (TPoint{25, 0}));
    EXPECT_EQ(o.P[3], (TPoint{74, 0}));
    o = PerspectiveOutline(100, 80, 50, true, false);
    EXPECT_EQ(o.P[0], (TPoint{25, 0}));
    EXPECT_EQ(o.P[3], (TPoint{-25, 79}));
    o = PerspectiveOutline(100, 80, -30, false, false);
    EXPECT_EQ(o.P[0], (TPoint{0, -12}));
    EXPECT_EQ(o.P[2], (TPoint{99, 92}));
}

} // namespace
} // namespace pixorama

// The text tool: the rendered mask (block size, alignment, fonts and their substitutes), the
// refusals (empty, too large, shortage), InsertText on true-colour and palette images, and the
// tool's press through the dispatcher up to the click that places the text.
#include "tool_test_support.h"

#include "document/selection.h"
#include "document/undo.h"
#include "tools/floating.h"
#include "tools/text_render.h"
#include "tools/text_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace pixorama {
namespace {

using namespace testing;

const TTextFont kSans{"Liberation Sans", 20};

std::string bits(const TDibRecord& m) {
    return Picture(m, [](int32_t v) { return v == 1; });
}

size_t ones(const TDibRecord& m) {
    const std::string b = bits(m);
    return static_cast<size_t>(std::count(b.begin(), b.end(), '#'));
}

// The mask of the lines; fails the test when it cannot be rendered.
std::unique_ptr<DibHolder> render(const std::vector<std::string>& lines, int align,
                                  const TTextFont& font = kSans) {
    auto m = std::make_unique<DibHolder>();
    EXPECT_EQ(RenderTextMask(lines, font, align, m->get()), TextRenderResult::Ok);
    return m;
}

constexpr int32_t kWhite = 0xFFFFFF;

// Pixels that are not white.
int inkCount(const TDibRecord& d) {
    int n = 0;
    for (int32_t y = 0; y < DibHeight(&d); ++y)
        for (int32_t x = 0; x < DibWidth(&d); ++x)
            n += getpixel(&d, x, y) != kWhite;
    return n;
}

// Row band [y0, y0 + h) of the block compared with a single line's mask laid at x = dx.
void expectLineAt(const TDibRecord& block, int32_t y0, const TDibRecord& line, int32_t dx,
                  const std::string& what) {
    const int32_t lw = DibWidth(&line), lh = DibHeight(&line);
    std::string got, want;
    for (int32_t y = 0; y < lh; ++y) {
        for (int32_t x = 0; x < DibWidth(&block); ++x) {
            got += getpixel(&block, x, y0 + y) == 1 ? '#' : '.';
            const bool in = x >= dx && x < dx + lw;
            want += in && getpixel(&line, x - dx, y) == 1 ? '#' : '.';
        }
        got += '\n';
        want += '\n';
    }
    EXPECT_EQ(got, want) << what;
}

TEST(TextRender, BlockSizeAndTheThreeAlignments) {
    const auto a = render({"A"}, kAlignLeft), b = render({"BBB"}, kAlignLeft),
               c = render({"CC"}, kAlignLeft);
    const int32_t wa = DibWidth(&a->get()), wb = DibWidth(&b->get()), wc = DibWidth(&c->get());
    const int32_t h = DibHeight(&a->get());
    ASSERT_GT(wa, 0);
    ASSERT_GT(wb, wc);
    ASSERT_GT(wc, wa);
    EXPECT_EQ(DibHeight(&b->get()), h); // a line is as high as the font, whatever it holds
    EXPECT_GE(h, 20);
    EXPECT_EQ(DibBitsPerPixel(&a->get()), 1);
    EXPECT_NE(bits(a->get()).find('#'), std::string::npos);

    for (int align : {kAlignLeft, kAlignCenter, kAlignRight}) {
        const auto block = render({"A", "BBB", "CC"}, align);
        const TDibRecord& m = block->get();
        ASSERT_EQ(DibWidth(&m), wb);     // the widest line
        ASSERT_EQ(DibHeight(&m), 3 * h); // the sum of the line heights
        // right: each line ends at the block's right edge; centred: "A" starts at
        // (width("BBB") - width("A")) div 2
        auto x = [&](int32_t w) {
            return align == kAlignRight ? wb - w : (align == kAlignCenter ? (wb - w) / 2 : 0);
        };
        const std::string what = "align " + std::to_string(align);
        expectLineAt(m, 0, a->get(), x(wa), what + " A");
        expectLineAt(m, h, b->get(), 0, what + " BBB");
        expectLineAt(m, 2 * h, c->get(), x(wc), what + " CC");
    }
    // an empty line in the middle still takes its height
    const auto gap = render({"A", "", "A"}, kAlignLeft);
    EXPECT_EQ(DibHeight(&gap->get()), 3 * h);
    EXPECT_EQ(DibWidth(&gap->get()), wa);
}

TEST(TextRender, FontsAndTheirSubstitutes) {
    // the start font is missing here; fontconfig gives its metric-compatible substitute
    const TFontMatch times = MatchFont({"Times New Roman", 21});
    ASSERT_TRUE(times.Found);
    EXPECT_EQ(times.Family, "Liberation Serif");
    std::string used;
    DibHolder serif, sans;
    ASSERT_EQ(RenderTextMask({"Test"}, {"Times New Roman", 21}, kAlignLeft, serif.get(), &used),
              TextRenderResult::Ok);
    EXPECT_EQ(used, "Liberation Serif");
    ASSERT_EQ(RenderTextMask({"Test"}, {"Liberation Sans", 21}, kAlignLeft, sans.get(), &used),
              TextRenderResult::Ok);
    EXPECT_EQ(used, "Liberation Sans");
    EXPECT_NE(bits(serif.get()), bits(sans.get()));

    // a family nobody has: the configuration's default face, exactly as "sans-serif" draws
    DibHolder missing, fallback;
    std::string usedMissing, usedDefault;
    ASSERT_EQ(RenderTextMask({"Wolke"}, {"Pixorama Keine Solche Schrift", 18}, kAlignLeft,
                             missing.get(), &usedMissing),
              TextRenderResult::Ok);
    ASSERT_EQ(
        RenderTextMask({"Wolke"}, {"sans-serif", 18}, kAlignLeft, fallback.get(), &usedDefault),
        TextRenderResult::Ok);
    EXPECT_NE(usedMissing, "Pixorama Keine Solche Schrift");
    EXPECT_EQ(usedMissing, usedDefault);
    EXPECT_EQ(bits(missing.get()), bits(fallback.get()));

    // bold draws other (heavier) letters than regular
    DibHolder bold;
    ASSERT_EQ(RenderTextMask({"Test"}, {"Liberation Sans", 21, true}, kAlignLeft, bold.get()),
              TextRenderResult::Ok);
    EXPECT_GT(ones(bold.get()), ones(sans.get()));

    // underline and strike-out: whole rows across the line's width, below the baseline and
    // through the letters; nothing else changes
    for (int which : {0, 1}) {
        TTextFont styled{"Liberation Sans", 21};
        (which == 0 ? styled.Underline : styled.StrikeOut) = true;
        DibHolder m;
        ASSERT_EQ(RenderTextMask({"Test"}, styled, kAlignLeft, m.get()), TextRenderResult::Ok);
        ASSERT_EQ(DibWidth(&m.get()), DibWidth(&sans.get()));
        ASSERT_EQ(DibHeight(&m.get()), DibHeight(&sans.get()));
        std::vector<int32_t> barRows;
        for (int32_t y = 0; y < DibHeight(&m.get()); ++y) {
            bool same = true, full = true;
            for (int32_t x = 0; x < DibWidth(&m.get()); ++x) {
                same = same && getpixel(&m.get(), x, y) == getpixel(&sans.get(), x, y);
                full = full && getpixel(&m.get(), x, y) == 1;
            }
            if (!same) {
                EXPECT_TRUE(full) << "row " << y;
                barRows.push_back(y);
            }
        }
        ASSERT_FALSE(barRows.empty());
        // "Test" has no descender: the underline lies below every letter pixel, the strike-out
        // between the top and the bottom of the letters
        int32_t lastInk = 0, firstInk = DibHeight(&sans.get());
        for (int32_t y = 0; y < DibHeight(&sans.get()); ++y)
            for (int32_t x = 0; x < DibWidth(&sans.get()); ++x)
                if (getpixel(&sans.get(), x, y) == 1) {
                    lastInk = std::max(lastInk, y);
                    firstInk = std::min(firstInk, y);
                }
        if (which == 0) {
            EXPECT_GT(barRows.front(), lastInk);
        } else {
            EXPECT_GT(barRows.front(), firstInk);
            EXPECT_LT(barRows.back(), lastInk);
        }
    }
}

TEST(TextRender, RefusalsAndBounds) {
    DibHolder m;
    EXPECT_EQ(RenderTextMask({}, kSans, kAlignLeft, m.get()), TextRenderResult::Empty);
    EXPECT_EQ(RenderTextMask({"", ""}, kSans, kAlignLeft, m.get()), TextRenderResult::Empty);
    EXPECT_FALSE(m.ok());
    EXPECT_EQ(RenderTextMask({"x"}, {"Liberation Sans", 0}, kAlignLeft, m.get()),
              TextRenderResult::TooLarge);
    EXPECT_EQ(
        RenderTextMask({"x"}, {"Liberation Sans", kTextMaxPixelSize + 1}, kAlignLeft, m.get()),
        TextRenderResult::TooLarge);
    // far too wide, far too many lines, and a block too large in area: refused, nothing made
    EXPECT_EQ(RenderTextMask({std::string(1000000, 'W')}, kSans, kAlignLeft, m.get()),
              TextRenderResult::TooLarge);
    std::string marks; // combining marks take no width: stopped by the text's length
    for (int k = 0; k < 400000; ++k)
        marks += "\xCC\x81";
    EXPECT_EQ(RenderTextMask({"e" + marks}, kSans, kAlignLeft, m.get()),
              TextRenderResult::TooLarge);
    EXPECT_EQ(RenderTextMask(std::vector<std::string>(5000, "x"), kSans, kAlignLeft, m.get()),
              TextRenderResult::TooLarge);
    EXPECT_EQ(RenderTextMask(std::vector<std::string>(15, std::string(40, 'W')),
                             {"Liberation Sans", 2000}, kAlignLeft, m.get()),
              TextRenderResult::TooLarge);
    EXPECT_FALSE(m.ok());
    // the largest size still renders
    ASSERT_EQ(RenderTextMask({"i"}, {"Liberation Sans", kTextMaxPixelSize}, kAlignLeft, m.get()),
              TextRenderResult::Ok);
    EXPECT_GE(DibHeight(&m.get()), kTextMaxPixelSize);
    // broken UTF-8 is drawn as replacement characters, never read past its end
    DibHolder broken;
    EXPECT_EQ(
        RenderTextMask({"a\xC3", "\xF0\x9F", "\xE2\x82\xAC\xFF"}, kSans, kAlignLeft, broken.get()),
        TextRenderResult::Ok);
}

TEST(TextRender, LinesAndFontSizes) {
    EXPECT_EQ(SplitTextLines("a\r\nb\n"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(SplitTextLines(""), (std::vector<std::string>{""}));
    EXPECT_TRUE(TextIsEmpty({"", ""}));
    EXPECT_FALSE(TextIsEmpty({"", " "}));
    EXPECT_EQ(FontPointsOfPixels(21), 16); // the start font, shown as "Größe:16"
    EXPECT_EQ(FontPixelsOfPoints(16), 21);
    EXPECT_EQ(FontPixelsOfPoints(15.75), 21);
    EXPECT_EQ(FontPointsOfPixels(16), 12);
    EXPECT_EQ(FontPixelsOfPoints(12), 16);
    EXPECT_GT(FontPixelsOfPoints(1e30), kTextMaxPixelSize);
}

TTextRequest request(std::vector<std::string> lines, int align = kAlignLeft) {
    TTextRequest r;
    r.Lines = std::move(lines);
    r.Family = "Liberation Sans";
    r.PixelSize = 20;
    r.Align = align;
    return r;
}

TEST(InsertText, PieceInTheForegroundColourPlacedByTheClick) {
    Desk d;
    Attach(d.doc, Make24(120, 60, [](int32_t, int32_t) { return kWhite; }));
    d.doc.ForeColor = 0x0000FF; // red
    const TTextRequest r = request({"Hi", "Text"}, kAlignRight);
    ASSERT_TRUE(InsertText(d.doc, d.host, d.view, r));
    const auto mask = render(r.Lines, kAlignRight);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_TRUE(d.doc.Modified);
    EXPECT_EQ(d.doc.MouseMode, kModePlacing);
    EXPECT_TRUE(d.doc.Tracking);
    EXPECT_TRUE(d.doc.FloatHasMask);
    EXPECT_FALSE(d.doc.FloatTransparent);
    EXPECT_EQ(d.doc.DragOffset, (TPoint{0, 0}));
    EXPECT_EQ(bits(d.doc.FloatMask), bits(mask->get()));
    for (int32_t j = 0; j < DibHeight(&d.doc.FloatDib); ++j)
        for (int32_t i = 0; i < DibWidth(&d.doc.FloatDib); ++i)
            if (getpixel(&d.doc.FloatMask, i, j) == 1) {
                ASSERT_EQ(getpixel(&d.doc.FloatDib, i, j), 0x0000FF) << i << "," << j;
            }
    EXPECT_TRUE(d.host.messages.empty());

    // the click places the top-left corner at the mouse
    d.press(30, 7);
    EXPECT_EQ(d.doc.MouseMode, 0);
    EXPECT_TRUE(d.doc.Floating);
    EXPECT_TRUE(d.doc.HasSelection);
    const int32_t w = DibWidth(&mask->get()), h = DibHeight(&mask->get());
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 120; ++x) {
            const bool text = x >= 30 && y >= 7 && x < 30 + w && y < 7 + h &&
                              getpixel(&mask->get(), x - 30, y - 7) == 1;
            ASSERT_EQ(getpixel(&d.doc.Dib, x, y), text ? 0x0000FF : kWhite) << x << "," << y;
            ASSERT_EQ(getpixel(&d.doc.SelMask, x, y), text ? 1 : 0) << x << "," << y;
        }
    // one undo step takes it all back
    LoadFromUndo(d.doc, d.host);
    EXPECT_EQ(inkCount(d.doc.Dib), 0);
}

TEST(InsertText, PaletteImageTakesTheForegroundIndex) {
    for (int bpp : {1, 4, 8}) {
        Desk d;
        Attach(d.doc, MakePalette(
                          bpp, {0xFFFFFF, 0x000000, 0xFF0000, 0x00FF00},
                          [](int32_t, int32_t) { return 0; }, 90, 40));
        d.doc.ForeColor = 1;
        ASSERT_TRUE(InsertText(d.doc, d.host, d.view, request({"Ab"})));
        EXPECT_EQ(DibBitsPerPixel(&d.doc.FloatDib), bpp);
        const auto mask = render({"Ab"}, kAlignLeft);
        d.press(3, 2);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 90; ++x) {
                const bool text = x >= 3 && y >= 2 && x < 3 + DibWidth(&mask->get()) &&
                                  y < 2 + DibHeight(&mask->get()) &&
                                  getpixel(&mask->get(), x - 3, y - 2) == 1;
                ASSERT_EQ(getpixel(&d.doc.Dib, x, y), text ? 1 : 0)
                    << bpp << " bits at " << x << "," << y;
            }
    }
}

TEST(InsertText, SelectionAndPieceGoFirst) {
    Desk d;
    Attach(d.doc, Make24(80, 50, [](int32_t x, int32_t y) { return x * 3 + y * 700; }));
    SelectRect(d.doc, 5, 5, 20, 20);
    UpdateSelddib(d.doc, d.host);
    MakeSelectionDragable(d.doc, d.host);
    ASSERT_TRUE(d.doc.Floating);
    const uint64_t before = PictoraAllocatedBytes();
    ASSERT_TRUE(InsertText(d.doc, d.host, d.view, request({"x"})));
    EXPECT_FALSE(d.doc.HasSelection);
    EXPECT_FALSE(d.doc.Floating); // merged; the text is a new piece waiting for its click
    EXPECT_EQ(getpixel(&d.doc.SelMask, 10, 10), 0);
    EXPECT_EQ(d.doc.UndoCount, 1);
    // undo while the text waits for its click: the text goes (nothing of it is kept), the
    // floating piece and its selection come back, and the click places nothing
    LoadFromUndo(d.doc, d.host);
    EXPECT_TRUE(d.doc.HasSelection);
    EXPECT_TRUE(d.doc.Floating);
    EXPECT_EQ(d.doc.MouseMode, 0);
    EXPECT_FALSE(d.doc.Tracking);
    EXPECT_EQ(DibWidth(&d.doc.FloatDib), 16);
    EXPECT_EQ(PictoraAllocatedBytes(), before); // the text's records are gone with it
}

TEST(InsertText, RefusedTextsLeaveTheDocumentAlone) {
    Desk d;
    Attach(d.doc, Make24(40, 30, [](int32_t, int32_t) { return kWhite; }));
    const std::vector<uint8_t> before = PixelBytes(d.doc.Dib);
    // empty: nothing at all, not even a message
    EXPECT_FALSE(InsertText(d.doc, d.host, d.view, request({})));
    EXPECT_FALSE(InsertText(d.doc, d.host, d.view, request({"", ""})));
    EXPECT_TRUE(d.host.messages.empty());
    // too large: the shortage message
    TTextRequest huge = request({std::string(200000, 'M')});
    EXPECT_FALSE(InsertText(d.doc, d.host, d.view, huge));
    ASSERT_EQ(d.host.messages.size(), 1u);
    EXPECT_EQ(d.host.messages[0].text, kTextNoMemory);
    EXPECT_EQ(d.host.messages[0].flags, MB_ICONSTOP);
    // no memory for the piece
    {
        AllocLimit limit(PictoraAllocatedBytes() + 1024);
        EXPECT_FALSE(InsertText(d.doc, d.host, d.view, request({"Speicher", "knapp"})));
    }
    ASSERT_EQ(d.host.messages.size(), 2u);
    EXPECT_EQ(d.host.messages[1].text, kTextNoMemory);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_FALSE(d.doc.Modified);
    EXPECT_EQ(d.doc.MouseMode, 0);
    EXPECT_EQ(d.doc.FloatDib.Bits, nullptr);
    EXPECT_EQ(PixelBytes(d.doc.Dib), before);
}

// A view whose text dialog answers with a prepared request (or is cancelled).
class TextView : public RecordingView {
  public:
    bool ok = true;
    int asked = 0;
    TTextRequest answer;
    bool AskText(TTextRequest& r) override {
        ++asked;
        if (ok)
            r = answer;
        return ok;
    }
};

struct TextDesk {
    RecordingHost host;
    DocumentState doc;
    TextView view;
    MouseDispatcher mouse{doc, host, view};
};

TEST(TextTool, PressAsksThenTheTextFollowsTheMouseUntilTheClick) {
    TextDesk d;
    Attach(d.doc, Make24(100, 50, [](int32_t, int32_t) { return kWhite; }));
    d.view.tool = Tool::Txt;
    d.view.answer = request({"Ok"});

    d.view.ok = false; // cancelled: nothing
    d.mouse.PaintBox1MouseDown(MouseButton::Left, {}, 5, 5);
    d.mouse.PaintBox1MouseUp(MouseButton::Left, {}, 5, 5);
    EXPECT_EQ(d.view.asked, 1);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_EQ(d.doc.MouseMode, 0);

    d.view.answer = request({""}); // OK on an empty text: refused, no undo level
    d.view.ok = true;
    d.mouse.PaintBox1MouseDown(MouseButton::Left, {}, 5, 5);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_EQ(d.doc.MouseMode, 0);

    d.view.answer = request({"Ok"});
    d.mouse.PaintBox1MouseDown(MouseButton::Left, {}, 5, 5);
    EXPECT_EQ(d.view.asked, 3);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(d.doc.MouseMode, kModePlacing);
    const int repaints = d.view.repaints;
    d.mouse.PaintBox1MouseUp(MouseButton::Left, {}, 5, 5); // the release does not place it
    EXPECT_EQ(d.doc.MouseMode, kModePlacing);
    EXPECT_TRUE(d.doc.Tracking);
    const auto mask = render({"Ok"}, kAlignLeft);
    const int32_t w = DibWidth(&mask->get()), h = DibHeight(&mask->get());
    // moving shows it at the mouse, over the untouched background
    d.mouse.PaintBox1MouseMove({}, 40, 10);
    EXPECT_GT(d.view.repaints, repaints);
    EXPECT_NE(inkCount(d.doc.Dib), 0);
    d.mouse.PaintBox1MouseMove({}, 60, 20);
    // the next click places it there; the text is the selection
    d.mouse.PaintBox1MouseDown(MouseButton::Left, {}, 60, 20);
    d.mouse.PaintBox1MouseUp(MouseButton::Left, {}, 60, 20);
    EXPECT_EQ(d.view.asked, 3); // the placing click opens no dialog
    EXPECT_EQ(d.doc.MouseMode, 0);
    EXPECT_TRUE(d.doc.Floating);
    EXPECT_TRUE(d.doc.HasSelection);
    EXPECT_GE(d.doc.SelRect.Left, 60);
    EXPECT_LT(d.doc.SelRect.Right, 60 + w);
    EXPECT_GE(d.doc.SelRect.Top, 20);
    EXPECT_LT(d.doc.SelRect.Bottom, 20 + h);
    for (int32_t y = 0; y < 50; ++y)
        for (int32_t x = 0; x < 100; ++x) {
            const bool text = x >= 60 && y >= 20 && x < 60 + w && y < 20 + h &&
                              getpixel(&mask->get(), x - 60, y - 20) == 1;
            ASSERT_EQ(getpixel(&d.doc.Dib, x, y) != kWhite, text) << x << "," << y;
        }
}

TEST(TextTool, ZoomedClickPlacesAtTheImagePoint) {
    TextDesk d;
    Attach(d.doc, Make24(100, 50, [](int32_t, int32_t) { return kWhite; }));
    d.doc.ZoomIn = 2;
    d.view.tool = Tool::Txt;
    d.view.answer = request({"I"});
    d.mouse.PaintBox1MouseDown(MouseButton::Left, {}, 0, 0);
    d.mouse.PaintBox1MouseDown(MouseButton::Left, {}, 41, 21); // image point (20, 10)
    const auto mask = render({"I"}, kAlignLeft);
    for (int32_t j = 0; j < DibHeight(&mask->get()); ++j)
        for (int32_t i = 0; i < DibWidth(&mask->get()); ++i)
            ASSERT_EQ(getpixel(&d.doc.Dib, 20 + i, 10 + j) != kWhite,
                      getpixel(&mask->get(), i, j) == 1);
}

} // namespace
} // namespace pixorama

// Selection outline, the selection commands and the geometric selection.
#include "document/selection.h"
#include "tools/selection_tools.h"

#include "../ops/image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <random>

namespace pixorama {
namespace {

using namespace testing;

std::vector<std::pair<int, int>> outline(const DocumentState& doc) {
    std::vector<std::pair<int, int>> p;
    for (const TPoint& q : doc.SelOutline)
        p.emplace_back(q.X, q.Y);
    return p;
}

// The outline rule pixel by pixel through getpixel.
// rowStarts, when given, receives where each row's scan begins in the list (and the total).
std::vector<std::pair<int, int>> referenceOutline(const TDibRecord& mask,
                                                  std::vector<size_t>* rowStarts = nullptr) {
    const int w = DibWidth(&mask), h = DibHeight(&mask);
    std::vector<std::pair<int, int>> p;
    for (int i = 0; i < h; ++i) {
        if (rowStarts != nullptr)
            rowStarts->push_back(p.size());
        for (int j = 0; j < w; ++j) {
            const int v = getpixel(&mask, j, i);
            if (j == 0 || j == w - 1 || i == 0 || i == h - 1) {
                if (v == 1)
                    p.emplace_back(j, i);
                continue;
            }
            const int r = getpixel(&mask, j + 1, i), b = getpixel(&mask, j, i + 1);
            if (v == 0 && r == 1)
                p.emplace_back(j + 1, i);
            else if (v == 1 && r == 0)
                p.emplace_back(j, i);
            if (v == 0 && b == 1)
                p.emplace_back(j, i + 1);
            else if (v == 1 && b == 0)
                p.emplace_back(j, i);
        }
    }
    if (rowStarts != nullptr)
        rowStarts->push_back(p.size());
    return p;
}

void newDoc(DocumentState& doc, int w, int h) {
    Attach(doc, Make24(w, h, [](int32_t, int32_t) { return 0; }));
}

TEST(Selection, OutlineRules) {
    RecordingHost host;
    DocumentState doc;
    newDoc(doc, 12, 12);
    setpixel(&doc.SelMask, 5, 5, 1);
    UpdateSelddib(doc, host);
    EXPECT_TRUE(doc.HasSelection);
    EXPECT_EQ(outline(doc), (std::vector<std::pair<int, int>>(4, {5, 5})));
    EXPECT_EQ(doc.SelRect.Left, 5);
    EXPECT_EQ(doc.SelRect.Top, 5);
    EXPECT_EQ(doc.SelRect.Right, 5);
    EXPECT_EQ(doc.SelRect.Bottom, 5);
    EXPECT_EQ(host.menuUpdates, 1);

    // a pixel next to the border is found only from its own right and lower neighbours
    DocumentState small;
    newDoc(small, 4, 4);
    setpixel(&small.SelMask, 1, 1, 1);
    setpixel(&small.SelMask, 2, 1, 1);
    UpdateSelddib(small, host);
    EXPECT_EQ(outline(small), (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 1}}));

    // nothing selected: the empty box
    DocumentState none;
    newDoc(none, 7, 3);
    UpdateSelddib(none, host);
    EXPECT_FALSE(none.HasSelection);
    EXPECT_TRUE(none.SelOutline.empty());
    EXPECT_EQ(none.SelRect.Left, 6);
    EXPECT_EQ(none.SelRect.Top, 2);
    EXPECT_EQ(none.SelRect.Right, 0);

    // random masks of awkward widths, padding bits set, against the plain rule
    std::mt19937 rng(7);
    for (int w : {1, 2, 8, 9, 17, 33, 63, 64, 65, 130}) {
        for (int density : {2, 30}) {
            DocumentState d;
            newDoc(d, w, 6);
            std::memset(d.SelMask.Bits, 0xFF, d.SelMask.Info->bmiHeader.biSizeImage);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < w; ++x)
                    setpixel(&d.SelMask, x, y, int(rng() % 32) < density ? 1 : 0);
            UpdateSelddib(d, host);
            EXPECT_EQ(outline(d), referenceOutline(d.SelMask)) << w << " " << density;
            EXPECT_EQ(d.HasSelection, !d.SelOutline.empty());
        }
    }
}

// Tall masks with runs of uniform rows (the skipped rows) between mixed ones: the outline, the
// index of each row's first point and the box follow the plain rule.
TEST(Selection, TallOutlinesMatchThePlainRule) {
    RecordingHost host;
    std::mt19937 rng(11);
    for (int h : {511, 512, 513, 1300}) {
        DocumentState d;
        newDoc(d, 70, h);
        // runs of whole rows (empty, full, random) so that uniform rows meet at band edges
        for (int y = 0; y < h;) {
            const int run = 1 + int(rng() % 300), kind = int(rng() % 3);
            for (int k = 0; k < run && y < h; ++k, ++y)
                for (int x = 0; x < 70; ++x)
                    setpixel(&d.SelMask, x, y, kind == 2 ? int(rng() % 4 == 0) : kind);
        }
        UpdateSelddib(d, host);
        std::vector<size_t> starts;
        const auto ref = referenceOutline(d.SelMask, &starts);
        ASSERT_EQ(outline(d), ref) << h;
        EXPECT_EQ(d.SelOutlineRowStart, starts) << h;
        int left = 70, top = h, right = -1, bottom = -1;
        for (const auto& [x, y] : ref)
            left = std::min(left, x), top = std::min(top, y), right = std::max(right, x),
            bottom = std::max(bottom, y);
        EXPECT_EQ(d.HasSelection, !ref.empty());
        if (!ref.empty()) {
            EXPECT_EQ(d.SelRect.Left, left);
            EXPECT_EQ(d.SelRect.Top, top);
            EXPECT_EQ(d.SelRect.Right, right);
            EXPECT_EQ(d.SelRect.Bottom, bottom);
        }
    }
}

TEST(Selection, Commands) {
    RecordingHost host;
    DocumentState doc;
    newDoc(doc, 9, 5);
    SelectAll(doc, host);
    EXPECT_EQ(doc.UndoCount, 1);
    EXPECT_TRUE(doc.Modified);
    EXPECT_TRUE(doc.HasSelection);
    EXPECT_EQ(doc.SelOutline.size(), size_t(2 * 9 + 2 * 5 - 4)); // border pixels only
    EXPECT_EQ(doc.SelRect.Right, 8);
    EXPECT_EQ(doc.SelRect.Bottom, 4);

    // inverting twice restores the mask bytes, padding included
    setpixel(&doc.SelMask, 4, 2, 0);
    const std::vector<uint8_t> mask = PixelBytes(doc.SelMask);
    InvertSelection(doc, host);
    EXPECT_EQ(outline(doc), (std::vector<std::pair<int, int>>(4, {4, 2})));
    EXPECT_EQ(doc.SelMask.Bits[0] & 0x7F, 0x7F ^ (mask[0] & 0x7F));
    InvertSelection(doc, host);
    EXPECT_EQ(PixelBytes(doc.SelMask), mask);
    EXPECT_EQ(doc.UndoCount, 3);

    // select none merges a floating piece and empties the mask
    doc.Floating = true;
    newdib(&doc.FloatDib, 2, 2, 24, nullptr, 0);
    SelectNone(doc, host);
    EXPECT_FALSE(doc.Floating);
    EXPECT_EQ(doc.FloatDib.Bits, nullptr);
    EXPECT_FALSE(doc.HasSelection);
    for (uint8_t b : PixelBytes(doc.SelMask))
        EXPECT_EQ(b, 0);
    EXPECT_EQ(doc.UndoCount, 3); // the oldest level went
}

TEST(Selection, GeometricModes) {
    RecordingHost host;
    DocumentState doc;
    newDoc(doc, 20, 20);
    // subtracting from nothing leaves nothing
    GeometricSelection(doc, host, kShapeRechteck, SelectionModeFor(false, true), 2, 2, 10, 10);
    EXPECT_FALSE(doc.HasSelection);

    GeometricSelection(doc, host, kShapeRechteck, SelectionMode::Replace, 10, 12, 2, 3);
    EXPECT_TRUE(doc.HasSelection);
    EXPECT_EQ(doc.SelRect.Left, 2);
    EXPECT_EQ(doc.SelRect.Top, 3);
    EXPECT_EQ(doc.SelRect.Right, 10);
    EXPECT_EQ(doc.SelRect.Bottom, 12);
    EXPECT_EQ(getpixel(&doc.SelMask, 2, 3), 1);
    EXPECT_EQ(getpixel(&doc.SelMask, 11, 3), 0);

    // Shift adds a circle, Ctrl cuts a square, a plain drag replaces everything
    GeometricSelection(doc, host, kShapeKreis, SelectionModeFor(true, true), 12, 12, 18, 18);
    EXPECT_EQ(getpixel(&doc.SelMask, 15, 15), 1);
    EXPECT_EQ(getpixel(&doc.SelMask, 12, 12), 0); // outside the inscribed circle
    EXPECT_EQ(getpixel(&doc.SelMask, 5, 5), 1);
    EXPECT_EQ(doc.SelRect.Right, 18);
    GeometricSelection(doc, host, kShapeQuadrat, SelectionModeFor(false, true), 4, 4, 6, 6);
    EXPECT_EQ(getpixel(&doc.SelMask, 5, 5), 0);
    EXPECT_EQ(getpixel(&doc.SelMask, 7, 7), 1);
    GeometricSelection(doc, host, kShapeEllipse, SelectionMode::Replace, 0, 0, 3, 1);
    EXPECT_EQ(getpixel(&doc.SelMask, 15, 15), 0);
    EXPECT_EQ(doc.SelRect.Right, 3);
    EXPECT_EQ(doc.SelRect.Bottom, 1);

    // the press that starts a gesture: an undo level, a floating piece merged
    doc.Floating = true;
    BeginSelectionGesture(doc, host);
    EXPECT_FALSE(doc.Floating);
    EXPECT_EQ(doc.UndoCount, 1);
}

} // namespace
} // namespace pixorama

// Selection mask: query, outline, and the three selection commands.
#include "document/selection.h"

#include "document/undo.h"

#include <bit>
#include <cstring>
#include <new>

namespace pixorama {

namespace {

bool maskFits(const DocumentState& doc) {
    const TDibRecord& m = doc.SelMask;
    return m.Bits != nullptr && m.Info != nullptr && DibBitsPerPixel(&m) == 1 &&
           DibWidth(&m) == DibWidth(&doc.Dib) && DibHeight(&m) == DibHeight(&doc.Dib);
}

const uint8_t* maskRow(const TDibRecord& m, int32_t y) {
    return m.Bits + static_cast<size_t>(DibHeight(&m) - 1 - y) * static_cast<size_t>(m.LineBytes);
}

// 64 mask pixels from pixel x (a multiple of 64) on, the leftmost in the top bit; bytes past
// the row read as 0.
uint64_t chunkAt(const uint8_t* row, int32_t lineBytes, int32_t x) {
    const int32_t at = x >> 3;
    uint64_t v = 0;
    const int32_t n = lineBytes - at < 8 ? lineBytes - at : 8;
    for (int32_t k = 0; k < n; ++k)
        v |= static_cast<uint64_t>(row[at + k]) << (56 - 8 * k);
    return v;
}

// Adds outline points without the bounds test (callers pass image points only).
struct OutlineWriter {
    DocumentState& doc;
    Host& host;
    void add(int32_t x, int32_t y) {
        try {
            doc.SelOutline.push_back({x, y});
        } catch (const std::bad_alloc&) {
            host.MessageBox("Exception in UpdateSelection add point", "dd", MB_OK);
            return;
        }
        TRect& r = doc.SelRect;
        if (x < r.Left)
            r.Left = x;
        if (y < r.Top)
            r.Top = y;
        if (x > r.Right)
            r.Right = x;
        if (y > r.Bottom)
            r.Bottom = y;
        doc.HasSelection = true;
    }
};

// One image row of the outline rule, 64 pixels at a time.  Only pixels whose value differs
// from the right or lower neighbour, and selected pixels of the border, add points; whole
// chunks without any are skipped.
void outlineRow(OutlineWriter& out, const uint8_t* cur, const uint8_t* below, int32_t lineBytes,
                int32_t w, int32_t i, bool borderRow) {
    for (int32_t j0 = 0; j0 < w; j0 += 64) {
        const uint64_t c = chunkAt(cur, lineBytes, j0);
        const uint64_t valid = w - j0 >= 64 ? ~uint64_t{0} : ~(~uint64_t{0} >> (w - j0));
        uint64_t candidates;
        uint64_t r = 0, b = 0;
        if (borderRow) {
            candidates = c & valid;
        } else {
            const uint64_t next = j0 + 64 < w ? chunkAt(cur, lineBytes, j0 + 64) >> 63 : 0;
            r = (c << 1) | next;
            b = below != nullptr ? chunkAt(below, lineBytes, j0) : 0;
            candidates = ((c ^ r) | (c ^ b)) & valid;
            // the border columns count only when selected
            if (j0 == 0)
                candidates = (candidates & ~(uint64_t{1} << 63)) | (c & (uint64_t{1} << 63));
            if (w - 1 - j0 < 64) {
                const uint64_t last = uint64_t{1} << (63 - (w - 1 - j0));
                candidates = (candidates & ~last) | (c & last);
            }
        }
        while (candidates != 0) {
            const int k = std::countl_zero(candidates);
            candidates &= ~(uint64_t{1} << (63 - k));
            const int32_t j = j0 + k;
            const bool v = (c >> (63 - k)) & 1;
            if (borderRow || j == 0 || j == w - 1) {
                if (v)
                    out.add(j, i);
                continue;
            }
            const bool rv = (r >> (63 - k)) & 1;
            if (v != rv)
                out.add(v ? j : j + 1, i);
            const bool bv = (b >> (63 - k)) & 1;
            if (v != bv)
                out.add(j, v ? i : i + 1);
        }
    }
}

} // namespace

int32_t MaskValue(const DocumentState& doc, int32_t x, int32_t y) {
    return getpixel(&doc.SelMask, x, y);
}

void FillMask(DocumentState& doc, uint8_t value) {
    if (doc.SelMask.Bits != nullptr && doc.SelMask.Info != nullptr)
        std::memset(doc.SelMask.Bits, value,
                    static_cast<size_t>(doc.SelMask.LineBytes) *
                        static_cast<size_t>(DibHeight(&doc.SelMask)));
}

void AddOutlinePoint(DocumentState& doc, Host& host, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= DibWidth(&doc.Dib) || y >= DibHeight(&doc.Dib))
        return;
    OutlineWriter{doc, host}.add(x, y);
}

void UpdateSelddib(DocumentState& doc, Host& host) {
    doc.SelOutline.clear();
    doc.SelOutlineRowStart.clear();
    doc.AntsPhase = 0;
    const int32_t w = DibWidth(&doc.Dib), h = DibHeight(&doc.Dib);
    doc.SelRect = {w - 1, h - 1, 0, 0};
    doc.HasSelection = false;
    if (doc.Dib.Bits != nullptr && maskFits(doc)) {
        OutlineWriter out{doc, host};
        try {
            doc.SelOutlineRowStart.reserve(static_cast<size_t>(h) + 1);
        } catch (const std::bad_alloc&) {
        }
        for (int32_t i = 0; i < h; ++i) {
            if (doc.SelOutlineRowStart.capacity() > doc.SelOutlineRowStart.size())
                doc.SelOutlineRowStart.push_back(doc.SelOutline.size());
            const uint8_t* below = i + 1 < h ? maskRow(doc.SelMask, i + 1) : nullptr;
            outlineRow(out, maskRow(doc.SelMask, i), below, doc.SelMask.LineBytes, w, i,
                       i == 0 || i == h - 1);
        }
        if (doc.SelOutlineRowStart.size() == static_cast<size_t>(h))
            doc.SelOutlineRowStart.push_back(doc.SelOutline.size());
        else
            doc.SelOutlineRowStart.clear();
    }
    host.UpdateMenuItems();
}

void SelectAll(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    FinishDraging(doc);
    FillMask(doc, 0xFF);
    UpdateSelddib(doc, host);
}

void SelectNone(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    FinishDraging(doc);
    FillMask(doc, 0);
    doc.HasSelection = false;
    host.UpdateMenuItems();
}

void InvertSelection(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    FinishDraging(doc);
    if (doc.SelMask.Bits != nullptr && doc.SelMask.Info != nullptr) {
        uint8_t* p = doc.SelMask.Bits;
        const size_t n =
            static_cast<size_t>(doc.SelMask.LineBytes) * static_cast<size_t>(DibHeight(&doc.SelMask));
        for (size_t k = 0; k < n; ++k)
            p[k] = static_cast<uint8_t>(~p[k]);
    }
    UpdateSelddib(doc, host);
}

} // namespace pixorama

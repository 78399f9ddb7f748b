// Selection mask: query, outline, and the three selection commands.
#include "document/selection.h"

#include "document/simd_level.h"
#include "document/undo.h"

#include <bit>
#include <cstdlib>
#include <immintrin.h>
#include <cstring>
#include <new>
#include <vector>

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
    if (lineBytes - at >= 8) {
        uint64_t v;
        std::memcpy(&v, row + at, 8);
        return __builtin_bswap64(v);
    }
    uint64_t v = 0;
    for (int32_t k = 0; at + k < lineBytes; ++k)
        v |= static_cast<uint64_t>(row[at + k]) << (56 - 8 * k);
    return v;
}

// Whether bytes [k, whole) of a row that AVX2 compares 128 at a time all equal fill; k is left
// at the first byte not compared.
__attribute__((target("avx2"))) bool sameBytesAvx2(const uint8_t* row, size_t& k, size_t whole,
                                                   uint8_t fill) {
    const __m256i pattern = _mm256_set1_epi8(static_cast<char>(fill));
    for (; k + 128 <= whole; k += 128) {
        const auto* p = reinterpret_cast<const __m256i*>(row + k);
        const __m256i d = _mm256_or_si256(
            _mm256_or_si256(_mm256_xor_si256(_mm256_loadu_si256(p), pattern),
                            _mm256_xor_si256(_mm256_loadu_si256(p + 1), pattern)),
            _mm256_or_si256(_mm256_xor_si256(_mm256_loadu_si256(p + 2), pattern),
                            _mm256_xor_si256(_mm256_loadu_si256(p + 3), pattern)));
        if (!_mm256_testz_si256(d, d))
            return false;
    }
    return true;
}

bool useAvx2() {
    return SimdAtLeast(SimdLevel::Avx2);
}

// -1 when the row's pixels differ, else their common value (0 or 1).  The AVX2 and the plain
// loop give the same answer.
int rowState(const uint8_t* row, int32_t w) {
    const uint8_t fill = (row[0] & 0x80) != 0 ? 0xFF : 0x00;
    const size_t whole = static_cast<size_t>(w) / 8;
    size_t k = 0;
    if (useAvx2() && !sameBytesAvx2(row, k, whole, fill))
        return -1;
    uint64_t pattern;
    std::memset(&pattern, fill, 8);
    for (; k + 32 <= whole; k += 32) {
        uint64_t a[4];
        std::memcpy(a, row + k, 32);
        if (((a[0] ^ pattern) | (a[1] ^ pattern) | (a[2] ^ pattern) | (a[3] ^ pattern)) != 0)
            return -1;
    }
    for (; k < whole; ++k)
        if (row[k] != fill)
            return -1;
    const int tail = w % 8;
    if (tail != 0 && ((row[whole] ^ fill) & static_cast<uint8_t>(0xFF << (8 - tail))) != 0)
        return -1;
    return fill != 0 ? 1 : 0;
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
        if (!borderRow && j0 + 128 <= lineBytes * 8 && j0 + 64 < w && (c == 0 || c == ~uint64_t{0})) {
            // 64 pixels of one value over the same 64 below, and the same value to the right:
            // only a selected first column of the image adds a point
            const uint64_t b = chunkAt(below, lineBytes, j0);
            if (b == c && (cur[(j0 + 64) >> 3] >> 7) == (c & 1)) {
                if (j0 == 0 && c != 0)
                    out.add(0, i);
                continue;
            }
        }
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
        const int32_t lineBytes = doc.SelMask.LineBytes;
        // the rows' states first, in the buffer's own order (bottom row first)
        std::vector<int8_t> states;
        try {
            states.resize(static_cast<size_t>(h));
            for (int32_t i = h - 1; i >= 0; --i)
                states[static_cast<size_t>(i)] =
                    static_cast<int8_t>(rowState(maskRow(doc.SelMask, i), w));
        } catch (const std::bad_alloc&) {
            states.clear();
        }
        auto stateOf = [&](int32_t i) {
            return states.empty() ? rowState(maskRow(doc.SelMask, i), w)
                                  : states[static_cast<size_t>(i)];
        };
        int next = stateOf(0);
        for (int32_t i = 0; i < h; ++i) {
            if (doc.SelOutlineRowStart.capacity() > doc.SelOutlineRowStart.size())
                doc.SelOutlineRowStart.push_back(doc.SelOutline.size());
            const uint8_t* cur = maskRow(doc.SelMask, i);
            const uint8_t* below = i + 1 < h ? maskRow(doc.SelMask, i + 1) : nullptr;
            const int state = next;
            next = below != nullptr ? stateOf(i + 1) : -1;
            const bool borderRow = i == 0 || i == h - 1;
            // a row of one value with the same row below adds only its selected border pixels
            if (state >= 0 && (borderRow || next == state)) {
                if (state == 0)
                    continue;
                if (borderRow) {
                    for (int32_t j = 0; j < w; ++j)
                        out.add(j, i);
                } else {
                    out.add(0, i);
                    if (w > 1)
                        out.add(w - 1, i);
                }
                continue;
            }
            outlineRow(out, cur, below, lineBytes, w, i, borderRow);
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

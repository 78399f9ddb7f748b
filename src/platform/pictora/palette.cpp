// Palette objects: an immutable copy of a logical palette and an exact accelerator for
// nearest-colour queries (least squared RGB distance, lowest index on ties).
//
// The accelerator splits the RGB cube into 16 x 16 x 16 cells.  For each cell it keeps, in
// index order, every entry whose smallest possible distance to the cell is not larger than the
// smallest largest-distance of any entry.  The true nearest entry of any colour in the cell,
// and every entry tied with it, must be in that list, so a scan of the list with a strict "<"
// gives exactly the answer of a scan over all entries.
#include "internal.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>

struct PictoraPalette {
    int count = 0;
    TPaletteEntry entries[256] = {};
    std::once_flag built;
    // per cell: offset and length into cand
    uint32_t cellStart[16 * 16 * 16 + 1] = {};
    struct Candidate {
        int16_t r, g, b;
        uint16_t index;
    };
    std::vector<Candidate> cand;
};

namespace {

constexpr int kCells = 16;
constexpr int kCellSize = 256 / kCells;

inline int axisMin(int v, int lo, int hi) {
    // smallest |v - t| for t in [lo, hi]
    if (v < lo) return lo - v;
    if (v > hi) return v - hi;
    return 0;
}
inline int axisMax(int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); }

void build(PictoraPalette& p) {
    p.cand.clear();
    p.cand.reserve(static_cast<size_t>(kCells * kCells * kCells) * 8);
    int dmin[256];
    for (int cr = 0; cr < kCells; ++cr)
        for (int cg = 0; cg < kCells; ++cg)
            for (int cb = 0; cb < kCells; ++cb) {
                const int rlo = cr * kCellSize, rhi = rlo + kCellSize - 1;
                const int glo = cg * kCellSize, ghi = glo + kCellSize - 1;
                const int blo = cb * kCellSize, bhi = blo + kCellSize - 1;
                int best = INT32_MAX;
                for (int i = 0; i < p.count; ++i) {
                    const TPaletteEntry& e = p.entries[i];
                    const int a = axisMin(e.peRed, rlo, rhi), b = axisMin(e.peGreen, glo, ghi),
                              c = axisMin(e.peBlue, blo, bhi);
                    dmin[i] = a * a + b * b + c * c;
                    const int x = axisMax(e.peRed, rlo, rhi), y = axisMax(e.peGreen, glo, ghi),
                              z = axisMax(e.peBlue, blo, bhi);
                    best = std::min(best, x * x + y * y + z * z);
                }
                const int cell = (cr * kCells + cg) * kCells + cb;
                p.cellStart[cell] = static_cast<uint32_t>(p.cand.size());
                for (int i = 0; i < p.count; ++i)
                    if (dmin[i] <= best) {
                        const TPaletteEntry& e = p.entries[i];
                        p.cand.push_back({e.peRed, e.peGreen, e.peBlue, static_cast<uint16_t>(i)});
                    }
            }
    p.cellStart[kCells * kCells * kCells] = static_cast<uint32_t>(p.cand.size());
}

} // namespace

extern "C" {

HPALETTE CreatePalette(const TLogPalette* palette) {
    auto* p = new (std::nothrow) PictoraPalette;
    if (p == nullptr) return nullptr;
    if (palette != nullptr) {
        p->count = std::min<int>(palette->palNumEntries, 256);
        std::copy(palette->palPalEntry, palette->palPalEntry + p->count, p->entries);
    }
    return p;
}

void DeleteObject(HPALETTE palette) { delete palette; }

int32_t PaletteEntryCount(HPALETTE palette) { return palette ? palette->count : 0; }

uint32_t GetNearestPaletteIndexScan(HPALETTE palette, uint32_t colour) {
    if (palette == nullptr || palette->count == 0) return 0;
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    int best = INT32_MAX;
    uint32_t bestIndex = 0;
    for (int i = 0; i < palette->count; ++i) {
        const TPaletteEntry& e = palette->entries[i];
        const int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = static_cast<uint32_t>(i);
        }
    }
    return bestIndex;
}

uint32_t GetNearestPaletteIndex(HPALETTE palette, uint32_t colour) {
    if (palette == nullptr || palette->count == 0) return 0;
    try {
        std::call_once(palette->built, [palette] { build(*palette); });
    } catch (...) {
        return GetNearestPaletteIndexScan(palette, colour); // accelerator could not be built
    }
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    const int cell = ((r / kCellSize) * kCells + g / kCellSize) * kCells + b / kCellSize;
    const PictoraPalette::Candidate* c = palette->cand.data() + palette->cellStart[cell];
    const PictoraPalette::Candidate* end = palette->cand.data() + palette->cellStart[cell + 1];
    if (c == end) return GetNearestPaletteIndexScan(palette, colour);
    int best = INT32_MAX;
    uint32_t bestIndex = 0;
    for (; c != end; ++c) {
        const int dr = c->r - r, dg = c->g - g, db = c->b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = c->index;
        }
    }
    return bestIndex;
}

} // extern "C"

// Palette objects: an immutable copy of a logical palette and an exact accelerator for
// nearest-colour queries (least squared RGB distance, lowest index on ties).
//
// The accelerator splits the RGB cube into 16 x 16 x 16 cells.  For each cell it keeps every
// entry whose smallest possible distance to the cell is not larger than the smallest
// largest-distance of any entry: the true nearest entry of any colour in the cell, and every
// entry tied with it, must be in that list.  The list is sorted by distance from the cell's
// centre, so a query can stop as soon as the triangle inequality shows that no later entry can
// come closer than the best one found (ties are then settled by index, as a plain scan would).
#include "internal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <atomic>
#include <mutex>
#include <memory>
#include <new>

namespace {
constexpr int kCells = 16;
constexpr int kCellSize = 256 / kCells;
constexpr int kFine = 64;
constexpr int kFineSize = 256 / kFine;
// a fine cell keeps up to 15 candidates in two words: word 0 = count and indices 0..6, word 1 =
// indices 7..14
constexpr int kFineMax = 15;
constexpr uint64_t kFineOverflow = kFineMax + 1;
} // namespace

struct PictoraPalette {
    int count = 0;
    TPaletteEntry entries[256] = {};
    // built once on the first query; double-checked because std::call_once costs more than
    // the whole lookup on the hot path
    std::atomic<bool> built{false};
    std::mutex buildLock;
    // per cell: offset into cand; cell k's list is cand[cellStart[k] .. cellStart[k + 1])
    uint32_t cellStart[kCells * kCells * kCells + 1] = {};
    struct Candidate {
        float centreDist; // distance of the entry from the cell's centre
        int16_t r, g, b;
        uint16_t index;
    };
    std::vector<Candidate> cand;
    // Fine cells of 4 x 4 x 4 colours, filled lazily on first use: each packs the (at most 15)
    // entries that can be nearest anywhere in the cell, in index order, in two words.  Byte 0 of
    // word 0 is the count (0 = not built yet, 16 = more: use the coarse list), then the indices.
    // Most fine cells hold one entry, so most queries need no distance at all; palettes on a
    // regular grid (popularity palettes) put up to eight entries into the cells on their
    // boundaries.  Word 1 is stored before word 0 is published (release); two threads building
    // the same cell store the same values.
    std::unique_ptr<std::atomic<uint64_t>[]> fine;
};

namespace {

inline int axisMin(int v, int lo, int hi) {
    // smallest |v - t| for t in [lo, hi]
    if (v < lo) return lo - v;
    if (v > hi) return v - hi;
    return 0;
}
inline int axisMax(int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); }

// centre of a cell along one axis
inline float cellCentre(int c) { return static_cast<float>(c * kCellSize) + (kCellSize - 1) / 2.0f; }

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
                const size_t first = p.cand.size();
                p.cellStart[cell] = static_cast<uint32_t>(first);
                const float mr = cellCentre(cr), mg = cellCentre(cg), mb = cellCentre(cb);
                for (int i = 0; i < p.count; ++i)
                    if (dmin[i] <= best) {
                        const TPaletteEntry& e = p.entries[i];
                        const float dr = e.peRed - mr, dg = e.peGreen - mg, db = e.peBlue - mb;
                        p.cand.push_back({std::sqrt(dr * dr + dg * dg + db * db), e.peRed,
                                          e.peGreen, e.peBlue, static_cast<uint16_t>(i)});
                    }
                std::stable_sort(p.cand.begin() + static_cast<long>(first), p.cand.end(),
                                 [](const PictoraPalette::Candidate& a,
                                    const PictoraPalette::Candidate& b) {
                                     return a.centreDist < b.centreDist;
                                 });
            }
    p.cellStart[kCells * kCells * kCells] = static_cast<uint32_t>(p.cand.size());
    p.fine.reset(new std::atomic<uint64_t>[2 * kFine * kFine * kFine]());
}

// The packed candidate record of the fine cell (fr, fg, fb), from its coarse cell's list:
// word 0 is returned, word 1 goes to high.
uint64_t buildFine(const PictoraPalette& p, int fr, int fg, int fb, uint64_t& high) {
    const int coarse = ((fr / (kCellSize / kFineSize)) * kCells + fg / (kCellSize / kFineSize)) *
                           kCells +
                       fb / (kCellSize / kFineSize);
    const int rlo = fr * kFineSize, rhi = rlo + kFineSize - 1;
    const int glo = fg * kFineSize, ghi = glo + kFineSize - 1;
    const int blo = fb * kFineSize, bhi = blo + kFineSize - 1;
    const PictoraPalette::Candidate* first = p.cand.data() + p.cellStart[coarse];
    const PictoraPalette::Candidate* last = p.cand.data() + p.cellStart[coarse + 1];
    int best = INT32_MAX;
    for (const auto* c = first; c != last; ++c) {
        const int x = axisMax(c->r, rlo, rhi), y = axisMax(c->g, glo, ghi),
                  z = axisMax(c->b, blo, bhi);
        best = std::min(best, x * x + y * y + z * z);
    }
    uint16_t picked[kFineMax + 1];
    int n = 0;
    for (const auto* c = first; c != last && n <= kFineMax; ++c) {
        const int a = axisMin(c->r, rlo, rhi), b = axisMin(c->g, glo, ghi),
                  d = axisMin(c->b, blo, bhi);
        if (a * a + b * b + d * d <= best) picked[n++] = c->index;
    }
    high = 0;
    if (n > kFineMax) return kFineOverflow;
    std::sort(picked, picked + n);
    uint64_t rec = static_cast<uint64_t>(n);
    for (int i = 0; i < n; ++i) {
        if (i < 7)
            rec |= static_cast<uint64_t>(picked[i]) << (8 * (i + 1));
        else
            high |= static_cast<uint64_t>(picked[i]) << (8 * (i - 7));
    }
    return rec;
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
    if (!palette->built.load(std::memory_order_acquire)) {
        try {
            std::lock_guard<std::mutex> lock(palette->buildLock);
            if (!palette->built.load(std::memory_order_relaxed)) {
                build(*palette);
                palette->built.store(true, std::memory_order_release);
            }
        } catch (...) {
            return GetNearestPaletteIndexScan(palette, colour); // no memory for the accelerator
        }
    }
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    const int fr = r / kFineSize, fg = g / kFineSize, fb = b / kFineSize;
    std::atomic<uint64_t>* slot =
        &palette->fine[2 * static_cast<size_t>((fr * kFine + fg) * kFine + fb)];
    uint64_t rec = slot[0].load(std::memory_order_acquire);
    uint64_t high = 0;
    if (rec == 0) {
        rec = buildFine(*palette, fr, fg, fb, high);
        slot[1].store(high, std::memory_order_relaxed);
        slot[0].store(rec, std::memory_order_release);
    } else if ((rec & 0xFF) > 7 && (rec & 0xFF) != kFineOverflow) {
        high = slot[1].load(std::memory_order_relaxed);
    }
    const uint64_t n = rec & 0xFF;
    if (n == 1) return static_cast<uint32_t>((rec >> 8) & 0xFF);
    if (n != kFineOverflow) {
        // up to 15 candidates in index order: a strict "<" keeps the lowest index on ties
        int best = INT32_MAX;
        uint32_t bestIndex = 0;
        for (uint64_t i = 0; i < n; ++i) {
            const uint32_t idx = static_cast<uint32_t>(
                i < 7 ? (rec >> (8 * (i + 1))) & 0xFF : (high >> (8 * (i - 7))) & 0xFF);
            const TPaletteEntry& e = palette->entries[idx];
            const int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                bestIndex = idx;
            }
        }
        return bestIndex;
    }
    const int cr = r / kCellSize, cg = g / kCellSize, cb = b / kCellSize;
    const int cell = (cr * kCells + cg) * kCells + cb;
    const PictoraPalette::Candidate* c = palette->cand.data() + palette->cellStart[cell];
    const PictoraPalette::Candidate* end = palette->cand.data() + palette->cellStart[cell + 1];
    if (c == end) return GetNearestPaletteIndexScan(palette, colour);
    // distance of the colour from the cell's centre: every later candidate is at least
    // centreDist - toCentre away (triangle inequality)
    const float mr = r - cellCentre(cr), mg = g - cellCentre(cg), mb = b - cellCentre(cb);
    const float toCentre = std::sqrt(mr * mr + mg * mg + mb * mb);
    int best = INT32_MAX;
    uint32_t bestIndex = 0;
    float stopAt = 1e30f; // centreDist beyond which nothing can be as close as best
    for (; c != end; ++c) {
        if (c->centreDist > stopAt) break;
        const int dr = c->r - r, dg = c->g - g, db = c->b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best || (d == best && c->index < bestIndex)) {
            best = d;
            bestIndex = c->index;
            // a small margin keeps float rounding from cutting off an exact tie
            stopAt = std::sqrt(static_cast<float>(best)) + toCentre + 0.01f;
        }
    }
    return bestIndex;
}

} // extern "C"

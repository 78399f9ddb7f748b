// Palette objects: an immutable copy of a logical palette and an exact accelerator for
// nearest-colour queries (least squared RGB distance, lowest index on ties).
//
// The accelerator splits the RGB cube into 16 x 16 x 16 cells.  For each cell it keeps every
// entry whose smallest possible distance to the cell is not larger than the smallest
// largest-distance of any entry: the true nearest entry of any colour in the cell, and every
// entry tied with it, must be in that list.  The list is sorted by distance from the cell's
// centre, so a query can stop as soon as the triangle inequality shows that no later entry can
// come closer than the best one found (ties are then settled by index, as a plain scan would).
//
// In front of it sit fine cells of 4 x 4 x 4 colours, looked at on first use.  The same bound
// over a fine cell mostly leaves one entry, which is then the answer for all 64 colours; a fine
// cell with more candidates gets a table of its 64 answers.  So every query after the first in
// a fine cell is one or two table reads, whatever the palette.
#include "internal.h"
#include "pictora_nearest.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <mutex>
#include <memory>
#include <new>

namespace {
constexpr int kCells = 16;
constexpr int kCellSize = 256 / kCells;
constexpr int kFine = 64;
constexpr int kFineSize = 256 / kFine;
constexpr int kFineCells = kFine * kFine * kFine;
// what a fine cell's slot holds: 0 = not looked at yet, 1..256 = its one answer + 1, from
// kTableBase on = the number of its table of 64 answers + kTableBase, kAskCoarse = answer each
// colour from the coarse list (every table is taken)
constexpr uint16_t kTableBase = PICTORA_NEAREST_TABLE_BASE;
constexpr uint16_t kAskCoarse = 0xFFFF;
constexpr int kMaxTables = PICTORA_NEAREST_TABLES;
static_assert(kTableBase + kMaxTables == kAskCoarse, "the slots must stay below kAskCoarse");
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
    // per fine cell, see kTableBase; a table's 64 bytes are written before its slot is
    // published (release), and two threads looking at the same cell store the same answer
    // (read and written with __atomic builtins, so that pictora.h can read them inline too)
    std::unique_ptr<uint16_t[]> fine;
    // room for every table of answers (untouched pages cost nothing); tableCount under tableLock
    std::unique_ptr<uint8_t[]> tables;
    int tableCount = 0;
    std::mutex tableLock;
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
    p.fine.reset(new uint16_t[kFineCells]());
    p.tables.reset(new uint8_t[static_cast<size_t>(kMaxTables) * 64]);
}

// Nearest of the candidates to (r, g, b); candidates in index order, so a strict "<" keeps
// the lowest index on ties.
inline uint8_t nearestOf(const TPaletteEntry* entries, const uint8_t* picked, int n, int r, int g,
                         int b) {
    int best = INT32_MAX;
    uint8_t bestIndex = 0;
    for (int i = 0; i < n; ++i) {
        const TPaletteEntry& e = entries[picked[i]];
        const int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = picked[i];
        }
    }
    return bestIndex;
}

// Nearest entry through the coarse cell's list.
uint32_t nearestCoarse(const PictoraPalette& p, int r, int g, int b) {
    const int cr = r / kCellSize, cg = g / kCellSize, cb = b / kCellSize;
    const int cell = (cr * kCells + cg) * kCells + cb;
    const PictoraPalette::Candidate* c = p.cand.data() + p.cellStart[cell];
    const PictoraPalette::Candidate* end = p.cand.data() + p.cellStart[cell + 1];
    if (c == end) return GetNearestPaletteIndexScan(const_cast<PictoraPalette*>(&p),
                                                    static_cast<uint32_t>(r | (g << 8) | (b << 16)));
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


inline const uint8_t* tableOf(const PictoraPalette& p, uint32_t slot) {
    return p.tables.get() + static_cast<size_t>(slot - kTableBase) * 64;
}

// Looks at the fine cell of (r, g, b) for the first time: finds its candidates (from its
// coarse cell's list, by the bound above) and publishes its slot.  Returns the slot.
uint32_t buildFine(PictoraPalette& p, int r, int g, int b) {
    const int fr = r / kFineSize, fg = g / kFineSize, fb = b / kFineSize;
    const int coarse = ((r / kCellSize) * kCells + g / kCellSize) * kCells + b / kCellSize;
    const int rlo = fr * kFineSize, rhi = rlo + kFineSize - 1;
    const int glo = fg * kFineSize, ghi = glo + kFineSize - 1;
    const int blo = fb * kFineSize, bhi = blo + kFineSize - 1;
    const PictoraPalette::Candidate* first = p.cand.data() + p.cellStart[coarse];
    const PictoraPalette::Candidate* last = p.cand.data() + p.cellStart[coarse + 1];
    uint16_t* slot = &p.fine[static_cast<size_t>((fr * kFine + fg) * kFine + fb)];
    int best = INT32_MAX;
    for (const auto* c = first; c != last; ++c) {
        const int x = axisMax(c->r, rlo, rhi), y = axisMax(c->g, glo, ghi),
                  z = axisMax(c->b, blo, bhi);
        best = std::min(best, x * x + y * y + z * z);
    }
    uint8_t picked[256];
    int n = 0;
    for (const auto* c = first; c != last; ++c) {
        const int a = axisMin(c->r, rlo, rhi), e = axisMin(c->g, glo, ghi),
                  d = axisMin(c->b, blo, bhi);
        if (a * a + e * e + d * d <= best) picked[n++] = static_cast<uint8_t>(c->index);
    }
    if (n == 0) { // only when the coarse list is empty, which build() never leaves
        __atomic_store_n(slot, kAskCoarse, __ATOMIC_RELEASE);
        return kAskCoarse;
    }
    if (n == 1) {
        const uint16_t v = static_cast<uint16_t>(picked[0] + 1);
        __atomic_store_n(slot, v, __ATOMIC_RELEASE);
        return v;
    }
    std::sort(picked, picked + n);
    uint8_t answers[64];
    for (int i = 0; i < 64; ++i)
        answers[i] = nearestOf(p.entries, picked, n, rlo + i / 16, glo + (i / 4) % 4, blo + i % 4);
    std::lock_guard<std::mutex> lock(p.tableLock);
    uint16_t v = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    if (v != 0) return v; // another thread was quicker
    v = kAskCoarse;
    if (p.tableCount < kMaxTables) {
        v = static_cast<uint16_t>(p.tableCount + kTableBase);
        std::memcpy(p.tables.get() + static_cast<size_t>(p.tableCount) * 64, answers, 64);
        ++p.tableCount;
    }
    __atomic_store_n(slot, v, __ATOMIC_RELEASE);
    return v;
}

// The accelerator, built on the first query; false when memory is short.
bool ensureBuilt(PictoraPalette& p) {
    if (p.built.load(std::memory_order_acquire)) return true;
    try {
        std::lock_guard<std::mutex> lock(p.buildLock);
        if (!p.built.load(std::memory_order_relaxed)) {
            build(p);
            p.built.store(true, std::memory_order_release);
        }
        return true;
    } catch (...) {
        return false;
    }
}

// One or two table reads once the fine cell has been looked at; v = 0 when it has not (or the
// accelerator is not built yet), and kAskCoarse beyond the tables.
#define PICTORA_NEAREST_FROM_TABLES(p, colour)                                                  \
    const uint32_t v = __atomic_load_n(&(p).fine[PictoraFineCell(colour)], __ATOMIC_ACQUIRE);   \
    if (v - 1 < 256) return v - 1;                                                              \
    if (v - kTableBase < kMaxTables) return tableOf((p), v)[PictoraFineSlot(colour)];

// The rest: the accelerator's first build, a fine cell's first look, the coarse list.  colour
// has 24 bits, the palette at least one entry.
__attribute__((noinline)) uint32_t nearestSlow(PictoraPalette& p, uint32_t colour) {
    if (!ensureBuilt(p))
        return GetNearestPaletteIndexScan(&p, colour); // no memory for the accelerator
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    uint32_t v = __atomic_load_n(&p.fine[PictoraFineCell(colour)], __ATOMIC_ACQUIRE);
    if (v == 0) v = buildFine(p, r, g, b);
    if (v - 1 < 256) return v - 1;
    if (v != kAskCoarse) return tableOf(p, v)[PictoraFineSlot(colour)];
    return nearestCoarse(p, r, g, b);
}

// The accelerator must be built (ensureBuilt).
inline uint32_t nearestFast(PictoraPalette& p, uint32_t colour) {
    PICTORA_NEAREST_FROM_TABLES(p, colour)
    return nearestSlow(p, colour);
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
    colour &= 0xFFFFFF;
    if (palette->built.load(std::memory_order_acquire)) {
        PICTORA_NEAREST_FROM_TABLES(*palette, colour)
    }
    return nearestSlow(*palette, colour);
}

int32_t GetNearestPaletteTables(HPALETTE palette, const uint16_t** cells, const uint8_t** answers) {
    if (palette == nullptr || palette->count == 0 || !ensureBuilt(*palette)) return 0;
    *cells = palette->fine.get();
    *answers = palette->tables.get();
    return 1;
}

void GetNearestPaletteIndicesBgr(HPALETTE palette, const uint8_t* bgr, int32_t count, uint8_t* out) {
    if (count <= 0) return;
    if (palette == nullptr || palette->count == 0) {
        std::memset(out, 0, static_cast<size_t>(count));
        return;
    }
    PictoraPalette& p = *palette;
    if (!ensureBuilt(p)) {
        for (int32_t i = 0; i < count; ++i, bgr += 3)
            out[i] = static_cast<uint8_t>(GetNearestPaletteIndexScan(
                palette, bgr[2] | (uint32_t{bgr[1]} << 8) | (uint32_t{bgr[0]} << 16)));
        return;
    }
    // neighbouring pixels often repeat a colour
    uint32_t last = 0xFFFFFFFF;
    uint8_t lastIndex = 0;
    for (int32_t i = 0; i < count; ++i, bgr += 3) {
        const uint32_t c = bgr[0] | (uint32_t{bgr[1]} << 8) | (uint32_t{bgr[2]} << 16);
        if (c != last) {
            last = c;
            lastIndex = static_cast<uint8_t>(nearestFast(p, bgr[2] | (uint32_t{bgr[1]} << 8) |
                                                                (uint32_t{bgr[0]} << 16)));
        }
        out[i] = lastIndex;
    }
}

} // extern "C"

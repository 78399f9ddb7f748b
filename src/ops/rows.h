// Shared machinery of the image operations: row access, the selection mask read row by row,
// progress in percent, row-parallel loops and the palette pass of palette images.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/parallel.h"
#include "document/simd_level.h"
#include "document/undo.h"

#include <pictora.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <type_traits>

namespace pixorama::ops {

// Image row y, counted from the top.
inline uint8_t* ImageRow(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes);
}

inline uint8_t Clamp255(int32_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Luminance of a colour, truncated.
inline int32_t Luminance(int32_t r, int32_t g, int32_t b) {
    return (30 * r + 59 * g + 11 * b) / 100;
}

// Percent of step i of count (i * 100 / (count - 1); 0 when there is only one step), passed to
// the host only when it changes.  The caller has shown 0 before.
class StepProgress {
  public:
    StepProgress(Host& host, int32_t count) : host_(host), count_(count) {}
    int percentOf(int32_t i) const {
        return count_ > 1 ? static_cast<int>(static_cast<int64_t>(i) * 100 / (count_ - 1)) : 0;
    }
    void at(int32_t i) {
        const int p = percentOf(i);
        if (p != last_) {
            host_.SetProSatus(p);
            last_ = p;
        }
    }

  private:
    Host& host_;
    int32_t count_;
    int last_ = 0;
};

// Calls fn(y0, y1) for consecutive blocks of rows that together cover 0..height-1 in order of
// their start (or fn(y0, y1, slot), slot telling apart the threads that run at once).  Large
// images run the blocks on every core, handed out one at a time so that a busy core does not
// hold the others up; fn must then touch nothing but its own rows.  Progress goes to the host
// from the calling thread only, and reaches 100 at the end.
template <class F>
void ForEachRowBlock(Host& host, int32_t height, size_t bytesPerRow, int32_t blockRows, F&& fn) {
    auto call = [&](int32_t y0, int32_t y1, int32_t slot) {
        if constexpr (std::is_invocable_v<F&, int32_t, int32_t, int32_t>)
            fn(y0, y1, slot);
        else
            fn(y0, y1);
    };
    StepProgress progress(host, height);
    const bool parallel = height > 1 && static_cast<uint64_t>(height) * bytesPerRow >= (256u << 10);
    if (!parallel) {
        for (int32_t y = 0; y < height; ++y) {
            progress.at(y);
            call(y, y + 1, 0);
        }
        return;
    }
    const int32_t chunk = std::max<int32_t>(1, blockRows);
    const int64_t blocks = (static_cast<int64_t>(height) + chunk - 1) / chunk;
    std::atomic<int32_t> done{0};
    const std::thread::id caller = std::this_thread::get_id();
    ParallelFor(blocks, [&](int64_t b, int32_t slot) {
        const auto y0 = static_cast<int32_t>(b * chunk);
        const int32_t y1 = std::min(height, y0 + chunk);
        call(y0, y1, slot);
        const int32_t finished = done.fetch_add(y1 - y0, std::memory_order_relaxed) + (y1 - y0);
        if (std::this_thread::get_id() == caller)
            progress.at(finished - 1);
    });
    progress.at(height - 1); // the end, also when the other threads took every block
}

// Calls fn(y) for every row 0..height-1, as above.
template <class F> void ForEachRow(Host& host, int32_t height, size_t bytesPerRow, F&& fn) {
    ForEachRowBlock(host, height, bytesPerRow, std::min<int32_t>(16, std::max(1, height / 64)),
                    [&](int32_t y0, int32_t y1) {
                        for (int32_t y = y0; y < y1; ++y)
                            fn(y);
                    });
}

// Whether the selection mask is a 1-bit image of the image's size.
inline bool MaskFitsImage(const DocumentState& doc) {
    const TDibRecord& m = doc.SelMask;
    return m.Bits != nullptr && m.Info != nullptr && DibBitsPerPixel(&m) == 1 &&
           DibWidth(&m) == DibWidth(&doc.Dib) && DibHeight(&m) == DibHeight(&doc.Dib);
}

// The selection as the operations read it: row by row from the mask's buffer.
class SelectionRows {
  public:
    explicit SelectionRows(const DocumentState& doc)
        : mask_(doc.SelMask), active_(doc.HasSelection), usable_(MaskFitsImage(doc)) {}
    // Whether only some pixels take part.
    bool active() const { return active_; }
    // The mask row of image row y: nullptr = every pixel takes part; a row of a mask that does
    // not match the image counts as unselected (skip = true).
    const uint8_t* row(int32_t y, bool& skip) const {
        skip = false;
        if (!active_)
            return nullptr;
        if (!usable_) {
            skip = true;
            return nullptr;
        }
        return ImageRow(mask_, y);
    }

  private:
    const TDibRecord& mask_;
    bool active_;
    bool usable_;
};

inline bool MaskBit(const uint8_t* mask, int32_t x) {
    return (mask[x >> 3] >> (7 - (x & 7))) & 1;
}

// Calls fn(x0, x1) for every run of selected pixels x0 <= x < x1 of a row of the given width;
// mask nullptr means the whole row.
template <class F> void ForSelectedRuns(const uint8_t* mask, int32_t width, F&& fn) {
    if (mask == nullptr) {
        fn(0, width);
        return;
    }
    int32_t x = 0;
    while (x < width) {
        // skip unselected pixels, whole bytes at a time
        while (x < width) {
            if ((x & 7) == 0 && mask[x >> 3] == 0) {
                x += 8;
                continue;
            }
            if (MaskBit(mask, x))
                break;
            ++x;
        }
        if (x >= width)
            return;
        const int32_t start = x;
        while (x < width) {
            if ((x & 7) == 0 && mask[x >> 3] == 0xFF) {
                x += 8;
                continue;
            }
            if (!MaskBit(mask, x))
                break;
            ++x;
        }
        fn(start, std::min(x, width));
    }
}

inline bool IsPaletteImage(const TDibRecord& dib) {
    return DibColorCount(&dib) <= 256;
}
inline bool HasPixels(const TDibRecord& dib) {
    return dib.Bits != nullptr && dib.Info != nullptr;
}
// The depths the colour operations work on: 4 and 8 bits through the palette, 24 bits.
inline bool IsPaletteOr24(const TDibRecord& dib) {
    const int bpp = DibBitsPerPixel(&dib);
    return bpp == 4 || bpp == 8 || bpp == 24;
}

} // namespace pixorama::ops

namespace pixorama::ops {

// A run of pixels is changed by run(first, count) in place, or, where the functor takes
// (source, destination, count), read from one buffer and written to another (the same pointer
// twice for in place).
template <class F> void RunInPlace(F& run, uint8_t* p, int32_t n) {
    if constexpr (std::is_invocable_v<F&, const uint8_t*, uint8_t*, int32_t>)
        run(static_cast<const uint8_t*>(p), p, n);
    else
        run(p, n);
}

// Calls run(first, count) for every run of selected pixels of the 24-bit image (first points at
// the run's first pixel, count pixels of 3 bytes), rows in parallel with progress per row.
// With an undo level waiting for its pixels (SaveForUndoByMove) each row is first copied into
// the level's buffer, changed there while it is in the cache, and the buffers trade places at
// the end: the image stays whole until then (a repaint meanwhile shows the old one).  A run that
// reads one buffer and writes another takes a wholly selected row in one pass instead.
template <class F> void ForSelectedPixels24(DocumentState& doc, Host& host, F&& run) {
    const TDibRecord& d = doc.Dib;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const SelectionRows sel(doc);
    TDibRecord* out = PendingUndoImage(doc);
    const TDibRecord& target = out != nullptr ? *out : d;
    const size_t lineBytes = static_cast<size_t>(d.LineBytes);
    ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
        uint8_t* row = ImageRow(target, y);
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if constexpr (std::is_invocable_v<F&, const uint8_t*, uint8_t*, int32_t>) {
            if (out != nullptr && mask == nullptr && !skip) {
                const uint8_t* from = ImageRow(d, y);
                run(from, row, w);
                const size_t used = static_cast<size_t>(w) * 3; // the padding as it was
                std::memcpy(row + used, from + used, lineBytes - used);
                return;
            }
        }
        if (out != nullptr)
            std::memcpy(row, ImageRow(d, y), lineBytes);
        if (skip)
            return;
        ForSelectedRuns(mask, w,
                        [&](int32_t x0, int32_t x1) { RunInPlace(run, row + 3 * x0, x1 - x0); });
    });
    if (out != nullptr)
        FinishPendingUndo(doc, true);
}

// Calls run(first, count) for the pixels an operation changes: every palette entry of a palette
// image, as one pixel of blue, green and red bytes (both copies of the entry written, progress
// per entry, then a new palette handle), else the selected pixels of the 24-bit image.  Progress
// 0 at start and end.
template <class F> void ApplyPixelRun(DocumentState& doc, Host& host, F&& run) {
    TDibRecord& d = doc.Dib;
    if (!HasPixels(d))
        return;
    host.SetProSatus(0);
    if (IsPaletteImage(d)) {
        const int32_t n = DibColorCount(&d);
        StepProgress progress(host, n);
        for (int32_t i = 0; i < n; ++i) {
            progress.at(i);
            const TPaletteEntry e = d.Palette.palPalEntry[i];
            uint8_t px[3] = {e.peBlue, e.peGreen, e.peRed};
            RunInPlace(run, px, int32_t{1});
            DibSetPaletteColor(&d, i, px[2], px[1], px[0]);
        }
        DibUpdatePaletteHandle(&d);
    } else {
        ForSelectedPixels24(doc, host, run);
    }
    host.SetProSatus(0);
}

// Whether the processor has AVX2.
inline bool CpuHasAvx2() {
    return __builtin_cpu_supports("avx2");
}

// Whether the AVX2 routines of the point operations run (document/simd_level.h decides).
inline bool PixelAvx2() {
    return SimdAtLeast(SimdLevel::Avx2);
}

// Byte-wise table lookups over runs of pixels: one table for every byte, or one per channel.
// AVX-512 VBMI permutes 64 bytes at a time through the whole table; AVX2 combines sixteen
// 16-byte sub-tables; otherwise a plain loop.
void LutBytes(uint8_t* p, size_t n, const uint8_t* lut);
void LutPixels(uint8_t* p, size_t pixels, const uint8_t* lutB, const uint8_t* lutG,
               const uint8_t* lutR);

using Lut = std::array<uint8_t, 256>;

// The table of f(v) for every byte value v.
template <class F> Lut MakeLut(F&& f) {
    Lut lut;
    for (int32_t v = 0; v < 256; ++v)
        lut[static_cast<size_t>(v)] = static_cast<uint8_t>(f(v));
    return lut;
}

// Applies the three channel tables (ApplyPixelRun): to the palette entries of a palette image,
// to the selected pixels of a 24-bit image.
void ApplyLuts(DocumentState& doc, Host& host, const Lut& lutB, const Lut& lutG, const Lut& lutR);
// The same table for every channel.
inline void ApplyChannelLut(DocumentState& doc, Host& host, const Lut& lut) {
    ApplyLuts(doc, host, lut, lut, lut);
}

// How many bit planes of corrections the AVX2 lookup of a smooth table needs on top of a line
// per run of 16 entries (1 or 2), or 0 where the table has no such form and is looked up in
// full.  ApplyLuts takes this form for a table shared by all channels.
int SegmentPlanes(const Lut& lut);

} // namespace pixorama::ops

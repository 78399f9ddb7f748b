// Colour depth increase (4 -> 8, 1 -> 4/8/24, 4/8 -> 24) and counting the colours in use.
#include "colour/depth_up.h"

#include "document/dib.h"
#include "ops/rows.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

namespace pixorama {

using namespace ops;

namespace {

// Row blocks of the colour count, each with its own 2 MB bit set.
constexpr int32_t kCountBlocks = 4;

// A random colour: each channel a multiple of 4, drawn red, green, blue.
void randomEntry(TDibRecord& d, int index, Host& host) {
    const auto r = static_cast<uint8_t>(host.RandomInt(256) & ~3);
    const auto g = static_cast<uint8_t>(host.RandomInt(256) & ~3);
    const auto b = static_cast<uint8_t>(host.RandomInt(256) & ~3);
    DibSetPaletteColor(&d, index, r, g, b);
}

inline int32_t bitAt(const uint8_t* row, int32_t x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
inline int32_t nibbleAt(const uint8_t* row, int32_t x) {
    return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}

} // namespace

bool DepthUpTo(DocumentState& doc, Host& host, int32_t bits) {
    host.SetProSatus(0);
    TDibRecord& src = doc.Dib;
    bool replaced = false;
    const int32_t s = HasPixels(src) ? DibBitsPerPixel(&src) : 24;
    const bool hasCase = (s == 4 && (bits == 8 || bits == 24)) ||
                         (s == 1 && (bits == 4 || bits == 8 || bits == 24)) ||
                         (s == 8 && bits == 24);
    DibHolder target;
    if (s != 24 && hasCase &&
        newdib(&target.get(), DibWidth(&src), DibHeight(&src), bits, nullptr, 0) &&
        target->DibHandle != 0) {
        TDibRecord& t = target.get();
        const int32_t w = DibWidth(&src), h = DibHeight(&src);
        // the palette first: the random draws run in entry order, red, green, blue
        if (bits == 8 && s == 4) {
            for (int i = 0; i < 16; ++i) {
                const TPaletteEntry& e = src.Palette.palPalEntry[i];
                DibSetPaletteColor(&t, i, e.peRed, e.peGreen, e.peBlue);
            }
            for (int i = 16; i < 256; ++i)
                randomEntry(t, i, host);
        } else if (bits != 24) {
            const int last = (1 << bits) - 1;
            DibSetPaletteColor(&t, 0, 0, 0, 0);
            for (int i = 1; i < last; ++i)
                randomEntry(t, i, host);
            DibSetPaletteColor(&t, last, 255, 255, 255);
        }
        if (bits != 24)
            DibUpdatePaletteHandle(&t);
        const int32_t top = (1 << bits) - 1; // index of white for 1-bit sources
        ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
            const uint8_t* a = ImageRow(src, y);
            uint8_t* b = ImageRow(t, y);
            if (s == 1) {
                // read by pixel value alone: 0 is black, anything else white
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t v = bitAt(a, x);
                    if (bits == 24) {
                        const uint8_t c = v ? 255 : 0;
                        b[3 * x] = b[3 * x + 1] = b[3 * x + 2] = c;
                    } else if (bits == 8) {
                        b[x] = static_cast<uint8_t>(v ? top : 0);
                    } else if (v) {
                        b[x >> 1] |= static_cast<uint8_t>((x & 1) ? top : top << 4);
                    }
                }
            } else if (bits == 8) {
                for (int32_t x = 0; x < w; ++x)
                    b[x] = static_cast<uint8_t>(nibbleAt(a, x));
            } else {
                for (int32_t x = 0; x < w; ++x) {
                    const TPaletteEntry& e =
                        src.Palette.palPalEntry[s == 8 ? a[x] : nibbleAt(a, x)];
                    b[3 * x] = e.peBlue;
                    b[3 * x + 1] = e.peGreen;
                    b[3 * x + 2] = e.peRed;
                }
            }
        });
        FinishDraging(doc); // a floating piece of the old depth ends; its pixels stay
        deldib(&src);
        src = target.release();
        doc.ForeColor = 0;
        doc.BackColor = bits == 24 ? 16777215 : (1 << bits) - 1;
        replaced = true;
    }
    host.UpdateMenuItems();
    host.SetProSatus(0);
    return replaced;
}

int64_t CountColors(const DocumentState& doc, Host& host) {
    const TDibRecord& d = doc.Dib;
    host.SetProSatus(0);
    if (!HasPixels(d))
        return 0;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const int bpp = DibBitsPerPixel(&d);
    const SelectionRows sel(doc);
    int64_t count = 0;
    if (bpp == 24) {
        // one bit per colour value.  The rows go in a few blocks, each block into a set of its
        // own (a block runs on one thread), and the sets are joined at the end: no pixel waits
        // for another core.
        constexpr size_t kWords = (size_t{1} << 24) / 64;
        const int32_t blocks = std::min<int32_t>(kCountBlocks, std::max(1, h));
        const int32_t blockRows = (h + blocks - 1) / blocks;
        std::unique_ptr<uint64_t[]> sets(new (std::nothrow) uint64_t[kWords * blocks]());
        if (!sets) {
            host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
            return 0;
        }
        ForEachRowBlock(host, h, static_cast<size_t>(w) * 3, blockRows,
                        [&](int32_t y0, int32_t y1) {
                            uint64_t* set = sets.get() + kWords * static_cast<size_t>(y0 / blockRows);
                            for (int32_t y = y0; y < y1; ++y) {
                                bool skip;
                                const uint8_t* mask = sel.row(y, skip);
                                if (skip)
                                    continue;
                                const uint8_t* row = ImageRow(d, y);
                                ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
                                    const uint8_t* p = row + 3 * x0;
                                    for (int32_t x = x0; x < x1; ++x, p += 3) {
                                        const uint32_t v = p[2] | (uint32_t(p[1]) << 8) |
                                                           (uint32_t(p[0]) << 16);
                                        set[v >> 6] |= uint64_t{1} << (v & 63);
                                    }
                                });
                            }
                        });
        for (size_t i = 0; i < kWords; ++i) {
            uint64_t word = 0;
            for (int32_t b = 0; b < blocks; ++b)
                word |= sets[kWords * static_cast<size_t>(b) + i];
            count += std::popcount(word);
        }
    } else {
        bool used[256] = {};
        StepProgress progress(host, h);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            bool skip;
            const uint8_t* mask = sel.row(y, skip);
            if (skip)
                continue;
            const uint8_t* row = ImageRow(d, y);
            ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
                for (int32_t x = x0; x < x1; ++x) {
                    const int32_t i = bpp == 8 ? row[x] : (bpp == 4 ? nibbleAt(row, x) : bitAt(row, x));
                    used[i] = true;
                }
            });
        }
        for (bool u : used)
            count += u ? 1 : 0;
    }
    host.SetProSatus(0);
    return count;
}

std::string UsedColoursText(int64_t n, bool inSelection) {
    return "Es werden " + std::to_string(n) +
           (inSelection ? " Farben in der aktuellen Auswahl benutzt." : " Farben im Bild benutzt.");
}

int64_t BenutzteFarbenZaehlen(const DocumentState& doc, Host& host) {
    const int64_t n = CountColors(doc, host);
    if (n < 1)
        host.MessageBox(kTextCountFailed, "", MB_ICONSTOP);
    else
        host.MessageBox(UsedColoursText(n, doc.HasSelection), kCaptionUsedColours,
                        MB_ICONINFORMATION);
    return n;
}

} // namespace pixorama

// Shadow, button, mosaic, the 5x5 neighbourhood filters and noise.  The neighbourhood filters
// read a work copy with a replicated two-pixel margin and sum each channel over 5x5 pixels as
// five-row column sums followed by five-column sums, rows in parallel.
#include "ops/effects.h"

#include "document/dib.h"
#include "document/selection.h"
#include "document/undo.h"
#include "ops/convolution.h"
#include "ops/rows.h"
#include "ops/tone.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pixorama {

using namespace ops;

int32_t EffectColor(const DocumentState& doc, int item) {
    static constexpr uint32_t kFixed[5] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000};
    if (item == 0)
        return doc.ForeColor;
    if (item < 2 || item > 6)
        return doc.BackColor;
    const uint32_t packed = kFixed[item - 2]; // R + 256 G + 65536 B
    if (IsPaletteImage(doc.Dib))
        return static_cast<int32_t>(GetNearestPaletteIndex(doc.Dib.PaletteHandle, packed));
    return static_cast<int32_t>(packed);
}

namespace {

inline int32_t roundEven(double v) {
    return static_cast<int32_t>(std::nearbyint(v));
}

inline uint8_t* pixel24(const TDibRecord& d, int32_t x, int32_t y) {
    return ImageRow(d, y) + 3 * x;
}

} // namespace

void DrawShadow(DocumentState& doc, Host& host, int32_t dx, int32_t dy, int32_t tr, int32_t so,
                int32_t colour) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || !doc.HasSelection)
        return;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const TRect r = doc.SelRect;
    const int32_t y0 = std::max(r.Top + dy, 0), y1 = std::min(r.Bottom + dy, h - 1);
    const int32_t x0 = std::max(r.Left + dx, 0), x1 = std::min(r.Right + dx, w - 1);
    auto candidate = [&](int32_t x, int32_t y) {
        return MaskValue(doc, x, y) == 0 && MaskValue(doc, x - dx, y - dy) == 1;
    };
    host.SetProSatus(0);
    StepProgress progress(host, y1 - y0 + 1);
    if (IsPaletteImage(d)) {
        for (int32_t y = y0; y <= y1; ++y) {
            progress.at(y - y0);
            for (int32_t x = x0; x <= x1; ++x)
                if (candidate(x, y))
                    setpixel(&d, x, y, colour);
        }
        host.SetProSatus(0);
        return;
    }
    const int32_t c[3] = {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255}; // B, G, R
    const int32_t hw = std::abs(r.Right - r.Left) / 2, hh = std::abs(r.Bottom - r.Top) / 2;
    const int32_t cx = r.Left + dx + hw, cy = r.Top + dy + hh;
    for (int32_t y = y0; y <= y1; ++y) {
        progress.at(y - y0);
        for (int32_t x = x0; x <= x1; ++x) {
            if (!candidate(x, y))
                continue;
            int32_t m = 0;
            if (hw != 0 && hh != 0) {
                const int64_t ax = std::abs(cx - x), ay = std::abs(cy - y);
                const int64_t box = std::max(ax * 100 / hw, ay * 100 / hh);
                const int64_t rad = int64_t{roundEven(std::sqrt(static_cast<double>(ax * ax + ay * ay)))} *
                                    100 / std::max(hw, hh);
                m = static_cast<int32_t>(std::min<int64_t>((box * (100 - so) + rad * so) / 100, 100));
            }
            const int32_t f = m > 100 - so ? (m - (100 - so)) * 100 / so : 0;
            uint8_t* p = pixel24(d, x, y);
            for (int k = 0; k < 3; ++k) {
                const int32_t v = p[k];
                const int32_t s = ((100 - f) * c[k] + f * v) / 100;
                p[k] = static_cast<uint8_t>(((100 - tr) * s + tr * v) / 100);
            }
        }
    }
    host.SetProSatus(0);
}

void Buttonize(DocumentState& doc, Host& host, int32_t bw, int32_t tr, bool solid,
               int32_t colour) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || !doc.HasSelection || DibBitsPerPixel(&d) != 24)
        return;
    const TRect r = doc.SelRect;
    const int32_t w = std::abs(r.Right - r.Left), h = std::abs(r.Bottom - r.Top);
    // a border of width 0 or a selection one pixel wide or high has no band to shade: the
    // formulas would divide by zero, so nothing changes
    if (bw <= 0 || w == 0 || h == 0)
        return;
    const int32_t cx = r.Left + w / 2, cy = r.Top + h / 2;
    // a vertical border that rounds to 0 still shades one row
    const int32_t bh = std::max(roundEven(static_cast<double>(bw) * h / w), 1);
    const int32_t c[3] = {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255}; // B, G, R
    const int32_t iw = DibWidth(&d), ih = DibHeight(&d);
    host.SetProSatus(0);
    StepProgress progress(host, r.Bottom - r.Top + 1);
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
        progress.at(y - r.Top);
        if (y < 0 || y >= ih)
            continue;
        for (int32_t x = r.Left; x <= r.Right; ++x) {
            if (x < 0 || x >= iw || MaskValue(doc, x, y) != 1)
                continue;
            const int32_t dL = x - r.Left, dR = r.Right - x, dT = y - r.Top, dB = r.Bottom - y;
            if (!(dL <= bw || dR <= bw || dT <= bh || dB <= bh))
                continue;
            int32_t C, D;
            if (w > h) {
                C = std::abs(x - cx);
                D = std::abs(y - cy) * w / h;
            } else {
                C = std::abs(x - cx) * h / w;
                D = std::abs(y - cy);
            }
            // 0: left, 1: right, 2: top, 3: bottom, 4: left+bottom, 5: right+top, -1: none
            int shade = -1;
            int32_t e = 0;
            const bool diagonal = (x > cx && y < cy) || (y > cy && x < cx);
            if (D == C && diagonal) {
                if (dL <= bw) {
                    shade = 4;
                    e = dL * 100 / bw;
                } else if (dR <= bw) {
                    shade = 5;
                    e = dR * 100 / bw;
                }
            } else if (D > C) {
                if (dT <= bh) {
                    shade = 2;
                    e = dT * 100 / bh;
                } else if (dB <= bh) {
                    shade = 3;
                    e = dB * 100 / bh;
                }
            } else {
                if (dL <= bw) {
                    shade = 0;
                    e = dL * 100 / bw;
                } else if (dR <= bw) {
                    shade = 1;
                    e = dR * 100 / bw;
                }
            }
            if (shade < 0)
                continue;
            if (solid)
                e = 0;
            const int32_t j = std::min(e + tr, 100);
            uint8_t* p = pixel24(d, x, y);
            for (int k = 0; k < 3; ++k) {
                const int32_t ck = c[k];
                const int32_t lt = ck - (bw - dL) * ck / (2 * bw);
                const int32_t rt = ck - (2 * bw - dR) * ck / (2 * bw);
                const int32_t tp = ck - (bh - dT) * ck / (2 * bh);
                const int32_t bt = ck - (2 * bh - dB) * ck / (2 * bh);
                int32_t value = 0;
                switch (shade) {
                case 0: value = lt; break;
                case 1: value = rt; break;
                case 2: value = tp; break;
                case 3: value = bt; break;
                case 4: value = (lt + bt) >> 1; break;
                default: value = (rt + tp) >> 1; break;
                }
                p[k] = static_cast<uint8_t>((value * (100 - j) + j * p[k]) / 100);
            }
        }
    }
    host.SetProSatus(0);
}

void MosaikEffekt(DocumentState& doc, Host& host, int32_t bw, int32_t bh) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || bw <= 0 || bh <= 0)
        return;
    const int32_t w = DibWidth(&d), h = DibHeight(&d), bpp = DibBitsPerPixel(&d);
    host.SetProSatus(0);
    if (bpp == 1 || bpp == 4) {
        StepProgress progress(host, h);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            for (int32_t x = 0; x < w; ++x)
                if (IsSelected(doc, x, y))
                    setpixel(&d, x, y, getpixel(&d, (x / bw) * bw, (y / bh) * bh));
        }
        host.SetProSatus(0);
        return;
    }
    const int32_t n = bpp == 24 ? 3 : 1;
    const SelectionRows sel(doc);
    // The value taken last runs on from row to row; without a selection every row takes its
    // first value at x = 0, so rows are independent and run in parallel.
    auto mosaicRow = [&](int32_t y, uint8_t* value) {
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip)
            return;
        const uint8_t* srcRow = ImageRow(d, (y / bh) * bh);
        uint8_t* row = ImageRow(d, y);
        for (int32_t x = 0; x < w; ++x) {
            if (mask != nullptr && !MaskBit(mask, x))
                continue;
            if (x % bw == 0)
                std::memcpy(value, srcRow + x * n, static_cast<size_t>(n));
            std::memcpy(row + x * n, value, static_cast<size_t>(n));
        }
    };
    if (!sel.active()) {
        ForEachRow(host, h, static_cast<size_t>(d.LineBytes), [&](int32_t y) {
            uint8_t value[3] = {0, 0, 0};
            mosaicRow(y, value);
        });
    } else {
        uint8_t value[3] = {0, 0, 0};
        StepProgress progress(host, h);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            mosaicRow(y, value);
        }
    }
    host.SetProSatus(0);
}

namespace {

enum class Neighbourhood { Erode, Dilate, DelNoise };

// The sums of the 5x5 neighbourhood per channel of one image row: col (the padded row's five-row
// sums) and box (five columns of those) are the caller's scratch rows.
void boxSums(const TDibRecord& work, int32_t y, int32_t w, uint16_t* col, uint16_t* box) {
    const size_t paddedBytes = static_cast<size_t>(w + 4) * 3;
    const uint8_t* r0 = ImageRow(work, y);
    const uint8_t* r1 = ImageRow(work, y + 1);
    const uint8_t* r2 = ImageRow(work, y + 2);
    const uint8_t* r3 = ImageRow(work, y + 3);
    const uint8_t* r4 = ImageRow(work, y + 4);
    for (size_t k = 0; k < paddedBytes; ++k)
        col[k] = static_cast<uint16_t>(r0[k] + r1[k] + r2[k] + r3[k] + r4[k]);
    const size_t bytes = static_cast<size_t>(w) * 3;
    for (size_t k = 0; k < bytes; ++k)
        box[k] = static_cast<uint16_t>(col[k] + col[k + 3] + col[k + 6] + col[k + 9] + col[k + 12]);
}

void neighbourhoodFilter(DocumentState& doc, Host& host, Neighbourhood kind, int32_t threshold) {
    TDibRecord& img = doc.Dib;
    if (!HasPixels(img) || IsPaletteImage(img))
        return;
    SaveForUndo(doc, host);
    const int32_t w = DibWidth(&img), h = DibHeight(&img);
    DibHolder workCopy;
    TDibRecord& work = workCopy.get();
    newdib_unfilled(&work, w + 4, h + 4, 24, nullptr, 0);
    if (work.Bits == nullptr) {
        host.MessageBox(kTextFilterNoMemory, "Fehler", MB_ICONSTOP);
        return;
    }
    // the image two pixels in from every side, the margin repeating the outermost pixels
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* dst = ImageRow(work, y + 2);
        const uint8_t* src = ImageRow(img, y);
        std::memcpy(dst + 6, src, rowBytes);
        for (int m = 0; m < 2; ++m) {
            std::memcpy(dst + 3 * m, src, 3);
            std::memcpy(dst + 6 + rowBytes + 3 * m, src + rowBytes - 3, 3);
        }
    }
    for (int32_t m = 0; m < 2; ++m) {
        std::memcpy(ImageRow(work, m), ImageRow(work, 2), rowBytes + 12);
        std::memcpy(ImageRow(work, h + 2 + m), ImageRow(work, h + 1), rowBytes + 12);
    }

    const SelectionRows sel(doc);
    host.SetProSatus(0);
    ForEachRowBlock(host, h, rowBytes, 16, [&](int32_t ya, int32_t yb) {
        std::vector<uint16_t> col(static_cast<size_t>(w + 4) * 3), box(rowBytes);
        for (int32_t y = ya; y < yb; ++y) {
            bool skip;
            const uint8_t* mask = sel.row(y, skip);
            if (skip)
                continue;
            boxSums(work, y, w, col.data(), box.data());
            uint8_t* row = ImageRow(img, y);
            const uint8_t* centre = ImageRow(work, y + 2) + 6;
            ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
                for (int32_t x = x0; x < x1; ++x) {
                    const uint16_t* s = box.data() + 3 * x;
                    const int32_t sB = s[0], sG = s[1], sR = s[2];
                    uint8_t* p = row + 3 * x;
                    switch (kind) {
                    case Neighbourhood::Erode:
                        if ((30 * sR + 59 * sG + 11 * sB) / 2500 < 96) {
                            p[0] = static_cast<uint8_t>(sB / 50);
                            p[1] = static_cast<uint8_t>(sG / 50);
                            p[2] = static_cast<uint8_t>(sR / 50);
                        }
                        break;
                    case Neighbourhood::Dilate: {
                        const int32_t sum = 30 * sR + 59 * sG + 11 * sB;
                        if (sum / 2500 > 160)
                            p[0] = p[1] = p[2] = static_cast<uint8_t>(std::min(sum / 2000, 255));
                        break;
                    }
                    case Neighbourhood::DelNoise: {
                        const int32_t aB = sB / 25, aG = sG / 25, aR = sR / 25;
                        const uint8_t* c = centre + 3 * x;
                        if (std::abs(aR - c[2]) > threshold || std::abs(aG - c[1]) > threshold ||
                            std::abs(aB - c[0]) > threshold) {
                            p[0] = static_cast<uint8_t>(aB);
                            p[1] = static_cast<uint8_t>(aG);
                            p[2] = static_cast<uint8_t>(aR);
                        }
                        break;
                    }
                    }
                }
            });
        }
    });
    host.SetProSatus(0);
    deldib(&work); // before the histogram is counted
    host.Updatehistogramm();
}

} // namespace

void DibErodeFilter(DocumentState& doc, Host& host) {
    neighbourhoodFilter(doc, host, Neighbourhood::Erode, 0);
}

void DibDilateFilter(DocumentState& doc, Host& host) {
    neighbourhoodFilter(doc, host, Neighbourhood::Dilate, 0);
}

void DelNoise(DocumentState& doc, Host& host, int32_t threshold) {
    neighbourhoodFilter(doc, host, Neighbourhood::DelNoise, threshold);
}

void AddNoise(DocumentState& doc, Host& host, int32_t s, int32_t p) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || IsPaletteImage(d))
        return;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const SelectionRows sel(doc);
    host.SetProSatus(0);
    StepProgress progress(host, h);
    // one generator in row order: the draws depend on every earlier pixel
    for (int32_t y = 0; y < h; ++y) {
        progress.at(y);
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip)
            continue;
        uint8_t* row = ImageRow(d, y);
        ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
            for (int32_t x = x0; x < x1; ++x) {
                if (host.RandomInt(100) >= p)
                    continue;
                uint8_t* px = row + 3 * x;
                for (int k = 0; k < 3; ++k)
                    px[k] = Clamp255(px[k] + host.RandomInt(s) - s / 2);
            }
        });
    }
    host.SetProSatus(0);
}

void ShadowCommand(DocumentState& doc, Host& host, int32_t dx, int32_t dy, int32_t transparency,
                   int32_t softness, int colorItem) {
    if (!HasPixels(doc.Dib) || !doc.HasSelection || doc.Floating)
        return;
    const int32_t colour = EffectColor(doc, colorItem);
    RunCommand(doc, host, [&] { DrawShadow(doc, host, dx, dy, transparency, softness, colour); });
}

void ButtonCommand(DocumentState& doc, Host& host, int32_t width, int32_t transparency,
                   bool solid, int colorItem) {
    if (!HasPixels(doc.Dib) || !doc.HasSelection || doc.Floating ||
        DibBitsPerPixel(&doc.Dib) != 24)
        return;
    const int32_t colour = EffectColor(doc, colorItem);
    RunCommand(doc, host, [&] { Buttonize(doc, host, width, transparency, solid, colour); });
}

void MosaicCommand(DocumentState& doc, Host& host, int32_t bw, int32_t bh) {
    if (!HasPixels(doc.Dib) || DibBitsPerPixel(&doc.Dib) != 24)
        return;
    RunCommand(doc, host, [&] { MosaikEffekt(doc, host, bw, bh); });
}

void AddNoiseCommand(DocumentState& doc, Host& host, int32_t strength, int32_t probability) {
    if (!HasPixels(doc.Dib) || IsPaletteImage(doc.Dib))
        return;
    RunCommand(doc, host, [&] { AddNoise(doc, host, strength, probability); });
}

} // namespace pixorama

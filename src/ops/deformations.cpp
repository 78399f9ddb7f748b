// Perspective, skew and bulge.  The perspective and skew push every source pixel to its new
// place (later pixels overwrite earlier ones); the bulge pulls every new pixel from its source,
// whose column and row depend on the column and row alone.
#include "ops/deformations.h"

#include "document/selection.h"
#include "ops/preview.h"
#include "ops/rows.h"

#include <pictora.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace pixorama {

using namespace ops;

namespace {

bool usable(const DocumentState& doc, const TDibRecord& source) {
    const TDibRecord& d = doc.Dib;
    return HasPixels(d) && HasPixels(source) && DibBitsPerPixel(&d) == 24 &&
           DibBitsPerPixel(&source) == 24 && DibWidth(&d) == DibWidth(&source) &&
           DibHeight(&d) == DibHeight(&source);
}

} // namespace

void Perspektive(DocumentState& doc, Host& host, const TDibRecord& source, int32_t a,
                 bool horizontal, bool perspective) {
    if (!usable(doc, source))
        return;
    const TDibRecord& d = doc.Dib;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const uint8_t back[3] = {static_cast<uint8_t>((doc.BackColor >> 16) & 255),
                             static_cast<uint8_t>((doc.BackColor >> 8) & 255),
                             static_cast<uint8_t>(doc.BackColor & 255)};
    host.SetProSatus(0);
    {
        StepProgress progress(host, h);
        const SelectionRows sel(doc);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            bool skip;
            const uint8_t* mask = sel.row(y, skip);
            if (skip)
                continue;
            uint8_t* row = ImageRow(d, y);
            ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
                for (int32_t x = x0; x < x1; ++x)
                    std::copy(back, back + 3, row + 3 * x);
            });
        }
    }
    host.SetProSatus(0);
    // an image one pixel wide (or high) has no run across it to narrow: k stays 0
    auto perspK = [a](int32_t pos, int32_t size) -> int64_t {
        if (size <= 1)
            return 0;
        return a >= 0 ? int64_t{a} * pos / (size - 1)
                      : int64_t{a} * (pos - size + 1) / (size - 1);
    };
    const int64_t v = int64_t{a} * w / 100; // the skew's shift, from the width in both modes
    StepProgress progress(host, h);
    for (int32_t y = 0; y < h; ++y) {
        progress.at(y);
        const uint8_t* srow = ImageRow(source, y);
        for (int32_t x = 0; x < w; ++x) {
            int64_t nx = x, ny = y;
            if (perspective && horizontal) {
                ny = (100 - perspK(x, w)) * (y - h / 2) / 100 + h / 2;
            } else if (perspective) {
                const int64_t k = h <= 1 ? 0
                                  : a >= 0 ? int64_t{a} * y / (h - 1)
                                           : int64_t{-a} * (h - y - 1) / (h - 1);
                nx = (100 - k) * (x - w / 2) / 100 + w / 2;
            } else if (horizontal) {
                nx = x + v / 2 - y * v / h;
            } else {
                ny = y + v / 2 - x * v / w;
            }
            if (nx < 0 || nx >= w || ny < 0 || ny >= h)
                continue;
            if (!IsSelected(doc, static_cast<int32_t>(nx), static_cast<int32_t>(ny)))
                continue;
            const uint8_t* q = srow + 3 * x;
            std::copy(q, q + 3, ImageRow(d, static_cast<int32_t>(ny)) + 3 * nx);
        }
    }
    host.SetProSatus(0);
}

namespace {

// Source positions of one axis: half = size div 2, s = trunc(half * (d / half)^k).
std::vector<int32_t> bulgeMap(int32_t size, double k, bool active) {
    std::vector<int32_t> map(static_cast<size_t>(size));
    const int32_t half = size / 2;
    for (int32_t i = 0; i < size; ++i) {
        // a line of one pixel has no half to scale: it stays where it is
        if (!active || half == 0) {
            map[static_cast<size_t>(i)] = i;
            continue;
        }
        const int32_t dist = std::abs(i - half);
        int32_t s = static_cast<int32_t>(std::trunc(
            half * power(static_cast<double>(dist) / static_cast<double>(half), k)));
        if (i < half)
            s = -s;
        map[static_cast<size_t>(i)] = std::clamp(half + s, 0, size - 1);
    }
    return map;
}

} // namespace

void Woelben(DocumentState& doc, Host& host, const TDibRecord& source, bool horizontal,
             double k, bool vertical) {
    if (!usable(doc, source))
        return;
    const TDibRecord& d = doc.Dib;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const std::vector<int32_t> sx = bulgeMap(w, k, horizontal), sy = bulgeMap(h, k, vertical);
    const SelectionRows sel(doc);
    host.SetProSatus(0);
    ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip)
            return;
        const uint8_t* srow = ImageRow(source, sy[static_cast<size_t>(y)]);
        uint8_t* row = ImageRow(d, y);
        ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
            for (int32_t x = x0; x < x1; ++x) {
                const uint8_t* q = srow + 3 * sx[static_cast<size_t>(x)];
                std::copy(q, q + 3, row + 3 * x);
            }
        });
    });
    host.SetProSatus(0);
}

namespace {

template <class Op> void previewCommand(DocumentState& doc, Host& host, Op&& op) {
    if (!HasPixels(doc.Dib) || DibBitsPerPixel(&doc.Dib) != 24)
        return;
    PreviewSession session(doc, host);
    if (!session.Begin())
        return;
    session.Accept([&] { op(session.Backup()); });
    session.Finish(true);
    host.Updatehistogramm();
}

} // namespace

void PerspectiveCommand(DocumentState& doc, Host& host, int32_t strength, bool horizontal,
                        bool perspective) {
    previewCommand(doc, host, [&](const TDibRecord& backup) {
        Perspektive(doc, host, backup, strength, horizontal, perspective);
    });
}

void BulgeCommand(DocumentState& doc, Host& host, bool horizontal, double strength,
                  bool vertical) {
    previewCommand(doc, host, [&](const TDibRecord& backup) {
        Woelben(doc, host, backup, horizontal, strength, vertical);
    });
}

TOutline PerspectiveOutline(int32_t w, int32_t h, int32_t s, bool horizontal, bool perspective) {
    TOutline o;
    if (perspective && horizontal) {
        const int32_t off = static_cast<int32_t>(int64_t{h / 2} * std::abs(s) / 100);
        if (s >= 0)
            o = {{{w - 1, off}, {0, 0}, {0, h - 1}, {w - 1, h - off - 1}}};
        else
            o = {{{0, off}, {w - 1, 0}, {w - 1, h - 1}, {0, h - off - 1}}};
    } else if (perspective) {
        const int32_t off = static_cast<int32_t>(int64_t{w / 2} * std::abs(s) / 100);
        if (s >= 0)
            o = {{{off, h - 1}, {0, 0}, {w - 1, 0}, {w - off - 1, h - 1}}};
        else
            o = {{{off, 0}, {0, h - 1}, {w - 1, h - 1}, {w - off - 1, 0}}};
    } else if (horizontal) {
        const int32_t e = static_cast<int32_t>(int64_t{w} * s / 200);
        o = {{{e, 0}, {w + e, 0}, {w - e, h - 1}, {-e, h - 1}}};
    } else {
        const int32_t e = static_cast<int32_t>(int64_t{h} * s / 200);
        o = {{{0, e}, {0, h + e}, {w - 1, h - e}, {w - 1, -e}}};
    }
    return o;
}

} // namespace pixorama

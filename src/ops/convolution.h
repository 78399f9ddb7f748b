// Convolution filters: the filter record, the twelve built-in kernels of the menu "B&ild" and
// DibFilter, which applies a 5x5 integer kernel to a 24-bit image within the selection.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <array>
#include <cstdint>

namespace pixorama {

// The filter record, also the stored record of the user filter file (624 bytes).
struct TFilterRecord {
    int32_t Divisor = 1;
    int32_t Bias = 0;
    int32_t Matrix[5][5] = {}; // [column][row]: horizontal offset column-2, vertical row-2
    char FilterName[257] = {};
    uint8_t Reserved[259] = {};
};
static_assert(sizeof(TFilterRecord) == 624, "the stored filter record has 624 bytes");

// A built-in kernel as written: Rows[r][c], the first row above the pixel, the first column to
// its left.
struct TBuiltinFilter {
    const char* CliName; // "soften-strong"
    const char* Submenu; // "Foku&ssierungs Filter"
    const char* Caption; // "Stark W&eichzeichnen"
    const char* Handler; // "StarkSoften1Click"
    int32_t Rows[5][5];
    int32_t Divisor;
    int32_t Bias;
    bool InvertAfter; // "&Konturen zeichnen" inverts the filtered image
};

// The menu's twelve filters in menu order.
extern const std::array<TBuiltinFilter, 12> kBuiltinFilters;
// nullptr for an unknown name.
const TBuiltinFilter* FindBuiltinFilter(const char* cliName);

// A filter record from weights written row by row (transposed into Matrix[column][row]).
TFilterRecord FilterFromRows(const int32_t rows[5][5], int32_t divisor, int32_t bias);
inline TFilterRecord PrepareBuiltinFilter(const TBuiltinFilter& f) {
    return FilterFromRows(f.Rows, f.Divisor, f.Bias);
}

inline constexpr const char* kTextFilterNoMemory =
    "Fehler: Nicht genügent Speicher für diese Aktion!";

// Filters the document's 24-bit image: the undo level comes first (also for images it then
// leaves alone: palette images, a divisor of 0), edges are replicated two pixels outward, only
// selected pixels change, and the histogram is refreshed.  The caller repaints.  The result is
// written into a new buffer and the old pixel buffer becomes the undo level (SaveForUndoByMove).
void DibFilter(DocumentState& doc, Host& host, TFilterRecord filter);
// DibFilter without the undo level and the histogram: false when it left the image alone
// (palette image, divisor 0, no memory; the message is shown).  With an undo level waiting for
// its pixels (PendingUndoImage) the result goes there and the buffers trade places; otherwise
// the image is filtered in place.
bool FilterPixels(DocumentState& doc, Host& host, const TFilterRecord& filter);

// A built-in filter as its menu command runs it (with the inversion of "&Konturen zeichnen").
void ApplyBuiltinFilter(DocumentState& doc, Host& host, const TBuiltinFilter& f);

} // namespace pixorama

// The fill tool: the pattern brought to the image's depth, and the flood fill at a point with
// the options panel's style, direction and tolerance.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

namespace pixorama {

// The pattern Q converted to the depth and colour table of image I: palette colours matched to
// I's nearest palette entry, or unpacked for a 24-bit image.  Without pixels when memory is short.
TDibRecord MakePatternCompatible(const TDibRecord& I, const TDibRecord& Q);

struct TFillParams {
    int Style = 0;      // 0 colour, 1 pattern, 2 linear, 3 rectangular, 4 sunburst, 5 radial
    int Direction = 0;  // 0 NW-SO ... 7 W-O
    int32_t Tol = 25;
};

// A press of the fill tool at image point (x, y): the undo level is taken only once the work
// mask exists.  False when it was refused (message shown, nothing changed).
bool FillAt(DocumentState& doc, Host& host, const TFillParams& p, const TDibRecord* pattern,
            int32_t x, int32_t y);

inline constexpr const char* kTextChoosePatternFirst = "Sie müssen zuerst ein Muster auswählen!";

} // namespace pixorama

// Deformations of the menu "B&ild": perspective and skew, and the bulge.  Both read the
// dialog's unchanged backup and write the document's 24-bit image inside its own frame, only
// selected pixels while a selection is active.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/value_range.h"

#include <cstdint>

namespace pixorama {

// Strength -100..100; horizontal or vertical; perspective or (when clear) skew.
void Perspektive(DocumentState& doc, Host& host, const TDibRecord& source, int32_t strength,
                 bool horizontal, bool perspective);
// Strength k > 0: above 1 the middle grows (outward), below 1 it shrinks (inward).
void Woelben(DocumentState& doc, Host& host, const TDibRecord& source, bool horizontal,
             double strength, bool vertical);

// The commands as the dialogs' OK runs them: backup, undo level, the deformation from the
// backup, histogram.  Nothing happens for images other than 24 bits.
void PerspectiveCommand(DocumentState& doc, Host& host, int32_t strength, bool horizontal,
                        bool perspective);
void BulgeCommand(DocumentState& doc, Host& host, bool horizontal, double strength, bool vertical);

// The outline "Neuer Umriss:" of the perspective dialog on a box of w x h: four corners, the
// line closing back to the first.
struct TOutline {
    TPoint P[4];
};
TOutline PerspectiveOutline(int32_t w, int32_t h, int32_t strength, bool horizontal,
                            bool perspective);

inline constexpr TIntRange kPerspectiveRange{-100, 100, 50};
inline constexpr double kBulgeMin = 0.01, kBulgeMax = 10.0, kBulgeDefault = 1.4, kBulgeStep = 0.1;

} // namespace pixorama

// The selection tools: the geometric selection made at the release, the free-hand polygon and
// the magic wand.  Each draws into the selection mask and rebuilds the outline.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/selection.h"

#include <cstdint>
#include <vector>

namespace pixorama {

// The shape list of the options panel ("Rechteck", "Quadrat", "Ellipse", "Kreis").
enum SelectionShape : int {
    kShapeRechteck = 0,
    kShapeQuadrat = 1,
    kShapeEllipse = 2,
    kShapeKreis = 3
};

// The press of a selection tool that starts a new selection: undo level, floating piece merged.
void BeginSelectionGesture(DocumentState& doc, Host& host);

// The geometric selection at the release, between the two image points (inclusive): the mask is
// cleared for replace, the rectangle or ellipse drawn with 1 (0 to subtract), then the outline
// rebuilt.
void GeometricSelection(DocumentState& doc, Host& host, int shape, SelectionMode mode, int32_t x0,
                        int32_t y0, int32_t x1, int32_t y1);

// Draws a closed polygon (image points) into a 1-bit record: its outline and its interior by
// the even-odd rule.
void FillPolygon(const TDibRecord& mask, const std::vector<TPoint>& points, int32_t value);

// The free-hand selection at the release: the polygon (image points, already closed) combined
// with the mask by mode, then the outline rebuilt.
void FreeSelection(DocumentState& doc, Host& host, const std::vector<TPoint>& points,
                   SelectionMode mode);

// The magic wand at image point (x, y): the region the fill would reach from there with the
// tolerance, combined with the mask by mode.
void MagicWand(DocumentState& doc, Host& host, int32_t x, int32_t y, int32_t tolerance,
               SelectionMode mode);

} // namespace pixorama

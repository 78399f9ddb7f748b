// The selection mask: its outline and bounding box, select all / none / invert, and the
// geometric selection made at the release of the selection tool.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <cstdint>

namespace pixorama {

// How a selection tool combines with the mask: Shift adds, else Ctrl subtracts, else replaces.
enum class SelectionMode { Replace, Add, Subtract };
inline SelectionMode SelectionModeFor(bool shift, bool ctrl) {
    return shift ? SelectionMode::Add : (ctrl ? SelectionMode::Subtract : SelectionMode::Replace);
}

// Rebuilds SelOutline, SelRect and HasSelection from SelMask, then lets the host update its
// menus.  Every change of the mask ends here (except select none).
void UpdateSelddib(DocumentState& doc, Host& host);
// Appends (x, y) to the outline when it lies inside the image, widening SelRect.
void AddOutlinePoint(DocumentState& doc, Host& host, int32_t x, int32_t y);

// "&Alles auswählen", "&Nicht auswählen", "Auswahl &umkehren": each takes an undo level and
// merges a floating piece first.
void SelectAll(DocumentState& doc, Host& host);
void SelectNone(DocumentState& doc, Host& host);
void InvertSelection(DocumentState& doc, Host& host);

// The press of a selection tool that starts a new selection: undo level, floating piece merged.
void BeginSelectionGesture(DocumentState& doc, Host& host);

// The shape list of the options panel ("Rechteck", "Quadrat", "Ellipse", "Kreis").
enum SelectionShape : int {
    kShapeRechteck = 0,
    kShapeQuadrat = 1,
    kShapeEllipse = 2,
    kShapeKreis = 3
};

// The geometric selection at the release, between the two image points (inclusive): the mask is
// cleared for replace, the rectangle or ellipse drawn with 1 (0 to subtract), then the outline
// rebuilt.
void GeometricSelection(DocumentState& doc, Host& host, int shape, SelectionMode mode, int32_t x0,
                        int32_t y0, int32_t x1, int32_t y1);

} // namespace pixorama

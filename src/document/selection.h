// The selection mask of a document: its query, its outline and bounding box, and the commands
// select all / none / invert.  The mask is document state; the tools that draw into it live in
// tools/.
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

// The mask's value at (x, y): 1 = selected.  HasSelection is not consulted; 0 outside.
int32_t MaskValue(const DocumentState& doc, int32_t x, int32_t y);
// Whether the operations treat (x, y) as selected: everything when there is no selection.
inline bool IsSelected(const DocumentState& doc, int32_t x, int32_t y) {
    return !doc.HasSelection || MaskValue(doc, x, y) == 1;
}
// Sets every byte of the mask's buffer (padding included) to value.
void FillMask(DocumentState& doc, uint8_t value);

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

} // namespace pixorama

// Undo: up to three levels of deep copies taken before every change.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

namespace pixorama {

// Pushes the current image, selection and floating piece.  The first save marks the document
// modified.  A copy that fails shows the shortage message and the level is pushed anyway (its
// image without pixels); the command that asked goes on.  Calls host.UpdateMenuItems().
void SaveForUndo(DocumentState& doc, Host& host);

// Restores the newest level.  A level whose image copy had failed cannot be restored: it is
// dropped with the shortage message and the document stays as it is, so the document never
// loses its image.  Returns true when the image size changed (the window refits its zoom).
bool LoadFromUndo(DocumentState& doc, Host& host);

// Drops level k (1-based, 1 = oldest) and closes the gap.
void FreeUndoBuffer(DocumentState& doc, int k);

} // namespace pixorama

// Undo: levels of deep copies taken before every change, three unless the document's UndoDepth
// says otherwise.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

namespace pixorama {

// Pushes the current image, selection and floating piece; with UndoDepth levels already kept
// the oldest goes.  The first save marks the document modified.  A copy that fails for lack of
// memory shows the shortage message and drops the oldest levels until it succeeds; with none
// left the level is pushed anyway (its image without pixels).  The command that asked goes on.
// Calls host.UpdateMenuItems().
void SaveForUndo(DocumentState& doc, Host& host);

// SaveForUndo for a command whose operation rewrites every row of a 24-bit image in one pass:
// the level's image is a new buffer of the same shape whose pixels are not copied, and
// UndoImagePending is set.  The pass (ForSelectedPixels24) copies each row into that buffer just
// before changing it there, then FinishPendingUndo trades the buffers: the image's old pixel
// buffer becomes the level's, untouched, and the pixels have crossed memory once.  Any other
// image, or a shortage of memory for the buffer, takes the plain SaveForUndo.
void SaveForUndoByMove(DocumentState& doc, Host& host);

// The newest level's image while its pixels are still to be written (UndoImagePending), else
// nullptr.
TDibRecord* PendingUndoImage(DocumentState& doc);

// Ends a pending level.  written: the pass has put the result rows into PendingUndoImage (and the
// unchanged rows as they were), so the two buffers trade places.  Otherwise the operation did not
// touch the pixels and the image is copied into the level as SaveForUndo would have.
void FinishPendingUndo(DocumentState& doc, bool written);

// Restores the newest level.  A level whose image copy had failed cannot be restored: it is
// dropped with the shortage message and the document stays as it is, so the document never
// loses its image.  Returns true when the image size changed (the window refits its zoom).
bool LoadFromUndo(DocumentState& doc, Host& host);

// Drops level k (1-based, 1 = oldest) and closes the gap.
void FreeUndoBuffer(DocumentState& doc, int k);

// Sets how many levels the document keeps (limited to 1..kMaxUndoLevels); levels beyond a
// lower depth go, oldest first.
void SetUndoDepth(DocumentState& doc, int levels);

} // namespace pixorama

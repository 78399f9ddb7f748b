// What a document window draws over its image while the user works: the XOR feedback of a
// gesture (rubber band, free-hand polyline) and the marching ants of the selection.
#pragma once

#include "document/display.h"
#include "document/document_state.h"

namespace pixorama {

// Inverts the pixels of the running gesture's feedback on dc (paint box coordinates): a line
// from AnchorPt to DrawnPt (mode 1), the rectangle or ellipse of shape and geometric selection
// (modes 2 and 4, typ from the shape list), the free-hand polyline (mode 5), the clone
// marker during a clone stroke (a diagonal cross, 10 pixels each way).  Nothing when no such
// gesture is tracked.  Drawing it again over the result restores the surface.
void DrawGestureFeedback(DisplaySurface& dc, const DocumentState& doc, int typ, int cloneMode = 0);

// Whether a gesture with feedback runs.
bool HasGestureFeedback(const DocumentState& doc);

// The marching ants of the selection at the document's AntsPhase, over the image on dc.
void DrawSelection(DisplaySurface& dc, const DocumentState& doc);

// One tick of the ants' timer: the next phase (0..9).  False when nothing is to be drawn (no
// selection, or a gesture is tracked).
bool Timer1Timer(DocumentState& doc);

} // namespace pixorama

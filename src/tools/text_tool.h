// The text tool: a click asks for the text, which is rendered once in the foreground colour into
// a new floating piece shaped exactly like its letters; the piece follows the mouse until the
// next click places it.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "tools/mouse_dispatch.h"
#include "tools/mouse_view.h"

#include <memory>

namespace pixorama {

// Inserts the dialog's text: any floating piece is merged and the selection removed, then the
// text becomes a piece waiting for its click (mode 99, its top-left corner at the mouse).
// An empty text is refused before anything happens.  The mask and the piece are made before
// the undo level is taken, so a shortage (also a text too large to render) shows
// "Fehler: nicht genug Speicher für diese Operation!" and leaves the document as it was.
// Returns true when the piece is waiting for its click.
bool InsertText(DocumentState& doc, Host& host, MouseView& view, const TTextRequest& request);

// The tool behind the dispatcher: a press opens the view's text dialog; OK inserts the text.
std::unique_ptr<MouseTool> MakeTextTool();

// Shown when no font file can be opened at all (a system without fonts).
inline constexpr const char* kTextNoFont = "Fehler: es wurde keine Schriftart gefunden!";

} // namespace pixorama

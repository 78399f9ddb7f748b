// The edit commands around the clipboard: copy, cut, delete, and paste as a new image or as a
// floating piece (opaque or transparent).  The clipboard itself is the caller's: the program
// maps ClipboardContent onto the system clipboard, the command line keeps one in memory.
#pragma once

#include "document/clipboard_blocks.h"
#include "document/document_state.h"
#include "document/host.h"
#include "tools/mouse_view.h"

namespace pixorama {

// "&Kopieren": the selected part (or the whole image) into clip.  False with the shortage
// message when the blocks cannot be made; clip then keeps what it held.
bool CopyToClipboard(DocumentState& doc, Host& host, ClipboardContent& clip);

// "&Löschen": one undo step, then a floating (or still moving) piece is taken away and the
// image under it comes back; otherwise every selected pixel, or the whole image without a
// selection, becomes BackColor.
void DeleteSelection(DocumentState& doc, Host& host, MouseView& view);

// "&Ausschneiden": copy, then delete; nothing is deleted when the copy failed.
bool CutToClipboard(DocumentState& doc, Host& host, MouseView& view, ClipboardContent& clip);

// "Als neues &Bild": the clipboard's image as a new record for a new document.  False (message
// shown, out without pixels) when there is no readable image or memory is short.
bool PasteAsNewImage(const ClipboardContent& clip, Host& host, TDibRecord& out);

// "Als neue &Auswahl" / "Als &transparente Auswahl": the clipboard's image, converted to the
// document's depth, becomes a piece that waits for the click that places it, shaped by the
// pasted selection when there is one.  Checks everything before the undo step, so that a bad
// block leaves the document as it was.
bool PasteAlsAuswahl(DocumentState& doc, Host& host, MouseView& view, const ClipboardContent& clip,
                     bool transparent);

} // namespace pixorama

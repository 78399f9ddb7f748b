// The clipboard blocks on the system clipboard: the packed bitmap travels as "image/bmp" (a BMP
// file: file header + the block), a PNG of it is offered for other programs, and the selection
// block goes as the program's own MIME type.  Reading takes "image/bmp" first, then any image
// another program offers.
#pragma once

#include "document/clipboard_blocks.h"

class QMimeData;

namespace pixorama::ui {

// New mime data holding content (the caller hands it to QClipboard).
QMimeData* MimeDataOf(const ClipboardContent& content);
// What mime data holds in the forms the program reads; empty when it holds no image.
ClipboardContent ContentOf(const QMimeData* mime);
// Whether the system clipboard holds an image the paste commands can take.
bool ClipboardHoldsImage(const QMimeData* mime);

// The system clipboard: put, read, empty.
void PutOnClipboard(const ClipboardContent& content);
ClipboardContent ReadClipboard();
void EmptyClipboard();

} // namespace pixorama::ui

// Trying out a correction on the image before accepting it: a backup of the image and its
// palette taken when the dialog opens, previews that always start again from that backup, OK
// with one undo level holding the image from before the dialog, and cancel giving the image back
// exactly as it was.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/undo.h"

#include <pictora.h>

namespace pixorama {

inline constexpr const char* kTextPreviewNoMemory =
    "Fehler: Konnte Bild nicht erstellen! (Zuwenig Speicher?)";

// A copy of dib of the same size and depth carrying its header, colour table, logical palette
// and pixel bytes.  nil Bits when it cannot be made (no message).
TDibRecord MakePreviewBackup(const TDibRecord& dib);

// Copies the backup's pixel bytes back into dib; a palette image also gets the backup's logical
// palette, its first 2, 16 or 256 entries written into the colour table, and a new palette
// handle.
void RestoreOld(TDibRecord& dib, const TDibRecord& backup);

// One dialog run with preview on one document.  The session owns the backup while it lives; a
// session that ends without Finish(true) puts the image from before back.
class PreviewSession {
  public:
    PreviewSession(DocumentState& doc, Host& host) : doc_(doc), host_(host) {}
    ~PreviewSession() { Finish(false); }
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    // Makes the backup; without memory shows kTextPreviewNoMemory and returns false.
    bool Begin();
    bool Active() const { return backup_.Bits != nullptr; }
    DocumentState& Doc() { return doc_; }
    const TDibRecord& Backup() const { return backup_; }

    // "&Vorschau": the unchanged image again, then the operation.
    template <class Op> void Preview(Op&& apply) {
        if (!Active())
            return;
        RestoreOld(doc_.Dib, backup_);
        apply();
    }
    // "&OK": the unchanged image again, the undo level, then the operation.
    template <class Op> void Accept(Op&& apply) {
        if (!Active())
            return;
        RestoreOld(doc_.Dib, backup_);
        SaveForUndo(doc_, host_);
        apply();
    }
    // "&OK" of a point correction, whose every pixel write goes through ApplyPixelRun: the same
    // result and undo level, but on a 24-bit image the image from before the dialog comes back by
    // trading buffers with the backup, and the undo level takes that buffer as the command runs
    // (RunPixelCommand); no copy of the image is made.  The session ends accepted.
    template <class Op> void AcceptPixels(Op&& apply) {
        if (!Active())
            return;
        if (!TakeBackBuffer())
            RestoreOld(doc_.Dib, backup_);
        SaveForUndoByMove(doc_, host_);
        apply();
        FinishPendingUndo(doc_, false); // an operation that found nothing to change
        Finish(true);
    }
    // After the dialog: accepted frees the backup and keeps the result; otherwise the working
    // copy goes and the backup takes its place.  Does nothing the second time.
    void Finish(bool accepted);

  private:
    // A 24-bit image of the backup's shape gets the backup's pixel buffer (and the backup the
    // image's); false for anything else.
    bool TakeBackBuffer();

    DocumentState& doc_;
    Host& host_;
    TDibRecord backup_{};
};

} // namespace pixorama

// Putting an image into a document, and freeing everything a document owns.
#include "document/document_state.h"

#include "document/undo.h"

namespace pixorama {

DocumentState::~DocumentState() {
    while (UndoCount > 0) FreeUndoBuffer(*this, 1);
    DropFloating(*this);
    deldib(&Dib);
    deldib(&SelMask);
}

bool AttachImage(DocumentState& doc, const TDibRecord& dib) {
    deldib(&doc.Dib);
    deldib(&doc.SelMask);
    doc.Dib = dib;
    if (doc.Dib.Bits == nullptr) {
        deldib(&doc.Dib);
        return false;
    }
    newdib(&doc.SelMask, DibWidth(&doc.Dib), DibHeight(&doc.Dib), 1, nullptr, 0);
    if (doc.SelMask.Bits == nullptr) {
        deldib(&doc.Dib);
        return false;
    }
    doc.HasSelection = false;
    doc.ForeColor = 0;
    doc.BackColor = DibColorCount(&doc.Dib) - 1;
    return true;
}

void DropFloating(DocumentState& doc) {
    deldib(&doc.FloatBackground);
    deldib(&doc.FloatDib);
    deldib(&doc.FloatMask);
    doc.Floating = false;
    doc.FloatTransparent = false;
    doc.FloatHasMask = false;
    doc.FloatDrawnValid = false;
}

void FinishDraging(DocumentState& doc) {
    if (doc.Floating)
        DropFloating(doc);
}

} // namespace pixorama

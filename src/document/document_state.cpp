// Putting an image into a document.
#include "document/document_state.h"

namespace pixorama {

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

} // namespace pixorama

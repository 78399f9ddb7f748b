// The state of one open image, kept apart from its window so that every operation can work on
// it without Qt.  The window (or the command line tool) owns one.
#pragma once

#include "document/dib.h"

#include <string>

namespace pixorama {

struct DocumentState {
    DocumentState() {
        std::memset(&Dib, 0, sizeof(Dib));
        std::memset(&SelMask, 0, sizeof(SelMask));
    }
    ~DocumentState() {
        deldib(&Dib);
        deldib(&SelMask);
    }
    DocumentState(const DocumentState&) = delete;
    DocumentState& operator=(const DocumentState&) = delete;

    TDibRecord Dib;         // the image
    int32_t ForeColor = 0;  // pixel values
    int32_t BackColor = 0;
    int ZoomIn = 1;         // screen = image * ZoomIn div ZoomOut
    int ZoomOut = 1;
    bool HasSelection = false;
    TDibRecord SelMask;     // 1-bit, image size, 1 = selected
    std::string FileName;   // display name
    std::string FilePath;   // full path of the loaded file
    bool HasFileFormat = false;
    int FileFormat = 0;
    bool Modified = false;
};

// Takes ownership of dib as the document's image, creates the selection mask and sets the
// colours of a new document (foreground 0, background colour count - 1).  False (and both
// records freed) when the image has no pixels or the mask cannot be made.
bool AttachImage(DocumentState& doc, const TDibRecord& dib);

} // namespace pixorama

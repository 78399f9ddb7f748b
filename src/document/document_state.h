// The state of one open image, kept apart from its window so that every operation can work on
// it without Qt.  The window (or the command line tool) owns one; it owns every record in it.
#pragma once

#include "document/dib.h"

#include <array>
#include <string>
#include <vector>

namespace pixorama {

struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
struct TPoint {
    int32_t X = 0, Y = 0;
};

// One undo level: deep copies taken before a change.
struct TUndoLevel {
    TDibRecord Image{};
    bool HasSelection = false;
    TDibRecord SelMask{};     // only when HasSelection
    bool Floating = false;    // only meaningful when HasSelection
    TDibRecord FloatBackground{}, FloatDib{}, FloatMask{}; // only when floating
    bool FloatTransparent = false, FloatHasMask = false;
};

struct DocumentState {
    DocumentState() = default;
    ~DocumentState();
    DocumentState(const DocumentState&) = delete;
    DocumentState& operator=(const DocumentState&) = delete;

    TDibRecord Dib{};       // the image
    int32_t ForeColor = 0;  // pixel values
    int32_t BackColor = 0;
    int ZoomIn = 1;         // screen = image * ZoomIn div ZoomOut; at most one exceeds 1
    int ZoomOut = 1;

    bool HasSelection = false;
    TDibRecord SelMask{};   // 1-bit, image size, 1 = selected
    TRect SelRect;          // bounding box of the selection
    std::vector<TPoint> SelOutline; // pixels the marching ants are drawn on (may repeat)
    int AntsPhase = 0;

    bool Floating = false;  // a floating piece exists (already drawn into Dib)
    TDibRecord FloatBackground{}, FloatDib{}, FloatMask{};
    bool FloatTransparent = false, FloatHasMask = false;
    TPoint DragOffset;

    int MouseMode = 0;      // mouse gesture state
    bool Tracking = false, CaptureTaken = false;

    int UndoCount = 0;      // filled levels; level UndoCount (1-based) is the newest
    std::array<TUndoLevel, 3> UndoLevels;

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

// Frees the floating piece's records without merging anything.
void DropFloating(DocumentState& doc);

} // namespace pixorama

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
    bool operator==(const TPoint&) const = default;
};

// The modifier keys of a mouse event.
struct TShiftState {
    bool Shift = false, Ctrl = false, Alt = false;
};

// The free-hand polygon while it is drawn: screen points during the drag, image points just
// before use.  The record holds a list of point lists; the free selection uses one.
struct TFreePoly {
    bool Active = false;
    std::vector<std::vector<TPoint>> Lists;
};

// How many undo levels a document keeps: three unless the user asks for more.
inline constexpr int kDefaultUndoLevels = 3;
inline constexpr int kMaxUndoLevels = 50;

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
    // Index of the first outline point found while scanning each image row (height + 1
    // entries, or empty): the ants of the visible rows are found without walking the rest.
    std::vector<size_t> SelOutlineRowStart;
    int AntsPhase = 0;
    TFreePoly FreePoly;

    bool Floating = false;  // a floating piece exists (already drawn into Dib)
    TDibRecord FloatBackground{}, FloatDib{}, FloatMask{};
    bool FloatTransparent = false, FloatHasMask = false;
    TPoint DragOffset;      // screen: mouse point + DragOffset = the piece's corner
    // Image point of the placed piece's top-left corner.  The piece is re-lifted and re-laid
    // there; the selection's box can be smaller (transparent or cut-off edges).
    TPoint FloatPos;
    // Image rectangle where the moving piece was last laid over FloatBackground; the next
    // preview restores only that part.  Cleared whenever the image may have changed otherwise.
    bool FloatDrawnValid = false;
    TRect FloatDrawn;

    // Mouse state (screen points are paint-box coordinates).
    int MouseMode = 0;      // 0 none, 1 line, 2 shape, 3 stroke, 4 geometric selection,
                            // 5 free selection, 6 hand, 98 moving, 99 placing a paste
    bool Tracking = false, CaptureTaken = false;
    int32_t PaintColor = 0, OtherColor = 0;
    TPoint AnchorPt, DrawnPt, CurPt;
    TShiftState ShiftState;

    // Brush strokes: which tool's stroke runs, and the clone and replace state.
    bool CloneStroke = false, ReplaceStroke = false, RetouchStroke = false;
    bool CloneSourceSet = false, CloneAnchored = false;
    TPoint CloneSource, CloneFirstDest; // image points
    TPoint CloneStrokeStart;            // screen point
    int32_t ReplaceColor = 0;

    int UndoCount = 0;      // filled levels; level UndoCount (1-based) is the newest
    int UndoDepth = kDefaultUndoLevels; // most levels kept, 1..kMaxUndoLevels
    std::vector<TUndoLevel> UndoLevels; // at least UndoCount entries
    // Set by SaveForUndoByMove: the newest level's image is a buffer whose pixels are not written
    // yet.  The command's pass over the pixels writes its result there and the buffers then
    // trade places (FinishPendingUndo), so the old pixels become the level's without a copy.
    bool UndoImagePending = false;

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
// Merges a floating piece: Dib and SelMask keep what they show, the records go.  Nothing
// happens unless a piece floats.
void FinishDraging(DocumentState& doc);

} // namespace pixorama

// The floating selection: lifting a selection off the image, moving it, laying it down, and
// the detach and merge commands.  While a piece floats the document keeps the image without it
// (FloatBackground) and the piece (FloatDib, its shape in FloatMask); the piece is always drawn
// into Dib too, so everything else sees the composed image.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "tools/mouse_view.h"

namespace pixorama {

// Mouse modes of a moving piece: with the button down, or a paste waiting for its click.
inline constexpr int kModeMoving = 98;
inline constexpr int kModePlacing = 99;

// Press inside the selection with the hand or a selection tool: lift (or re-lift a placed
// piece) and start moving it.  X, Y: the press in screen points.
void StartMoveSelection(DocumentState& doc, Host& host, MouseView& view, int32_t X, int32_t Y);

// Starts moving a new piece (ownership of piece and mask passes here, also on failure).
// Returns false (shortage message shown, records freed) when the background copy fails.
bool InitDraging(DocumentState& doc, Host& host, MouseView& view, const TDibRecord& piece,
                 const TDibRecord& mask, bool hasMask, bool transparent, int mode,
                 bool resetOffset);

// Mouse move and final release/click of a move (screen points).
void MoveFloatPreview(DocumentState& doc, MouseView& view, int32_t X, int32_t Y);
void DropFloat(DocumentState& doc, Host& host, MouseView& view, int32_t X, int32_t Y);

// Lays the piece into Dib with its top-left corner at screen point (x, y); mark also writes
// its shape into SelMask (and drops transparent pixels from the piece for good).
void DrawDragedDib(DocumentState& doc, int32_t x, int32_t y, bool draw, bool mark);
// The same at image point (ox, oy).
void LayFloatPiece(DocumentState& doc, int32_t ox, int32_t oy, bool draw, bool mark);

// Copies the image pixels under the placed piece back into it, so that edits made inside the
// piece travel with it.
void RefreshFloatDib(DocumentState& doc);

// "Vom Untergrund &lösen": the selection becomes a placed piece without leaving a hole.
void MakeSelectionDragable(DocumentState& doc, Host& host);

// Draws onto what lies under a placed piece: fn(target) draws into FloatBackground, then the
// piece is laid on top again; without a piece fn draws into Dib.
template <class F> void DrawUnderFloat(DocumentState& doc, F&& fn) {
    if (!doc.Floating) {
        fn(doc.Dib);
        return;
    }
    fn(doc.FloatBackground);
    CopyImagePixels(doc.Dib, doc.FloatBackground);
    LayFloatPiece(doc, doc.FloatPos.X, doc.FloatPos.Y, true, false);
}

} // namespace pixorama

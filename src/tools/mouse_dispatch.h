// The mouse dispatcher of a document: press, move and release of the paint box go to the tool
// that is down, as small classes with press / move / release hooks in screen points.  The
// dispatcher keeps the mouse state in the document (MouseMode, Tracking, AnchorPt, ...), writes
// the status read-outs and picks the cursor; the window only forwards its events.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "tools/mouse_view.h"

#include <array>
#include <memory>
#include <string>

namespace pixorama {

enum class MouseButton { Left, Right, Middle };

// Mouse modes (MouseMode).
enum : int {
    kModeNone = 0,
    kModeLine = 1,
    kModeShape = 2,
    kModeStroke = 3,
    kModeGeoSel = 4,
    kModeFreeSel = 5,
    kModeHand = 6
};

class MouseDispatcher;

// One tool behind the dispatcher.  Press is called for the tool that is down; Move and Release
// for the tool whose press started the gesture (while Tracking), with CurPt already updated.
// A press that leaves MouseMode 3 starts a brush stroke, which the dispatcher lays itself.
class MouseTool {
  public:
    virtual ~MouseTool() = default;
    virtual void Press(MouseDispatcher& d, MouseButton button, int32_t X, int32_t Y) = 0;
    virtual void Move(MouseDispatcher& /*d*/, int32_t /*X*/, int32_t /*Y*/) {}
    virtual void Release(MouseDispatcher& /*d*/, int32_t /*X*/, int32_t /*Y*/) {}
};

class MouseDispatcher {
  public:
    MouseDispatcher(DocumentState& doc, Host& host, MouseView& view);
    ~MouseDispatcher();

    void PaintBox1MouseDown(MouseButton button, TShiftState shift, int32_t X, int32_t Y);
    void PaintBox1MouseMove(TShiftState shift, int32_t X, int32_t Y);
    void PaintBox1MouseUp(MouseButton button, TShiftState shift, int32_t X, int32_t Y);

    // Tracking on, AnchorPt = DrawnPt = CurPt = the press point, the mouse capture taken.
    void StartTracking(int32_t X, int32_t Y);
    // The rubber band moves from AnchorPt..DrawnPt to AnchorPt..CurPt (DrawnPt := CurPt).
    void EraseRubberBand();
    void DrawRubberBand();

    // Replaces the class behind a tool (the later painting tools plug in here).
    void SetTool(Tool tool, std::unique_ptr<MouseTool> impl);

    DocumentState& Doc() { return doc_; }
    Host& CoreHost() { return host_; }
    MouseView& View() { return view_; }
    // Screen point to image point and back with the document's zoom.
    int32_t ToImage(int32_t v) const { return v * doc_.ZoomOut / doc_.ZoomIn; }
    int32_t ToScreen(int32_t v) const { return v * doc_.ZoomIn / doc_.ZoomOut; }

  private:
    void setCursor(int32_t X, int32_t Y, const TShiftState& shift);
    // A brush stroke (mode 3) from AnchorPt to CurPt, then AnchorPt := next.
    void strokeSegment(TPoint next);

    DocumentState& doc_;
    Host& host_;
    MouseView& view_;
    std::array<std::unique_ptr<MouseTool>, kToolCount> tools_;
    MouseTool* gesture_ = nullptr; // the tool whose press started the gesture
};

// ---- what the dispatcher shows ----

// Status panel 0 while dragging a line, shape or geometric selection, from the anchor (screen)
// to the mouse point (screen): "( 10 , 20 ) ->( 30 , 40 ) = ( 21 x 21 )".
std::string DragStatusText(const DocumentState& doc, int32_t X, int32_t Y);
// Status panel 0 otherwise: "( x , y )" in image points.
std::string PointStatusText(const DocumentState& doc, int32_t X, int32_t Y);
// Status panel 1: "Bild: 640 x 480 x 16777216 - 900 KByte   ".
std::string ImagePanelText(const TDibRecord& dib);

// The pipette's read-out of the image pixel at an image point: its colour and "I  " index text
// ("--" for 24-bit images).
struct TPixelReadout {
    TRgb Colour;
    std::string Index;
};
TPixelReadout PixelReadout(const DocumentState& doc, int32_t x, int32_t y);

// The cursor number (0..18) for a tool over image point (x, y) with the given keys, no gesture
// running.
int CursorIdFor(Tool tool, const DocumentState& doc, int32_t x, int32_t y,
                const TShiftState& shift);

// Square constraint of the square and circle shapes: the larger extent from AnchorPt to CurPt
// is cut down to the smaller.
void ApplySquareConstraint(DocumentState& doc);

// A scroll position clamped to 0 .. range - 1 (range: the paint box's extent).
int ClampScroll(int pos, int range);

} // namespace pixorama

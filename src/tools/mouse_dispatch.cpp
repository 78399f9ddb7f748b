// The dispatcher: press, move and release to the tools; status, pipette read-out and cursor.
#include "tools/mouse_dispatch.h"

#include "document/dib.h"
#include "document/selection.h"
#include "tools/brush.h"
#include "tools/floating.h"
#include "tools/standard_tools.h"

#include <algorithm>
#include <cstdlib>

namespace pixorama {

MouseDispatcher::MouseDispatcher(DocumentState& doc, Host& host, MouseView& view)
    : doc_(doc), host_(host), view_(view) {
    for (int t = 0; t < kToolCount; ++t)
        tools_[static_cast<size_t>(t)] = MakeStandardTool(static_cast<Tool>(t));
}

MouseDispatcher::~MouseDispatcher() = default;

void MouseDispatcher::SetTool(Tool tool, std::unique_ptr<MouseTool> impl) {
    MouseTool*& slot = gesture_;
    if (slot == tools_[static_cast<size_t>(tool)].get())
        slot = nullptr;
    tools_[static_cast<size_t>(tool)] = std::move(impl);
}

void MouseDispatcher::StartTracking(int32_t X, int32_t Y) {
    doc_.Tracking = true;
    doc_.AnchorPt = doc_.DrawnPt = doc_.CurPt = {X, Y};
    if (!doc_.CaptureTaken)
        doc_.CaptureTaken = view_.TakeCapture();
}

void MouseDispatcher::EraseRubberBand() {
    // the overlay is drawn from the gesture state; it changes with DrawnPt or when tracking ends
    view_.RubberBandChanged();
}

void MouseDispatcher::DrawRubberBand() {
    if (doc_.MouseMode == kModeGeoSel) {
        const int32_t w = ToScreen(DibWidth(&doc_.Dib)), h = ToScreen(DibHeight(&doc_.Dib));
        doc_.CurPt.X = std::clamp(doc_.CurPt.X, 0, w);
        doc_.CurPt.Y = std::clamp(doc_.CurPt.Y, 0, h);
    }
    doc_.DrawnPt = doc_.CurPt;
    view_.RubberBandChanged();
}

void MouseDispatcher::PaintBox1MouseDown(MouseButton button, TShiftState shift, int32_t X,
                                         int32_t Y) {
    if (doc_.Dib.Bits == nullptr)
        return;
    doc_.ShiftState = shift;
    const bool left = button == MouseButton::Left;
    doc_.PaintColor = left ? doc_.ForeColor : doc_.BackColor;
    doc_.OtherColor = left ? doc_.BackColor : doc_.ForeColor;
    if (doc_.MouseMode == kModePlacing && doc_.Tracking) {
        DropFloat(doc_, host_, view_, X, Y);
        return;
    }
    MouseTool* tool = tools_[static_cast<size_t>(view_.SelectedTool())].get();
    gesture_ = tool;
    if (tool != nullptr)
        tool->Press(*this, button, X, Y);
    if (doc_.MouseMode == kModeStroke) {
        doc_.CurPt = {X, Y};
        strokeSegment({X, Y}); // a press lays one dab
    }
}

void MouseDispatcher::strokeSegment(TPoint next) {
    const TBrushParams p = BrushParamsOf(view_.Options());
    BrushLine(doc_, host_, p, ToImage(doc_.AnchorPt.X), ToImage(doc_.AnchorPt.Y),
              ToImage(doc_.CurPt.X), ToImage(doc_.CurPt.Y), doc_.PaintColor);
    doc_.AnchorPt = next;
    view_.Repaint();
    if (doc_.CloneStroke)
        view_.CloneMarkerChanged();
}

void MouseDispatcher::PaintBox1MouseMove(TShiftState shift, int32_t X, int32_t Y) {
    if (doc_.Dib.Bits == nullptr)
        return;
    view_.SetStatus(1, ImagePanelText(doc_.Dib));
    const int m = doc_.MouseMode;
    if (doc_.Tracking && (m == kModeLine || m == kModeShape || m == kModeGeoSel))
        view_.SetStatus(0, DragStatusText(doc_, X, Y));
    else
        view_.SetStatus(0, PointStatusText(doc_, X, Y));
    if (view_.SelectedTool() == Tool::Drop) {
        const TPixelReadout r = PixelReadout(doc_, ToImage(X), ToImage(Y));
        view_.ShowPixelReadout(r.Colour, r.Index);
    }
    if (doc_.Tracking) {
        doc_.CurPt = {X, Y};
        if (m == kModeMoving || m == kModePlacing) {
            MoveFloatPreview(doc_, view_, X, Y);
        } else if (m == kModeStroke) {
            strokeSegment(doc_.CurPt);
        } else if (gesture_ != nullptr) {
            gesture_->Move(*this, X, Y);
        }
        return;
    }
    setCursor(X, Y, shift);
}

void MouseDispatcher::PaintBox1MouseUp(MouseButton /*button*/, TShiftState shift, int32_t X,
                                       int32_t Y) {
    if (!doc_.Tracking)
        return;
    doc_.Tracking = false;
    if (doc_.CaptureTaken) {
        view_.ReleaseCapture();
        doc_.CaptureTaken = false;
    }
    EraseRubberBand();
    if (doc_.MouseMode == kModeMoving) {
        DropFloat(doc_, host_, view_, X, Y);
        return;
    }
    if (doc_.MouseMode == kModePlacing) {
        // a paste waits for its click; the button going up does not place it
        doc_.Tracking = true;
        return;
    }
    if (doc_.MouseMode == kModeStroke) {
        strokeSegment({X, Y}); // a last dab at the final point
        view_.Updatehistogramm();
        doc_.ReplaceStroke = doc_.CloneStroke = doc_.RetouchStroke = false;
        doc_.MouseMode = kModeNone;
        view_.CloneMarkerChanged();
        return;
    }
    // shapes and selections combine by the keys held at the release
    if (doc_.MouseMode != kModeStroke && doc_.MouseMode != kModeHand)
        doc_.ShiftState = shift;
    if (gesture_ != nullptr)
        gesture_->Release(*this, X, Y);
    doc_.MouseMode = kModeNone;
}

void MouseDispatcher::setCursor(int32_t X, int32_t Y, const TShiftState& shift) {
    const int id = CursorIdFor(view_.SelectedTool(), doc_, ToImage(X), ToImage(Y), shift);
    if (id != view_.CursorId())
        view_.SetCursorId(id);
}

// ---- read-outs ----

std::string DragStatusText(const DocumentState& doc, int32_t X, int32_t Y) {
    auto img = [&](int32_t v) { return v * doc.ZoomOut / doc.ZoomIn; };
    const int32_t w = std::abs(X - doc.AnchorPt.X) * doc.ZoomOut / doc.ZoomIn + 1;
    const int32_t h = std::abs(Y - doc.AnchorPt.Y) * doc.ZoomOut / doc.ZoomIn + 1;
    return "( " + std::to_string(img(doc.AnchorPt.X)) + " , " + std::to_string(img(doc.AnchorPt.Y)) +
           " ) ->" + "( " + std::to_string(img(X)) + " , " + std::to_string(img(Y)) + " ) = " +
           "( " + std::to_string(w) + " x " + std::to_string(h) + " )";
}

std::string PointStatusText(const DocumentState& doc, int32_t X, int32_t Y) {
    return "( " + std::to_string(X * doc.ZoomOut / doc.ZoomIn) + " , " +
           std::to_string(Y * doc.ZoomOut / doc.ZoomIn) + " )";
}

std::string ImagePanelText(const TDibRecord& dib) {
    return ImageStatusText(dib) + "   ";
}

TPixelReadout PixelReadout(const DocumentState& doc, int32_t x, int32_t y) {
    const int32_t v = getpixel(&doc.Dib, x, y);
    return {PixelToRgb(doc, v), DibColorCount(&doc.Dib) > 256 ? "--" : std::to_string(v)};
}

int CursorIdFor(Tool tool, const DocumentState& doc, int32_t x, int32_t y,
                const TShiftState& shift) {
    auto selectionCursor = [&](int plain, int plus, int minus) {
        if (shift.Shift)
            return plus;
        if (shift.Ctrl)
            return minus;
        return MaskValue(doc, x, y) == 1 ? 1 : plain;
    };
    switch (tool) {
    case Tool::Hand:
        return 1;
    case Tool::Zoom:
        return 2;
    case Tool::Brush:
    case Tool::Retouch:
    case Tool::Clone:
    case Tool::Replace:
        return 3;
    case Tool::Line:
        return 5;
    case Tool::Shape:
        return 6;
    case Tool::Select:
        return selectionCursor(7, 15, 16);
    case Tool::FreeSel:
        return selectionCursor(8, 17, 18);
    case Tool::Drop:
        return 9;
    case Tool::Txt:
        return 10;
    case Tool::Magic:
        return selectionCursor(11, 13, 14);
    case Tool::Fill:
        return 12;
    }
    return 0;
}

void ApplySquareConstraint(DocumentState& doc) {
    TPoint& c = doc.CurPt;
    const TPoint& a = doc.AnchorPt;
    const int32_t dx = std::abs(c.X - a.X), dy = std::abs(c.Y - a.Y);
    if (dx < dy)
        c.Y = a.Y < c.Y ? a.Y + dx : a.Y - dx;
    else
        c.X = a.X < c.X ? a.X + dy : a.X - dy;
}

int ClampScroll(int pos, int range) {
    if (pos > range - 1)
        pos = range - 1;
    return pos < 0 ? 0 : pos;
}

} // namespace pixorama

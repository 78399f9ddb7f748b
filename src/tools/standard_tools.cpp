// The tools that are complete in themselves (zoom, hand, pipette, line, shape), the three
// selection tools, and placeholders for the painting tools until they plug in.
#include "tools/standard_tools.h"

#include "document/selection.h"
#include "document/undo.h"
#include "tools/floating.h"
#include "tools/line_shape.h"
#include "tools/paint_tools.h"
#include "tools/selection_tools.h"
#include "tools/text_tool.h"

#include <algorithm>

namespace pixorama {

void ZoomAtPoint(DocumentState& doc, MouseView& view, bool in, int32_t X, int32_t Y) {
    const int32_t x = X * doc.ZoomOut / doc.ZoomIn, y = Y * doc.ZoomOut / doc.ZoomIn;
    if (in) {
        if (doc.ZoomOut > 1)
            --doc.ZoomOut;
        else if (doc.ZoomIn < 16)
            ++doc.ZoomIn;
    } else {
        if (doc.ZoomIn > 1)
            --doc.ZoomIn;
        else if (doc.ZoomOut < 16)
            ++doc.ZoomOut;
    }
    view.FitToZoom();
    const int32_t rangeX = DibWidth(&doc.Dib) * doc.ZoomIn / doc.ZoomOut;
    const int32_t rangeY = DibHeight(&doc.Dib) * doc.ZoomIn / doc.ZoomOut;
    view.SetScrollPos(false, ClampScroll(x * doc.ZoomIn / doc.ZoomOut - view.ClientExtent(false) / 2,
                                         rangeX));
    view.SetScrollPos(true, ClampScroll(y * doc.ZoomIn / doc.ZoomOut - view.ClientExtent(true) / 2,
                                        rangeY));
    view.ZoomShown();
}

void StartDrawingGesture(MouseDispatcher& d, int mode, int32_t X, int32_t Y) {
    d.Doc().MouseMode = mode;
    SaveForUndo(d.Doc(), d.CoreHost());
    d.StartTracking(X, Y);
}

void HandScroll(const DocumentState& doc, MouseView& view, int32_t X, int32_t Y) {
    const int32_t rangeX = DibWidth(&doc.Dib) * doc.ZoomIn / doc.ZoomOut;
    const int32_t rangeY = DibHeight(&doc.Dib) * doc.ZoomIn / doc.ZoomOut;
    view.SetScrollPos(false, ClampScroll(view.ScrollPos(false) + (doc.DrawnPt.X - X), rangeX));
    view.SetScrollPos(true, ClampScroll(view.ScrollPos(true) + (doc.DrawnPt.Y - Y), rangeY));
}

namespace {

// A press on a selected pixel (hand and selection tools) moves the selection.
bool pressMovesSelection(DocumentState& doc, MouseDispatcher& d, int32_t X, int32_t Y) {
    if (MaskValue(doc, d.ToImage(X), d.ToImage(Y)) != 1)
        return false;
    SaveForUndo(doc, d.CoreHost());
    StartMoveSelection(doc, d.CoreHost(), d.View(), X, Y);
    return true;
}

class ZoomTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton button, int32_t X, int32_t Y) override {
        if (button == MouseButton::Left || button == MouseButton::Right)
            ZoomAtPoint(d.Doc(), d.View(), button == MouseButton::Left, X, Y);
    }
};

class HandTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        DocumentState& doc = d.Doc();
        if (doc.HasSelection && pressMovesSelection(doc, d, X, Y))
            return;
        SaveForUndo(doc, d.CoreHost());
        doc.MouseMode = kModeHand;
        d.StartTracking(X, Y);
    }
    void Move(MouseDispatcher& d, int32_t X, int32_t Y) override {
        HandScroll(d.Doc(), d.View(), X, Y);
    }
    void Release(MouseDispatcher& d, int32_t X, int32_t Y) override {
        HandScroll(d.Doc(), d.View(), X, Y);
    }
};

class PipetteTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton button, int32_t X, int32_t Y) override {
        DocumentState& doc = d.Doc();
        if (button != MouseButton::Left && button != MouseButton::Right)
            return;
        const int32_t v = getpixel(&doc.Dib, d.ToImage(X), d.ToImage(Y));
        const bool fore = button == MouseButton::Left;
        (fore ? doc.ForeColor : doc.BackColor) = v;
        d.View().ColoursChanged(fore);
    }
};

// Line, shape and geometric selection: a rubber band while dragging, the result at the release.
class BandTool : public MouseTool {
  public:
    void Move(MouseDispatcher& d, int32_t, int32_t) override {
        DocumentState& doc = d.Doc();
        const int typ = d.View().Options().Typ;
        if ((doc.MouseMode == kModeShape || doc.MouseMode == kModeGeoSel) &&
            (typ == kShapeQuadrat || typ == kShapeKreis))
            ApplySquareConstraint(doc);
        d.EraseRubberBand();
        d.DrawRubberBand();
    }
    void Release(MouseDispatcher& d, int32_t, int32_t) override {
        DocumentState& doc = d.Doc();
        doc.CurPt = {doc.CurPt.X - 1, doc.CurPt.Y - 1};
        const int32_t x0 = d.ToImage(doc.AnchorPt.X), y0 = d.ToImage(doc.AnchorPt.Y);
        const int32_t x1 = d.ToImage(doc.CurPt.X), y1 = d.ToImage(doc.CurPt.Y);
        finish(d, x0, y0, x1, y1);
        d.View().Updatehistogramm();
        d.View().Repaint();
    }

  protected:
    virtual void finish(MouseDispatcher& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
};

class LineTool : public BandTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        StartDrawingGesture(d, kModeLine, X, Y);
    }

  protected:
    void finish(MouseDispatcher& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        DocumentState& doc = d.Doc();
        const int32_t w = d.View().Options().Breit;
        DrawUnderFloat(doc, [&](const TDibRecord& target) {
            DrawWideLine(target, x0, y0, x1, y1, w, doc.PaintColor);
        });
    }
};

class ShapeTool : public BandTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        StartDrawingGesture(d, kModeShape, X, Y);
    }

  protected:
    void finish(MouseDispatcher& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        DocumentState& doc = d.Doc();
        const TToolOptions o = d.View().Options();
        DrawUnderFloat(doc, [&](const TDibRecord& target) {
            DrawToolShape(target, o.Typ, o.Stil, x0, y0, x1, y1, doc.PaintColor);
        });
    }
};

SelectionMode modeOf(const TShiftState& s) {
    return SelectionModeFor(s.Shift, s.Ctrl);
}

// The first step of every selection tool's press: on a selected pixel without Shift or Ctrl
// the selection moves; otherwise a new selection gesture begins.
bool selectionPressMoves(MouseDispatcher& d, int32_t X, int32_t Y) {
    DocumentState& doc = d.Doc();
    if (!doc.ShiftState.Shift && !doc.ShiftState.Ctrl && pressMovesSelection(doc, d, X, Y))
        return true;
    BeginSelectionGesture(doc, d.CoreHost());
    return false;
}

class SelectTool : public BandTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        if (selectionPressMoves(d, X, Y))
            return;
        d.Doc().MouseMode = kModeGeoSel;
        d.StartTracking(X, Y);
    }

  protected:
    void finish(MouseDispatcher& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        DocumentState& doc = d.Doc();
        GeometricSelection(doc, d.CoreHost(), d.View().Options().Typ, modeOf(doc.ShiftState), x0,
                           y0, x1, y1);
    }
};

class FreeSelTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        if (selectionPressMoves(d, X, Y))
            return;
        DocumentState& doc = d.Doc();
        doc.MouseMode = kModeFreeSel;
        doc.FreePoly.Lists.assign(1, {});
        doc.FreePoly.Active = true;
        d.StartTracking(X, Y);
    }
    void Move(MouseDispatcher& d, int32_t X, int32_t Y) override {
        DocumentState& doc = d.Doc();
        if (doc.FreePoly.Lists.empty())
            return;
        const int32_t w = d.ToScreen(DibWidth(&doc.Dib)), h = d.ToScreen(DibHeight(&doc.Dib));
        doc.FreePoly.Lists[0].push_back({std::clamp(X, 0, w - 1), std::clamp(Y, 0, h - 1)});
        d.View().RubberBandChanged();
    }
    void Release(MouseDispatcher& d, int32_t, int32_t) override {
        DocumentState& doc = d.Doc();
        if (doc.FreePoly.Lists.empty())
            return;
        std::vector<TPoint> points = std::move(doc.FreePoly.Lists[0]);
        points.push_back(doc.AnchorPt);
        for (TPoint& p : points)
            p = {d.ToImage(p.X), d.ToImage(p.Y)};
        FreeSelection(doc, d.CoreHost(), points, modeOf(doc.ShiftState));
        doc.FreePoly = {};
        d.View().RubberBandChanged();
        d.View().Updatehistogramm();
        d.View().Repaint();
    }
};

class MagicTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        if (selectionPressMoves(d, X, Y))
            return;
        DocumentState& doc = d.Doc();
        MagicWand(doc, d.CoreHost(), d.ToImage(X), d.ToImage(Y), d.View().Options().Tol,
                  modeOf(doc.ShiftState));
        d.View().Repaint();
    }
};

// A tool whose press does nothing yet.
class IdleTool : public MouseTool {
  public:
    void Press(MouseDispatcher&, MouseButton, int32_t, int32_t) override {}
};

} // namespace

std::unique_ptr<MouseTool> MakeStandardTool(Tool tool) {
    switch (tool) {
    case Tool::Zoom:
        return std::make_unique<ZoomTool>();
    case Tool::Hand:
        return std::make_unique<HandTool>();
    case Tool::Drop:
        return std::make_unique<PipetteTool>();
    case Tool::Line:
        return std::make_unique<LineTool>();
    case Tool::Shape:
        return std::make_unique<ShapeTool>();
    case Tool::Select:
        return std::make_unique<SelectTool>();
    case Tool::FreeSel:
        return std::make_unique<FreeSelTool>();
    case Tool::Magic:
        return std::make_unique<MagicTool>();
    case Tool::Txt:
        return MakeTextTool();
    default:
        if (auto paint = MakePaintTool(tool))
            return paint;
        return std::make_unique<IdleTool>();
    }
}

} // namespace pixorama

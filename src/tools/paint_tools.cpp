// The painting tools behind the dispatcher: brush, replace, clone and retouch start a brush
// stroke (the dispatcher lays it); the fill tool fills at the press.
#include "tools/paint_tools.h"

#include "tools/fill.h"
#include "tools/standard_tools.h"

namespace pixorama {

namespace {

void startStroke(MouseDispatcher& d, int32_t X, int32_t Y) {
    StartDrawingGesture(d, kModeStroke, X, Y);
}

class BrushTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        d.Doc().ReplaceStroke = false;
        startStroke(d, X, Y);
    }
};

class ReplaceTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        DocumentState& doc = d.Doc();
        doc.ReplaceStroke = true;
        doc.ReplaceColor = doc.OtherColor;
        startStroke(d, X, Y);
    }
};

class CloneTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        DocumentState& doc = d.Doc();
        if (doc.ShiftState.Shift) {
            doc.CloneSourceSet = true;
            doc.CloneAnchored = false;
            doc.CloneSource = {d.ToImage(X), d.ToImage(Y)};
            return;
        }
        if (!doc.CloneSourceSet) {
            d.CoreHost().MessageBox(kTextCloneNeedsSource, kCaptionCloneNeedsSource, MB_ICONSTOP);
            return;
        }
        if (!doc.CloneAnchored) {
            doc.CloneAnchored = true;
            doc.CloneFirstDest = {d.ToImage(X), d.ToImage(Y)};
        }
        doc.CloneStrokeStart = {X, Y};
        doc.CloneStroke = true;
        startStroke(d, X, Y);
    }
};

class RetouchTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        if (DibBitsPerPixel(&d.Doc().Dib) != 24) {
            d.CoreHost().MessageBox(kTextRetouchNeeds24, "Achtung!", MB_ICONINFORMATION);
            return;
        }
        d.Doc().RetouchStroke = true;
        startStroke(d, X, Y);
    }
};

class FillTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t X, int32_t Y) override {
        const TToolOptions o = d.View().Options();
        if (FillAt(d.Doc(), d.CoreHost(), {o.FillStyle, o.Direction, o.Tol},
                   d.View().FillPattern(), d.ToImage(X), d.ToImage(Y))) {
            d.View().Updatehistogramm();
            d.View().Repaint();
        }
    }
};

} // namespace

std::unique_ptr<MouseTool> MakePaintTool(Tool tool) {
    switch (tool) {
    case Tool::Brush:
        return std::make_unique<BrushTool>();
    case Tool::Replace:
        return std::make_unique<ReplaceTool>();
    case Tool::Clone:
        return std::make_unique<CloneTool>();
    case Tool::Retouch:
        return std::make_unique<RetouchTool>();
    case Tool::Fill:
        return std::make_unique<FillTool>();
    default:
        return nullptr;
    }
}

} // namespace pixorama

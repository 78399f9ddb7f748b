// MouseView over a document window, and the window's mouse handlers and ants timer.
#include "tools/ui/child_mouse_view.h"

#include "document/ui/child_host.h"
#include "document/ui/mdi_child.h"
#include "document/zoom.h"
#include "platform/ui/cursors.h"
#include "tools/feedback.h"
#include "tools/mouse_dispatch.h"
#include "tools/ui/add_text_form.h"

#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace pixorama::ui {

namespace {

class ChildMouseView : public MouseView {
  public:
    ChildMouseView(TMDIChild& child, ChildHost& host) : child_(child), host_(host) {}

    Tool SelectedTool() const override { return host_.SelectedTool(); }
    TToolOptions Options() const override { return host_.ToolOptionValues(); }
    // Qt gives the widget under a pressed button the mouse until the release (an implicit
    // grab), so the paint box always has it during a gesture.
    bool TakeCapture() override { return true; }
    void ReleaseCapture() override {}
    void Repaint() override { child_.Repaint(); }
    void RubberBandChanged() override { child_.Repaint(); }
    void SetStatus(int panel, const std::string& text) override {
        host_.SetStatusPanel(panel, QString::fromStdString(text));
    }
    void ShowPixelReadout(const TRgb& c, const std::string& index) override {
        host_.ShowPixelReadout(QColor(c.R, c.G, c.B), QString::fromStdString(index));
    }
    int CursorId() const override { return child_.CursorId(); }
    void SetCursorId(int id) override { child_.SetCursorId(id); }
    void ColoursChanged(bool fore) override {
        const DocumentState& doc = child_.Doc();
        if (fore)
            child_.setcol1(doc.ForeColor);
        else
            child_.setcol2(doc.BackColor);
    }
    void Updatehistogramm() override { host_.Updatehistogramm(); }
    void UpdateCaption() override { child_.UpdateCaption(); }
    // the tools count in the paint box's device pixels, as the image is drawn
    int ScrollPos(bool vertical) const override {
        return DevicePixel(bar(vertical)->value(), ratio());
    }
    void SetScrollPos(bool vertical, int pos) override {
        bar(vertical)->setValue(static_cast<int>(pos / ratio()));
    }
    int ClientExtent(bool vertical) const override {
        const QWidget* box = child_.ScrollBox1();
        return DevicePixel(vertical ? box->height() : box->width(), ratio());
    }
    const TDibRecord* FillPattern() const override { return host_.FillPatternRecord(); }
    void CloneMarkerChanged() override { child_.Repaint(); }
    void FitToZoom() override { host_.FitChildToZoom(&child_); }
    void ZoomShown() override { host_.ZoomShown(&child_); }

    // The text dialog, owned by the document window; a colour chosen in its font dialog becomes
    // this document's foreground colour (the nearest palette entry for palette images).
    bool AskText(TTextRequest& request) override {
        TMDIChild& child = child_;
        TAddTextForm form(
            &child,
            [&child] {
                const TRgb c = PixelToRgb(child.Doc(), child.Doc().ForeColor);
                return QColor(c.R, c.G, c.B);
            },
            [&child](const QColor& c) {
                if (child.Doc().Dib.Bits != nullptr)
                    child.setcol1(RgbToPixel(child.Doc(), {c.red(), c.green(), c.blue()}));
            });
        if (!form.Run())
            return false;
        request = form.Request();
        return true;
    }

  private:
    double ratio() const { return child_.PaintBox1()->devicePixelRatioF(); }
    QScrollBar* bar(bool vertical) const {
        QScrollArea* box = child_.ScrollBox1();
        return vertical ? box->verticalScrollBar() : box->horizontalScrollBar();
    }

    TMDIChild& child_;
    ChildHost& host_;
};

MouseButton buttonOf(Qt::MouseButton b) {
    if (b == Qt::LeftButton)
        return MouseButton::Left;
    if (b == Qt::RightButton)
        return MouseButton::Right;
    return MouseButton::Middle;
}

TShiftState keysOf(Qt::KeyboardModifiers m) {
    return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier),
            m.testFlag(Qt::AltModifier)};
}

// The device pixel of the paint box under the mouse: on a high-density screen one logical
// pixel holds several, and the image is drawn in device pixels.
QPoint pointOf(const QMouseEvent* e, const QWidget* paintBox) {
    const QPointF p = e->position();
    const double ratio = paintBox->devicePixelRatioF();
    return {DevicePixel(p.x(), ratio), DevicePixel(p.y(), ratio)};
}

} // namespace

std::unique_ptr<MouseView> MakeChildMouseView(TMDIChild& child, ChildHost& host) {
    return std::make_unique<ChildMouseView>(child, host);
}

void TMDIChild::PaintBox1MouseDown(QMouseEvent* event) {
    const QPoint p = pointOf(event, PaintBox1());
    mouse_->PaintBox1MouseDown(buttonOf(event->button()), keysOf(event->modifiers()), p.x(),
                               p.y());
}

void TMDIChild::PaintBox1MouseMove(QMouseEvent* event) {
    const QPoint p = pointOf(event, PaintBox1());
    mouse_->PaintBox1MouseMove(keysOf(event->modifiers()), p.x(), p.y());
}

void TMDIChild::PaintBox1MouseUp(QMouseEvent* event) {
    const QPoint p = pointOf(event, PaintBox1());
    mouse_->PaintBox1MouseUp(buttonOf(event->button()), keysOf(event->modifiers()), p.x(), p.y());
}

void TMDIChild::Timer1Timer() {
    if (pixorama::Timer1Timer(doc_))
        Repaint();
}

void TMDIChild::SetCursorId(int id) {
    cursorId_ = id;
    PaintBox1()->setCursor(ProgramCursor(id));
}

} // namespace pixorama::ui

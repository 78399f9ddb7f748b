// The document window: a scroll box holding the paint box that shows the image at its zoom.
// The window owns the document's state; every rule about it lives in the core.
#pragma once

#include "document/display.h"
#include "document/document_state.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QMdiSubWindow;
class QScrollArea;
class QMouseEvent;
class QTimer;

namespace pixorama {
class MouseDispatcher;
class MouseView;
} // namespace pixorama

namespace pixorama::ui {

// The colour of the MDI work space, shown around and behind images.
extern const QColor kWorkspaceColour;

class ChildHost;
class TMDIChild;

// The image surface, placed at 0, 0 of the scroll box, its size the image's at the zoom.
class TPaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit TPaintBox(TMDIChild* owner);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    TMDIChild* owner_;
};

class TMDIChild : public QWidget {
    Q_OBJECT
  public:
    explicit TMDIChild(ChildHost& host, QWidget* parent = nullptr);
    ~TMDIChild() override;

    DocumentState& Doc() { return doc_; }
    const DocumentState& Doc() const { return doc_; }
    QScrollArea* ScrollBox1() const { return scrollBox_; }
    TPaintBox* PaintBox1() const { return paintBox_; }
    QMdiSubWindow* SubWindow() const;

    // Caption = FileName, "*" when modified, " [in:out]".
    void UpdateCaption();
    // Paint box size = image size at the zoom.
    void UpdatePaintBoxSize();
    // Lets the scroll box finish showing or hiding its scroll bars after a size change, so that
    // its client size is current.
    void SettleLayout();
    // Redraws the visible part of the image (after pixels changed).
    void Repaint();
    // Draws region of the paint box through the core's display routine.
    void PaintBox1Paint(QPainter& painter, const QRegion& region);

    // Store the foreground / background colour (a pixel value of this image); the colour panel
    // repaints its swatch.
    void setcol1(int32_t value);
    void setcol2(int32_t value);

    // The paint box's mouse events, handed to the tool that is down (paint box points).
    void PaintBox1MouseDown(QMouseEvent* event);
    void PaintBox1MouseMove(QMouseEvent* event);
    void PaintBox1MouseUp(QMouseEvent* event);
    MouseDispatcher& Mouse() { return *mouse_; }
    // The marching ants' timer (250 ms).
    QTimer* Timer1() const { return timer1_; }
    void Timer1Timer();
    // Cursor number (0..18) shown on the paint box.
    int CursorId() const { return cursorId_; }
    void SetCursorId(int id);

    // Called by the frame when this window becomes the active one.
    void FormActivate();
    // Asks about unsaved changes; true when the window may close.
    bool FormCloseQuery();

  signals:
    void ColoursChanged();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool paintDirect(QPainter& painter, const QRegion& region);
    // Draws rect (paint box coordinates) into the 32-bit pixels at its top left.
    void paintRect(uint32_t* pixels, int32_t stride, const QRect& rect);
    DisplaySurface surfaceFor(uint32_t* pixels, int32_t stride, const QRect& rect) const;
    void drawInto(DisplaySurface& surface);
    QRect visiblePart() const;

    ChildHost& host_;
    DocumentState doc_;
    QScrollArea* scrollBox_;
    TPaintBox* paintBox_;
    QImage view_; // the visible part, converted straight from the image
    std::unique_ptr<MouseView> mouseView_;
    std::unique_ptr<MouseDispatcher> mouse_;
    QTimer* timer1_;
    int cursorId_ = 0;
};

} // namespace pixorama::ui

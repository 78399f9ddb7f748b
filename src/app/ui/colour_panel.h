// Panel1, the colour panel at the right of the frame: the foreground and background swatches
// of the active document with the swap button and the colour read-out (Panel2), and below it
// the palette strip of a palette image or the colour field of a 24-bit image (PalPaintBox in
// PalScrollBox).
#pragma once

#include <pictora.h>

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QToolBar>

#include <functional>

class QLabel;
class QScrollArea;
class QTimer;
class QToolButton;

namespace pixorama::ui {

class TMDIChild;

// A plain swatch: filled with its colour, outlined black.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(const QString& name, QWidget* parent = nullptr);
    QColor Colour() const { return colour_; }
    void SetColour(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor colour_ = Qt::black;
};

class TColourPanel;

class TPalPaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit TPalPaintBox(TColourPanel* panel);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TColourPanel* panel_;
};

class TColourPanel : public QToolBar {
    Q_OBJECT
  public:
    // colorField: the frame's 48 x 96 colour field (it stays the frame's).
    explicit TColourPanel(const TDibRecord* colorField, QWidget* parent = nullptr);

    // The document whose colours are shown; nullptr for none (browser or nothing active).
    void SetDocument(TMDIChild* document);
    TMDIChild* Document() const { return doc_; }
    // Swatches, strip size and strip contents anew (after activation, undo, palette changes).
    void Refresh();

    // ---- handlers ----
    void PalPaintBoxPaint(QPainter& painter);
    void PalPaintBoxMouseDown(int x, int y, Qt::MouseButton button);
    void PalPaintBoxMouseMove(int x, int y);
    void RxSpeedButton1Click();
    void AColTimer1Timer();
    // The colour read-out (pipette, palette strip, swatches): colour, and the index text.
    void ShowReadout(const QColor& colour, const QString& index);

    QWidget* Panel2;
    TShape *Shape1, *Shape2, *AColShape;
    QToolButton* RxSpeedButton1;
    QLabel *RedLabel, *GreenLabel, *BlueLabel, *IndexLabel;
    QScrollArea* PalScrollBox;
    TPalPaintBox* PalPaintBox;
    QTimer* AColTimer1;

    // While set, the colour dialog is not shown: the hook gets the preset colour and returns
    // whether it was accepted (tests).
    static std::function<bool(QColor& colour)> ColorDialogHook;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Colour count of the active document's image, 0 when there is none.
    int colourCount() const;
    void shapeMouseDown(bool fore);
    void shapeMouseMove(bool fore);
    bool runColorDialog(QColor& colour);

    const TDibRecord* colorField_;
    QImage field_; // the colour field as drawn, made on its first paint (it never changes)
    QPointer<TMDIChild> doc_;
};

} // namespace pixorama::ui

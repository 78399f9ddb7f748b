// TPaleditForm: the palette as a grid of colour cells; a click opens the colour dialog for the
// cell, moving over a cell shows its index and colour.  It edits a copy of the palette.
#pragma once

#include <pictora.h>

#include <QColor>
#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace pixorama::ui {

class TPaleditForm;

// The grid: cells of 16 pixels on an 18-pixel pitch.
class TPaleditPaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit TPaleditPaintBox(TPaleditForm* owner);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    TPaleditForm* owner_;
};

class TPaleditForm : public QDialog {
    Q_OBJECT
  public:
    explicit TPaleditForm(QWidget* parent = nullptr);
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    TPaleditPaintBox* PaintBox1;
    QLabel* InfoLabel;
    TLogPalette EditPalette{};

    void PaintBox1Paint(QPainter& painter);
    void PaintBox1MouseDown(int x, int y);
    void PaintBox1MouseMove(int x, int y);
    // Shows the dialog modally; true on OK.
    bool Run();
    static std::function<bool(TPaleditForm&)> RunHook;
    // While set, answers the colour dialog (nullopt = cancelled) (tests).
    static std::function<std::optional<QColor>(const QColor&)> ColorDialogHook;
};

} // namespace pixorama::ui

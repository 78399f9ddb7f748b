// THistoForm ("Histogramm"): the always-on-top tool window with the curves of red, green, blue
// and luminance of the active image and a line of statistics.  It lives as long as the frame.
#pragma once

#include "ops/histogram.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace pixorama::ui {

class THistoForm;

class THPaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit THPaintBox(THistoForm* form);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    THistoForm* form_;
};

class THistoForm : public QWidget {
    Q_OBJECT
  public:
    explicit THistoForm(QWidget* parent = nullptr);
    ~THistoForm() override;

    // Recomputes from the active image (nullptr: no image document is active) and redraws.
    // Nothing is counted while the window is hidden.
    void Updatehistogramm(const TDibRecord* activeImage);
    // A document window is closing; wasActive: it was the active image document.
    void DocumentClosing(bool wasActive);
    void HPaintBoxPaint(QPainter& painter);
    // Without a stored placement the window goes to the upper right of frame (global rect).
    void DefaultPlacement(const QRect& frame);

    const THistogramState& State() const { return state_; }

    QLabel* InfoText;
    THPaintBox* HPaintBox;
    QCheckBox *RedCheck, *GreenCheck, *BlueCheck, *LumCheck;

  signals:
    // The window was closed by the user (the toolbar button goes up).
    void Closed();
    // The window was shown: the owner recomputes with the active image.
    void UpdateRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // A check box changed: the statistics anew from the tables held.
    void RedCheckClick(size_t table, bool on);
    void showState();
    void storeSettings();

    THistogramState state_;
    bool placed_ = false;
};

} // namespace pixorama::ui

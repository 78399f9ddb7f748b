// The frame's status bar: panel 0 (hints, 250 wide), panel 1 (image information, 320 wide) and
// panel 2 (50 wide), where the load progress is drawn as a navy bar.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QStatusBar>

namespace pixorama::ui {

class TProgressPanel : public QFrame {
    Q_OBJECT
  public:
    explicit TProgressPanel(QWidget* parent = nullptr);

    int Progress() const { return progress_; }
    // A growing bar draws only its new part; a shorter one repaints the panel.
    void SetProSatus(int percent);

    // What the last paint covered (tests look at it).
    QRect LastPaintedRect() const { return lastPainted_; }
    int PaintCount() const { return paints_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QRect barRect(int percent) const;

    int progress_ = 0;
    QRect progressRect_;
    QRect lastPainted_;
    int paints_ = 0;
};

class TStatusBar : public QStatusBar {
    Q_OBJECT
  public:
    explicit TStatusBar(QWidget* parent = nullptr);

    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;
    TProgressPanel* ProgressPanel() const { return progress_; }

  private:
    QLabel* panel0_;
    QLabel* panel1_;
    TProgressPanel* progress_;
};

} // namespace pixorama::ui

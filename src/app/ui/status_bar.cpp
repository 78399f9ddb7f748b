// Status bar panels and the progress bar of panel 2.
#include "app/ui/status_bar.h"

#include <QPaintEvent>
#include <QPainter>

namespace pixorama::ui {
namespace {

QLabel* panel(int width) {
    auto* label = new QLabel;
    label->setFixedWidth(width);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TProgressPanel::TProgressPanel(QWidget* parent) : QFrame(parent) {
    setFixedWidth(50);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setObjectName(QStringLiteral("ProgressPanel"));
}

QRect TProgressPanel::barRect(int percent) const {
    const QRect r = progressRect_;
    // from (left, top) to (left + (right - left) * percent div 100, bottom)
    const int right = r.left() + (r.right() + 1 - r.left()) * percent / 100;
    return QRect(QPoint(r.left(), r.top()), QPoint(right - 1, r.bottom()));
}

void TProgressPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    progressRect_ = contentsRect();
    ++paints_;
    lastPainted_ = event->rect();
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawRect(barRect(progress_));
}

void TProgressPanel::SetProSatus(int percent) {
    if (progressRect_.isNull())
        progressRect_ = contentsRect();
    if (percent >= progress_) {
        // only the new part of the bar
        const QRect drawn = barRect(progress_);
        progress_ = percent;
        QRect grown = barRect(percent);
        if (drawn.isValid())
            grown.setLeft(drawn.right() + 1);
        if (grown.isValid() && isVisible())
            repaint(grown);
    } else {
        progress_ = percent;
        if (isVisible())
            repaint();
    }
}

TStatusBar::TStatusBar(QWidget* parent)
    : QStatusBar(parent), panel0_(panel(250)), panel1_(panel(320)), progress_(new TProgressPanel) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(false);
    addWidget(panel0_);
    addWidget(panel1_);
    addWidget(progress_);
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    if (panel == 0)
        panel0_->setText(text);
    if (panel == 1)
        panel1_->setText(text);
}

QString TStatusBar::PanelText(int panel) const {
    return panel == 0 ? panel0_->text() : panel == 1 ? panel1_->text() : QString();
}

} // namespace pixorama::ui

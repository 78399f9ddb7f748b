// The histogram window: the core counts and computes the lines; here they are drawn.
#include "ops/ui/histo_form.h"

#include "platform/ui/settings_store.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

#include <array>

namespace pixorama::ui {

namespace {

const QString kForm = QStringLiteral("THistoForm");
const char* const kCheckKeys[4] = {"RedCheck", "GreenCheck", "BlueCheck", "LumCheck"};

} // namespace

THPaintBox::THPaintBox(THistoForm* form) : QWidget(form), form_(form) {
    setObjectName(QStringLiteral("HPaintBox"));
    setFixedSize(305, 153);
}

void THPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    form_->HPaintBoxPaint(p);
}

THistoForm::THistoForm(QWidget* parent)
    // a tool window of the frame: above the frame and its documents, but not above the
    // program's modal dialogs, which come later and stack above it
    : QWidget(parent, Qt::Tool), InfoText(new QLabel(this)),
      HPaintBox(new THPaintBox(this)) {
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Histogramm"));
    InfoText->setObjectName(QStringLiteral("InfoText"));
    InfoText->setAlignment(Qt::AlignCenter);
    RedCheck = new QCheckBox(QStringLiteral("Rot"), this);
    GreenCheck = new QCheckBox(QStringLiteral("Grün"), this);
    BlueCheck = new QCheckBox(QStringLiteral("Blau"), this);
    LumCheck = new QCheckBox(QStringLiteral("Helligkeit"), this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 6, 10, 6);
    column->setSpacing(4);
    column->addWidget(InfoText);
    column->addWidget(HPaintBox, 0, Qt::AlignHCenter);
    auto* checks = new QHBoxLayout;
    const std::array<QCheckBox*, 4> boxes{RedCheck, GreenCheck, BlueCheck, LumCheck};
    FormSettings settings(kForm);
    for (size_t t = 0; t < boxes.size(); ++t) {
        boxes[t]->setObjectName(QLatin1String(kCheckKeys[t]));
        boxes[t]->setChecked(settings.boolValue(QLatin1String(kCheckKeys[t]), true));
        state_.Shown[t] = boxes[t]->isChecked();
        checks->addWidget(boxes[t]);
        connect(boxes[t], &QCheckBox::toggled, this, [this, t](bool on) { RedCheckClick(t, on); });
    }
    column->addLayout(checks);
    setFixedSize(325, 206);
    placed_ = settings.restorePlacement(this);
}

void THistoForm::RedCheckClick(size_t table, bool on) {
    state_.Shown[table] = on;
    FormSettings(kForm).setValue(QLatin1String(kCheckKeys[table]), on);
    // the tables are those of the active image: only the statistics change (a hidden window
    // counts again when it is shown)
    if (!isVisible())
        return;
    HistogramStatistics(state_);
    showState();
}

void THistoForm::DefaultPlacement(const QRect& frame) {
    if (placed_)
        return;
    placed_ = true;
    const QRect inside = frame.marginsRemoved(QMargins(0, 90, 110, 0));
    move(QStyle::alignedRect(layoutDirection(), Qt::AlignTop | Qt::AlignRight, size(), inside)
             .topLeft());
}

THistoForm::~THistoForm() {
    storeSettings();
}

void THistoForm::storeSettings() {
    FormSettings settings(kForm);
    const std::array<QCheckBox*, 4> boxes{RedCheck, GreenCheck, BlueCheck, LumCheck};
    for (size_t t = 0; t < boxes.size(); ++t)
        settings.setValue(QLatin1String(kCheckKeys[t]), boxes[t]->isChecked());
    settings.storePlacement(this);
}

void THistoForm::showState() {
    InfoText->setText(QString::fromStdString(state_.InfoText));
    HPaintBox->update();
}

void THistoForm::Updatehistogramm(const TDibRecord* activeImage) {
    pixorama::Updatehistogramm(state_, activeImage, isVisible());
    showState();
}

void THistoForm::DocumentClosing(bool wasActive) {
    if (!wasActive)
        return;
    ClearHistogram(state_, isVisible());
    showState();
}

void THistoForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // nothing was counted while hidden
    emit UpdateRequested();
}

void THistoForm::HPaintBoxPaint(QPainter& p) {
    const int h = HPaintBox->height();
    p.fillRect(HPaintBox->rect(), palette().color(QPalette::Window));
    p.setPen(Qt::black);
    for (const THistLine& l : HistogramAxes(h))
        p.drawLine(l.X1, l.Y1, l.X2, l.Y2);
    const std::array<QColor, 4> colours{QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255),
                                        QColor(0, 0, 0)};
    for (int t = 0; t < 4; ++t) {
        const std::vector<THistPoint> curve = HistogramCurve(state_, t, h);
        if (curve.empty())
            continue;
        QPolygon line;
        line.reserve(static_cast<int>(curve.size()));
        for (const THistPoint& pt : curve)
            line << QPoint(pt.X, pt.Y);
        p.setPen(colours[static_cast<size_t>(t)]);
        p.drawPolyline(line);
    }
}

void THistoForm::closeEvent(QCloseEvent* event) {
    storeSettings();
    event->accept();
    emit Closed();
}

} // namespace pixorama::ui

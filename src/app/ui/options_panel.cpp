// The options panel: controls from the core's tables, the spin edit / track bar pairs, the
// brush presets and the rearrangement for the selected tool.
#include "app/ui/options_panel.h"

#include "document/zoom.h"
#include "platform/ui/dialog_parts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace pixorama::ui {

namespace {

constexpr int kPanelHeight = 105;
// grid columns of the two halves: label, control, track bar
constexpr int kLeft = 0, kRight = 4;

} // namespace

// ---- TSpinEdit ----

TSpinEdit::TSpinEdit(const TSpinOption& option, QWidget* parent)
    : QSpinBox(parent), option_(option) {
    setObjectName(QLatin1String(option.Control));
    setRange(option.Min, option.Max);
    setValue(option.Start);
    setFixedWidth(64);
}

int TSpinEdit::Value() const {
    bool ok = false;
    const qlonglong typed = cleanText().trimmed().toLongLong(&ok);
    return ok ? option_.clamp(typed) : option_.clamp(value());
}

QValidator::State TSpinEdit::validate(QString& text, int&) const {
    // any whole number may be typed; it is limited to the range when it is taken
    const QString t = text.trimmed();
    if (t.isEmpty() || t == QLatin1String("-"))
        return QValidator::Intermediate;
    bool ok = false;
    t.toLongLong(&ok);
    return ok ? QValidator::Acceptable : QValidator::Invalid;
}

int TSpinEdit::valueFromText(const QString& text) const {
    bool ok = false;
    const qlonglong typed = text.trimmed().toLongLong(&ok);
    return ok ? option_.clamp(typed) : value();
}

void TSpinEdit::fixup(QString& text) const {
    text = QString::number(valueFromText(text));
}

// ---- TOptionsPanel ----

TOptionsPanel::TOptionsPanel(QWidget* parent)
    : QToolBar(QStringLiteral("Kontrollbereich"), parent), area_(new QWidget(this)),
      grid_(new QGridLayout(area_)) {
    setObjectName(QStringLiteral("speedbar2"));
    setMovable(false);
    setFloatable(false);
    setFixedHeight(kPanelHeight);
    area_->setObjectName(QStringLiteral("speedbar2Area"));
    grid_->setContentsMargins(8, 4, 8, 4);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(3);
    // the columns keep their width whichever controls are shown
    for (int half : {kLeft, kRight}) {
        grid_->setColumnMinimumWidth(half, 96);
        grid_->setColumnMinimumWidth(half + 1, 160);
        grid_->setColumnMinimumWidth(half + 2, 130);
    }
    grid_->setColumnMinimumWidth(3, 24);
    grid_->setColumnStretch(7, 1);
    for (int row = 0; row < 4; ++row)
        grid_->setRowMinimumHeight(row, 22);

    // the brush group
    BrushTypBox = addList(kBrushTypOption, 0, kLeft, true);
    FormBox = addList(kFormOption, 1, kLeft, true);
    SizeEdit = addSpin(kSizeOption, 2, kLeft, true);
    TrackBar1 = addTrackBar(kSizeOption, SizeEdit, 2, kLeft);
    HardEdit = addSpin(kHardOption, 0, kRight, true);
    TrackBar2 = addTrackBar(kHardOption, HardEdit, 0, kRight);
    DensEdit = addSpin(kDensOption, 1, kRight, true);
    TrackBar3 = addTrackBar(kDensOption, DensEdit, 1, kRight);
    OpaCityEdit = addSpin(kOpacityOption, 2, kRight, true);
    TrackBar4 = addTrackBar(kOpacityOption, OpaCityEdit, 2, kRight);
    // the controls of single tools
    CloneBox = addList(kCloneOption, 3, kLeft, false);
    RetouchBox = addList(kRetouchOption, 3, kLeft, false);
    TolEdit = addSpin(kTolOption, 0, kLeft, false);
    FillStyleBox = addList(kFillStyleOption, 1, kLeft, false);
    DirectBox = addList(kDirectOption, 0, kRight, false);
    LoadPattBtn = new QPushButton(QStringLiteral("Muster &laden"), area_);
    LoadPattBtn->setObjectName(QStringLiteral("LoadPattBtn"));
    grid_->addWidget(LoadPattBtn, 2, kLeft + 1, Qt::AlignLeft);
    switched_.push_back(LoadPattBtn);
    BreitEdit = addSpin(kBreitOption, 0, kLeft, false);
    TypBox = addList(kTypOption, 1, kLeft, false);
    StilBox = addList(kStilOption, 2, kLeft, false);
    ZoomBox = addList(kZoomOption, 0, kLeft, false);
    addWidget(area_);

    connect(BrushTypBox, &QComboBox::currentIndexChanged, this,
            &TOptionsPanel::BrushTypBoxChange);
    connect(ZoomBox, &QComboBox::activated, this, &TOptionsPanel::ZoomChosen);
    connect(LoadPattBtn, &QPushButton::clicked, this, &TOptionsPanel::LoadPatternClicked);
}

QLabel* TOptionsPanel::addLabel(const char* name, const char* caption, int row, int column) {
    // a label already made for another control of the same cell is shared
    if (auto* existing = area_->findChild<QLabel*>(QLatin1String(name)))
        return existing;
    auto* label = new QLabel(QString::fromUtf8(caption), area_);
    label->setObjectName(QLatin1String(name));
    grid_->addWidget(label, row, column);
    return label;
}

QComboBox* TOptionsPanel::addList(const TListOption& option, int row, int column,
                                  bool brushGroup) {
    QLabel* label = addLabel(option.Label, option.Caption, row, column);
    auto* box = new QComboBox(area_);
    box->setObjectName(QLatin1String(option.Control));
    for (const char* item : option.Items)
        box->addItem(QString::fromUtf8(item));
    box->setCurrentIndex(option.Start);
    box->setMinimumWidth(150);
    grid_->addWidget(box, row, column + 1, Qt::AlignLeft);
    label->setBuddy(box);
    auto& group = brushGroup ? brushGroup_ : switched_;
    group.push_back(label);
    group.push_back(box);
    return box;
}

TSpinEdit* TOptionsPanel::addSpin(const TSpinOption& option, int row, int column,
                                  bool brushGroup) {
    QLabel* label = addLabel(option.Label, option.Caption, row, column);
    auto* edit = new TSpinEdit(option, area_);
    grid_->addWidget(edit, row, column + 1, Qt::AlignLeft);
    label->setBuddy(edit);
    auto& group = brushGroup ? brushGroup_ : switched_;
    group.push_back(label);
    group.push_back(edit);
    return edit;
}

QSlider* TOptionsPanel::addTrackBar(const TSpinOption& option, TSpinEdit* edit, int row,
                                    int column) {
    auto* bar = new QSlider(Qt::Horizontal, area_);
    bar->setObjectName(QLatin1String(option.TrackBar));
    bar->setRange(option.Min, option.Max);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setTickPosition(QSlider::NoTicks);
    // copied from the spin edit at creation; afterwards each follows the other
    bar->setValue(edit->value());
    grid_->addWidget(bar, row, column + 2);
    CoupleSliderAndEdit(bar, edit);
    brushGroup_.push_back(bar);
    return bar;
}

void TOptionsPanel::ZoomBtnClick(Tool down) {
    for (QWidget* w : switched_)
        w->hide();
    const TPanelLayout layout = PanelLayoutFor(down);
    for (const char* name : layout.Shown)
        if (auto* w = area_->findChild<QWidget*>(QLatin1String(name)))
            w->show();
    for (QWidget* w : brushGroup_)
        w->setVisible(layout.BrushGroup);
}

void TOptionsPanel::BrushTypBoxChange() {
    TBrushValues values{Hard(), Dens(), Opacity()};
    ApplyBrushPreset(BrushTypBox->currentIndex(), values);
    HardEdit->setValue(values.Hard);
    DensEdit->setValue(values.Dens);
    OpaCityEdit->setValue(values.Opacity);
}

void TOptionsPanel::FollowZoom(int zoomIn, int zoomOut) {
    ZoomBox->setCurrentIndex(ZoomBoxIndex(zoomIn, zoomOut));
}

int TOptionsPanel::BrushForm() const {
    return FormBox->currentIndex();
}
int TOptionsPanel::CloneMode() const {
    return CloneBox->currentIndex();
}
int TOptionsPanel::RetouchMode() const {
    return RetouchBox->currentIndex();
}
int TOptionsPanel::FillStyle() const {
    return FillStyleBox->currentIndex();
}
int TOptionsPanel::Direction() const {
    return DirectBox->currentIndex();
}
int TOptionsPanel::ShapeTyp() const {
    return TypBox->currentIndex();
}
int TOptionsPanel::ShapeStil() const {
    return StilBox->currentIndex();
}

} // namespace pixorama::ui

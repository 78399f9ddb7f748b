// The preview dialogs: controls, buttons, remembered values, and the buttons' part of the
// preview protocol (the session does the image work).
#include "ops/ui/preview_form.h"

#include "document/ui/mdi_child.h"
#include "ops/dialog_values.h"
#include "ops/preview.h"
#include "ops/ui/progress_host.h"
#include "platform/ui/dialog_parts.h"
#include "platform/ui/settings_store.h"

#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace pixorama::ui {

TPreviewForm::TPreviewForm(const QString& formName, const QString& caption, QWidget* parent)
    : QDialog(parent), controls_(new QGridLayout) {
    setObjectName(formName);
    setWindowTitle(caption);
    SetFixedDialogFlags(this);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    OkBtn = button(QStringLiteral("&OK"), "OkBtn");
    OkBtn->setDefault(true);
    CancelBtn = button(QStringLiteral("A&bbrechen"), "CancelBtn");
    ResetBtn = button(QStringLiteral("&Zurücksetzen"), "ResetBtn");
    PreviewBtn = button(QStringLiteral("&Vorschau"), "PreviewBtn");
    connect(OkBtn, &QPushButton::clicked, this, &TPreviewForm::OkClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ResetBtn, &QPushButton::clicked, this, &TPreviewForm::ResetClick);
    connect(PreviewBtn, &QPushButton::clicked, this, &TPreviewForm::PreviewClick);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    buttons->addSpacing(12);
    buttons->addWidget(ResetBtn);
    buttons->addWidget(PreviewBtn);
    buttons->addStretch(1);

    controls_->setColumnMinimumWidth(1, 220);
    controls_->setColumnMinimumWidth(2, 36);
    controls_->setHorizontalSpacing(10);
    controls_->setVerticalSpacing(12);
    auto* left = new QVBoxLayout;
    left->addLayout(controls_);
    left->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPreviewForm::addRow(const QString& label, QWidget* control) {
    const int row = controls_->rowCount();
    auto* text = new QLabel(label);
    text->setBuddy(control);
    controls_->addWidget(text, row, 0);
    controls_->addWidget(control, row, 1, 1, 2);
}

QSlider* TPreviewForm::addSlider(const QString& label, const QString& name,
                                 const TIntRange& range) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(range.Min, range.Max);
    slider->setValue(range.Default);
    slider->setPageStep(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(range.Max - range.Min > 200 ? 32 : 20);
    auto* value = new QLabel(QString::number(range.Default));
    value->setObjectName(name + QStringLiteral("Value"));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-000")));
    connect(slider, &QSlider::valueChanged, value, qOverload<int>(&QLabel::setNum));

    const int row = controls_->rowCount();
    auto* text = new QLabel(label);
    text->setBuddy(slider);
    controls_->addWidget(text, row, 0);
    controls_->addWidget(slider, row, 1);
    controls_->addWidget(value, row, 2);
    sliders_.push_back({slider, range.Default});
    return slider;
}

QDoubleSpinBox* TPreviewForm::addFloatEdit(const QString& label, const QString& name,
                                           const TFloatRange& range) {
    auto* edit = new QDoubleSpinBox;
    edit->setObjectName(name);
    edit->setDecimals(1);
    edit->setRange(range.Min, range.Max);
    edit->setSingleStep(range.Step);
    edit->setValue(range.Default);
    addRow(label, edit);
    floats_.push_back({edit, range.Default});
    return edit;
}

void TPreviewForm::SetDocument(PreviewSession* session, Host* host, TMDIChild* child) {
    session_ = session;
    host_ = host;
    child_ = child;
}

void TPreviewForm::SetDefaults() {
    for (const SliderControl& c : sliders_)
        c.slider->setValue(c.preset);
    for (const FloatControl& c : floats_)
        c.edit->setValue(c.preset);
}

void TPreviewForm::restoreValues() {
    FormSettings settings(objectName());
    for (const SliderControl& c : sliders_)
        c.slider->setValue(settings.intValue(c.slider->objectName(), c.slider->value(),
                                             c.slider->minimum(), c.slider->maximum()));
    for (const FloatControl& c : floats_)
        c.edit->setValue(settings.doubleValue(c.edit->objectName(), c.edit->value(),
                                              c.edit->minimum(), c.edit->maximum()));
}

void TPreviewForm::storeValues() {
    FormSettings settings(objectName());
    for (const SliderControl& c : sliders_)
        settings.setValue(c.slider->objectName(), c.slider->value());
    for (const FloatControl& c : floats_)
        settings.setValue(c.edit->objectName(), c.edit->value());
    settings.storePlacement(this);
}

bool TPreviewForm::Run() {
    restoreValues();
    FormSettings(objectName()).restorePlacement(this);
    const bool ok = exec() == QDialog::Accepted;
    storeValues();
    return ok;
}

void TPreviewForm::PreviewClick() {
    if (session_ == nullptr || host_ == nullptr)
        return;
    TBusyCursor busy;
    session_->Preview([this] { Apply(session_->Doc(), *host_); });
    if (child_ != nullptr)
        child_->Repaint();
}

void TPreviewForm::ResetClick() {
    SetDefaults();
}

void TPreviewForm::OkClick() {
    if (session_ != nullptr && host_ != nullptr) {
        TBusyCursor busy;
        // the five corrections write their pixels through ApplyPixelRun
        session_->AcceptPixels([this] { Apply(session_->Doc(), *host_); });
        if (child_ != nullptr)
            child_->Repaint();
    }
    accept();
}

// ---- the five dialogs ----

THKForm::THKForm(QWidget* parent)
    : TPreviewForm(QStringLiteral("THKForm"), QStringLiteral("Helligkeit, Kontrast und Sättigung"),
                   parent),
      TrackBar1(addSlider(QStringLiteral("Helligkeit:"), QStringLiteral("TrackBar1"),
                          kBrightnessRange)),
      TrackBar2(
          addSlider(QStringLiteral("Kontrast:"), QStringLiteral("TrackBar2"), kContrastRange)),
      TrackBar3(addSlider(QStringLiteral("Sättigung:"), QStringLiteral("TrackBar3"),
                          kSaturationRange)) {}

void THKForm::Apply(DocumentState& doc, Host& host) {
    HelligkeitKontrastSaettigung(doc, host, TrackBar1->value(), TrackBar2->value(),
                                 TrackBar3->value());
}

TGammaForm::TGammaForm(QWidget* parent)
    : TPreviewForm(QStringLiteral("TGammaForm"), QStringLiteral("Gamma Korrektur"), parent),
      GammaEdit(
          addFloatEdit(QStringLiteral("Gamma Korrektur:"), QStringLiteral("GammaEdit"), kGammaRange)) {}

void TGammaForm::Apply(DocumentState& doc, Host& host) {
    Gamma(doc, host, GammaEdit->value());
}

TLightForm::TLightForm(QWidget* parent)
    : TPreviewForm(QStringLiteral("TLightForm"), QStringLiteral("Glanzlicht, Mitte, Schatten"),
                   parent),
      TrackBar1(
          addSlider(QStringLiteral("Glanzlicht:"), QStringLiteral("TrackBar1"), kHighlightRange)),
      TrackBar2(addSlider(QStringLiteral("Mitte:"), QStringLiteral("TrackBar2"), kMidtoneRange)),
      TrackBar3(
          addSlider(QStringLiteral("Schatten:"), QStringLiteral("TrackBar3"), kShadowRange)) {}

void TLightForm::Apply(DocumentState& doc, Host& host) {
    HighMidShadow(doc, host, TrackBar1->value(), TrackBar2->value(), TrackBar3->value());
}

TRGBForm::TRGBForm(QWidget* parent)
    : TPreviewForm(QStringLiteral("TRGBForm"), QStringLiteral("Rot, Grün, Blau"), parent),
      TrackBar1(addSlider(QStringLiteral("Rot:"), QStringLiteral("TrackBar1"), kGainRange)),
      TrackBar2(addSlider(QStringLiteral("Grün:"), QStringLiteral("TrackBar2"), kGainRange)),
      TrackBar3(addSlider(QStringLiteral("Blau:"), QStringLiteral("TrackBar3"), kGainRange)) {}

void TRGBForm::Apply(DocumentState& doc, Host& host) {
    RedGreenBlue(doc, host, TrackBar1->value(), TrackBar2->value(), TrackBar3->value());
}

TColizeForm::TColizeForm(QWidget* parent)
    : TPreviewForm(QStringLiteral("TColizeForm"), QStringLiteral("Colorieren..."), parent),
      TrackBar1(addSlider(QStringLiteral("Farbton:"), QStringLiteral("TrackBar1"), kHueRange)),
      TrackBar2(addSlider(QStringLiteral("Sättigung:"), QStringLiteral("TrackBar2"),
                          kColorizeSatRange)),
      Shape1(new QFrame) {
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setFixedSize(64, 32);
    Shape1->setAutoFillBackground(true);
    addRow(QStringLiteral("Farbe:"), Shape1);
    connect(TrackBar1, &QSlider::valueChanged, this, &TColizeForm::UpdateSwatch);
    connect(TrackBar2, &QSlider::valueChanged, this, &TColizeForm::UpdateSwatch);
    UpdateSwatch();
}

void TColizeForm::Apply(DocumentState& doc, Host& host) {
    Colorize(doc, host, TrackBar1->value(), TrackBar2->value());
}

void TColizeForm::UpdateSwatch() {
    const TRgb c = ColorizeSwatch(TrackBar1->value(), TrackBar2->value());
    QPalette pal = Shape1->palette();
    pal.setColor(QPalette::Window, QColor(c.R, c.G, c.B));
    Shape1->setPalette(pal);
}

QColor TColizeForm::SwatchColor() const {
    return Shape1->palette().color(QPalette::Window);
}

void TColizeForm::showEvent(QShowEvent* event) {
    TPreviewForm::showEvent(event);
    UpdateSwatch();
}

} // namespace pixorama::ui

// TPosterFaktor and TSolarfaktor.
#include "ops/ui/tone_forms.h"

#include "ops/tone.h"
#include "platform/ui/dialog_parts.h"
#include "platform/ui/settings_store.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace pixorama::ui {

TNumberForm::TNumberForm(const QString& formName, const QString& caption, const QString& label,
                         const QString& okCaption, const QString& editName, int min, int max,
                         int preset, QWidget* parent)
    : QDialog(parent), edit_(new QSpinBox) {
    setObjectName(formName);
    setWindowTitle(caption);
    SetFixedDialogFlags(this);

    edit_->setObjectName(editName);
    edit_->setRange(min, max);
    edit_->setValue(preset);
    auto* text = new QLabel(label);
    text->setBuddy(edit_);
    auto* row = new QHBoxLayout;
    row->addWidget(text);
    row->addWidget(edit_);

    const OkCancelButtons buttons = AddOkCancel(this, okCaption);
    OkBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons.Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TNumberForm::Run() {
    return RunCentredModal(this);
}

TPosterFaktor::TPosterFaktor(QWidget* parent)
    : TNumberForm(QStringLiteral("TPosterFaktor"), QStringLiteral("Tiefe beschränken..."),
                  QStringLiteral("Farbe auf X Bits pro Kanal beschränken:"), QStringLiteral("OK"),
                  QStringLiteral("PosterEdit"), kPosterBitsRange.Min, kPosterBitsRange.Max,
                  kPosterBitsRange.Default, parent),
      PosterEdit(edit_) {}

TSolarfaktor::TSolarfaktor(QWidget* parent)
    : TNumberForm(QStringLiteral("TSolarfaktor"), QStringLiteral("Solarisieren..."),
                  QStringLiteral("Grenzwert:"), QStringLiteral("&Ok"),
                  QStringLiteral("SolarEdit"), kSolarThresholdRange.Min, kSolarThresholdRange.Max,
                  kSolarThresholdRange.Default, parent),
      SolarEdit(edit_) {}

} // namespace pixorama::ui

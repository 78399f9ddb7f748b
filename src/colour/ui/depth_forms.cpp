// TDepthDownForm and TFreeDepthForm.
#include "colour/ui/depth_forms.h"

#include "platform/ui/dialog_parts.h"
#include "platform/ui/settings_store.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TDepthDownForm&)> TDepthDownForm::RunHook;
std::function<bool(TFreeDepthForm&)> TFreeDepthForm::RunHook;

namespace {

template <class T> T* named(T* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QRadioButton* radio(const char* caption, const char* name) {
    return named(new QRadioButton(QString::fromUtf8(caption)), name);
}

} // namespace

TDepthDownForm::TDepthDownForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TDepthDownForm"));
    setWindowTitle(QStringLiteral("Farbtiefe verkleinern..."));
    SetFixedDialogFlags(this);
    const OkCancelButtons buttons = AddOkCancel(this, QStringLiteral("&OK"));
    BitBtn1 = named(buttons.Ok, "BitBtn1");
    BitBtn2 = named(buttons.Cancel, "BitBtn2");
    GroupBox1 = named(new QGroupBox(QStringLiteral("Palette")), "GroupBox1");
    GroupBox2 = named(new QGroupBox(QStringLiteral("Methode")), "GroupBox2");
    OptPalCheck = radio("&Optimierte Palette", "OptPalCheck");
    StdPalCheck = radio("&Standart-Palette", "StdPalCheck");
    NearCheck = radio("Am besten &passenste Farbe", "NearCheck");
    DitherCheck = radio("&Dithering für Standart-Palette", "DitherCheck");
    FSErrCheck = radio("&Floyd-Steinberg Fehlerverteilung", "FSErrCheck");
    GroupBox3 = named(new QGroupBox(QStringLiteral("Optionen")), "GroupBox3");
    WinColCheck = named(new QCheckBox(QStringLiteral("&Windows Farben einbinden")), "WinColCheck");
    OptPalCheck->setChecked(true);
    FSErrCheck->setChecked(true);
    WinColCheck->setChecked(true);

    auto* pal = new QVBoxLayout(GroupBox1);
    pal->addWidget(OptPalCheck);
    pal->addWidget(StdPalCheck);
    auto* method = new QVBoxLayout(GroupBox2);
    method->addWidget(NearCheck);
    method->addWidget(DitherCheck);
    method->addWidget(FSErrCheck);
    auto* opts = new QVBoxLayout(GroupBox3);
    opts->addWidget(WinColCheck);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addWidget(GroupBox3);
    layout->addWidget(buttons.Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OptPalCheck, &QRadioButton::clicked, this, &TDepthDownForm::OptPalCheckClick);
    connect(StdPalCheck, &QRadioButton::clicked, this, &TDepthDownForm::StdPalCheckClick);
}

void TDepthDownForm::Prepare(int32_t bits) {
    bits_ = bits;
    const TDepthDownEnabling e = DepthDownEnabling(bits, OptPalCheck->isChecked());
    OptPalCheck->setEnabled(e.PaletteRadios);
    StdPalCheck->setEnabled(e.PaletteRadios);
    DitherCheck->setEnabled(e.Dither);
    NearCheck->setEnabled(e.Methods);
    FSErrCheck->setEnabled(e.Methods);
    WinColCheck->setEnabled(e.WindowsColours);
    EightBitTarget = e.EightBitTarget;
}

void TDepthDownForm::OptPalCheckClick() {
    // ordered dithering only with the standard 256-colour palette, the Windows colours only with
    // the optimised one
    DitherCheck->setEnabled(!OptPalCheck->isChecked() && EightBitTarget);
    WinColCheck->setEnabled(OptPalCheck->isChecked() && EightBitTarget);
    if (!DitherCheck->isEnabled() && DitherCheck->isChecked())
        FSErrCheck->setChecked(true);
}

void TDepthDownForm::StdPalCheckClick() {
    OptPalCheckClick();
}

TDepthDownChoice TDepthDownForm::Choice() const {
    const TDepthMethod m = DitherCheck->isChecked()  ? TDepthMethod::Ordered
                           : FSErrCheck->isChecked() ? TDepthMethod::FloydSteinberg
                                                     : TDepthMethod::Nearest;
    return DepthDownChoice(bits_, OptPalCheck->isChecked(), m, WinColCheck->isChecked());
}

bool TDepthDownForm::Run() {
    return RunModal(*this, RunHook);
}

TFreeDepthForm::TFreeDepthForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFreeDepthForm"));
    setWindowTitle(QStringLiteral("Farbtiefe verkleinern..."));
    SetFixedDialogFlags(this);
    const OkCancelButtons buttons = AddOkCancel(this, QStringLiteral("&OK"));
    BitBtn1 = named(buttons.Ok, "BitBtn1");
    BitBtn2 = named(buttons.Cancel, "BitBtn2");
    GroupBox2 = named(new QGroupBox(QStringLiteral("Methode")), "GroupBox2");
    NearCheck = radio("Am besten &passenste Farbe", "NearCheck");
    FSErrCheck = radio("&Floyd-Steinberg Fehlerverteilung", "FSErrCheck");
    GroupBox3 = named(new QGroupBox(QStringLiteral("Optionen")), "GroupBox3");
    WinColCheck = named(new QCheckBox(QStringLiteral("&Windows Farben einbinden")), "WinColCheck");
    GroupBox1 = named(new QGroupBox(QStringLiteral("Palette")), "GroupBox1");
    RxLabel1 = named(new QLabel(QStringLiteral("Anzahl der Farben:")), "RxLabel1");
    NumColEd = named(new QSpinBox, "NumColEd");
    NumColEd->setRange(2, 256);
    RxLabel1->setBuddy(NumColEd);

    // the remembered options
    FormSettings settings(objectName());
    const bool fs = settings.boolValue(QStringLiteral("FSErrCheck"), true);
    (fs ? FSErrCheck : NearCheck)->setChecked(true);
    WinColCheck->setChecked(settings.boolValue(QStringLiteral("WinColCheck"), true));

    auto* method = new QVBoxLayout(GroupBox2);
    method->addWidget(NearCheck);
    method->addWidget(FSErrCheck);
    auto* opts = new QVBoxLayout(GroupBox3);
    opts->addWidget(WinColCheck);
    auto* count = new QHBoxLayout(GroupBox1);
    count->addWidget(RxLabel1);
    count->addWidget(NumColEd);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addWidget(GroupBox3);
    layout->addWidget(buttons.Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(WinColCheck, &QCheckBox::clicked, this, &TFreeDepthForm::WinColCheckClick);
}

void TFreeDepthForm::Prepare(int32_t sourceBits) {
    sourceBits_ = sourceBits;
    WinColCheck->setEnabled(sourceBits != 8);
    const TColourCountRange r = FreeDepthRange(sourceBits, WinColCheck->isChecked());
    NumColEd->setRange(r.Min, r.Max);
    NumColEd->setValue(kFreeDepthPreset);
}

void TFreeDepthForm::WinColCheckClick() {
    const TColourCountRange r = FreeDepthRange(sourceBits_, WinColCheck->isChecked());
    // the spin box raises a value below the new minimum to it
    NumColEd->setMinimum(r.Min);
}

TDepthDownChoice TFreeDepthForm::Choice() const {
    return FreeDepthChoice(NumColEd->value(), FSErrCheck->isChecked(), WinColCheck->isChecked());
}

bool TFreeDepthForm::Run() {
    const bool ok = RunModal(*this, RunHook);
    FormSettings settings(objectName());
    settings.setValue(QStringLiteral("FSErrCheck"), FSErrCheck->isChecked());
    settings.setValue(QStringLiteral("NearCheck"), NearCheck->isChecked());
    settings.setValue(QStringLiteral("WinColCheck"), WinColCheck->isChecked());
    return ok;
}

} // namespace pixorama::ui

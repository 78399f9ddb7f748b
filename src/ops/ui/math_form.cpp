// TMatheForm.
#include "ops/ui/math_form.h"

#include "platform/ui/dialog_parts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace pixorama::ui {

namespace {

QComboBox* dropDown(const char* name) {
    auto* box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    box->setEditable(false);
    return box;
}

template <size_t N> void fillList(QComboBox* box, const std::array<const char*, N>& items) {
    for (const char* item : items)
        box->addItem(QString::fromUtf8(item));
}

} // namespace

TMatheForm::TMatheForm(QWidget* parent)
    : QDialog(parent), Image1Box(dropDown("Image1Box")), Image2Box(dropDown("Image2Box")),
      DestSizeLabel(new QLabel), FunktionBox(dropDown("FunktionBox")), DivEdit(new QSpinBox),
      AddEdit(new QSpinBox), ClipCheck(new QCheckBox(QStringLiteral("Werte abschneiden"))),
      AllChanCheck(new QCheckBox(QStringLiteral("Alle Kanäle"))),
      Kanal1Box(dropDown("Kanal1Box")), Kanal2Box(dropDown("Kanal2Box")) {
    setObjectName(QStringLiteral("TMatheForm"));
    setWindowTitle(QStringLiteral("Mathematik"));
    SetFixedDialogFlags(this);
    DestSizeLabel->setObjectName(QStringLiteral("DestSizeLabel"));
    DivEdit->setObjectName(QStringLiteral("DivEdit"));
    DivEdit->setRange(kMathDivisorRange.Min, kMathDivisorRange.Max);
    DivEdit->setValue(kMathDivisorRange.Default);
    AddEdit->setObjectName(QStringLiteral("AddEdit"));
    AddEdit->setRange(kMathShiftRange.Min, kMathShiftRange.Max);
    AddEdit->setValue(kMathShiftRange.Default);
    ClipCheck->setObjectName(QStringLiteral("ClipCheck"));
    ClipCheck->setChecked(true);
    AllChanCheck->setObjectName(QStringLiteral("AllChanCheck"));
    AllChanCheck->setChecked(true);
    fillList(FunktionBox, kMathFunctionItems);
    fillList(Kanal1Box, kMathChannelItems);
    fillList(Kanal2Box, kMathChannelItems);

    auto* sources = new QFormLayout;
    sources->addRow(QStringLiteral("Quellbild #1:"), Image1Box);
    sources->addRow(QStringLiteral("Quellbild #2:"), Image2Box);
    sources->addRow(DestSizeLabel);

    auto* function = new QGroupBox(QStringLiteral("Funktion"));
    auto* functionLayout = new QVBoxLayout(function);
    auto* functionLabel = new QLabel(QStringLiteral("Farbwert des Zielbildes entspricht:"));
    functionLabel->setBuddy(FunktionBox);
    functionLayout->addWidget(functionLabel);
    functionLayout->addWidget(FunktionBox);

    auto* changes = new QGroupBox(QStringLiteral("Veränderungen"));
    auto* changesLayout = new QFormLayout(changes);
    changesLayout->addRow(QStringLiteral("Divisor:"), DivEdit);
    changesLayout->addRow(QStringLiteral("Verschiebung:"), AddEdit);
    changesLayout->addRow(ClipCheck);

    auto* channels = new QGroupBox(QStringLiteral("Farbkanäle"));
    auto* channelsLayout = new QFormLayout(channels);
    channelsLayout->addRow(AllChanCheck);
    channelsLayout->addRow(QStringLiteral("Bild #1:"), Kanal1Box);
    channelsLayout->addRow(QStringLiteral("Bild #2:"), Kanal2Box);

    const OkCancelButtons buttons = AddOkCancel(this);
    OkBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sources);
    layout->addWidget(function);
    layout->addWidget(changes);
    layout->addWidget(channels);
    layout->addWidget(buttons.Box);

    connect(Image1Box, &QComboBox::currentIndexChanged, this, &TMatheForm::Image1BoxChange);
    connect(Image2Box, &QComboBox::currentIndexChanged, this, &TMatheForm::Image1BoxChange);
}

void TMatheForm::SetDocuments(std::vector<TDocumentEntry> documents) {
    documents_ = std::move(documents);
}

void TMatheForm::FormActivate() {
    for (QComboBox* box : {Image1Box, Image2Box}) {
        const QSignalBlocker quiet(box);
        box->clear();
        for (const TDocumentEntry& d : documents_)
            box->addItem(d.Name);
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);
    }
    FunktionBox->setCurrentIndex(0);
    Kanal1Box->setCurrentIndex(0);
    Kanal2Box->setCurrentIndex(0);
    Image1BoxChange();
}

const TDibRecord* TMatheForm::resolve(const QString& name) const {
    std::vector<std::string> names;
    for (const TDocumentEntry& d : documents_)
        names.push_back(d.Name.toStdString());
    const int i = LastDocumentNamed(names, name.toStdString());
    return i < 0 ? nullptr : documents_[static_cast<size_t>(i)].Dib;
}

void TMatheForm::Image1BoxChange() {
    image1_ = Image1Box->currentIndex() < 0 ? nullptr : resolve(Image1Box->currentText());
    image2_ = Image2Box->currentIndex() < 0 ? nullptr : resolve(Image2Box->currentText());
    TDibRecord none{};
    DestSizeLabel->setText(QString::fromStdString(MathDestSizeText(
        MathResultSize(image1_ ? *image1_ : none, image2_ ? *image2_ : none))));
}

TMathOptions TMatheForm::Options() const {
    TMathOptions o;
    o.Function = static_cast<TMathFunction>(std::max(0, FunktionBox->currentIndex()));
    o.Divisor = DivEdit->value();
    o.Shift = AddEdit->value();
    o.Clip = ClipCheck->isChecked();
    o.AllChannels = AllChanCheck->isChecked();
    o.Channel1 = std::max(0, Kanal1Box->currentIndex());
    o.Channel2 = std::max(0, Kanal2Box->currentIndex());
    return o;
}

bool TMatheForm::Run() {
    FormActivate();
    return RunCentredModal(this);
}

} // namespace pixorama::ui

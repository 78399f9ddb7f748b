// The JPEG quality dialog.
#include "document/ui/jpeg_quality_form.h"

#include "document/document_files.h"
#include "platform/ui/dialog_parts.h"
#include "platform/ui/settings_store.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TJpegQForm&)> TJpegQForm::RunHook;

namespace {
const QString kForm = QStringLiteral("TJpegQForm");
const QString kKey = QStringLiteral("QualED1");
} // namespace

TJpegQForm::TJpegQForm(QWidget* parent)
    : QDialog(parent), QualED1(new QSlider(Qt::Horizontal)), QualEd2(new QSpinBox) {
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("JPEG-Speicherqualität setzen"));
    SetFixedDialogFlags(this);

    auto* text = new QLabel(QStringLiteral("Je stärker das Bild komprimiert wird, je geringer die "
                                           "Qualität und der Speicherverbrauch."));
    text->setWordWrap(true);

    QualED1->setObjectName(QStringLiteral("QualED1"));
    QualED1->setRange(kJpegQualityRange.Min, kJpegQualityRange.Max);
    QualED1->setTickPosition(QSlider::TicksBelow);
    QualED1->setTickInterval(10);
    QualEd2->setObjectName(QStringLiteral("QualEd2"));
    QualEd2->setRange(kJpegQualityRange.Min, kJpegQualityRange.Max);
    QualED1->setValue(FormSettings(kForm).intValue(kKey, kJpegQualityRange.Default, kJpegQualityRange.Min,
                                                   kJpegQualityRange.Max));
    QualEd2->setValue(QualED1->value());
    CoupleSliderAndEdit(QualED1, QualEd2);

    auto* group = new QGroupBox(QStringLiteral("Qualität"));
    auto* g = new QVBoxLayout(group);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(new QLabel(QStringLiteral("Niedrige Qualität")));
    sliderRow->addWidget(QualED1, 1);
    sliderRow->addWidget(new QLabel(QStringLiteral("Hohe Qualität")));
    g->addLayout(sliderRow);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(new QLabel(QStringLiteral("Voreinstellung: %1").arg(kJpegQualityRange.Default)));
    numberRow->addStretch(1);
    numberRow->addWidget(new QLabel(QStringLiteral("Als Zahl:")));
    numberRow->addWidget(QualEd2);
    g->addLayout(numberRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(group);
    layout->addWidget(AddOkCancel(this).Box);
    resize(420, sizeHint().height());
}

int TJpegQForm::Quality() const {
    return QualED1->value();
}

bool TJpegQForm::Run() {
    const bool ok = RunModal(*this, RunHook);
    if (ok)
        FormSettings(kForm).setValue(kKey, QualED1->value());
    return ok;
}

} // namespace pixorama::ui

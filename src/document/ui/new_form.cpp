// The "Neues Bild" dialog.
#include "document/ui/new_form.h"

#include "document/document_files.h"
#include "platform/ui/dialog_parts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TNewForm&)> TNewForm::RunHook;

TNewForm::TNewForm(QWidget* parent)
    : QDialog(parent), BreitEdit(new QSpinBox), HochEdit(new QSpinBox), TiefeBox(new QComboBox) {
    setWindowTitle(QStringLiteral("Neues Bild"));
    SetFixedDialogFlags(this);
    setObjectName(QStringLiteral("TNewForm"));

    BreitEdit->setObjectName(QStringLiteral("BreitEdit"));
    BreitEdit->setRange(kNewImageWidthRange.Min, kNewImageWidthRange.Max);
    BreitEdit->setValue(kNewImageWidthRange.Default);
    HochEdit->setObjectName(QStringLiteral("HochEdit"));
    HochEdit->setRange(kNewImageHeightRange.Min, kNewImageHeightRange.Max);
    HochEdit->setValue(kNewImageHeightRange.Default);
    TiefeBox->setObjectName(QStringLiteral("TiefeBox"));
    TiefeBox->addItems({QStringLiteral("2 Bit - Schwarz/Weiß"), QStringLiteral("4 Bit - 16 Farben"),
                        QStringLiteral("8 Bit - 256 Farben"),
                        QStringLiteral("24 Bit - 16,7 Mio. Farben")});

    auto* group = new QGroupBox(QStringLiteral("Bildgröße und Farbtiefe"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Breite:"), BreitEdit);
    form->addRow(QStringLiteral("Höhe:"), HochEdit);
    form->addRow(QStringLiteral("Farbtiefe:"), TiefeBox);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(AddOkCancel(this).Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TNewForm::Run() {
    TiefeBox->setCurrentIndex(3);
    return RunModal(*this, RunHook);
}

int TNewForm::BitsPerPixel() const {
    return NewImageBitsPerPixel(TiefeBox->currentIndex());
}

} // namespace pixorama::ui

// The "Neues Bild" dialog.
#include "document/ui/new_form.h"

#include "document/document_files.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TNewForm&)> TNewForm::RunHook;

TNewForm::TNewForm(QWidget* parent)
    : QDialog(parent), BreitEdit(new QSpinBox), HochEdit(new QSpinBox), TiefeBox(new QComboBox) {
    setWindowTitle(QStringLiteral("Neues Bild"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("TNewForm"));

    BreitEdit->setObjectName(QStringLiteral("BreitEdit"));
    BreitEdit->setRange(1, 32767);
    BreitEdit->setValue(320);
    HochEdit->setObjectName(QStringLiteral("HochEdit"));
    HochEdit->setRange(1, 32767);
    HochEdit->setValue(200);
    TiefeBox->setObjectName(QStringLiteral("TiefeBox"));
    TiefeBox->addItems({QStringLiteral("2 Bit - Schwarz/Weiß"), QStringLiteral("4 Bit - 16 Farben"),
                        QStringLiteral("8 Bit - 256 Farben"),
                        QStringLiteral("24 Bit - 16,7 Mio. Farben")});

    auto* group = new QGroupBox(QStringLiteral("Bildgröße und Farbtiefe"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Breite:"), BreitEdit);
    form->addRow(QStringLiteral("Höhe:"), HochEdit);
    form->addRow(QStringLiteral("Farbtiefe:"), TiefeBox);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkBtn"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("A&bbrechen"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TNewForm::Run() {
    TiefeBox->setCurrentIndex(3);
    if (RunHook)
        return RunHook(*this);
    return exec() == QDialog::Accepted;
}

int TNewForm::BitsPerPixel() const {
    return NewImageBitsPerPixel(TiefeBox->currentIndex());
}

} // namespace pixorama::ui

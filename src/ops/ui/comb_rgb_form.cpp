// TCombRGBForm.
#include "ops/ui/comb_rgb_form.h"

#include "platform/ui/dialog_parts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace pixorama::ui {

TCombRGBForm::TCombRGBForm(QWidget* parent)
    : QDialog(parent), ComboBox1(new QComboBox), ComboBox2(new QComboBox),
      ComboBox3(new QComboBox) {
    setObjectName(QStringLiteral("TCombRGBForm"));
    setWindowTitle(QStringLiteral("Farbkanäle zusammenfügen"));
    SetFixedDialogFlags(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Quelle für roten Kanal:"), ComboBox1);
    form->addRow(QStringLiteral("Quelle für grünen Kanal:"), ComboBox2);
    form->addRow(QStringLiteral("Quelle für blauen Kanal:"), ComboBox3);
    const OkCancelButtons buttons = AddOkCancel(this);
    OkBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.Box);
}

void TCombRGBForm::FormActivate() {
    for (QComboBox* box : {ComboBox1, ComboBox2, ComboBox3}) {
        box->clear();
        box->addItems(names_);
        box->setCurrentIndex(names_.isEmpty() ? -1 : 0);
    }
}

bool TCombRGBForm::Run() {
    FormActivate();
    return RunCentredModal(this);
}

} // namespace pixorama::ui

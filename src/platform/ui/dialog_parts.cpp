// The shared dialog pieces.
#include "platform/ui/dialog_parts.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace pixorama::ui {

void SetFixedDialogFlags(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
}

OkCancelButtons AddOkCancel(QDialog* dialog, const QString& okCaption) {
    OkCancelButtons b;
    b.Box = new QDialogButtonBox;
    b.Ok = b.Box->addButton(okCaption, QDialogButtonBox::AcceptRole);
    b.Ok->setObjectName(QStringLiteral("OkBtn"));
    b.Ok->setDefault(true);
    b.Cancel = b.Box->addButton(QStringLiteral("A&bbrechen"), QDialogButtonBox::RejectRole);
    b.Cancel->setObjectName(QStringLiteral("CancelBtn"));
    QObject::connect(b.Box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(b.Box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return b;
}

void CoupleSliderAndEdit(QSlider* slider, QSpinBox* edit) {
    QObject::connect(edit, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    QObject::connect(slider, &QSlider::valueChanged, edit, &QSpinBox::setValue);
}

} // namespace pixorama::ui

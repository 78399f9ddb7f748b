// The shared dialog pieces.
#include "platform/ui/dialog_parts.h"

#include "platform/ui/settings_store.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>

namespace pixorama::ui {

namespace {

// Fixes a dialog's size to what its layout asks for once it is shown (its controls are all
// there by then); the window manager then offers neither resizing nor maximising.
class FixedSize : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                if (QLayout* layout = dialog->layout())
                    layout->setSizeConstraint(QLayout::SetFixedSize);
                else
                    dialog->setFixedSize(dialog->size());
            }
        return false;
    }
};

} // namespace

void SetFixedDialogFlags(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setSizeGripEnabled(false);
    if (dialog->findChild<FixedSize*>(QString(), Qt::FindDirectChildrenOnly) == nullptr)
        dialog->installEventFilter(new FixedSize(dialog));
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

bool RunCentredModal(QDialog* dialog) {
    dialog->adjustSize();
    FormSettings settings(dialog->objectName());
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!settings.restorePlacement(dialog) && screen != nullptr)
        dialog->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, dialog->size(),
                                                screen->availableGeometry()));
    const bool ok = dialog->exec() == QDialog::Accepted;
    settings.storePlacement(dialog);
    return ok;
}

void CoupleSliderAndEdit(QSlider* slider, QSpinBox* edit) {
    QObject::connect(edit, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    QObject::connect(slider, &QSlider::valueChanged, edit, &QSpinBox::setValue);
}

} // namespace pixorama::ui

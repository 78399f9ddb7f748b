// Pieces the small dialogs share: the fixed frame, OK / "A&bbrechen", the modal run that tests
// may answer, and a slider kept equal to its number edit.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QDialogButtonBox;
class QPushButton;
class QSlider;
class QSpinBox;

namespace pixorama::ui {

// The fixed dialog border: a frame that keeps the size its layout asks for, with a title and a
// close button, without minimise and maximise buttons.
void SetFixedDialogFlags(QDialog* dialog);

// "OK" (the default button, "OkBtn") and "A&bbrechen" ("CancelBtn"), accepting and rejecting
// dialog; the caller places Box.
struct OkCancelButtons {
    QDialogButtonBox* Box;
    QPushButton* Ok;
    QPushButton* Cancel;
};
OkCancelButtons AddOkCancel(QDialog* dialog, const QString& okCaption = QStringLiteral("OK"));

// Shows dialog modally, or hands it to hook while one is set (tests); true on OK.
template <class Dialog> bool RunModal(Dialog& dialog, const std::function<bool(Dialog&)>& hook) {
    return hook ? hook(dialog) : dialog.exec() == QDialog::Accepted;
}

// Shows the dialog modally at its stored place, or centred on the screen the first time, and
// stores the place when it closes; true on OK.
bool RunCentredModal(QDialog* dialog);

// Each follows the other; since setting a control to the value it holds raises no change, the
// pair settles at once.
void CoupleSliderAndEdit(QSlider* slider, QSpinBox* edit);

} // namespace pixorama::ui

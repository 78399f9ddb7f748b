// TNewForm: size and depth of a new image.
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QSpinBox;

namespace pixorama::ui {

class TNewForm : public QDialog {
    Q_OBJECT
  public:
    explicit TNewForm(QWidget* parent = nullptr);

    QSpinBox* BreitEdit;
    QSpinBox* HochEdit;
    QComboBox* TiefeBox;

    // Shows the dialog modally with TiefeBox on "24 Bit - 16,7 Mio. Farben"; true on OK.
    bool Run();
    int BitsPerPixel() const;

    // While set, Run() hands the dialog to the hook instead of showing it (tests).
    static std::function<bool(TNewForm&)> RunHook;
};

} // namespace pixorama::ui

// The two small dialogs of the tone commands: the bits kept per channel ("Tiefe beschränken...")
// and the solarise threshold ("Solarisieren...").  Their settings keep the window's place.
#pragma once

#include <QDialog>

class QPushButton;
class QSpinBox;

namespace pixorama::ui {

// A dialog with one number, an OK button and "A&bbrechen", centred on the screen.
class TNumberForm : public QDialog {
    Q_OBJECT
  public:
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

    // Shows the dialog modally; true on OK.  The placement is stored when it closes.
    bool Run();

  protected:
    TNumberForm(const QString& formName, const QString& caption, const QString& label,
                const QString& okCaption, const QString& editName, int min, int max,
                int preset, QWidget* parent);
    QSpinBox* edit_;
};

class TPosterFaktor : public TNumberForm {
    Q_OBJECT
  public:
    explicit TPosterFaktor(QWidget* parent = nullptr);
    QSpinBox* PosterEdit;
};

class TSolarfaktor : public TNumberForm {
    Q_OBJECT
  public:
    explicit TSolarfaktor(QWidget* parent = nullptr);
    QSpinBox* SolarEdit;
};

} // namespace pixorama::ui

// TCombRGBForm, the dialog of "Farbkanäle aus RGB &zusammenfügen": one open image for each of
// the red, green and blue channels.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QPushButton;

namespace pixorama::ui {

class TCombRGBForm : public QDialog {
    Q_OBJECT
  public:
    explicit TCombRGBForm(QWidget* parent = nullptr);

    QComboBox* ComboBox1; // red
    QComboBox* ComboBox2; // green
    QComboBox* ComboBox3; // blue
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

    // The display names of the open image documents in window order.
    void SetNames(QStringList names) { names_ = std::move(names); }
    // Refills the three lists and sets each to its first entry.
    void FormActivate();
    // Shows the dialog modally (FormActivate first); true on OK.
    bool Run();

  private:
    QStringList names_;
};

} // namespace pixorama::ui

// TMatheForm, the dialog of "&Mathematik...": two source images, the function, divisor, shift,
// clipping and the channel choice, with the result's size shown as the sources change.
#pragma once

#include "ops/arithmetic.h"

#include <QDialog>
#include <QString>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace pixorama::ui {

// An open image document as the source lists show it.
struct TDocumentEntry {
    QString Name;            // display name
    const TDibRecord* Dib;   // its image
};

class TMatheForm : public QDialog {
    Q_OBJECT
  public:
    explicit TMatheForm(QWidget* parent = nullptr);

    QComboBox* Image1Box;
    QComboBox* Image2Box;
    QLabel* DestSizeLabel;
    QComboBox* FunktionBox;
    QSpinBox* DivEdit;
    QSpinBox* AddEdit;
    QCheckBox* ClipCheck;
    QCheckBox* AllChanCheck;
    QComboBox* Kanal1Box;
    QComboBox* Kanal2Box;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

    // The open image documents in window order; called before the dialog is shown.
    void SetDocuments(std::vector<TDocumentEntry> documents);
    // Refills the lists from the documents and sets every list to its first entry.
    void FormActivate();
    // Resolves both chosen names and shows the result's size.
    void Image1BoxChange();

    // The chosen images (nullptr when a list is empty) and the settings.
    const TDibRecord* Image1() const { return image1_; }
    const TDibRecord* Image2() const { return image2_; }
    TMathOptions Options() const;

    // Shows the dialog modally (FormActivate first); true on OK.
    bool Run();

  private:
    const TDibRecord* resolve(const QString& name) const;
    std::vector<TDocumentEntry> documents_;
    const TDibRecord* image1_ = nullptr;
    const TDibRecord* image2_ = nullptr;
};

} // namespace pixorama::ui

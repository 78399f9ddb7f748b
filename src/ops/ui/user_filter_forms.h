// The dialogs of the user filters: TUserFilterForm, the list of the stored filters with apply,
// new, edit and delete, and TFilterEditForm, the editor of one filter's name, divisor, bias and
// 5 x 5 weights.  The list is read from the store when the dialog opens and written back
// whenever it closes.
#pragma once

#include "ops/user_filters.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace pixorama::ui {

class TFilterEditForm : public QDialog {
    Q_OBJECT
  public:
    explicit TFilterEditForm(QWidget* parent = nullptr);

    QLabel* RxLabel1;
    QLineEdit* NameEdit;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
    QLabel* RxLabel2;
    QLabel* RxLabel3;
    QFrame* Bevel1;
    QLabel* RxLabel4;
    std::array<QSpinBox*, 25> SpinEdit; // SpinEdit[k]: column k div 5, row k mod 5
    QSpinBox* DivEdit;
    QSpinBox* BiasEdit;

    // The editor's fields from a record, and back into one (the record's other bytes stay).
    void SetRecord(const TFilterRecord& f);
    void GetRecord(TFilterRecord& f) const;
    // Closes with OK when the name is there (and fits its field) and the divisor is not 0;
    // otherwise says what is missing and stays open.
    void OkBtnClick();
};

class TUserFilterForm : public QDialog {
    Q_OBJECT
  public:
    explicit TUserFilterForm(QWidget* parent = nullptr);

    QListWidget* ListBox1;
    QPushButton* ApplyBtn;
    QPushButton* CancelBtn;
    QPushButton* NewBtn;
    QPushButton* EditBtn;
    QPushButton* DelBtn;

    QString StoreFileName;            // set before the dialog is shown
    std::vector<TFilterRecord> Items; // the records while the dialog is open
    TFilterRecord CurrentFilter;      // the filter to apply, filled when the dialog closes
    int Count() const { return static_cast<int>(Items.size()); }
    // How the editor is shown: modally unless a test answers it.
    std::function<bool(TFilterEditForm&)> EditorHook;

    // Reads the store (a store of another program is reported and left alone) and fills the
    // list with the first line selected.
    void FormActivate();
    void FillListNew();
    void NewBtnClick();
    void EditBtnClick();
    void DelBtnClick();
    void ApplyBtnClick();
    // Takes the selected record as CurrentFilter and writes the store (unless it is foreign),
    // then forgets the records.
    void FormClose();

    // Shows the dialog modally (FormActivate first); true when a filter is to be applied.
    bool Run();

  protected:
    void done(int result) override;

  private:
    bool runEditor(TFilterEditForm& editor);
    int selectedLine() const;
    bool foreign_ = false;
    bool closed_ = false;
};

} // namespace pixorama::ui

// TPrintForm ("Bild drucken..."): the page preview and the size and placement choices of a
// print; and the print job that draws an image onto a printer page with the display routine.
#pragma once

#include "app/print_layout.h"

#include <pictora.h>

#include <QDialog>
#include <QWidget>

#include <functional>

class QCheckBox;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace pixorama::ui {

// The program's one printer: the set-up dialog changes it, printing uses it.  With no printer
// installed it writes a PDF file.
QPrinter& MainPrinter();

// The preview paint box: the page in white, the image drawn on it by the display routine.
class TPrintPreviewBox : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> OnPaint;

  protected:
    void paintEvent(QPaintEvent*) override;
};

class TPrintForm : public QDialog {
    Q_OBJECT
  public:
    // dib: the document's image, shared (not copied) for the preview.
    TPrintForm(QPrinter& printer, const TDibRecord& dib, QWidget* parent = nullptr);

    TPrintPreviewBox* PrintPaintBox;
    QRadioButton* UseFullCheck;
    QRadioButton* UserdefCheck;
    QSpinBox* BreitEdit;
    QSpinBox* HochEdit;
    QCheckBox* SverhCheck;
    QCheckBox* ZentrCheck;
    QPushButton* PrintSetupBtn;

    TPrintOptions Options() const;
    // The page's printable size in device pixels.
    void PageSize(int32_t& width, int32_t& height) const;
    // Shows the dialog modally; true on OK.
    bool Run();
    // While set, Run() hands the dialog to the hook instead of showing it (tests).
    static std::function<bool(TPrintForm&)> RunHook;
    // While set, the printer set-up asks the hook instead of showing Qt's dialog (tests).
    static std::function<bool(QPrinter&)> SetupHook;

    void PrintSetupBtnClick();
    void UserdefCheckClick();
    void BreitEditChange();
    void HochEditChange();

  private:
    void PrintPaintBoxPaint(QPainter& painter);
    QPrinter& printer_;
    TDibRecord dib_;
    bool coupling_ = false; // re-entrancy flag of the two percentage edits
};

// Runs the printer set-up dialog on printer (or SetupHook); true when accepted.
bool RunPrinterSetup(QPrinter& printer, QWidget* parent);

// Prints dib on one page of printer as options say, job title "Pixorama Bild", drawing in
// bands.  False (after the German message) when the job could not be started.
bool PrintDib(QPrinter& printer, const TDibRecord& dib, const TPrintOptions& options,
              QWidget* parent);

} // namespace pixorama::ui

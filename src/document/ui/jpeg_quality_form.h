// TJpegQForm: the quality of a JPEG to be written, slider and number kept equal; the slider's
// value is kept between runs.
#pragma once

#include <QDialog>

#include <functional>

class QSlider;
class QSpinBox;

namespace pixorama::ui {

class TJpegQForm : public QDialog {
    Q_OBJECT
  public:
    explicit TJpegQForm(QWidget* parent = nullptr);

    QSlider* QualED1;
    QSpinBox* QualEd2;

    int Quality() const;
    // Shows the dialog modally; on OK stores the value and returns true.
    bool Run();

    // While set, Run() hands the dialog to the hook instead of showing it (tests).
    static std::function<bool(TJpegQForm&)> RunHook;
};

} // namespace pixorama::ui

// TAddTextForm ("Text hinzufügen"): the text tool's dialog with the lines, the font, the
// alignment and a preview of the first line.  Font, lines and alignment are kept between runs.
#pragma once

#include "tools/mouse_view.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace pixorama::ui {

class TAddTextForm;

// The preview area; its paint handler is the form's FontPaintBoxPaint.
class TFontPaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit TFontPaintBox(TAddTextForm* owner);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TAddTextForm* owner_;
};

// The font the dialog holds: family, character height in pixels, style, colour.
struct TDialogFont {
    QString Name = QStringLiteral("Times New Roman");
    int Height = 21; // pixels
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    QColor Color = Qt::white;
};

class TAddTextForm : public QDialog {
    Q_OBJECT
  public:
    // swatch: the colour of the foreground swatch now; setForeColour: makes a colour the
    // document's foreground colour (setcol1; nearest palette entry for palette images).
    TAddTextForm(QWidget* owner, std::function<QColor()> swatch,
                 std::function<void(const QColor&)> setForeColour);
    // Writes font, lines and alignment back to the settings store.
    ~TAddTextForm() override;

    QLabel* RxLabel3;
    QLineEdit* FntLabel;
    QPushButton* SelFont;
    QGroupBox* RadioGroup1;
    QRadioButton* Leftb;
    QRadioButton* Zentr;
    QRadioButton* Rightb;
    QLabel* RxLabel2;
    QScrollArea* ScrollBox1;
    TFontPaintBox* FontPaintBox;
    QLabel* RxLabel1;
    QPlainTextEdit* TxtMemo;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
    TDialogFont FontDialog1;

    void FormActivate();
    void SelFontClick();
    void FontPaintBoxPaint(QPainter& painter);
    void TxtMemoChange();

    // Modal run; true on OK.
    bool Run();
    // The dialog's text, font and alignment for InsertText.
    TTextRequest Request() const;
    // What the preview shows (the first line in the swatch colour); null for an empty line.
    const QImage& PreviewImage() const { return preview_; }

    // While set, Run() hands the dialog to the hook instead of showing it (tests).
    static std::function<bool(TAddTextForm&)> RunHook;
    // While set, the font dialog is replaced by the hook: it may change font and colour and
    // returns true for OK (tests).
    static std::function<bool(TDialogFont&)> FontDialogHook;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool runFontDialog(TDialogFont& font);
    void updatePreview();

    std::function<QColor()> swatch_;
    std::function<void(const QColor&)> setForeColour_;
    QImage preview_;
};

} // namespace pixorama::ui

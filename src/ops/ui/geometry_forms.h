// The dialogs of the geometry, effect and deformation commands: "Bild rotieren...", "Größe
// verändern", "Leinwandgröße ändern", "Rand hinzufügen", "Schatten hinzufügen", "Druckknopf
// erstellen", "Mosaik Effekt...", "Störungen hinzufügen", "Störungen entfernen",
// "Perspektive/Schrägstellen" and "Wölben".  They gather values; the core does the arithmetic.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QWidget;

namespace pixorama::ui {

class TMDIChild;

// A dialog whose listed controls the settings storage keeps; it keeps its place too.
class TParamForm : public QDialog {
    Q_OBJECT
  public:
    // While set, Run() hands the dialog to the hook instead of showing it (tests).
    static std::function<bool(TParamForm&)> RunHook;
    // Shows the dialog modally: the remembered values over the presets, stored again when it
    // closes.  True on OK.
    bool Run();

  protected:
    TParamForm(const QString& formName, const QString& caption, QWidget* parent);
    void remember(QWidget* control) { remembered_.push_back(control); }
    QSpinBox* spin(const QString& name, int min, int max, int preset);
    // OK and "A&bbrechen" under layout's content; the dialog's main layout is made here.
    void finishLayout(QLayout* content, const QString& okCaption = QStringLiteral("OK"));

  private:
    std::vector<QWidget*> remembered_;
};

class TRotateForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TRotateForm(QWidget* parent = nullptr);
    QRadioButton *RotLeftCheck, *RotRightCheck;
    QRadioButton *Grad90Check, *Grad180Check, *Grad270Check, *FreiGradCheck;
    QDoubleSpinBox* GradEdit;
    QCheckBox* InterpolCheck;
};

class TResizeForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TResizeForm(QWidget* parent = nullptr);
    QSpinBox *BreitEdit, *HochEdit;
    QCheckBox *SverhCheck, *InterpolCheck;
    // The image's size when the dialog opened; presets both edits.
    void SetImageSize(int32_t w, int32_t h);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void widthChanged(int value);
    void heightChanged(int value);
    int32_t oldW_ = 1, oldH_ = 1;
    bool echo_ = false; // the next change is the form's own: no computing back
};

class TCanvasSForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TCanvasSForm(QWidget* parent = nullptr);
    QSpinBox *BreitEdit, *HochEdit, *TopEdit, *LeftEdit;
    QLabel *OldBreitLabel, *OldHochLabel;
    QCheckBox *ZentHCheck, *ZentVCheck;
    void SetImageSize(int32_t w, int32_t h);
    void centre(bool horizontal, bool vertical);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    int32_t oldW_ = 0, oldH_ = 0;
};

class TAddBForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TAddBForm(QWidget* parent = nullptr);
    QSpinBox *TopEdit, *BottomEdit, *LeftEdit, *RightEdit;
    QCheckBox* SymCheck;
};

// The "Farbe:" box of the shadow and button dialogs, preset to "Hintergrundfarbe" whenever the
// dialog is shown.
class TColorParamForm : public TParamForm {
    Q_OBJECT
  public:
    QComboBox* ColorBox;

  protected:
    TColorParamForm(const QString& formName, const QString& caption, QWidget* parent);
    void showEvent(QShowEvent* event) override;
};

class TShadowForm : public TColorParamForm {
    Q_OBJECT
  public:
    explicit TShadowForm(QWidget* parent = nullptr);
    QSpinBox *TransEd, *BlurEd, *HorzEd, *VertEd;
};

class TButtonForm : public TColorParamForm {
    Q_OBJECT
  public:
    explicit TButtonForm(QWidget* parent = nullptr);
    QSpinBox *TransED, *BreitEd;
    QRadioButton *SolidCheck, *TransCheck;
};

class TMosaikForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TMosaikForm(QWidget* parent = nullptr);
    QSpinBox *BreitEd, *HochEd;
};

class TNoiseForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TNoiseForm(QWidget* parent = nullptr);
    QSpinBox *StarkEd, *WahrEd;
};

class TDelNoiseForm : public TParamForm {
    Q_OBJECT
  public:
    explicit TDelNoiseForm(QWidget* parent = nullptr);
    QSpinBox* GrenzEd;
};

// The deformation dialogs try their values out on the document: "&Vorschau" restores the
// backup and applies, OK does that after the undo level (the handler's session).
class TDeformForm : public TParamForm {
    Q_OBJECT
  public:
    QPushButton *OkBtn, *CancelBtn, *ResetBtn, *PreviewBtn;
    // The operation with the current values, reading source, writing the document.
    virtual void Apply(DocumentState& doc, Host& host, const TDibRecord& source) = 0;
    // The run's document: preview and OK go through these.
    std::function<void()> PreviewAction, AcceptAction;

    void PreviewClick();
    void OkClick();
    virtual void ResetClick() = 0;

  protected:
    TDeformForm(const QString& formName, const QString& caption, QWidget* parent);
    void finishDeformLayout(QLayout* content);
};

class TPerspForm : public TDeformForm {
    Q_OBJECT
  public:
    explicit TPerspForm(QWidget* parent = nullptr);
    QSlider* StarkED1;
    QSpinBox* StarkEd2;
    QRadioButton *HorzCheck, *VertCheck, *PerspCheck, *SkewCheck;
    QWidget* PaintBox1; // "Neuer Umriss:"
    void Apply(DocumentState& doc, Host& host, const TDibRecord& source) override;
    void ResetClick() override;
};

class TWoelbenForm : public TDeformForm {
    Q_OBJECT
  public:
    explicit TWoelbenForm(QWidget* parent = nullptr);
    QDoubleSpinBox* StarkED2;
    QRadioButton *BothCheck, *HorzCheck, *VertCheck;
    void Apply(DocumentState& doc, Host& host, const TDibRecord& source) override;
    void ResetClick() override;
};

} // namespace pixorama::ui

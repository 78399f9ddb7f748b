// The dialogs of the colour corrections, tried out on the image before they are accepted:
// "Helligkeit, Kontrast und Sättigung", "Gamma Korrektur", "Glanzlicht, Mitte, Schatten",
// "Rot, Grün, Blau" and "Colorieren...".  Each has "&OK", "A&bbrechen", "&Zurücksetzen" and
// "&Vorschau"; the control values are remembered between runs.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "ops/corrections.h"

#include <QDialog>

#include <vector>

class QDoubleSpinBox;
class QFrame;
class QGridLayout;
class QPushButton;
class QSlider;

namespace pixorama {
class PreviewSession;
} // namespace pixorama

namespace pixorama::ui {

class TMDIChild;

class TPreviewForm : public QDialog {
    Q_OBJECT
  public:
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
    QPushButton* ResetBtn;
    QPushButton* PreviewBtn;

    // The document to work on: the session holding its backup, the host its operations report
    // through and its window, repainted after every preview.
    void SetDocument(PreviewSession* session, Host* host, TMDIChild* child);
    // Every control to its default; the image is not touched.
    void SetDefaults();
    // The correction with the controls' current values.
    virtual void Apply(DocumentState& doc, Host& host) = 0;

    // Shows the dialog modally: the values of the last run over the presets, stored again when
    // it closes.  True on OK.
    bool Run();

    void PreviewClick();
    void ResetClick();
    void OkClick();

  protected:
    TPreviewForm(const QString& formName, const QString& caption, QWidget* parent);
    // A labelled slider with its current value beside it, in the next row of the controls.
    QSlider* addSlider(const QString& label, const QString& name, const TIntRange& range);
    QDoubleSpinBox* addFloatEdit(const QString& label, const QString& name,
                                 const TFloatRange& range);
    // A row for a control of the dialog's own.
    void addRow(const QString& label, QWidget* control);

  private:
    void restoreValues();
    void storeValues();

    struct SliderControl {
        QSlider* slider;
        int preset;
    };
    struct FloatControl {
        QDoubleSpinBox* edit;
        double preset;
    };
    std::vector<SliderControl> sliders_;
    std::vector<FloatControl> floats_;
    QGridLayout* controls_;
    PreviewSession* session_ = nullptr;
    Host* host_ = nullptr;
    TMDIChild* child_ = nullptr;
};

class THKForm : public TPreviewForm {
    Q_OBJECT
  public:
    explicit THKForm(QWidget* parent = nullptr);
    void Apply(DocumentState& doc, Host& host) override;
    QSlider* TrackBar1; // "Helligkeit:"
    QSlider* TrackBar2; // "Kontrast:"
    QSlider* TrackBar3; // "Sättigung:"
};

class TGammaForm : public TPreviewForm {
    Q_OBJECT
  public:
    explicit TGammaForm(QWidget* parent = nullptr);
    void Apply(DocumentState& doc, Host& host) override;
    QDoubleSpinBox* GammaEdit;
};

class TLightForm : public TPreviewForm {
    Q_OBJECT
  public:
    explicit TLightForm(QWidget* parent = nullptr);
    void Apply(DocumentState& doc, Host& host) override;
    QSlider* TrackBar1; // "Glanzlicht:"
    QSlider* TrackBar2; // "Mitte:"
    QSlider* TrackBar3; // "Schatten:"
};

class TRGBForm : public TPreviewForm {
    Q_OBJECT
  public:
    explicit TRGBForm(QWidget* parent = nullptr);
    void Apply(DocumentState& doc, Host& host) override;
    QSlider* TrackBar1; // "Rot:"
    QSlider* TrackBar2; // "Grün:"
    QSlider* TrackBar3; // "Blau:"
};

class TColizeForm : public TPreviewForm {
    Q_OBJECT
  public:
    explicit TColizeForm(QWidget* parent = nullptr);
    void Apply(DocumentState& doc, Host& host) override;
    QSlider* TrackBar1; // "Farbton:"
    QSlider* TrackBar2; // "Sättigung:"
    QFrame* Shape1;     // "Farbe:"
    // Shows the colour of the chosen hue and saturation in the swatch.
    void UpdateSwatch();
    QColor SwatchColor() const;

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace pixorama::ui

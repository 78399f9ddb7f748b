// speedbar2, the "Kontrollbereich": every option control of every tool in two columns of four
// rows, of which only those of the selected tool are shown.  The tools read the values here at
// the moment they use them.
#pragma once

#include "tools/tool_options.h"

#include <QSpinBox>
#include <QToolBar>

#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSlider;

namespace pixorama::ui {

// A spin edit that lets any number be typed; the value it holds and the value read are the
// typed number limited to the option's range.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
  public:
    explicit TSpinEdit(const TSpinOption& option, QWidget* parent = nullptr);
    // The value as the tools read it: what is typed, limited to the range.
    int Value() const;

  protected:
    QValidator::State validate(QString& text, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& text) const override;

  private:
    const TSpinOption& option_;
};

class TOptionsPanel : public QToolBar {
    Q_OBJECT
  public:
    explicit TOptionsPanel(QWidget* parent = nullptr);

    // Shows the controls of the tool that is down and hides every other one.
    void ZoomBtnClick(Tool down);
    // Applies the preset of the chosen brush type.
    void BrushTypBoxChange();
    // The zoom list shows the zoom of the active document (no zoom is applied).
    void FollowZoom(int zoomIn, int zoomOut);

    // ---- the values, read at the time of use ----
    int Size() const { return SizeEdit->Value(); }
    int Hard() const { return HardEdit->Value(); }
    int Dens() const { return DensEdit->Value(); }
    int Opacity() const { return OpaCityEdit->Value(); }
    int Tol() const { return TolEdit->Value(); }
    int Breit() const { return BreitEdit->Value(); }
    int BrushForm() const;
    int CloneMode() const;
    int RetouchMode() const;
    int FillStyle() const;
    int Direction() const;
    int ShapeTyp() const;
    int ShapeStil() const;

    TSpinEdit *SizeEdit, *HardEdit, *DensEdit, *OpaCityEdit, *TolEdit, *BreitEdit;
    QSlider *TrackBar1, *TrackBar2, *TrackBar3, *TrackBar4;
    QComboBox *BrushTypBox, *FormBox, *CloneBox, *RetouchBox, *FillStyleBox, *DirectBox, *TypBox,
        *StilBox, *ZoomBox;
    QPushButton* LoadPattBtn;

  signals:
    // The user picked a zoom in ZoomBox (its item index).
    void ZoomChosen(int index);
    void LoadPatternClicked();

  private:
    QLabel* addLabel(const char* name, const char* caption, int row, int column);
    QComboBox* addList(const TListOption& option, int row, int column, bool brushGroup);
    TSpinEdit* addSpin(const TSpinOption& option, int row, int column, bool brushGroup);
    QSlider* addTrackBar(const TSpinOption& option, TSpinEdit* edit, int row, int column);

    QWidget* area_;
    QGridLayout* grid_;
    std::vector<QWidget*> switched_;   // hidden first, then shown by the tool's layout
    std::vector<QWidget*> brushGroup_; // shown together with the brush tools
};

} // namespace pixorama::ui

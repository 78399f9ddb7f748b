// The two dialogs of colour depth reduction: TDepthDownForm for 1, 4 and 8 bits (palette,
// method, Windows colours) and TFreeDepthForm for a number of colours.  The enabling rules come
// from the core; these classes only show them and read the choice back.
#pragma once

#include "colour/depth_down.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace pixorama::ui {

class TDepthDownForm : public QDialog {
    Q_OBJECT
  public:
    explicit TDepthDownForm(QWidget* parent = nullptr);
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QRadioButton* OptPalCheck;
    QRadioButton* StdPalCheck;
    QRadioButton* NearCheck;
    QRadioButton* DitherCheck;
    QRadioButton* FSErrCheck;
    QGroupBox* GroupBox3;
    QCheckBox* WinColCheck;
    bool EightBitTarget = false;

    // Enables the controls for the menu's Bits (1, 4 or 8).
    void Prepare(int32_t bits);
    void OptPalCheckClick();
    void StdPalCheckClick();
    // The choice for Bits as the controls say.
    TDepthDownChoice Choice() const;
    // Shows the dialog modally; true on OK.
    bool Run();
    static std::function<bool(TDepthDownForm&)> RunHook;

  private:
    int32_t bits_ = 8;
};

class TFreeDepthForm : public QDialog {
    Q_OBJECT
  public:
    explicit TFreeDepthForm(QWidget* parent = nullptr);
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QGroupBox* GroupBox2;
    QRadioButton* NearCheck;
    QRadioButton* FSErrCheck;
    QGroupBox* GroupBox3;
    QCheckBox* WinColCheck;
    QGroupBox* GroupBox1;
    QLabel* RxLabel1;
    QSpinBox* NumColEd;

    // Limits of NumColEd and the Windows-colours box for the source depth; the count starts at
    // 64, clamped.
    void Prepare(int32_t sourceBits);
    void WinColCheckClick();
    TDepthDownChoice Choice() const;
    // Shows the dialog modally; true on OK.  The three options are remembered on OK and cancel.
    bool Run();
    static std::function<bool(TFreeDepthForm&)> RunHook;

  private:
    int32_t sourceBits_ = 24;
};

} // namespace pixorama::ui

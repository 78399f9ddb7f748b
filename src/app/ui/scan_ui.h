// The program's side of scanning: choosing the SANE device, the acquisition on a worker thread
// with a progress dialog that can cancel, and the message that brings the image to the frame.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QListWidget;
class QSpinBox;

namespace pixorama::ui {

class TMainForm;

// The source selection: the SANE devices, the remembered one selected.
class TScanSelectForm : public QDialog {
    Q_OBJECT
  public:
    explicit TScanSelectForm(QWidget* parent = nullptr);
    QListWidget* DeviceList;
    static std::function<bool(TScanSelectForm&)> RunHook;
};

// The source's options: mode, resolution and the area of the glass to scan.
class TScanOptionsForm : public QDialog {
    Q_OBJECT
  public:
    explicit TScanOptionsForm(QWidget* parent = nullptr);
    QComboBox* ModeBox;       // "Farbe", "Graustufen", "Strichzeichnung"
    QSpinBox* ResolutionEdit; // dots per inch
    QCheckBox* WholeAreaBox;  // "Ganze Vorlage": the device's whole area
    QDoubleSpinBox* LeftEdit; // the area in millimetres, used when WholeAreaBox is off
    QDoubleSpinBox* TopEdit;
    QDoubleSpinBox* WidthEdit;
    QDoubleSpinBox* HeightEdit;
    static std::function<bool(TScanOptionsForm&)> RunHook;
};

// The device chosen last (settings store), empty when none.
QString SelectedScanner();

void TWAIN_SelectScanner(TMainForm* window);
// Starts an acquisition and returns; the image arrives through ScanMessage.
void TWAIN_ScanImage(TMainForm* window);
// The "image scanned" message (WM_USER + 1): a new document when the image has pixels.
void ScanMessage(TMainForm* window, intptr_t wParam);

} // namespace pixorama::ui

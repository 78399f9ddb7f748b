// Scanning from the frame: dialogs, worker thread, progress and the completion message.
#include "app/ui/scan_ui.h"

#include "app/ui/main_form.h"
#include "platform/ui/dialog_parts.h"
#include "platform/ui/message_box.h"
#include "platform/ui/settings_store.h"

#include <scanlink.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>
#include <memory>

namespace pixorama::ui {

std::function<bool(TScanSelectForm&)> TScanSelectForm::RunHook;
std::function<bool(TScanOptionsForm&)> TScanOptionsForm::RunHook;

namespace {
const QString kFormName = QStringLiteral("TScanForm");
}

TScanSelectForm::TScanSelectForm(QWidget* parent) : QDialog(parent), DeviceList(new QListWidget) {
    setWindowTitle(QStringLiteral("Scanner auswählen"));
    SetFixedDialogFlags(this);
    DeviceList->setObjectName(QStringLiteral("DeviceList"));
    const QString current = SelectedScanner();
    for (const scanlink::Device& d : scanlink::ListDevices()) {
        auto* item = new QListWidgetItem(QString::fromStdString(d.name + "  " + d.description));
        item->setData(Qt::UserRole, QString::fromStdString(d.name));
        DeviceList->addItem(item);
        if (item->data(Qt::UserRole).toString() == current) DeviceList->setCurrentItem(item);
    }
    if (DeviceList->currentItem() == nullptr && DeviceList->count() > 0)
        DeviceList->setCurrentRow(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Quellen:")));
    layout->addWidget(DeviceList);
    layout->addWidget(AddOkCancel(this).Box);
}

TScanOptionsForm::TScanOptionsForm(QWidget* parent)
    : QDialog(parent), ModeBox(new QComboBox), ResolutionEdit(new QSpinBox),
      WholeAreaBox(new QCheckBox(QStringLiteral("&Ganze Vorlage"))), LeftEdit(new QDoubleSpinBox),
      TopEdit(new QDoubleSpinBox), WidthEdit(new QDoubleSpinBox), HeightEdit(new QDoubleSpinBox) {
    setWindowTitle(QStringLiteral("Bild scannen"));
    SetFixedDialogFlags(this);
    ModeBox->setObjectName(QStringLiteral("ModeBox"));
    ModeBox->addItems({QStringLiteral("Farbe"), QStringLiteral("Graustufen"),
                       QStringLiteral("Strichzeichnung")});
    ResolutionEdit->setObjectName(QStringLiteral("ResolutionEdit"));
    ResolutionEdit->setRange(1, 9600);
    ResolutionEdit->setSuffix(QStringLiteral(" dpi"));
    WholeAreaBox->setObjectName(QStringLiteral("WholeAreaBox"));
    FormSettings settings(kFormName);
    ModeBox->setCurrentIndex(settings.intValue(QStringLiteral("Mode"), 0, 0, 2));
    ResolutionEdit->setValue(settings.intValue(QStringLiteral("Resolution"), 150, 1, 9600));
    WholeAreaBox->setChecked(settings.value(QStringLiteral("WholeArea"), true).toBool());
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Modus:"), ModeBox);
    form->addRow(QStringLiteral("Auflösung:"), ResolutionEdit);
    form->addRow(QStringLiteral("Bereich:"), WholeAreaBox);
    // the area in millimetres from the top left corner of the glass (A3 is the largest glass
    // in common use; the device refuses what it cannot do)
    const struct {
        QDoubleSpinBox* edit;
        const char* name;
        const char* key;
        const char* label;
        double start;
    } fields[] = {{LeftEdit, "LeftEdit", "AreaLeft", "Links:", 0},
                  {TopEdit, "TopEdit", "AreaTop", "Oben:", 0},
                  {WidthEdit, "WidthEdit", "AreaWidth", "Breite:", 210},
                  {HeightEdit, "HeightEdit", "AreaHeight", "Höhe:", 297}};
    for (const auto& f : fields) {
        f.edit->setObjectName(QLatin1String(f.name));
        f.edit->setDecimals(1);
        f.edit->setRange(f.edit == LeftEdit || f.edit == TopEdit ? 0.0 : 1.0, 432.0);
        f.edit->setSuffix(QStringLiteral(" mm"));
        f.edit->setValue(settings.value(QLatin1String(f.key), f.start).toDouble());
        f.edit->setEnabled(!WholeAreaBox->isChecked());
        connect(WholeAreaBox, &QCheckBox::toggled, f.edit, [edit = f.edit](bool whole) {
            edit->setEnabled(!whole);
        });
        form->addRow(QString::fromUtf8(f.label), f.edit);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(AddOkCancel(this).Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString SelectedScanner() {
    return FormSettings(kFormName).value(QStringLiteral("Scanner")).toString();
}

void TWAIN_SelectScanner(TMainForm* window) {
    TScanSelectForm form(window);
    if (form.DeviceList->count() == 0 && !TScanSelectForm::RunHook) {
        ShowMessageBox(window, QStringLiteral("Es wurde kein Scanner gefunden."), QString(),
                       MB_ICONSTOP);
        return;
    }
    if (!RunModal(form, TScanSelectForm::RunHook) || form.DeviceList->currentItem() == nullptr)
        return;
    FormSettings(kFormName)
        .setValue(QStringLiteral("Scanner"), form.DeviceList->currentItem()->data(Qt::UserRole));
}

void TWAIN_ScanImage(TMainForm* window) {
    if (SelectedScanner().isEmpty()) TWAIN_SelectScanner(window);
    const QString device = SelectedScanner();
    if (device.isEmpty()) return;
    scanlink::ScanSettings settings;
    {
        TScanOptionsForm options(window);
        if (!RunModal(options, TScanOptionsForm::RunHook)) return;
        FormSettings store(kFormName);
        store.setValue(QStringLiteral("Mode"), options.ModeBox->currentIndex());
        store.setValue(QStringLiteral("Resolution"), options.ResolutionEdit->value());
        static const scanlink::Mode modes[] = {scanlink::Mode::Color, scanlink::Mode::Gray,
                                               scanlink::Mode::Lineart};
        settings.mode = modes[options.ModeBox->currentIndex()];
        settings.resolution = options.ResolutionEdit->value();
        store.setValue(QStringLiteral("WholeArea"), options.WholeAreaBox->isChecked());
        store.setValue(QStringLiteral("AreaLeft"), options.LeftEdit->value());
        store.setValue(QStringLiteral("AreaTop"), options.TopEdit->value());
        store.setValue(QStringLiteral("AreaWidth"), options.WidthEdit->value());
        store.setValue(QStringLiteral("AreaHeight"), options.HeightEdit->value());
        if (!options.WholeAreaBox->isChecked())
            settings.area = {options.LeftEdit->value(), options.TopEdit->value(),
                             options.WidthEdit->value(), options.HeightEdit->value()};
    }

    // what the worker and the user-interface thread share
    struct Job {
        std::atomic<bool> cancel{false};
        intptr_t number = 0;
        std::string error;
    };
    auto job = std::make_shared<Job>();
    auto* progress = new QProgressDialog(QStringLiteral("Das Bild wird gescannt..."),
                                         QStringLiteral("A&bbrechen"), 0, 100, window);
    progress->setObjectName(QStringLiteral("ScanProgress"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    QObject::connect(progress, &QProgressDialog::canceled, progress, [job] { job->cancel = true; });
    QPointer<QProgressDialog> dialog(progress);
    const std::string name = device.toStdString();
    QThread* worker = QThread::create([job, dialog, name, settings] {
        job->number = scanlink::Acquire(
            name, settings,
            [dialog](int percent) {
                if (dialog)
                    QMetaObject::invokeMethod(
                        dialog.data(), [dialog, percent] { if (dialog) dialog->setValue(percent); },
                        Qt::QueuedConnection);
            },
            &job->cancel, job->error);
    });
    QPointer<TMainForm> frame(window);
    QObject::connect(worker, &QThread::finished, window, [job, dialog, frame, worker] {
        worker->deleteLater();
        if (dialog) dialog->deleteLater();
        if (!frame) return;
        if (job->number != 0) {
            // the completion message, posted to the frame
            const intptr_t number = job->number;
            QMetaObject::invokeMethod(
                frame.data(), [frame, number] { if (frame) ScanMessage(frame.data(), number); },
                Qt::QueuedConnection);
        } else if (!job->error.empty()) {
            ShowMessageBox(frame.data(), QString::fromStdString(job->error), QString(),
                           MB_ICONSTOP);
        }
    });
    progress->show();
    worker->start();
}

void ScanMessage(TMainForm* window, intptr_t wParam) {
    TDibRecord dib;
    GetScanedDib(&dib, wParam);
    if (dib.Bits == nullptr) return; // nothing to show, no message
    window->ShowNewDocument(dib, {}, false);
}

} // namespace pixorama::ui

// Scanning from the menu against SANE's test backend: the chosen device is remembered, the
// image arrives as a new document, a cancelled dialog or a missing device makes none.
#include "app/ui/scan_ui.h"
#include "document/ui/mdi_child.h"
#include "platform/ui/settings_store.h"
#include "ui_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QSpinBox>

using namespace pixorama;
using namespace pixorama::ui;

class ScanTest : public QObject {
    Q_OBJECT
    QTemporaryDir sane_;

  private slots:
    void initTestCase() {
        QFile dll(sane_.filePath(QStringLiteral("dll.conf")));
        QVERIFY(dll.open(QIODevice::WriteOnly));
        dll.write("test\n");
        dll.close();
        QFile conf(sane_.filePath(QStringLiteral("test.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("number_of_devices 2\nresolution 50.0\ntest-picture \"Grid\"\n"
                   "tl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n");
        conf.close();
        qputenv("SANE_CONFIG_DIR", sane_.path().toUtf8());
    }

    void scanFromTheMenu() {
        test::MessageRecorder messages;
        auto main = test::ShownMainForm();
        QVERIFY(main);
        main->ShowNewDocument(CreateNewImage(20, 20, 24), {}, false);
        TMDIChild* before = main->ActiveDocument();

        // choose the second device; the choice is remembered
        TScanSelectForm::RunHook = [](TScanSelectForm& f) {
            for (int i = 0; i < f.DeviceList->count(); ++i)
                if (f.DeviceList->item(i)->data(Qt::UserRole).toString() == "test:1")
                    f.DeviceList->setCurrentRow(i);
            return true;
        };
        main->Action(QStringLiteral("Scannerauswhlne1"))->trigger();
        TScanSelectForm::RunHook = nullptr;
        QCOMPARE(SelectedScanner(), QStringLiteral("test:1"));

        // cancelled options: nothing happens
        TScanOptionsForm::RunHook = [](TScanOptionsForm&) { return false; };
        main->Action(QStringLiteral("Bildscannen1"))->trigger();
        QTest::qWait(200);
        QCOMPARE(main->Documents().size(), size_t(1));

        // grey at 40 dpi: a new 8-bit document of 80 x 100 mm
        TScanOptionsForm::RunHook = [](TScanOptionsForm& f) {
            f.ModeBox->setCurrentIndex(1);
            f.ResolutionEdit->setValue(40);
            return true;
        };
        main->Action(QStringLiteral("Bildscannen1"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(main->Documents().size(), size_t(2), 20000);
        TMDIChild* scanned = main->ActiveDocument();
        QVERIFY(scanned != before);
        const TDibRecord& dib = scanned->Doc().Dib;
        QCOMPARE(int(DibBitsPerPixel(&dib)), 8);
        QCOMPARE(DibWidth(&dib), 125);
        QCOMPARE(DibHeight(&dib), 157);
        QVERIFY(!scanned->Doc().Modified);
        QVERIFY(scanned->Doc().FileName.rfind("NONAME", 0) == 0);
        QVERIFY(messages.messages.empty());

        // a part of the glass, 40 x 30 mm from (10, 20): 62 x 47 pixels at 40 dpi
        TScanOptionsForm::RunHook = [](TScanOptionsForm& f) {
            const bool whole = f.WholeAreaBox->isChecked() && !f.LeftEdit->isEnabled();
            f.WholeAreaBox->setChecked(false);
            f.LeftEdit->setValue(10);
            f.TopEdit->setValue(20);
            f.WidthEdit->setValue(40);
            f.HeightEdit->setValue(30);
            return whole && f.LeftEdit->isEnabled();
        };
        main->Action(QStringLiteral("Bildscannen1"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(main->Documents().size(), size_t(3), 20000);
        const TDibRecord& part = main->ActiveDocument()->Doc().Dib;
        QCOMPARE(DibWidth(&part), 62);
        QCOMPARE(DibHeight(&part), 47);
        // the next dialog starts with the area of the last scan
        bool kept = false;
        TScanOptionsForm::RunHook = [&kept](TScanOptionsForm& f) {
            kept = !f.WholeAreaBox->isChecked() && f.LeftEdit->value() == 10 &&
                   f.TopEdit->value() == 20 && f.WidthEdit->value() == 40 &&
                   f.HeightEdit->value() == 30 && f.ModeBox->currentIndex() == 1;
            return false;
        };
        main->Action(QStringLiteral("Bildscannen1"))->trigger();
        QVERIFY(kept);
        TScanOptionsForm::RunHook = [](TScanOptionsForm& f) {
            f.WholeAreaBox->setChecked(true);
            return true;
        };

        // a device that is gone: the German message, no window
        FormSettings(QStringLiteral("TScanForm")).setValue(QStringLiteral("Scanner"), "weg:3");
        main->Action(QStringLiteral("Bildscannen1"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!messages.messages.empty(), 20000);
        QVERIFY(messages.messages[0].text.startsWith(QStringLiteral("Der Scanner ist nicht verfügbar")));
        QCOMPARE(messages.messages[0].flags & MB_ICONSTOP, int(MB_ICONSTOP));
        QCOMPARE(main->Documents().size(), size_t(3));
        TScanOptionsForm::RunHook = nullptr;
    }
};

PIXORAMA_UI_TEST_MAIN(ScanTest)
#include "scan_test.moc"

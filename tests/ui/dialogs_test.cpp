// The small windows and adapters: the New and JPEG quality dialogs, message boxes with Windows
// flags, dialog filters in Qt's form, the cursors and the settings store.
#include "ui_test_support.h"

#include "document/document_files.h"
#include "document/ui/jpeg_quality_form.h"
#include "document/ui/new_form.h"
#include "platform/ui/cursors.h"
#include "platform/ui/settings_store.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

using namespace pixorama;
using namespace pixorama::ui;

class TestDialogs : public QObject {
    Q_OBJECT

  private slots:
    void newFormControlsAndDepthReset();
    void jpegQualityStaysEqualAndIsKept();
    void messageBoxFlagsAndAnswers();
    void filtersInQtsForm();
    void cursorsAreInstalledUnderTheirNumbers();
    void settingsRoundTrip();
};

void TestDialogs::newFormControlsAndDepthReset() {
    TNewForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Neues Bild"));
    QCOMPARE(form.BreitEdit->value(), 320);
    QCOMPARE(form.HochEdit->value(), 200);
    QCOMPARE(form.BreitEdit->minimum(), 1);
    QCOMPARE(form.BreitEdit->maximum(), 32767);
    QCOMPARE(form.HochEdit->maximum(), 32767);
    QCOMPARE(form.TiefeBox->count(), 4);
    QCOMPARE(form.TiefeBox->itemText(0), QStringLiteral("2 Bit - Schwarz/Weiß"));
    QCOMPARE(form.TiefeBox->itemText(3), QStringLiteral("24 Bit - 16,7 Mio. Farben"));
    QVERIFY(form.findChild<QGroupBox*>()->title() == QStringLiteral("Bildgröße und Farbtiefe"));

    const int bpp[] = {1, 4, 8, 24};
    for (int i = 0; i < 4; ++i) {
        form.TiefeBox->setCurrentIndex(i);
        QCOMPARE(form.BitsPerPixel(), bpp[i]);
    }
    // each opening starts at 24 bits
    form.TiefeBox->setCurrentIndex(1);
    int seen = -1;
    TNewForm::RunHook = [&](TNewForm& f) {
        seen = f.TiefeBox->currentIndex();
        return false;
    };
    QVERIFY(!form.Run());
    QCOMPARE(seen, 3);
    TNewForm::RunHook = nullptr;
}

void TestDialogs::jpegQualityStaysEqualAndIsKept() {
    {
        TJpegQForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("JPEG-Speicherqualität setzen"));
        QCOMPARE(form.QualED1->value(), 75);
        QCOMPARE(form.QualEd2->value(), 75);
        QCOMPARE(form.QualED1->minimum(), 1);
        QCOMPARE(form.QualED1->maximum(), 99);
        QCOMPARE(form.QualEd2->maximum(), 99);
        bool hasDefaultLabel = false;
        for (QLabel* l : form.findChildren<QLabel*>())
            hasDefaultLabel |= l->text() == QStringLiteral("Voreinstellung: 75");
        QVERIFY(hasDefaultLabel);

        form.QualED1->setValue(30);
        QCOMPARE(form.QualEd2->value(), 30);
        form.QualEd2->setValue(88);
        QCOMPARE(form.QualED1->value(), 88);
        QCOMPARE(form.Quality(), 88);

        // cancelled: nothing stored
        TJpegQForm::RunHook = [](TJpegQForm&) { return false; };
        QVERIFY(!form.Run());
    }
    {
        TJpegQForm form;
        QCOMPARE(form.QualED1->value(), 75);
        TJpegQForm::RunHook = [](TJpegQForm& f) {
            f.QualEd2->setValue(42);
            return true;
        };
        QVERIFY(form.Run());
    }
    TJpegQForm::RunHook = nullptr;
    TJpegQForm next; // the next run starts where the last one ended
    QCOMPARE(next.QualED1->value(), 42);
    QCOMPARE(next.QualEd2->value(), 42);
}

void TestDialogs::messageBoxFlagsAndAnswers() {
    // a real box: look at it and press a button the way a person would
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
    };
    auto answerWith = [](const QString& button, Seen& seen) {
        QTimer::singleShot(0, [button, &seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            for (QAbstractButton* b : box->buttons()) {
                seen.buttons << b->text();
                if (b->text() == button)
                    b->click();
            }
        });
    };
    Seen seen;
    answerWith(QStringLiteral("&Nein"), seen);
    QCOMPARE(ShowMessageBox(nullptr, QStringLiteral("Änderungen in NONAME1 speichern?"),
                            QStringLiteral("Pixorama"), MB_YESNOCANCEL | MB_ICONSTOP),
             int(IDNO));
    QCOMPARE(seen.title, QStringLiteral("Pixorama"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons.size(), 3);
    QVERIFY(seen.buttons.contains(QStringLiteral("&Ja")));
    QVERIFY(seen.buttons.contains(QStringLiteral("Abbrechen")));

    Seen cancel;
    answerWith(QStringLiteral("Abbrechen"), cancel);
    QCOMPARE(ShowMessageBox(nullptr, QStringLiteral("?"), QStringLiteral("Pixorama"), 19),
             int(IDCANCEL));

    Seen error;
    answerWith(QStringLiteral("OK"), error);
    QCOMPARE(
        ShowMessageBox(nullptr, QStringLiteral("Die Datei ist beschädigt"), QString(), MB_ICONSTOP),
        int(IDOK));
    QCOMPARE(error.title, QStringLiteral("Pixorama 1.0")); // no caption: the application's title
    QCOMPARE(error.buttons, QStringList{QStringLiteral("OK")});
    QCOMPARE(error.icon, QMessageBox::Critical);

    Seen question;
    answerWith(QStringLiteral("&Ja"), question);
    QCOMPARE(ShowMessageBox(nullptr, QStringLiteral("Ersetzen?"), QStringLiteral("x"),
                            MB_YESNO | MB_ICONWARNING),
             int(IDYES));
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.buttons.size(), 2);
}

void TestDialogs::filtersInQtsForm() {
    QCOMPARE(ToQtFilter({"Windows-Bitmap (*.bmp;*.dib)", {"*.bmp", "*.dib"}}),
             QStringLiteral("Windows-Bitmap (*.bmp *.dib)"));
    QCOMPARE(ToQtFilter({"Alle Dateien (*.*)", {"*.*"}}), QStringLiteral("Alle Dateien (*)"));
    QCOMPARE(ToQtFilter({"Bilder", {"*.png"}}), QStringLiteral("Bilder (*.png)"));
    // the library's whole open filter, entry for entry
    const auto filters = ParseDialogFilter(GetDIBOpenFilter());
    const QStringList qt = ToQtFilters(filters);
    QCOMPARE(qt.size(), static_cast<qsizetype>(filters.size()));
    QVERIFY(qt.first().startsWith(QStringLiteral("Alle Bilddateien (*.bmp *.dib")));
    for (const QString& f : qt) {
        QVERIFY2(!f.contains(QLatin1Char(';')), qPrintable(f));
        QVERIFY2(f.endsWith(QLatin1Char(')')), qPrintable(f));
    }
}

void TestDialogs::cursorsAreInstalledUnderTheirNumbers() {
    QCOMPARE(ProgramCursor(2).shape(), Qt::ArrowCursor); // nothing before installing
    InstallCursors();
    QCOMPARE(CursorResourceName(1), QStringLiteral("MYSB_DRAGC"));
    QCOMPARE(CursorResourceName(9), QStringLiteral("DROPCURS"));
    QCOMPARE(CursorResourceName(18), QStringLiteral("FREESELCM"));
    QVERIFY(CursorResourceName(19).isEmpty());
    for (int n = 1; n <= kCursorCount; ++n) {
        const QCursor c = ProgramCursor(n);
        QCOMPARE(c.shape(), Qt::BitmapCursor);
        const QPixmap p = c.pixmap();
        QCOMPARE(p.size(), QSize(32, 32));
        QVERIFY(QRect(0, 0, 32, 32).contains(c.hotSpot()));
        // drawn: black strokes on a transparent ground
        const QImage img = p.toImage();
        int dark = 0, clear = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QColor col = img.pixelColor(x, y);
                dark += col.alpha() == 255 && col.value() == 0;
                clear += col.alpha() == 0;
            }
        QVERIFY2(dark > 10 && clear > 500, qPrintable(CursorResourceName(n)));
    }
    QCOMPARE(ProgramCursor(0).shape(), Qt::ArrowCursor);
    // the + and - variants differ from their plain cursor
    QVERIFY(ProgramCursor(13).pixmap().toImage() != ProgramCursor(11).pixmap().toImage());
    QVERIFY(ProgramCursor(14).pixmap().toImage() != ProgramCursor(13).pixmap().toImage());
}

void TestDialogs::settingsRoundTrip() {
    {
        FormSettings s(QStringLiteral("TTestForm"));
        QVERIFY(s.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QCOMPARE(s.intValue(QStringLiteral("Zahl"), 5), 5);
        QCOMPARE(s.boolValue(QStringLiteral("An"), true), true);
        s.setValue(QStringLiteral("Zahl"), 17);
        s.setValue(QStringLiteral("An"), false);
    }
    FormSettings again(QStringLiteral("TTestForm"));
    QCOMPARE(again.intValue(QStringLiteral("Zahl"), 5), 17);
    QCOMPARE(again.boolValue(QStringLiteral("An"), true), false);
    FormSettings other(QStringLiteral("TAndereForm")); // one group per form
    QCOMPARE(other.intValue(QStringLiteral("Zahl"), 5), 5);
}

PIXORAMA_UI_TEST_MAIN(TestDialogs)
#include "dialogs_test.moc"

// The print dialog (preview, coupled percentages) and printing from the menu into a PDF file.
#include "app/ui/print_form.h"
#include "document/ui/mdi_child.h"
#include "ui_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using namespace pixorama;
using namespace pixorama::ui;

namespace {

// A 24-bit image of w x h in one dark colour.
TDibRecord darkImage(int w, int h) {
    TDibRecord d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(&d, x, y, 0x402010);
    return d;
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
  private slots:
    void dialogStartValuesAndCoupling() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        DibHolder dib(darkImage(400, 200));
        TPrintForm form(printer, dib.get());
        QCOMPARE(form.windowTitle(), QStringLiteral("Bild drucken..."));
        QVERIFY(form.UseFullCheck->isChecked());
        QVERIFY(form.SverhCheck->isChecked());
        QVERIFY(form.ZentrCheck->isChecked());
        QCOMPARE(form.BreitEdit->value(), 50);
        QCOMPARE(form.HochEdit->value(), 50);

        // aspect kept: the height follows the width so the printed shape is the image's
        int32_t pw = 0, ph = 0;
        form.PageSize(pw, ph);
        QVERIFY(pw > 0 && ph > pw);
        form.UserdefCheck->click();
        form.BreitEdit->setValue(80);
        TPageRect r = PrintImageRect(pw, ph, 400, 200, form.Options());
        QVERIFY(qAbs(double(r.h) / r.w - 0.5) < 0.02);
        // typed height: the width follows
        form.HochEdit->setValue(10);
        r = PrintImageRect(pw, ph, 400, 200, form.Options());
        QVERIFY(qAbs(double(r.h) / r.w - 0.5) < 0.06);
        // a tall image asks for more than 100 % height: held at 100, width as typed
        DibHolder tall(darkImage(10, 400));
        TPrintForm tallForm(printer, tall.get());
        tallForm.BreitEdit->setValue(70);
        QCOMPARE(tallForm.BreitEdit->value(), 70);
        QCOMPARE(tallForm.HochEdit->value(), 100);
        // aspect off: the two are independent
        form.SverhCheck->click();
        form.BreitEdit->setValue(33);
        form.HochEdit->setValue(77);
        QCOMPARE(form.BreitEdit->value(), 33);
        QCOMPARE(form.HochEdit->value(), 77);
    }

    void previewShowsThePageAndTheImage() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        DibHolder dib(darkImage(400, 200));
        TPrintForm form(printer, dib.get());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage shot = form.grab().toImage();
        if (!qEnvironmentVariableIsEmpty("PIXORAMA_SCREENSHOTS"))
            shot.save(qEnvironmentVariable("PIXORAMA_SCREENSHOTS") + "/print_form.png");
        QImage box = form.PrintPaintBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(box.size(), QSize(190, 190));
        // portrait page: full height, the landscape image across its width, centred
        QCOMPARE(box.pixel(95, 5), qRgb(255, 255, 255));
        QVERIFY(box.pixel(2, 95) != qRgb(255, 255, 255)); // beside the page
        QRect dark = test::DarkBox(box);
        QVERIFY2(qAbs(dark.center().y() - 95) <= 1, qPrintable(QString::number(dark.top())));
        QVERIFY(qAbs(double(dark.height()) / dark.width() - 0.5) < 0.03);
        // not centred: the image moves to the page's top
        form.ZentrCheck->click();
        box = form.PrintPaintBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
        dark = test::DarkBox(box);
        QCOMPARE(dark.top(), 0);
        // the page follows a change of orientation in the set-up
        TPrintForm::SetupHook = [](QPrinter& p) {
            p.setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        form.PrintSetupBtn->click();
        TPrintForm::SetupHook = nullptr;
        box = form.PrintPaintBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(box.pixel(2, 150), qRgb(255, 255, 255));   // page across the whole width, below the image at its top
        QCOMPARE(box.pixel(187, 150), qRgb(255, 255, 255));
        QVERIFY(box.pixel(95, 2) != qRgb(255, 255, 255)); // but not the whole height
    }

    void printingFromTheMenu() {
        test::MessageRecorder messages;
        auto main = test::ShownMainForm();
        QVERIFY(main);
        main->ShowNewDocument(darkImage(300, 100), {}, false);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("seite.pdf"));
        QPrinter& printer = MainPrinter();
        const QPrinter::OutputFormat oldFormat = printer.outputFormat();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setOutputFileName(pdf);

        // cancel prints nothing
        TPrintForm::RunHook = [](TPrintForm&) { return false; };
        main->Action(QStringLiteral("Drucken1"))->trigger();
        QVERIFY(!QFile::exists(pdf));

        // half the page width and height at the top left corner
        TPrintForm::RunHook = [](TPrintForm& f) {
            f.SverhCheck->setChecked(false);
            f.UserdefCheck->click();
            f.ZentrCheck->setChecked(false);
            return true;
        };
        main->Action(QStringLiteral("Drucken1"))->trigger();
        TPrintForm::RunHook = nullptr;
        QVERIFY(messages.messages.empty());
        QVERIFY(QFile::exists(pdf));
        QVERIFY(!QFile::exists(pdf + ".part"));

        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished());
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("Pixorama Bild")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("(A4)")), qPrintable(text));

        // where the image is, rendered at 60 dpi: the paint rectangle of the page, halved
        const QRect paint = printer.pageLayout().paintRectPixels(600);
        QProcess render;
        render.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                      QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("seite"))});
        QVERIFY(render.waitForFinished());
        const QImage page(dir.filePath(QStringLiteral("seite.png")));
        QVERIFY(!page.isNull());
        const QRect dark = test::DarkBox(page);
        QVERIFY2(qAbs(dark.left() - paint.left() / 10.0) <= 1.0, qPrintable(QString::number(dark.left())));
        QVERIFY(qAbs(dark.top() - paint.top() / 10.0) <= 1.0);
        QVERIFY(qAbs(dark.width() - paint.width() / 20.0) <= 1.5);
        QVERIFY(qAbs(dark.height() - paint.height() / 20.0) <= 1.5);

        printer.setOutputFileName(QString());
        printer.setOutputFormat(oldFormat);
    }
};

PIXORAMA_UI_TEST_MAIN(PrintTest)
#include "print_test.moc"

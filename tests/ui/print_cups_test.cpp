// Printing from the menu through a real CUPS queue: a private print server (its own folder and
// socket) with one queue whose device writes every job into a file, which must then hold the
// program's page with the image where the dialog put it.
#include "app/ui/print_form.h"
#include "document/ui/mdi_child.h"
#include "ui_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

using namespace pixorama;
using namespace pixorama::ui;

namespace {

bool writeFile(const QString& path, const QByteArray& text, QFile::Permissions perms = {}) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return false;
    f.close();
    return perms == QFile::Permissions{} || f.setPermissions(perms);
}

} // namespace

class PrintCupsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_{QStringLiteral("/tmp/pixorama-cups-XXXXXX")};
    QProcess cupsd_;
    QString socket_, job_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Runs a CUPS tool against the private server; its error output on failure.
    QString tool(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, QStringList{QStringLiteral("-h"), socket_} + args);
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            return program + QStringLiteral(": ") + QString::fromUtf8(p.readAllStandardError());
        return {};
    }

  private slots:
    void initTestCase() {
        if (!QFile::exists(QStringLiteral("/usr/sbin/cupsd")) ||
            !QFile::exists(QStringLiteral("/usr/sbin/lpadmin")))
            QSKIP("CUPS is not installed (scripts/deps.sh installs cups and cups-client)");
        if (::geteuid() != 0)
            QSKIP("a private cupsd must start as root to hand its jobs to the queue's user");
        QVERIFY(dir_.isValid());
        ::chmod(dir_.path().toUtf8().constData(), 0755);
        for (const char* d : {"spool", "cache", "state", "log", "bin/backend"})
            QVERIFY(QDir(dir_.path()).mkpath(QLatin1String(d)));
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("tmp")));
        ::chmod(path(QStringLiteral("tmp")).toUtf8().constData(), 01777);
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("out")));
        ::chmod(path(QStringLiteral("out")).toUtf8().constData(), 0777);
        for (const char* d : {"filter", "daemon", "cgi-bin", "monitor", "notifier"})
            QFile::link(QStringLiteral("/usr/lib/cups/") + QLatin1String(d),
                        path(QStringLiteral("bin/")) + QLatin1String(d));
        // the queue's device: each job into the file named by the device URI
        QVERIFY(writeFile(path(QStringLiteral("bin/backend/pixfile")),
                          "#!/bin/sh\n"
                          "if [ $# -eq 0 ]; then echo 'file pixfile \"Unknown\" \"Datei\"'; exit 0; fi\n"
                          "out=${DEVICE_URI#pixfile:}\n"
                          "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.part\" || exit 1;\n"
                          "else cat > \"$out.part\" || exit 1; fi\n"
                          "chmod 644 \"$out.part\" && mv \"$out.part\" \"$out\"\n",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        socket_ = path(QStringLiteral("cups.sock"));
        job_ = path(QStringLiteral("out/job.pdf"));
        QVERIFY(writeFile(path(QStringLiteral("cupsd.conf")),
                          ("Listen " + socket_ + "\nLogLevel warn\nDefaultAuthType None\n"
                           "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                           "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                              .toUtf8()));
        QVERIFY(writeFile(path(QStringLiteral("cups-files.conf")),
                          ("ServerRoot " + dir_.path() + "\nServerBin " + path("bin") +
                           "\nStateDir " + path("state") + "\nCacheDir " + path("cache") +
                           "\nRequestRoot " + path("spool") + "\nTempDir " + path("tmp") +
                           "\nErrorLog " + path("log/error_log") + "\nAccessLog " +
                           path("log/access_log") + "\nPageLog " + path("log/page_log") + "\n")
                              .toUtf8()));
        cupsd_.start(QStringLiteral("/usr/sbin/cupsd"),
                     {QStringLiteral("-f"), QStringLiteral("-c"), path(QStringLiteral("cupsd.conf")),
                      QStringLiteral("-s"), path(QStringLiteral("cups-files.conf"))});
        if (!cupsd_.waitForStarted(10000))
            QSKIP("cupsd does not start here");
        for (int i = 0; i < 100 && !QFile::exists(socket_); ++i) QTest::qWait(100);
        if (!QFile::exists(socket_) || cupsd_.state() != QProcess::Running)
            QSKIP(qPrintable(QStringLiteral("cupsd cannot run here: ") +
                             QString::fromUtf8(cupsd_.readAllStandardError())));
        const QString err = tool(QStringLiteral("/usr/sbin/lpadmin"),
                                 {QStringLiteral("-p"), QStringLiteral("Pixorama_Test"), QStringLiteral("-E"),
                                  QStringLiteral("-v"), QStringLiteral("pixfile:") + job_,
                                  QStringLiteral("-m"), QStringLiteral("raw")});
        QVERIFY2(err.isEmpty(), qPrintable(err));
        const QString def = tool(QStringLiteral("/usr/sbin/lpadmin"),
                                 {QStringLiteral("-d"), QStringLiteral("Pixorama_Test")});
        QVERIFY2(def.isEmpty(), qPrintable(def));
        // the program's printer list comes from this server alone
        qputenv("CUPS_SERVER", socket_.toUtf8());
    }

    void cleanupTestCase() {
        if (cupsd_.state() == QProcess::Running) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(10000)) cupsd_.kill();
        }
    }

    void printingThroughTheQueue() {
        QVERIFY(QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Pixorama_Test")));
        test::MessageRecorder messages;
        auto main = test::ShownMainForm();
        QVERIFY(main);
        TDibRecord dark;
        newdib(&dark, 300, 100, 24, nullptr, 0);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 300; ++x) setpixel(&dark, x, y, 0x402010);
        main->ShowNewDocument(dark, {}, false);
        QPrinter& printer = MainPrinter();
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat); // a printer exists
        QCOMPARE(printer.printerName(), QStringLiteral("Pixorama_Test"));

        // the whole page width, aspect kept, centred (the dialog's start values)
        TPrintForm::RunHook = [](TPrintForm&) { return true; };
        main->Action(QStringLiteral("Drucken1"))->trigger();
        TPrintForm::RunHook = nullptr;
        QVERIFY(messages.messages.empty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(job_), 30000);

        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {job_});
        QVERIFY(info.waitForFinished());
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("Pixorama Bild")), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(text));

        // the image spans the paint rectangle's width, centred vertically
        const QRect paint = printer.pageLayout().paintRectPixels(60);
        QProcess render;
        render.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                      QStringLiteral("-singlefile"), job_, path(QStringLiteral("seite"))});
        QVERIFY(render.waitForFinished());
        const QImage page(path(QStringLiteral("seite.png")));
        QVERIFY(!page.isNull());
        const QRect dark_box = test::DarkBox(page);
        QVERIFY(!dark_box.isEmpty());
        QVERIFY2(qAbs(dark_box.left() - paint.left()) <= 1, qPrintable(QString::number(dark_box.left())));
        QVERIFY(qAbs(dark_box.width() - paint.width()) <= 2);
        QVERIFY(qAbs(dark_box.height() - paint.width() / 3.0) <= 2);
        QVERIFY(qAbs(dark_box.center().y() - paint.center().y()) <= 2);
    }
};

PIXORAMA_UI_TEST_MAIN(PrintCupsTest)
#include "print_cups_test.moc"

// The image browser in the running program: opening it once, scanning a folder into
// thumbnails and the cache, opening images by Enter and double click, closing during a scan.
#include "ui_test_support.h"

#include "browser/ui/browser_form.h"
#include "document/ui/mdi_child.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTreeView>

using namespace pixorama;
using namespace pixorama::ui;

class TestBrowserForm : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir home_;

    static TBrowserForm* browserOf(TMainForm& main) {
        for (QMdiSubWindow* w : main.MdiArea()->subWindowList())
            if (auto* b = qobject_cast<TBrowserForm*>(w->widget())) return b;
        return nullptr;
    }
    static QStringList memo(TBrowserForm* b) {
        return b->Memo1->toPlainText().split(QLatin1Char('\n'));
    }

  private slots:
    void initTestCase() {
        // the browser starts in the home folder: an empty one of its own
        qputenv("HOME", home_.path().toUtf8());
    }

    void browserAtStartBehindTheCommandLinesImages() {
        QTemporaryDir dir;
        const QString image = test::WriteBmp(dir.filePath(QStringLiteral("start.bmp")), 30, 20, 24);
        QVERIFY(!image.isEmpty());
        TMainForm main(QStringList{image});
        main.OpenBrowserAtStart = true;
        main.resize(1000, 700);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTRY_COMPARE(static_cast<int>(main.Documents().size()), 1);
        TBrowserForm* b = browserOf(main);
        QVERIFY(b != nullptr);
        QVERIFY(main.BrowserOpen);
        QVERIFY(!main.RuleAction(MenuItem::Browse)->isEnabled());
        // the image opened after the browser, so it is in front
        QCOMPARE(main.ActiveDocument(), main.Documents()[0]);
        QTRY_VERIFY(!b->Running);
        QCOMPARE(b->SelectedFolder(), QDir::homePath());
        QCOMPARE(TBrowserForm::ProgressText(3, 12), QStringLiteral("Thumbnails: 3 von 12"));
        QCOMPARE(main.Progress(), 0); // cleared at the end of the scan

        // without images the browser fills the frame
        TMainForm bare;
        bare.OpenBrowserAtStart = true;
        bare.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bare));
        QTRY_VERIFY(browserOf(bare) != nullptr);
        QVERIFY(qobject_cast<QMdiSubWindow*>(browserOf(bare)->parentWidget())->isMaximized());
        QTRY_VERIFY(!browserOf(bare)->Running);
    }

    void homeFolderScrolledIntoView() {
        // a home folder deep below many others, in a small window
        QTemporaryDir deep;
        for (int i = 0; i < 60; ++i) QVERIFY(QDir(deep.path()).mkpath(QStringLiteral("a%1").arg(i, 2, 10, QLatin1Char('0'))));
        const QString home = deep.filePath(QStringLiteral("z/y/x/heim"));
        QVERIFY(QDir().mkpath(home));
        const QByteArray old = qgetenv("HOME");
        qputenv("HOME", home.toUtf8());
        auto main = test::ShownMainForm();
        QVERIFY(main);
        main->Action(QStringLiteral("Browse1"))->trigger();
        TBrowserForm* b = browserOf(*main);
        QVERIFY(b != nullptr);
        qputenv("HOME", old);
        QCOMPARE(b->SelectedFolder(), QDir::cleanPath(home));
        QTreeView* tree = b->JamShellTree1;
        QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()).center()));
        QTRY_VERIFY(!b->Running);
    }

    void browseScanOpenAndClose() {
        auto main = test::ShownMainForm();
        QVERIFY(main);
        QTemporaryDir dir;
        QVERIFY(!test::WriteBmp(dir.filePath("eins.bmp"), 640, 480, 24).isEmpty());
        QVERIFY(!test::WriteBmp(dir.filePath("ZWEI.BMP"), 30, 90, 8).isEmpty());
        QFile text(dir.filePath("liesmich.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("kein Bild");
        text.close();

        main->Action(QStringLiteral("Browse1"))->trigger();
        TBrowserForm* b = browserOf(*main);
        QVERIFY(b != nullptr);
        QVERIFY(main->BrowserOpen);
        QVERIFY(!main->RuleAction(MenuItem::Browse)->isEnabled());
        main->Action(QStringLiteral("Browse1"))->trigger(); // a second one is refused
        QCOMPARE(main->MdiArea()->subWindowList().size(), 1);
        QCOMPARE(b->windowTitle(), QStringLiteral("Pixorama Browser"));
        QTRY_VERIFY(!b->Running);

        b->SelectFolder(dir.path());
        QTRY_VERIFY(!b->Running);
        QTRY_COMPARE(b->ThumbCount(), 2);
        QVERIFY(memo(b).contains(QStringLiteral("Bearbeite Verzeichnis: ") + dir.path()));
        QVERIFY(memo(b).contains(QStringLiteral("Browser-Informationen geschrieben.")));
        QCOMPARE(memo(b).last(), QStringLiteral("Bearbeitung von Verzeichnis ") + dir.path() +
                                      QStringLiteral(" abgeschloßen."));
        QVERIFY(QFile::exists(dir.filePath(QString::fromLatin1(kCacheFileName))));

        // the second visit comes from the cache
        b->SelectFolder(home_.path());
        QTRY_VERIFY(!b->Running && b->ThumbCount() == 0);
        b->SelectFolder(dir.path());
        QTRY_VERIFY(!b->Running && b->ThumbCount() == 2);
        QVERIFY(memo(b).contains(QStringLiteral("Browser-Informationen geladen.")));

        // Enter and double click open the selected image
        b->Selected = 1;
        b->PaintBox1->setFocus();
        QTest::keyClick(b->PaintBox1, Qt::Key_Right);
        QCOMPARE(b->Selected, 2);
        QVERIFY(b->StatusText().startsWith(QStringLiteral("Thumbnail: ")));
        QTest::keyClick(b->PaintBox1, Qt::Key_Return);
        QTRY_COMPARE(static_cast<int>(main->Documents().size()), 1);
        const std::string second = b->Scan().Thumbs()[1].Name;
        QCOMPARE(main->Documents()[0]->Doc().FileName, second);
        QTest::mouseDClick(b->PaintBox1, Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_COMPARE(static_cast<int>(main->Documents().size()), 2);
        b->Selected = 7;
        QCOMPARE(b->StatusText(), QStringLiteral("Bild: keins   "));
        QTest::mouseDClick(b->PaintBox1, Qt::LeftButton, {}, QPoint(300, 300));
        QCOMPARE(static_cast<int>(main->Documents().size()), 2);

        // closing during a scan is refused until the scan has stopped
        QTemporaryDir many;
        for (int i = 0; i < 60; ++i)
            QVERIFY(!test::WriteBmp(many.filePath(QStringLiteral("b%1.bmp").arg(i)), 400, 300, 24)
                         .isEmpty());
        b->SelectFolder(many.path());
        QVERIFY(b->Running);
        QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(b->parentWidget());
        QVERIFY(sub != nullptr);
        // at once, while the scan surely runs (waiting for a first thumbnail races with a fast
        // machine finishing all of them)
        sub->close();
        QVERIFY(memo(b).contains(QStringLiteral("Benutzerwunsch: Breche Bearbeitung ab...")));
        QVERIFY(browserOf(*main) == b);
        QTRY_VERIFY(!b->Running);
        QVERIFY(b->ThumbCount() < 60); // stopped between two files
        if (b->ThumbCount() > 0) // what was read before the stop is kept
            QVERIFY(QFile::exists(many.filePath(QString::fromLatin1(kCacheFileName))));
        sub->close();
        QTRY_VERIFY(browserOf(*main) == nullptr);
        QVERIFY(!main->BrowserOpen);
        QVERIFY(main->RuleAction(MenuItem::Browse)->isEnabled());
    }
};

PIXORAMA_UI_TEST_MAIN(TestBrowserForm)
#include "browser_form_test.moc"

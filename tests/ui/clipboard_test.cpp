// The clipboard commands of the frame, and the exchange with another program: xclip puts a PNG
// on the X clipboard and reads ours back.  The exchange needs a real X server (the test is run
// under xvfb-run); on any other platform those cases are skipped with the reason.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "document/selection.h"
#include "document/ui/mdi_child.h"
#include "app/ui/clipboard_mime.h"
#include "tools/floating.h"
#include "tools/mouse_dispatch.h"

#include <QAction>
#include <QClipboard>
#include <QMdiArea>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

int32_t pattern(int32_t x, int32_t y) {
    return (x * 40 + 3) | ((y * 50 + 7) << 8) | (((x * y * 9) & 255) << 16);
}

// A 24-bit image of w x h pixels in the pattern, saved for a test.
QString writePattern(const QString& path, int w, int h) {
    DibHolder d(CreateNewImage(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d.get(), x, y, pattern(x, y));
    return SaveDib(&d.get(), path.toUtf8().constData(), PICTORA_FORMAT_BMP, 0, nullptr, 0) ? path
                                                                                           : QString();
}

bool enabled(TMainForm& f, const char* name) {
    QAction* a = f.Action(QLatin1String(name));
    return a != nullptr && a->isEnabled();
}

} // namespace

class ClipboardTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir dir_;
    std::unique_ptr<TMainForm> form_;

    bool onX11() const { return QGuiApplication::platformName() == QLatin1String("xcb"); }

    // A document of the pattern, active in the frame.
    TMDIChild* openPattern(int w, int h) {
        const QString path = writePattern(dir_.filePath(QStringLiteral("p%1x%2.bmp").arg(w).arg(h)), w, h);
        if (path.isEmpty())
            return nullptr;
        form_->OpenImageFile(path);
        QCoreApplication::processEvents();
        return form_->ActiveDocument();
    }

    // Waits until the clipboard's content satisfies pred, letting events in.
    template <class Pred> bool waitForClipboard(Pred pred) {
        for (int i = 0; i < 100; ++i) {
            if (pred(QGuiApplication::clipboard()->mimeData()))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

  private slots:
    void init() {
        form_ = pixorama::test::ShownMainForm();
        QVERIFY(form_ != nullptr);
    }
    void cleanup() {
        for (TMDIChild* c : form_->Documents())
            c->Doc().Modified = false;
        form_.reset();
    }

    void copyPasteAndEnabling() {
        MessageRecorder messages;
        TMDIChild* doc = openPattern(12, 8);
        QVERIFY(doc != nullptr);
        EmptyClipboard();
        QTRY_VERIFY(!enabled(*form_, "Einfgen1"));
        QVERIFY(!enabled(*form_, "Zwischenablagelschen1"));
        QVERIFY(!enabled(*form_, "PasteSpeedBtn"));

        // an elliptical selection copied: bitmap, PNG and the shape
        FillMask(doc->Doc(), 0);
        FilledEllipse(&doc->Doc().SelMask, 1, 1, 10, 6, 1);
        UpdateSelddib(doc->Doc(), form_->CoreHost());
        form_->Action(QStringLiteral("CopyItem"))->trigger();
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime != nullptr);
        QVERIFY(mime->hasFormat(QStringLiteral("image/bmp")));
        QVERIFY(mime->hasFormat(QStringLiteral("image/png")));
        QVERIFY(mime->hasFormat(QStringLiteral("application/x-velumina-selection")));
        {
            // the PNG for other programs shows the copied box
            const QByteArray png = mime->data(QStringLiteral("image/png"));
            DibHolder got;
            QVERIFY(OpenDibMemory(&got.get(), png.constData(), static_cast<size_t>(png.size()),
                                  PICTORA_FORMAT_PNG, nullptr, nullptr));
            QCOMPARE(DibWidth(&got.get()), 10);
            QCOMPARE(getpixel(&got.get(), 4, 3), pattern(5, 4));
        }
        QTRY_VERIFY(enabled(*form_, "Zwischenablagelschen1"));
        QVERIFY(enabled(*form_, "Einfgen1"));
        QVERIFY(enabled(*form_, "PasteSpeedBtn"));

        // the toolbar's paste: a new document of the copied box
        const int before = static_cast<int>(form_->Documents().size());
        form_->Action(QStringLiteral("PasteSpeedBtn"))->trigger();
        QCOMPARE(static_cast<int>(form_->Documents().size()), before + 1);
        TMDIChild* pasted = form_->ActiveDocument();
        QVERIFY(pasted != doc);
        QCOMPARE(DibWidth(&pasted->Doc().Dib), 10);
        QCOMPARE(DibHeight(&pasted->Doc().Dib), 6);
        QCOMPARE(getpixel(&pasted->Doc().Dib, 4, 3), pattern(5, 4)); // inside the ellipse

        // pasted as a selection it waits for its click, shaped like the ellipse
        form_->Action(QStringLiteral("AlsAuswahl1"))->trigger();
        QCOMPARE(pasted->Doc().MouseMode, kModePlacing);
        QVERIFY(pasted->Doc().FloatHasMask);
        QVERIFY(!form_->PasteTransparent);
        form_->Action(QStringLiteral("AlstransparenteAuswahl1"))->trigger();
        QVERIFY(form_->PasteTransparent);
        QVERIFY(pasted->Doc().FloatTransparent);

        // "&Löschen" takes the waiting piece away again
        form_->Action(QStringLiteral("Lschen1"))->trigger();
        QCOMPARE(pasted->Doc().MouseMode, 0);
        QVERIFY(pasted->Doc().FloatDib.Bits == nullptr);

        // emptied: the paste commands go off
        form_->Action(QStringLiteral("Zwischenablagelschen1"))->trigger();
        QTRY_VERIFY(!enabled(*form_, "Zwischenablagelschen1"));
        QVERIFY(!enabled(*form_, "Einfgen1"));
        QVERIFY(messages.messages.empty());
    }

    void cutDeletesAndBadBlockIsReported() {
        MessageRecorder messages;
        TMDIChild* doc = openPattern(6, 5);
        QVERIFY(doc != nullptr);
        form_->Action(QStringLiteral("CutItem"))->trigger();
        QCOMPARE(doc->Doc().UndoCount, 1);
        QCOMPARE(getpixel(&doc->Doc().Dib, 3, 3), doc->Doc().BackColor);
        // a broken bitmap from somewhere else: the message, and the document as it was
        auto* mime = new QMimeData;
        mime->setData(QStringLiteral("image/bmp"), QByteArray("BM\x10\0\0\0\0\0\0\0\x36\0\0\0", 14));
        QGuiApplication::clipboard()->setMimeData(mime);
        form_->Action(QStringLiteral("AlsAuswahl1"))->trigger();
        QCOMPARE(messages.messages.size(), size_t{1});
        QCOMPARE(messages.messages[0].text, QString::fromUtf8(kTextBadClipboard));
        QCOMPARE(doc->Doc().UndoCount, 1);
        QVERIFY(doc->Doc().FloatDib.Bits == nullptr);
    }

    void anotherProgramsPngPastes() {
        if (!onX11())
            QSKIP("needs the X11 clipboard shared with other programs (run under xvfb-run)");
        const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        QVERIFY2(!xclip.isEmpty(), "xclip is missing (scripts/deps.sh installs it)");
        // the PNG another program offers
        const QString png = dir_.filePath(QStringLiteral("foreign.png"));
        {
            DibHolder d(CreateNewImage(9, 7, 24));
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x)
                    setpixel(&d.get(), x, y, pattern(x, y));
            QVERIFY(SaveDib(&d.get(), png.toUtf8().constData(), PICTORA_FORMAT_PNG, 0, nullptr, 0));
        }
        QProcess owner;
        owner.start(xclip, {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                            QStringLiteral("clipboard"), QStringLiteral("-t"),
                            QStringLiteral("image/png"), QStringLiteral("-i"), png});
        QVERIFY(owner.waitForStarted());
        QVERIFY(waitForClipboard([](const QMimeData* m) {
            return m != nullptr && m->hasFormat(QStringLiteral("image/png")) &&
                   !m->hasFormat(QStringLiteral("image/bmp"));
        }));
        QTRY_VERIFY(enabled(*form_, "Einfgen1"));

        form_->Action(QStringLiteral("AlsBild1"))->trigger();
        TMDIChild* doc = form_->ActiveDocument();
        QVERIFY(doc != nullptr);
        QCOMPARE(DibWidth(&doc->Doc().Dib), 9);
        QCOMPARE(DibHeight(&doc->Doc().Dib), 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                QCOMPARE(getpixel(&doc->Doc().Dib, x, y), pattern(x, y));

        // as a selection: a rectangular piece without a shape
        TMDIChild* target = openPattern(20, 15);
        QVERIFY(target != nullptr);
        form_->Action(QStringLiteral("AlsAuswahl1"))->trigger();
        QCOMPARE(target->Doc().MouseMode, kModePlacing);
        QVERIFY(!target->Doc().FloatHasMask);
        QCOMPARE(DibWidth(&target->Doc().FloatDib), 9);
        target->Mouse().PaintBox1MouseDown(MouseButton::Left, {}, 3, 2);
        QVERIFY(target->Doc().Floating);
        QCOMPARE(getpixel(&target->Doc().Dib, 3 + 8, 2 + 6), pattern(8, 6));
        QCOMPARE(MaskValue(target->Doc(), 3 + 8, 2 + 6), 1);
        QCOMPARE(MaskValue(target->Doc(), 3 + 9, 2 + 6), 0);
        owner.kill();
        owner.waitForFinished();
    }

    void otherProgramsReadOurImage() {
        if (!onX11())
            QSKIP("needs the X11 clipboard shared with other programs (run under xvfb-run)");
        const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        QVERIFY2(!xclip.isEmpty(), "xclip is missing (scripts/deps.sh installs it)");
        TMDIChild* doc = openPattern(11, 6);
        QVERIFY(doc != nullptr);
        form_->Action(QStringLiteral("CopyItem"))->trigger();

        // xclip asks while our event loop answers
        auto read = [&](const QString& target) {
            QProcess p;
            p.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                            QStringLiteral("-o"), QStringLiteral("-t"), target});
            if (!p.waitForStarted())
                return QByteArray();
            for (int i = 0; i < 500 && p.state() != QProcess::NotRunning; ++i)
                QTest::qWait(20);
            return p.state() == QProcess::NotRunning ? p.readAllStandardOutput() : QByteArray();
        };
        const QByteArray targets = read(QStringLiteral("TARGETS"));
        QVERIFY2(targets.contains("image/png"), targets.constData());
        QVERIFY(targets.contains("image/bmp"));
        for (const char* type : {"image/png", "image/bmp"}) {
            const QByteArray bytes = read(QLatin1String(type));
            QVERIFY2(!bytes.isEmpty(), type);
            DibHolder got;
            QVERIFY(OpenDibMemory(&got.get(), bytes.constData(), static_cast<size_t>(bytes.size()),
                                  PICTORA_FORMAT_AUTO, nullptr, nullptr));
            QCOMPARE(DibWidth(&got.get()), 11);
            QCOMPARE(DibHeight(&got.get()), 6);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 11; ++x)
                    QCOMPARE(getpixel(&got.get(), x, y), pattern(x, y));
        }
        // the bitmap is our block behind a file header, byte for byte
        ClipboardContent ours;
        QVERIFY(BuildCopyBlocks(doc->Doc(), ours));
        const std::vector<uint8_t> file = BmpFileFromDib(*ours.Dib);
        const QByteArray bmp = read(QStringLiteral("image/bmp"));
        QCOMPARE(bmp, QByteArray(reinterpret_cast<const char*>(file.data()),
                                 static_cast<qsizetype>(file.size())));
    }
};

PIXORAMA_UI_TEST_MAIN(ClipboardTest)
#include "clipboard_test.moc"

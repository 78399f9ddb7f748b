// A high-density screen (two device pixels per logical pixel): 1:1 shows one image pixel per
// device pixel, and zoom and window sizes count in device pixels as well.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "document/ui/mdi_child.h"
#include "document/ui/new_form.h"
#include "document/zoom.h"

#include <QComboBox>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScrollArea>
#include <QSpinBox>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;

class TestHiDpi : public QObject {
    Q_OBJECT

  private slots:
    void oneToOneIsOneDevicePixel();
};

void TestHiDpi::oneToOneIsOneDevicePixel() {
    auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->devicePixelRatioF(), 2.0);
    TNewForm::RunHook = [](TNewForm& f) {
        f.BreitEdit->setValue(41);
        f.HochEdit->setValue(30);
        f.TiefeBox->setCurrentIndex(3);
        return true;
    };
    form->FileNewItemClick();
    TNewForm::RunHook = nullptr;
    TMDIChild* child = form->ActiveDocument();
    QVERIFY(child != nullptr);
    DocumentState& doc = child->Doc();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 41; ++x)
            setpixel(&doc.Dib, x, y, (x * 6) | ((y * 8) << 8) | ((x ^ y) << 16));
    QCOMPARE(doc.ZoomIn, 1);
    QCOMPARE(doc.ZoomOut, 1);

    // 41 device pixels take 21 logical ones; the half logical pixel left over is work space
    QCOMPARE(child->PaintBox1()->devicePixelRatioF(), 2.0);
    QCOMPARE(child->PaintBox1()->size(), QSize(21, 15));
    auto check = [&](int zoom) {
        child->Repaint();
        const QImage shot = child->PaintBox1()->grab().toImage();
        QCOMPARE(shot.size(), child->PaintBox1()->size() * 2);
        for (int y = 0; y < 30 * zoom; ++y)
            for (int x = 0; x < 41 * zoom; ++x) {
                const int32_t v = getpixel(&doc.Dib, x / zoom, y / zoom);
                const QRgb want = qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
                if (shot.pixel(x, y) != want)
                    QFAIL(qPrintable(QStringLiteral("zoom %1 at %2,%3").arg(zoom).arg(x).arg(y)));
            }
        if (shot.width() > 41 * zoom)
            QCOMPARE(shot.pixel(41 * zoom, 0), kWorkspaceColour.rgb());
    };
    check(1);
    form->SetZoom(2, 1);
    QCOMPARE(child->PaintBox1()->size(), QSize(41, 30));
    check(2);
    // the window fits the image's device pixels, not twice as many
    QVERIFY(child->SubWindow()->width() < 41 * 2 + 100);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pixorama"));
    QApplication::setApplicationName(QStringLiteral("pixorama"));
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "hidpi_test.moc"

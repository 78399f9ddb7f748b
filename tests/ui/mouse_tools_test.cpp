// The paint box's mouse, driven by real mouse events: rubber band and status read-out, the
// selection with its marching ants, moving it, the cursors, the zoom tool, the pipette, the line
// tool with the panel's width, and the selection menu.
#include "ui_test_support.h"

#include "app/ui/colour_panel.h"
#include "app/ui/main_form.h"
#include "app/ui/options_panel.h"
#include "app/ui/status_bar.h"
#include "app/ui/tool_palette.h"
#include "document/ui/mdi_child.h"
#include "platform/ui/cursors.h"
#include "tools/mouse_dispatch.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;

namespace {

constexpr int32_t kGrey = 0x808080;

std::unique_ptr<TMainForm> shownForm() {
    return pixorama::test::ShownMainForm();
}

TDibRecord greyImage(int w, int h) {
    TDibRecord d = CreateNewImage(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y, kGrey);
    return d;
}

// A mouse event with keys held, as the window system delivers it.
void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::KeyboardModifiers keys = {}) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button,
                  type == QEvent::MouseMove ? held : Qt::MouseButtons(button), keys);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, QPoint at, Qt::KeyboardModifiers keys = {},
           Qt::MouseButton b = Qt::LeftButton) {
    send(w, QEvent::MouseButtonPress, at, b, keys);
}
void moveTo(QWidget* w, QPoint at, Qt::KeyboardModifiers keys = {},
            Qt::MouseButton held = Qt::NoButton) {
    send(w, QEvent::MouseMove, at, held, keys);
}
void release(QWidget* w, QPoint at, Qt::KeyboardModifiers keys = {},
             Qt::MouseButton b = Qt::LeftButton) {
    send(w, QEvent::MouseButtonRelease, at, b, keys);
}

void chooseTool(TMainForm& form, Tool t) {
    QTest::mouseClick(form.ToolPalette()->Button(t), Qt::LeftButton);
}

QImage shown(TMDIChild* child) {
    return child->PaintBox1()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestMouseTools : public QObject {
    Q_OBJECT
  private slots:
    void rubberBandStatusAndAnts();
    void movingTheSelectionAndTheMenu();
    void cursorsFollowToolAndKeys();
    void zoomToolAndPipette();
    void lineToolReadsThePanel();
    void paintingToolsReadThePanel();
};

void TestMouseTools::rubberBandStatusAndAnts() {
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(greyImage(80, 60), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QVERIFY(child);
    QWidget* box = child->PaintBox1();
    chooseTool(*form, Tool::Select);
    press(box, {5, 5});
    moveTo(box, {20, 15}, {}, Qt::LeftButton);
    QCOMPARE(form->StatusBar()->PanelText(0), QStringLiteral("( 5 , 5 ) ->( 20 , 15 ) = ( 16 x 11 )"));
    QCOMPARE(form->StatusBar()->PanelText(1),
             QStringLiteral("Bild: 80 x 60 x 16777216 - 14 KByte   "));
    // the band inverts the image on its outline and leaves the inside as it is
    QImage view = shown(child);
    const QRgb inverted = qRgb(0x7F, 0x7F, 0x7F), grey = qRgb(0x80, 0x80, 0x80);
    QCOMPARE(view.pixel(5, 5), inverted);
    QCOMPARE(view.pixel(19, 14), inverted);
    QCOMPARE(view.pixel(12, 10), grey);
    QCOMPARE(view.pixel(20, 15), grey);
    release(box, {20, 15});
    const DocumentState& doc = child->Doc();
    QVERIFY(doc.HasSelection);
    QCOMPARE(doc.SelRect.Left, 5);
    QCOMPARE(doc.SelRect.Right, 19);
    QCOMPARE(doc.SelRect.Bottom, 14);
    QCOMPARE(doc.UndoCount, 1);
    // the ants: black and white on the outline, the band gone
    view = shown(child);
    QVERIFY(view.pixel(5, 5) == qRgb(0, 0, 0) || view.pixel(5, 5) == qRgb(255, 255, 255));
    QCOMPARE(view.pixel(12, 10), grey);
    QCOMPARE(view.pixel(20, 15), grey);
    const int phase = doc.AntsPhase;
    QTRY_VERIFY_WITH_TIMEOUT(doc.AntsPhase != phase, 1000);
    QVERIFY(child->Timer1()->interval() == 250);
}

void TestMouseTools::movingTheSelectionAndTheMenu() {
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(greyImage(50, 40), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QWidget* box = child->PaintBox1();
    const DocumentState& doc = child->Doc();
    chooseTool(*form, Tool::Select);
    press(box, {2, 2});
    moveTo(box, {12, 12}, {}, Qt::LeftButton);
    release(box, {12, 12});
    QVERIFY(form->Action(QStringLiteral("VomUntergrundlsen1"))->isEnabled());
    QVERIFY(!form->Action(QStringLiteral("MitUntergrundverschmelzen1"))->isEnabled());
    // a press inside moves it: a hole of the background colour (white) where it was
    press(box, {5, 5});
    QCOMPARE(doc.MouseMode, 98);
    moveTo(box, {25, 15}, {}, Qt::LeftButton);
    QImage view = shown(child);
    QCOMPARE(view.pixel(4, 4), qRgb(255, 255, 255));
    QCOMPARE(view.pixel(23, 13), qRgb(0x80, 0x80, 0x80));
    release(box, {25, 15});
    QVERIFY(doc.Floating);
    QCOMPARE(doc.SelRect.Left, 22);
    QCOMPARE(doc.SelRect.Top, 12);
    QVERIFY(form->Action(QStringLiteral("MitUntergrundverschmelzen1"))->isEnabled());
    form->Action(QStringLiteral("MitUntergrundverschmelzen1"))->trigger();
    QVERIFY(!doc.Floating);
    QVERIFY(doc.HasSelection);
    form->Action(QStringLiteral("VomUntergrundlsen1"))->trigger();
    QVERIFY(doc.Floating);
    form->Action(QStringLiteral("Auswahlumkeheren1"))->trigger();
    QVERIFY(!doc.Floating);
    QCOMPARE(getpixel(&doc.SelMask, 0, 0), 1);
    QCOMPARE(getpixel(&doc.SelMask, 23, 13), 0);
    form->Action(QStringLiteral("Nichtauswhlen1"))->trigger();
    QVERIFY(!doc.HasSelection);
    QVERIFY(!form->Action(QStringLiteral("VomUntergrundlsen1"))->isEnabled());
    form->Action(QStringLiteral("Allesauswhlen1"))->trigger();
    QVERIFY(doc.HasSelection);
    QCOMPARE(doc.SelRect.Right, 49);
    // undo goes back through select all, none and invert
    QCOMPARE(doc.UndoCount, 3);
}

void TestMouseTools::cursorsFollowToolAndKeys() {
    InstallCursors();
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(greyImage(50, 40), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QWidget* box = child->PaintBox1();
    const std::pair<Tool, int> plain[] = {{Tool::Zoom, 2},  {Tool::Hand, 1},  {Tool::Line, 5},
                                          {Tool::Shape, 6}, {Tool::Drop, 9},  {Tool::Fill, 12},
                                          {Tool::Magic, 11}, {Tool::Brush, 3}, {Tool::Txt, 10}};
    for (auto [tool, id] : plain) {
        chooseTool(*form, tool);
        moveTo(box, {30, 30});
        QCOMPARE(child->CursorId(), id);
        QCOMPARE(box->cursor().shape(), Qt::BitmapCursor);
    }
    chooseTool(*form, Tool::Magic);
    moveTo(box, {31, 30}, Qt::ShiftModifier);
    QCOMPARE(child->CursorId(), 13);
    moveTo(box, {31, 30}, Qt::ControlModifier);
    QCOMPARE(child->CursorId(), 14);
    // over a selected pixel without keys: the move cursor
    form->Action(QStringLiteral("Allesauswhlen1"))->trigger();
    moveTo(box, {31, 31});
    QCOMPARE(child->CursorId(), 1);
    const QPixmap a = ProgramCursor(1).pixmap(), b = box->cursor().pixmap();
    QCOMPARE(a.toImage(), b.toImage());
}

void TestMouseTools::zoomToolAndPipette() {
    auto form = shownForm();
    QVERIFY(form);
    TDibRecord img = greyImage(60, 40);
    setpixel(&img, 10, 10, 0x332211);
    form->ShowNewDocument(img, {}, false);
    TMDIChild* child = form->ActiveDocument();
    QWidget* box = child->PaintBox1();
    chooseTool(*form, Tool::Zoom);
    press(box, {30, 20});
    release(box, {30, 20});
    QCOMPARE(child->Doc().ZoomIn, 2);
    QVERIFY(child->windowTitle().endsWith(QStringLiteral("[2:1]")));
    QCOMPARE(form->OptionsPanel()->ZoomBox->currentText(), QStringLiteral("2:1"));
    QCOMPARE(box->width(), 120);
    press(box, {30, 20}, {}, Qt::RightButton);
    release(box, {30, 20}, {}, Qt::RightButton);
    QCOMPARE(child->Doc().ZoomIn, 1);

    chooseTool(*form, Tool::Drop);
    moveTo(box, {10, 10});
    QCOMPARE(form->ColourPanel()->RedLabel->text(), QStringLiteral("R 17"));
    QCOMPARE(form->ColourPanel()->BlueLabel->text(), QStringLiteral("B 51"));
    QCOMPARE(form->ColourPanel()->IndexLabel->text(), QStringLiteral("I  --"));
    press(box, {10, 10}, {}, Qt::RightButton);
    QCOMPARE(child->Doc().BackColor, 0x332211);
    QCOMPARE(form->ColourPanel()->Shape2->Colour(), QColor(0x11, 0x22, 0x33));
}

void TestMouseTools::lineToolReadsThePanel() {
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(greyImage(40, 30), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QWidget* box = child->PaintBox1();
    chooseTool(*form, Tool::Line);
    form->OptionsPanel()->BreitEdit->setValue(3);
    press(box, {5, 10});
    moveTo(box, {30, 11}, {}, Qt::LeftButton);
    release(box, {30, 11});
    const TDibRecord& dib = child->Doc().Dib;
    for (int y : {9, 10, 11})
        QCOMPARE(getpixel(&dib, 15, y), 0);
    QCOMPARE(getpixel(&dib, 15, 8), kGrey);
    QCOMPARE(getpixel(&dib, 30, 10), kGrey);
    QVERIFY(child->windowTitle().contains(QLatin1Char('*')));
    QVERIFY(form->Action(QStringLiteral("Rckgngig1"))->isEnabled());
}

void TestMouseTools::paintingToolsReadThePanel() {
    pixorama::test::MessageRecorder messages;
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(greyImage(60, 40), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QWidget* box = child->PaintBox1();
    const TDibRecord& dib = child->Doc().Dib;
    TOptionsPanel* panel = form->OptionsPanel();
    chooseTool(*form, Tool::Brush);
    panel->SizeEdit->setValue(1);
    press(box, {5, 5});
    moveTo(box, {9, 5}, {}, Qt::LeftButton);
    release(box, {9, 5});
    for (int x = 5; x <= 9; ++x)
        QCOMPARE(getpixel(&dib, x, 5), 0);
    QCOMPARE(getpixel(&dib, 10, 5), kGrey);
    QCOMPARE(getpixel(&dib, 5, 6), kGrey);

    // the clone tool without a source refuses with its caption
    chooseTool(*form, Tool::Clone);
    press(box, {20, 20});
    release(box, {20, 20});
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].caption, QStringLiteral("Fehler: kein Startpunkt!"));
    // with a Shift-click source it copies
    press(box, {5, 5}, Qt::ShiftModifier);
    release(box, {5, 5}, Qt::ShiftModifier);
    press(box, {30, 30});
    release(box, {30, 30});
    QCOMPARE(getpixel(&dib, 30, 30), 0);

    // the fill tool: "Muster" without a pattern is refused, a solid fill takes the colour
    chooseTool(*form, Tool::Fill);
    panel->FillStyleBox->setCurrentIndex(1);
    press(box, {50, 35});
    QCOMPARE(messages.messages.size(), size_t(2));
    QCOMPARE(messages.messages[1].text, QStringLiteral("Sie müssen zuerst ein Muster auswählen!"));
    panel->FillStyleBox->setCurrentIndex(0);
    const int undo = child->Doc().UndoCount;
    press(box, {50, 35}, {}, Qt::RightButton); // the background colour: white
    QCOMPARE(getpixel(&dib, 59, 39), 0xFFFFFF);
    QCOMPARE(getpixel(&dib, 5, 5), 0);
    QCOMPARE(child->Doc().UndoCount, undo + 1);
}

PIXORAMA_UI_TEST_MAIN(TestMouseTools)
#include "mouse_tools_test.moc"

// The tool palette, the options panel, the colour panel, the histogram window and undo, driven
// through their widgets as a person would.
#include "ui_test_support.h"

#include "app/ui/colour_panel.h"
#include "app/ui/config_bars.h"
#include "app/ui/main_form.h"
#include "app/ui/options_panel.h"
#include "app/ui/tool_palette.h"
#include "colour/hsl.h"
#include "document/std_palettes.h"
#include "document/ui/mdi_child.h"
#include "document/undo.h"
#include "ops/ui/histo_form.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

std::unique_ptr<TMainForm> shownForm() {
    return pixorama::test::ShownMainForm();
}

// A 24-bit image of one colour, a 16-colour image with the standard palette, a 1-bit image with
// a red/blue palette whose left half is index 1.
TDibRecord oneColour(int w, int h, int32_t value) {
    TDibRecord d = CreateNewImage(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y, value);
    return d;
}
TDibRecord redBlue(int w, int h) {
    TDibRecord d = CreateNewImage(w, h, 1);
    DibSetPaletteColor(&d, 0, 255, 0, 0);
    DibSetPaletteColor(&d, 1, 0, 0, 255);
    DibUpdatePaletteHandle(&d);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y, x < w / 2 ? 1 : 0);
    return d;
}

// Which of the named controls the panel shows now.
QStringList shownControls(TOptionsPanel& panel) {
    static const char* const names[] = {
        "BrushTypBox", "FormBox",  "SizeEdit",  "TrackBar1",    "HardEdit",  "TrackBar2",
        "DensEdit",    "TrackBar3", "OpaCityEdit", "TrackBar4", "p1",        "p6",
        "CloneBox",    "CloneLabel", "RetouchBox", "RetouchLabel", "TolEdit",  "TolLabel",
        "FillStyleBox", "FstyleLabel", "DirectBox", "DirLabel",  "LoadPattBtn", "BreitEdit",
        "BreitLabel",  "TypBox",   "TypLabel",  "StilBox",      "StilLabel", "ZoomBox",
        "ZoomLabel"};
    QStringList shown;
    for (const char* n : names) {
        auto* w = panel.findChild<QWidget*>(QLatin1String(n));
        if (w == nullptr)
            return {QStringLiteral("missing ") + QLatin1String(n)};
        if (w->isVisibleTo(&panel))
            shown << QLatin1String(n);
    }
    return shown;
}

void click(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(w, button, Qt::NoModifier, at);
}

QColor rgbOf(uint32_t rgb) {
    return QColor((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
}

} // namespace

class TestToolsColour : public QObject {
    Q_OBJECT

  private slots:
    void paletteButtonsAndPanelPerTool();
    void startValuesPresetsCouplingAndClamping();
    void zoomListFollowsAndApplies();
    void patternLoadingAndItsFailure();
    void colourFieldClicksAndReadout();
    void paletteStripSwatchesSwapAndDialog();
    void histogramWindow();
    void undoFourTimesAndAfterASizeChange();
    void colourFieldMemoryMessage();
    void toolbarDialogSwitchesTheNewBars();
    void tinyImageGetsAUsableWindow();
};

void TestToolsColour::paletteButtonsAndPanelPerTool() {
    auto form = shownForm();
    QVERIFY(form);
    TToolPalette* palette = form->ToolPalette();
    TOptionsPanel* panel = form->OptionsPanel();
    QCOMPARE(form->SpeedBar1, palette);
    QCOMPARE(form->speedbar2, panel);
    QCOMPARE(panel->height(), 105);
    QVERIFY(palette->IsDown(Tool::Zoom));
    QCOMPARE(shownControls(*panel), (QStringList{"ZoomBox", "ZoomLabel"}));
    QCOMPARE(palette->Button(Tool::Clone)->toolTip(),
             QStringLiteral("Clone-Stift: Verdoppelt Billdausschnitte"));
    QCOMPARE(palette->Button(Tool::Zoom)->objectName(), QStringLiteral("ZoomBtn"));
    QVERIFY(!palette->Button(Tool::Brush)->icon().isNull());

    const QStringList brush{"BrushTypBox", "FormBox",  "SizeEdit",    "TrackBar1",
                            "HardEdit",    "TrackBar2", "DensEdit",   "TrackBar3",
                            "OpaCityEdit", "TrackBar4", "p1",          "p6"};
    struct Case {
        Tool tool;
        QStringList shown;
    };
    const Case cases[] = {
        {Tool::Brush, brush},
        {Tool::Replace, brush},
        {Tool::Clone, brush + QStringList{"CloneBox", "CloneLabel"}},
        {Tool::Retouch, brush + QStringList{"RetouchBox", "RetouchLabel"}},
        {Tool::Select, {"TypBox", "TypLabel"}},
        {Tool::Magic, {"TolEdit", "TolLabel"}},
        {Tool::Fill,
         {"TolEdit", "TolLabel", "FillStyleBox", "FstyleLabel", "DirectBox", "DirLabel",
          "LoadPattBtn"}},
        {Tool::Line, {"BreitEdit", "BreitLabel"}},
        {Tool::Shape,
         {"BreitEdit", "BreitLabel", "TypBox", "TypLabel", "StilBox", "StilLabel"}},
        {Tool::Txt, {"ZoomBox", "ZoomLabel"}},
        {Tool::Hand, {"ZoomBox", "ZoomLabel"}},
        {Tool::FreeSel, {"ZoomBox", "ZoomLabel"}},
        {Tool::Drop, {"ZoomBox", "ZoomLabel"}},
        {Tool::Zoom, {"ZoomBox", "ZoomLabel"}},
    };
    for (const Case& c : cases) {
        click(palette->Button(c.tool), QPoint(5, 5));
        QStringList expected = c.shown;
        expected.sort();
        QStringList got = shownControls(*panel);
        got.sort();
        QCOMPARE(got, expected);
        QCOMPARE(form->SelectedTool(), c.tool);
        int down = 0;
        for (const TToolButton& b : kToolButtons)
            down += palette->IsDown(b.tool) ? 1 : 0;
        QCOMPARE(down, 1);
    }
    // the fill tool shows the direction and the pattern button whatever the style is
    panel->FillStyleBox->setCurrentIndex(0);
    click(palette->Button(Tool::Fill), QPoint(5, 5));
    QVERIFY(panel->DirectBox->isVisibleTo(panel));
    QVERIFY(panel->LoadPattBtn->isVisibleTo(panel));
}

void TestToolsColour::startValuesPresetsCouplingAndClamping() {
    auto form = shownForm();
    QVERIFY(form);
    TOptionsPanel* p = form->OptionsPanel();
    QCOMPARE(p->TypBox->currentText(), QStringLiteral("Rechteck"));
    QCOMPARE(p->StilBox->currentText(), QStringLiteral("Umrissen"));
    QCOMPARE(p->FormBox->currentText(), QStringLiteral("Kreis"));
    QCOMPARE(p->CloneBox->currentText(), QStringLiteral("Ausgerichtet"));
    QCOMPARE(p->ZoomBox->currentText(), QStringLiteral("1:1"));
    QCOMPARE(p->ZoomBox->count(), 31);
    QCOMPARE(p->BrushTypBox->currentText(), QStringLiteral("Normal"));
    QCOMPARE(p->RetouchBox->currentText(), QStringLiteral("Aufhellen"));
    QCOMPARE(p->FillStyleBox->currentText(), QStringLiteral("Einheitliche Farbe"));
    QCOMPARE(p->DirectBox->currentText(), QStringLiteral("NW-SO"));
    QCOMPARE(p->DirectBox->count(), 8);
    QCOMPARE(p->Size(), 7);
    QCOMPARE(p->Hard(), 50);
    QCOMPARE(p->Dens(), 100);
    QCOMPARE(p->Opacity(), 0);
    QCOMPARE(p->Tol(), 25);
    QCOMPARE(p->Breit(), 1);
    QCOMPARE(p->TrackBar1->value(), 7);
    QCOMPARE(p->TrackBar2->value(), 50);
    QCOMPARE(p->TrackBar3->value(), 100);
    QCOMPARE(p->TrackBar4->value(), 0);
    QCOMPARE(p->TrackBar1->maximum(), 200);
    QCOMPARE(p->TrackBar4->maximum(), 99);
    QCOMPARE(p->TrackBar3->minimum(), 1);
    QCOMPARE(p->findChild<QLabel*>(QStringLiteral("p4"))->text(), QStringLiteral("Pinsel-Härte:"));
    QCOMPARE(p->findChild<QLabel*>(QStringLiteral("FstyleLabel"))->text(),
             QStringLiteral("Füllstil:"));
    QCOMPARE(p->LoadPattBtn->text(), QStringLiteral("Muster &laden"));

    // presets through the list; "Normal" keeps what the last one set
    p->BrushTypBox->setCurrentIndex(8); // Spraydose
    QCOMPARE(p->Hard(), 0);
    QCOMPARE(p->Dens(), 90);
    QCOMPARE(p->Opacity(), 87);
    QCOMPARE(p->TrackBar2->value(), 0);
    QCOMPARE(p->TrackBar3->value(), 90);
    QCOMPARE(p->TrackBar4->value(), 87);
    p->BrushTypBox->setCurrentIndex(0);
    QCOMPARE(p->Hard(), 0);
    QCOMPARE(p->Dens(), 90);
    QCOMPARE(p->Opacity(), 87);
    p->BrushTypBox->setCurrentIndex(5); // Buntstift
    QCOMPARE(p->Hard(), 100);
    QCOMPARE(p->Dens(), 11);
    QCOMPARE(p->Opacity(), 50);
    QCOMPARE(p->Size(), 7); // size and shape are no part of a preset
    QCOMPARE(p->FormBox->currentIndex(), 1);

    // each pair follows the other, once
    int edits = 0, bars = 0;
    connect(p->SizeEdit, &QSpinBox::valueChanged, this, [&] { ++edits; });
    connect(p->TrackBar1, &QSlider::valueChanged, this, [&] { ++bars; });
    p->TrackBar1->setValue(120);
    QCOMPARE(p->SizeEdit->value(), 120);
    QCOMPARE(edits, 1);
    QCOMPARE(bars, 1);
    p->SizeEdit->setValue(33);
    QCOMPARE(p->TrackBar1->value(), 33);

    // typed past the end: the track bar goes to its end and the brush reads the end value
    click(form->ToolPalette()->Button(Tool::Brush), QPoint(5, 5));
    p->HardEdit->setFocus();
    p->HardEdit->selectAll();
    QTest::keyClicks(p->HardEdit, QStringLiteral("150"));
    QCOMPARE(p->Hard(), 100);
    QCOMPARE(p->TrackBar2->value(), 100);
    p->SizeEdit->selectAll();
    QTest::keyClicks(p->SizeEdit, QStringLiteral("0"));
    QCOMPARE(p->Size(), 1);
    QTest::keyClick(p->HardEdit, Qt::Key_Return);
    QCOMPARE(p->HardEdit->value(), 100);
}

void TestToolsColour::zoomListFollowsAndApplies() {
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(oneColour(60, 40, 0x102030), {}, false);
    TMDIChild* first = form->ActiveDocument();
    TOptionsPanel* p = form->OptionsPanel();
    // a choice in the list zooms the active document
    p->ZoomBox->setCurrentIndex(13);
    emit p->ZoomBox->activated(13); // "3:1"
    QCOMPARE(first->Doc().ZoomIn, 3);
    QCOMPARE(first->PaintBox1()->size(), QSize(180, 120));
    // the menu's zoom shows in the list, and so does the zoom of the next active document
    form->SetZoom(1, 4);
    QCOMPARE(p->ZoomBox->currentText(), QStringLiteral("1:4"));
    form->ShowNewDocument(oneColour(30, 20, 0), {}, false);
    QCOMPARE(p->ZoomBox->currentText(), QStringLiteral("1:1"));
    form->MdiArea()->setActiveSubWindow(first->SubWindow());
    QCOMPARE(p->ZoomBox->currentText(), QStringLiteral("1:4"));
}

void TestToolsColour::patternLoadingAndItsFailure() {
    auto form = shownForm();
    QVERIFY(form);
    QTemporaryDir dir;
    const QString good = pixorama::test::WriteBmp(dir.filePath(QStringLiteral("p.bmp")), 8, 6, 24);
    QVERIFY(!good.isEmpty());
    const QString bad = dir.filePath(QStringLiteral("bad.bmp"));
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM not really");
    }
    QString answer;
    SetOpenDialogHook([&](const QStringList&) { return answer; });
    MessageRecorder messages;
    QCOMPARE(form->PatternDib.Bits, nullptr);
    answer = QString(); // cancelled: nothing changes
    form->OptionsPanel()->LoadPattBtn->click();
    QCOMPARE(form->PatternDib.Bits, nullptr);
    answer = good;
    form->OptionsPanel()->LoadPattBtn->click();
    QVERIFY(form->PatternDib.Bits != nullptr);
    QCOMPARE(DibWidth(&form->PatternDib), 8);
    QVERIFY(messages.messages.empty());
    answer = bad;
    form->LoadPattBtnClick();
    QCOMPARE(form->PatternDib.Bits, nullptr);
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].text, QStringLiteral("Fehler beim Laden des Bildes!"));
    QCOMPARE(messages.messages[0].flags, int(MB_ICONSTOP));
    QCOMPARE(messages.messages[0].caption, QStringLiteral("Pixorama 1.0"));
    SetOpenDialogHook({});
}

void TestToolsColour::colourFieldClicksAndReadout() {
    auto form = shownForm();
    QVERIFY(form);
    TColourPanel* c = form->ColourPanel();
    // nothing active: an empty strip, clicks do nothing
    QCOMPARE(c->PalPaintBox->size(), QSize(29, 5));
    click(c->PalPaintBox, QPoint(10, 10));

    form->ShowNewDocument(oneColour(20, 10, 0x00FF00), {}, false);
    TMDIChild* doc = form->ActiveDocument();
    QCOMPARE(c->PalPaintBox->size(), QSize(52, 96));
    click(c->PalPaintBox, QPoint(2, 0));
    QCOMPARE(doc->Doc().ForeColor, 2); // darkest red: 2, 0, 0
    QCOMPARE(c->Shape1->Colour(), QColor(2, 0, 0));
    click(c->PalPaintBox, QPoint(48, 0), Qt::RightButton);
    QCOMPARE(doc->Doc().BackColor, 255 | (243 << 8) | (243 << 16));
    QCOMPARE(c->Shape2->Colour(), QColor(255, 243, 243));
    click(c->PalPaintBox, QPoint(49, 0));
    QCOMPARE(doc->Doc().ForeColor, 2); // outside
    click(c->PalPaintBox, QPoint(20, 50), Qt::MiddleButton);
    QCOMPARE(doc->Doc().ForeColor, 2);

    // the field is drawn from x = 2 on, the red row at the top
    const QImage strip = c->PalPaintBox->grab().toImage();
    const TRgb top = HslToRgb(0, 255, 127);
    const QColor mid = strip.pixelColor(26, 0);
    QVERIFY2(mid.red() >= 200 && mid.green() < 80, qPrintable(mid.name()));
    QCOMPARE(top.R, 255);

    // read-out over the field, then back to "--" when the timer fires
    QTest::mouseMove(c->PalPaintBox, QPoint(48, 0));
    QMouseEvent move(QEvent::MouseMove, QPointF(48, 0), QPointF(48, 0), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(c->PalPaintBox, &move);
    QCOMPARE(c->RedLabel->text(), QStringLiteral("R 255"));
    QCOMPARE(c->GreenLabel->text(), QStringLiteral("G 243"));
    QCOMPARE(c->IndexLabel->text(), QStringLiteral("I  --"));
    QVERIFY(c->AColShape->isVisibleTo(c));
    QCOMPARE(c->AColShape->Colour(), QColor(255, 243, 243));
    QVERIFY(c->AColTimer1->isActive());
    QCOMPARE(c->AColTimer1->interval(), 3000);
    c->AColTimer1Timer();
    QCOMPARE(c->RedLabel->text(), QStringLiteral("R --"));
    QCOMPARE(c->BlueLabel->text(), QStringLiteral("B --"));
    QCOMPARE(c->IndexLabel->text(), QStringLiteral("I   --"));
    QVERIFY(!c->AColShape->isVisibleTo(c));
    QCOMPARE(c->AColShape->Colour(), QColor(128, 128, 128));
    QVERIFY(!c->AColTimer1->isActive());

    // the colour dialog on a 24-bit image takes the colour itself
    TColourPanel::ColorDialogHook = [](QColor& colour) {
        colour = QColor(255, 128, 0);
        return true;
    };
    click(c->Shape1, QPoint(5, 5));
    QCOMPARE(doc->Doc().ForeColor, 255 | (128 << 8));
    TColourPanel::ColorDialogHook = [](QColor&) { return false; };
    click(c->Shape1, QPoint(5, 5));
    QCOMPARE(doc->Doc().ForeColor, 255 | (128 << 8));
    TColourPanel::ColorDialogHook = nullptr;
}

void TestToolsColour::paletteStripSwatchesSwapAndDialog() {
    auto form = shownForm();
    QVERIFY(form);
    TColourPanel* c = form->ColourPanel();
    form->ShowNewDocument(CreateNewImage(30, 20, 4), {}, false);
    TMDIChild* doc = form->ActiveDocument();
    QCOMPARE(doc->Doc().ForeColor, 0);
    QCOMPARE(doc->Doc().BackColor, 15);
    QCOMPARE(c->PalPaintBox->size(), QSize(29, 8 * 12 + 5));

    // swatch 5: row 2, right column, both edges count
    click(c->PalPaintBox, QPoint(17, 29), Qt::RightButton);
    QCOMPARE(doc->Doc().BackColor, 5);
    QCOMPARE(c->Shape2->Colour(), rgbOf(StdPalette16[5]));
    click(c->PalPaintBox, QPoint(27, 39));
    QCOMPARE(doc->Doc().ForeColor, 5);
    click(c->PalPaintBox, QPoint(16, 29)); // between the columns
    QCOMPARE(doc->Doc().ForeColor, 5);
    click(c->PalPaintBox, QPoint(5, 5));
    QCOMPARE(doc->Doc().ForeColor, 0);
    const QImage strip = c->PalPaintBox->grab().toImage();
    QCOMPARE(strip.pixelColor(22, 34), rgbOf(StdPalette16[5]));
    QCOMPARE(strip.pixelColor(10, 94), rgbOf(StdPalette16[14]));

    // the read-out names the index
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 32), QPointF(20, 32), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(c->PalPaintBox, &move);
    QCOMPARE(c->IndexLabel->text(), QStringLiteral("I  5"));
    QCOMPARE(c->RedLabel->text(),
             QStringLiteral("R %1").arg((StdPalette16[5] >> 16) & 255));
    QMouseEvent overShape(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(c->Shape2, &overShape);
    QCOMPARE(c->IndexLabel->text(), QStringLiteral("I  5"));

    // swap twice gives the pair back
    c->RxSpeedButton1->click();
    QCOMPARE(doc->Doc().ForeColor, 5);
    QCOMPARE(doc->Doc().BackColor, 0);
    QCOMPARE(c->Shape1->Colour(), rgbOf(StdPalette16[5]));
    c->RxSpeedButton1->click();
    QCOMPARE(doc->Doc().ForeColor, 0);
    QCOMPARE(doc->Doc().BackColor, 5);

    // orange in the dialog becomes the nearest palette index
    QColor offered;
    TColourPanel::ColorDialogHook = [&](QColor& colour) {
        offered = colour;
        colour = QColor(255, 165, 0);
        return true;
    };
    click(c->Shape2, QPoint(5, 5));
    TColourPanel::ColorDialogHook = nullptr;
    QCOMPARE(offered, rgbOf(StdPalette16[5]));
    const int32_t nearest = static_cast<int32_t>(
        GetNearestPaletteIndex(doc->Doc().Dib.PaletteHandle, 255 | (165 << 8)));
    QCOMPARE(doc->Doc().BackColor, nearest);
    QVERIFY(nearest >= 0 && nearest < 16);

    // every document keeps its own colours; activation shows them
    form->ShowNewDocument(CreateNewImage(10, 10, 8), {}, false);
    TMDIChild* second = form->ActiveDocument();
    QCOMPARE(c->PalPaintBox->size(), QSize(29, 128 * 12 + 5));
    click(c->PalPaintBox, QPoint(5, 5 + 12 * 3), Qt::LeftButton); // entry 6
    QCOMPARE(second->Doc().ForeColor, 6);
    form->MdiArea()->setActiveSubWindow(doc->SubWindow());
    QCOMPARE(c->PalPaintBox->size(), QSize(29, 8 * 12 + 5));
    QCOMPARE(doc->Doc().ForeColor, 0);
    QCOMPARE(c->Shape1->Colour(), rgbOf(StdPalette16[0]));
    QCOMPARE(c->Shape2->Colour(), rgbOf(StdPalette16[static_cast<size_t>(nearest)]));
}

void TestToolsColour::histogramWindow() {
    auto form = shownForm();
    QVERIFY(form);
    THistoForm* h = form->HistoWindow();
    QCOMPARE(form->HistoForm, h);
    QTRY_VERIFY(h->isVisible()); // ShowHistogr is down by default
    QCOMPARE(h->windowTitle(), QStringLiteral("Histogramm"));
    // a tool window of the frame, not above every window (modal dialogs cover it)
    QCOMPARE(h->windowType(), Qt::Tool);
    QVERIFY(!(h->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(h->HPaintBox->size(), QSize(305, 153));

    // one colour: one spike per table, 100 %
    form->ShowNewDocument(oneColour(8, 5, 10 | (20 << 8) | (30 << 16)), {}, false);
    QCOMPARE(h->InfoText->text(), QStringLiteral("Max: 40 (100%); Min: 0; Durchschnitt: 19"));
    QImage shot = h->HPaintBox->grab().toImage();
    QCOMPARE(shot.pixelColor(15, 100), QColor(255, 0, 0)); // red spike at 10
    QCOMPARE(shot.pixelColor(25, 100), QColor(0, 128, 0)); // green at 20
    QCOMPARE(shot.pixelColor(35, 100), QColor(0, 0, 255)); // blue at 30
    QCOMPARE(shot.pixelColor(23, 100), QColor(0, 0, 0));   // luminance at 18
    QCOMPARE(shot.pixelColor(4, 10), QColor(0, 0, 0));                      // the axis

    // a red/blue 1-bit image still counts at 0 and 255
    form->ShowNewDocument(redBlue(10, 4), {}, false);
    const THistogramState& s = h->State();
    for (int t = 0; t < 4; ++t) {
        QCOMPARE(s.Tables[static_cast<size_t>(t)][255], 20u);
        QCOMPARE(s.Tables[static_cast<size_t>(t)][0], 20u);
    }
    const QString text = h->InfoText->text();
    QVERIFY(text.startsWith(QStringLiteral("Max: 20 (50%)")));

    // all boxes off: axes without curves, the line keeps its text
    for (QCheckBox* b : {h->RedCheck, h->GreenCheck, h->BlueCheck, h->LumCheck})
        b->setChecked(false);
    QVERIFY(!s.Valid);
    QCOMPARE(h->InfoText->text(), text);
    shot = h->HPaintBox->grab().toImage();
    QCOMPARE(shot.pixelColor(4, 10), QColor(0, 0, 0));
    for (int x = 5; x < 261; ++x)
        QVERIFY(shot.pixelColor(x, 40) == shot.pixelColor(300, 40));
    h->RedCheck->setChecked(true);
    QVERIFY(s.Valid);
    QCOMPARE(s.Maximum, 20);

    // hidden: nothing is counted; showing again recomputes
    form->ShowHistogr()->trigger();
    QVERIFY(!h->isVisible());
    form->ShowNewDocument(oneColour(3, 3, 0), {}, false);
    QCOMPARE(s.Tables[kHistRed][0], 20u);
    form->ShowHistogr()->trigger();
    QVERIFY(h->isVisible());
    QCOMPARE(s.Tables[kHistRed][0], 9u);
    QCOMPARE(h->InfoText->text(), QStringLiteral("Max: 9 (100%); Min: 0; Durchschnitt: 0"));

    // closing the active document clears the curves
    form->ActiveDocument()->SubWindow()->close();
    QCoreApplication::processEvents();
    QVERIFY(form->ActiveDocument() != nullptr); // another one is active and counted
    QVERIFY(s.Valid);
    MessageRecorder messages;
    messages.answers = {IDNO, IDNO, IDNO};
    form->MdiArea()->closeAllSubWindows();
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);
    QVERIFY(!s.Valid);
    QVERIFY(h->InfoText->text().isEmpty());

    // the boxes are kept for the next run; closing the window releases the button
    QVERIFY(form->ShowHistogr()->isChecked());
    h->close();
    QVERIFY(!form->ShowHistogr()->isChecked());
    form.reset();
    TMainForm again;
    QVERIFY(again.HistoWindow()->RedCheck->isChecked());
    QVERIFY(!again.HistoWindow()->GreenCheck->isChecked());
    QVERIFY(!again.HistoWindow()->isVisible());
    again.HistoWindow()->GreenCheck->setChecked(true);
    again.HistoWindow()->BlueCheck->setChecked(true);
    again.HistoWindow()->LumCheck->setChecked(true);
}

void TestToolsColour::undoFourTimesAndAfterASizeChange() {
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(oneColour(40, 30, 0), {}, false);
    TMDIChild* child = form->ActiveDocument();
    DocumentState& doc = child->Doc();
    QAction* undo = form->Action(QStringLiteral("Rckgngig1"));
    QAction* button = form->Action(QStringLiteral("UndoItSpeedBtn"));
    QVERIFY(!undo->isEnabled());
    // four changes: pixel (0, 0) becomes 1, 2, 3, 4
    for (int v = 1; v <= 4; ++v) {
        SaveForUndo(doc, form->CoreHost());
        setpixel(&doc.Dib, 0, 0, v);
    }
    QVERIFY(undo->isEnabled());
    QVERIFY(button->isEnabled());
    QVERIFY(child->SubWindow()->windowTitle().contains(QLatin1Char('*')));
    undo->trigger();
    QCOMPARE(getpixel(&doc.Dib, 0, 0), 3);
    button->trigger();
    QCOMPARE(getpixel(&doc.Dib, 0, 0), 2);
    QVERIFY(undo->isEnabled());
    form->Rckgngig1Click();
    QCOMPARE(getpixel(&doc.Dib, 0, 0), 1);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!button->isEnabled());
    form->Rckgngig1Click(); // nothing left
    QCOMPARE(getpixel(&doc.Dib, 0, 0), 1);
    QVERIFY(doc.Modified); // the "*" stays
    QVERIFY(child->SubWindow()->windowTitle().contains(QLatin1Char('*')));

    // a size change taken back restores the size and refits the window at its zoom
    form->SetZoom(2, 1);
    const QSize before = child->SubWindow()->size();
    SaveForUndo(doc, form->CoreHost());
    TDibRecord bigger = oneColour(70, 50, 0x0000FF);
    deldib(&doc.Dib);
    doc.Dib = bigger;
    child->UpdatePaintBoxSize();
    QCOMPARE(child->PaintBox1()->size(), QSize(140, 100));
    child->SubWindow()->resize(300, 250);
    form->Rckgngig1Click();
    QCOMPARE(DibWidth(&doc.Dib), 40);
    QCOMPARE(child->PaintBox1()->size(), QSize(80, 60));
    QCOMPARE(child->SubWindow()->size(), before);
    QCOMPARE(doc.ZoomIn, 2);
    // the histogram follows the undo
    QCOMPARE(form->HistoWindow()->InfoText->text(),
             QStringLiteral("Max: 1200 (100%); Min: 0; Durchschnitt: 0"));
}

void TestToolsColour::colourFieldMemoryMessage() {
    {
        auto form = shownForm();
        QVERIFY(form);
        QCOMPARE(DibWidth(&form->ColorField), 48);
        QCOMPARE(DibHeight(&form->ColorField), 96);
        QCOMPARE(getpixel(&form->ColorField, 47, 0), 0xFFFFFF);
    }
    MessageRecorder messages;
    PictoraSetAllocLimit(PictoraAllocatedBytes() + 1);
    auto starved = std::make_unique<TMainForm>();
    PictoraSetAllocLimit(0);
    QCOMPARE(starved->ColorField.Bits, nullptr);
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].text,
             QStringLiteral("Fehler: Zuwenig Speicher! Dieses Programm wird mit so wenig "
                            "Speicher nicht richtig arbeiten können!"));
    QCOMPARE(messages.messages[0].flags, int(MB_ICONSTOP));
    // the program goes on: a 24-bit document draws no field but takes no harm
    starved->show();
    QVERIFY(QTest::qWaitForWindowExposed(starved.get()));
    starved->ShowNewDocument(oneColour(5, 5, 0), {}, false);
    starved->ColourPanel()->PalPaintBox->grab();
    click(starved->ColourPanel()->PalPaintBox, QPoint(10, 10));
    QVERIFY(starved->ActiveDocument()->Doc().ForeColor != 0);
}

void TestToolsColour::toolbarDialogSwitchesTheNewBars() {
    auto form = shownForm();
    QVERIFY(form);
    QTRY_VERIFY(form->HistoWindow()->isVisible());
    std::array<bool, TConfigBars::EntryCount> offered{};
    TConfigBars::RunHook = [&](TConfigBars& d) {
        offered = d.Checked();
        for (int i = TConfigBars::Drawing; i <= TConfigBars::Histogram; ++i)
            d.CheckList->item(i)->setCheckState(Qt::Unchecked);
        return true;
    };
    form->Toolbars1Click();
    TConfigBars::RunHook = nullptr;
    QVERIFY(offered[TConfigBars::Drawing]);
    QVERIFY(offered[TConfigBars::Colours]);
    QVERIFY(offered[TConfigBars::Controls]);
    QVERIFY(offered[TConfigBars::Histogram]);
    QVERIFY(!form->ToolPalette()->isVisible());
    QVERIFY(!form->ColourPanel()->isVisible());
    QVERIFY(!form->OptionsPanel()->isVisible());
    QVERIFY(!form->HistoWindow()->isVisible());
    QVERIFY(form->ShowKontroll()->isChecked()); // the toggles stay as they were
    // the toggle shows the panel again
    form->ShowKontroll()->trigger();
    form->ShowKontroll()->trigger();
    QVERIFY(form->OptionsPanel()->isVisible());

    // shown again through the dialog, the histogram counts the image opened while it was hidden
    const THistogramState& s = form->HistoWindow()->State();
    form->ShowNewDocument(oneColour(3, 3, 0), {}, false);
    QCOMPARE(s.Tables[kHistRed][0], 0u);
    TConfigBars::RunHook = [](TConfigBars& d) {
        d.CheckList->item(TConfigBars::Histogram)->setCheckState(Qt::Checked);
        return true;
    };
    form->Toolbars1Click();
    TConfigBars::RunHook = nullptr;
    QVERIFY(form->HistoWindow()->isVisible());
    QCOMPARE(s.Tables[kHistRed][0], 9u);
    QVERIFY(s.Valid);
}

void TestToolsColour::tinyImageGetsAUsableWindow() {
    auto form = shownForm();
    QVERIFY(form);
    form->ShowNewDocument(oneColour(13, 7, 0xFF8000), {}, false);
    QMdiSubWindow* sub = form->ActiveDocument()->SubWindow();
    QVERIFY2(sub->width() >= 180 && sub->height() >= 110,
             qPrintable(QStringLiteral("%1 x %2").arg(sub->width()).arg(sub->height())));
    QVERIFY(sub->width() >= sub->minimumSizeHint().width());
    form->GreanBildanpassen1Click();
    QVERIFY(sub->width() >= 180);
}

PIXORAMA_UI_TEST_MAIN(TestToolsColour)

#include "tools_colour_test.moc"

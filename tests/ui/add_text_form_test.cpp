// TAddTextForm: captions and start values, the font read-out, the preview of the first line,
// the font dialog's colour becoming the foreground colour, the settings kept between runs, and
// the text tool in a document window from the click to the placed text.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "app/ui/tool_palette.h"
#include "colour/hsl.h"
#include "document/ui/mdi_child.h"
#include "tools/floating.h"
#include "tools/text_render.h"
#include "tools/ui/add_text_form.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QToolButton>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;

namespace {

// The core's mask of one line in the start font (or the one given).
QString maskPicture(const std::string& line, const std::string& family = "Times New Roman",
                    int px = 21) {
    DibHolder m;
    if (RenderTextMask({line}, {family, px}, kAlignLeft, m.get()) != TextRenderResult::Ok)
        return {};
    QString s;
    for (int32_t y = 0; y < DibHeight(&m.get()); ++y) {
        for (int32_t x = 0; x < DibWidth(&m.get()); ++x)
            s += getpixel(&m.get(), x, y) == 1 ? QLatin1Char('#') : QLatin1Char('.');
        s += QLatin1Char('\n');
    }
    return s;
}

QString previewPicture(const QImage& img, const QColor& colour) {
    QString s;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            s += c.alpha() == 255 && c.rgb() == colour.rgb() ? QLatin1Char('#') : QLatin1Char('.');
        }
        s += QLatin1Char('\n');
    }
    return s;
}

struct Swatch {
    QColor colour = Qt::blue;
    std::vector<QColor> set;
    std::unique_ptr<TAddTextForm> form() {
        return std::make_unique<TAddTextForm>(
            nullptr, [this] { return colour; }, [this](const QColor& c) { set.push_back(c); });
    }
};

void send(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(w, &e);
}
void click(QWidget* w, QPoint at) {
    send(w, QEvent::MouseButtonPress, at);
    send(w, QEvent::MouseButtonRelease, at);
}

} // namespace

class TestAddTextForm : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() {
        TAddTextForm::RunHook = {};
        TAddTextForm::FontDialogHook = {};
    }
    void captionsAndStartValues();
    void previewShowsTheFirstLine();
    void fontChoiceAndItsColour();
    void settingsKeptBetweenRuns();
    void textToolInTheWindow();
    void paletteImageTakesTheNearestEntry();
};

void TestAddTextForm::captionsAndStartValues() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pixorama"),
              QStringLiteral("pixorama"))
        .remove(QStringLiteral("TAddTextForm"));
    Swatch swatch;
    auto f = swatch.form();
    QCOMPARE(f->windowTitle(), QStringLiteral("Text hinzufügen"));
    QCOMPARE(f->RxLabel3->text(), QStringLiteral("Gewählte Schriftart:"));
    QCOMPARE(f->SelFont->text(), QStringLiteral("Schriftart &wählen..."));
    QCOMPARE(f->RadioGroup1->title(), QStringLiteral("Ausrichtung"));
    QCOMPARE(f->Leftb->text(), QStringLiteral("Linksbündig"));
    QCOMPARE(f->Zentr->text(), QStringLiteral("Zentriert"));
    QCOMPARE(f->Rightb->text(), QStringLiteral("Rechtsbündig"));
    QCOMPARE(f->RxLabel2->text(), QStringLiteral("Vorschau:"));
    QCOMPARE(f->RxLabel1->text(), QStringLiteral("Hinzuzufügender Text:"));
    QCOMPARE(f->OkBtn->text(), QStringLiteral("&OK"));
    QCOMPARE(f->CancelBtn->text(), QStringLiteral("A&bbrechen"));
    QVERIFY(f->Leftb->isChecked());
    QCOMPARE(f->TxtMemo->toPlainText(), QStringLiteral("Test"));
    QVERIFY(f->FntLabel->isReadOnly());
    QCOMPARE(f->FntLabel->text(), QStringLiteral("Times New Roman ; Größe:16"));
    QCOMPARE(f->FontDialog1.Height, 21);
    QCOMPARE(f->FontDialog1.Color, QColor(Qt::white));
    const TTextRequest r = f->Request();
    QCOMPARE(r.Lines, std::vector<std::string>{"Test"});
    QCOMPARE(r.Family, std::string("Times New Roman"));
    QCOMPARE(r.PixelSize, 21);
    QCOMPARE(r.Align, int(kAlignLeft));
    // cancel through the hook: Run reports it
    TAddTextForm::RunHook = [](TAddTextForm&) { return false; };
    QVERIFY(!f->Run());
}

void TestAddTextForm::previewShowsTheFirstLine() {
    Swatch swatch;
    auto f = swatch.form();
    f->TxtMemo->setPlainText(QStringLiteral("Erste\nZweite Zeile"));
    QCOMPARE(previewPicture(f->PreviewImage(), swatch.colour), maskPicture("Erste"));
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    const QImage shown = f->FontPaintBox->grab().toImage();
    // the painted preview carries the swatch colour where the letters are
    const QString pic = maskPicture("Erste");
    const int row = static_cast<int>(pic.indexOf(QLatin1Char('#'))) /
                    (static_cast<int>(pic.indexOf(QLatin1Char('\n'))) + 1);
    const int col = static_cast<int>(pic.indexOf(QLatin1Char('#'))) %
                    (static_cast<int>(pic.indexOf(QLatin1Char('\n'))) + 1);
    QCOMPARE(shown.pixelColor(col, row).rgb(), QColor(swatch.colour).rgb());
    // an empty first line shows nothing
    f->TxtMemo->setPlainText(QStringLiteral("\nunten"));
    QVERIFY(f->PreviewImage().isNull());
    // Request carries every line, the alignment and the font
    f->TxtMemo->setPlainText(QStringLiteral("A\nBBB\nCC"));
    f->Rightb->setChecked(true);
    TTextRequest r = f->Request();
    QCOMPARE(r.Lines, (std::vector<std::string>{"A", "BBB", "CC"}));
    QCOMPARE(r.Align, int(kAlignRight));
    f->Zentr->setChecked(true);
    QCOMPARE(f->Request().Align, int(kAlignCenter));
}

void TestAddTextForm::fontChoiceAndItsColour() {
    Swatch swatch;
    auto f = swatch.form();
    QColor offered;
    TAddTextForm::FontDialogHook = [&](TDialogFont& font) {
        offered = font.Color;
        font.Name = QStringLiteral("Liberation Sans");
        font.Height = 32;
        font.Bold = true;
        font.Color = Qt::red;
        return true;
    };
    f->SelFont->click();
    QCOMPARE(offered, swatch.colour); // the dialog opens with the swatch's colour
    QCOMPARE(f->FntLabel->text(), QStringLiteral("Liberation Sans ; Größe:24"));
    QCOMPARE(swatch.set.size(), size_t(1));
    QCOMPARE(swatch.set[0], QColor(Qt::red));
    QCOMPARE(f->Request().Family, std::string("Liberation Sans"));
    QCOMPARE(f->Request().PixelSize, 32);
    QVERIFY(f->Request().Bold);
    // the same colour as the swatch: the foreground colour is left alone
    TAddTextForm::FontDialogHook = [&](TDialogFont&) { return true; };
    f->SelFont->click();
    QCOMPARE(swatch.set.size(), size_t(1));
    // cancelled: nothing changes
    TAddTextForm::FontDialogHook = [&](TDialogFont& font) {
        font.Name = QStringLiteral("DejaVu Sans");
        font.Color = Qt::green;
        return false;
    };
    f->SelFont->click();
    QCOMPARE(f->FontDialog1.Name, QStringLiteral("Liberation Sans"));
    QCOMPARE(swatch.set.size(), size_t(1));
}

void TestAddTextForm::settingsKeptBetweenRuns() {
    Swatch swatch;
    {
        auto f = swatch.form();
        TAddTextForm::FontDialogHook = [](TDialogFont& font) {
            font.Name = QStringLiteral("Liberation Mono");
            font.Height = 40;
            font.Italic = true;
            return true;
        };
        f->SelFont->click();
        f->TxtMemo->setPlainText(QStringLiteral("Zeile 1\nZeile 2"));
        f->Zentr->setChecked(true);
    } // closing writes the settings back
    auto g = swatch.form();
    QCOMPARE(g->TxtMemo->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
    QVERIFY(g->Zentr->isChecked());
    QVERIFY(!g->Leftb->isChecked());
    QCOMPARE(g->FontDialog1.Name, QStringLiteral("Liberation Mono"));
    QCOMPARE(g->FontDialog1.Height, 40);
    QVERIFY(g->FontDialog1.Italic);
    QCOMPARE(g->FntLabel->text(), QStringLiteral("Liberation Mono ; Größe:30"));
    g->Rightb->setChecked(true);
    g.reset();
    auto h = swatch.form();
    QVERIFY(h->Rightb->isChecked());
}

void TestAddTextForm::textToolInTheWindow() {
    auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->ShowNewDocument(CreateNewImage(200, 100, 24), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QVERIFY(child);
    const DocumentState& doc = child->Doc();
    QWidget* box = child->PaintBox1();
    QTest::mouseClick(form->ToolPalette()->Button(Tool::Txt), Qt::LeftButton);
    int runs = 0;
    TAddTextForm::RunHook = [&](TAddTextForm& f) {
        ++runs;
        f.TxtMemo->setPlainText(QStringLiteral("Hallo"));
        f.Leftb->setChecked(true);
        return true;
    };
    TAddTextForm::FontDialogHook = {};
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pixorama"),
              QStringLiteral("pixorama"))
        .remove(QStringLiteral("TAddTextForm"));
    click(box, {5, 5});
    QCOMPARE(runs, 1);
    QCOMPARE(doc.MouseMode, kModePlacing);
    QCOMPARE(doc.UndoCount, 1);
    send(box, QEvent::MouseMove, {30, 40});
    click(box, {30, 40});
    QCOMPARE(runs, 1);
    QCOMPARE(doc.MouseMode, 0);
    QVERIFY(doc.Floating);
    QVERIFY(doc.HasSelection);
    // the placed text is the core's mask of "Hallo" in black at (30, 40)
    const QString pic = maskPicture("Hallo");
    const int w = static_cast<int>(pic.indexOf(QLatin1Char('\n')));
    const int h = static_cast<int>(pic.count(QLatin1Char('\n')));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool text = pic[y * (w + 1) + x] == QLatin1Char('#');
            QCOMPARE(getpixel(&doc.Dib, 30 + x, 40 + y), text ? 0 : 0xFFFFFF);
        }
}

void TestAddTextForm::paletteImageTakesTheNearestEntry() {
    auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->ShowNewDocument(CreateNewImage(120, 60, 4), {}, false);
    TMDIChild* child = form->ActiveDocument();
    QVERIFY(child);
    DocumentState& doc = child->Doc();
    QTest::mouseClick(form->ToolPalette()->Button(Tool::Txt), Qt::LeftButton);
    const QColor almostRed(250, 12, 6);
    TAddTextForm::FontDialogHook = [&](TDialogFont& font) {
        font.Color = almostRed;
        return true;
    };
    QColor previewColour;
    TAddTextForm::RunHook = [&](TAddTextForm& f) {
        f.TxtMemo->setPlainText(QStringLiteral("Rot"));
        f.SelFont->click();
        const QImage& p = f.PreviewImage();
        for (int y = 0; y < p.height() && !previewColour.isValid(); ++y)
            for (int x = 0; x < p.width(); ++x)
                if (p.pixelColor(x, y).alpha() == 255) {
                    previewColour = p.pixelColor(x, y);
                    break;
                }
        return true;
    };
    click(child->PaintBox1(), {2, 2});
    const int32_t index = RgbToPixel(doc, {250, 12, 6});
    QCOMPARE(doc.ForeColor, index);
    const TRgb entry = PixelToRgb(doc, index);
    QVERIFY(QColor(entry.R, entry.G, entry.B) != almostRed); // the palette's colour, not the pick
    QCOMPARE(previewColour.rgb(), QColor(entry.R, entry.G, entry.B).rgb());
    click(child->PaintBox1(), {0, 0});
    QVERIFY(doc.Floating);
    for (int32_t y = 0; y < DibHeight(&doc.FloatDib); ++y)
        for (int32_t x = 0; x < DibWidth(&doc.FloatDib); ++x)
            if (getpixel(&doc.FloatMask, x, y) == 1) {
                QCOMPARE(getpixel(&doc.Dib, x, y), index);
            }
}

PIXORAMA_UI_TEST_MAIN(TestAddTextForm)
#include "add_text_form_test.moc"

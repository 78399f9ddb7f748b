// The colour depth and palette commands of the frame: the two depth dialogs with their enabling
// rules, undo before the dialog, colour counting, the palette file dialogs and the palette editor.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "colour/palette_files.h"
#include "colour/ui/depth_forms.h"
#include "colour/ui/paledit_form.h"
#include "document/ui/mdi_child.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

std::unique_ptr<TMainForm> shownForm() {
    auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}

// Two colours: white with a black left column.
TDibRecord twoColours(int w, int h) {
    TDibRecord d = CreateNewImage(w, h, 24);
    for (int y = 0; y < h; ++y)
        setpixel(&d, 0, y, 0);
    return d;
}

} // namespace

class ColourDepthTest : public QObject {
    Q_OBJECT
  private slots:
    void depthDownFormRules() {
        TDepthDownForm f;
        f.Prepare(8);
        QVERIFY(f.OptPalCheck->isChecked());
        QVERIFY(f.FSErrCheck->isChecked());
        QVERIFY(!f.DitherCheck->isEnabled());
        QVERIFY(f.WinColCheck->isEnabled());
        f.StdPalCheck->click();
        QVERIFY(f.DitherCheck->isEnabled());
        QVERIFY(!f.WinColCheck->isEnabled());
        f.DitherCheck->click();
        QCOMPARE(f.Choice().Method, TDepthMethod::Ordered);
        f.OptPalCheck->click();
        QVERIFY(!f.DitherCheck->isEnabled());
        QVERIFY(f.FSErrCheck->isChecked());
        QCOMPARE(f.Choice().Method, TDepthMethod::FloydSteinberg);

        TDepthDownForm one;
        one.Prepare(1);
        QVERIFY(!one.OptPalCheck->isEnabled());
        QVERIFY(!one.StdPalCheck->isEnabled());
        QVERIFY(!one.WinColCheck->isEnabled());
        QCOMPARE(one.Choice().Colours, 2);
        QCOMPARE(one.windowTitle(), QStringLiteral("Farbtiefe verkleinern..."));
    }

    void freeDepthFormRulesAndMemory() {
        {
            TFreeDepthForm f;
            f.Prepare(8);
            QVERIFY(!f.WinColCheck->isEnabled());
            QCOMPARE(f.NumColEd->maximum(), 16);
            QCOMPARE(f.NumColEd->value(), 16); // 64 clamped
            QCOMPARE(f.Choice().Bits, 4);
            f.Prepare(24);
            QCOMPARE(f.NumColEd->minimum(), 22);
            QCOMPARE(f.NumColEd->value(), 64);
            f.NumColEd->setValue(22);
            f.WinColCheck->click(); // off: the minimum drops to 2
            QCOMPARE(f.NumColEd->minimum(), 2);
            f.NumColEd->setValue(17);
            f.WinColCheck->click(); // on again: 17 is raised to 22
            QCOMPARE(f.NumColEd->value(), 22);
            f.NearCheck->click();
            f.WinColCheck->click();
            TFreeDepthForm::RunHook = [](TFreeDepthForm&) { return false; };
            QVERIFY(!f.Run());
        }
        TFreeDepthForm again;
        QVERIFY(again.NearCheck->isChecked());
        QVERIFY(!again.WinColCheck->isChecked());
        TFreeDepthForm::RunHook = nullptr;
    }

    void depthCommandsTakeUndoBeforeTheDialog() {
        auto form = shownForm();
        QVERIFY(form);
        form->ShowNewDocument(twoColours(20, 10), "a", false);
        TMDIChild* child = form->ActiveDocument();
        QVERIFY(child);
        QVERIFY(form->Action(QStringLiteral("N256Farbent8Bit1"))->isEnabled());
        QVERIFY(!form->Action(QStringLiteral("Farbtiefevergrern1"))->isEnabled());
        // a separator before "&X Farben (4 Bit/8 Bit)..."
        auto* reduce = form->findChild<QMenu*>(QStringLiteral("Farbtiefeverkleinern1"));
        QVERIFY(reduce);
        const auto actions = reduce->actions();
        QVERIFY(actions.size() == 5 && actions[3]->isSeparator());

        TDepthDownForm::RunHook = [](TDepthDownForm&) { return false; };
        form->Action(QStringLiteral("N256Farbent8Bit1"))->trigger();
        QCOMPARE(int(DibBitsPerPixel(&child->Doc().Dib)), 24);
        QCOMPARE(child->Doc().UndoCount, 1);
        TDepthDownForm::RunHook = [](TDepthDownForm& f) {
            f.StdPalCheck->click();
            f.NearCheck->click();
            return true;
        };
        form->Action(QStringLiteral("N256Farbent8Bit1"))->trigger();
        TDepthDownForm::RunHook = nullptr;
        QCOMPARE(int(DibBitsPerPixel(&child->Doc().Dib)), 8);
        QCOMPARE(child->Doc().UndoCount, 2);
        QCOMPARE(getpixel(&child->Doc().Dib, 0, 0), 0);   // black
        QCOMPARE(getpixel(&child->Doc().Dib, 5, 5), 255); // white
        // the menus follow the new depth
        QVERIFY(!form->Action(QStringLiteral("N256Farbent8Bit1"))->isEnabled());
        QVERIFY(form->Action(QStringLiteral("Paletteeditieren1"))->isEnabled());

        MessageRecorder messages;
        form->Action(QStringLiteral("BenutzteFarbenzhlen1"))->trigger();
        QCOMPARE(messages.messages.size(), size_t(1));
        QCOMPARE(messages.messages[0].text, QStringLiteral("Es werden 2 Farben im Bild benutzt."));
        QCOMPARE(messages.messages[0].caption, QStringLiteral("Benutzte Farben"));

        form->Action(QStringLiteral("N16MillionenFarbent24Bit1"))->trigger();
        QCOMPARE(int(DibBitsPerPixel(&child->Doc().Dib)), 24);
        QCOMPARE(child->Doc().BackColor, 16777215);
        QCOMPARE(child->Doc().UndoCount, 3);
    }

    void paletteFilesAndEditor() {
        auto form = shownForm();
        QVERIFY(form);
        form->ShowNewDocument(CreateNewImage(8, 4, 4), "p", false);
        TMDIChild* child = form->ActiveDocument();
        QVERIFY(child);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("farben"));
        QStringList seenFilters;
        SetSaveDialogHook([&](const QStringList& filters, int, const QString&) {
            seenFilters = filters;
            return SaveAnswer{file, 0};
        });
        form->Action(QStringLiteral("Palettespeichern1"))->trigger();
        SetSaveDialogHook({});
        QCOMPARE(seenFilters.size(), qsizetype(1));
        QVERIFY(seenFilters[0].startsWith(QStringLiteral("Paletten (*.PAL")));
        QVERIFY(QFileInfo::exists(file + QStringLiteral(".PAL")));
        QCOMPARE(QFileInfo(file + QStringLiteral(".PAL")).size(), qint64(1028));

        // the editor: entry 0 black in the label; a click changes it on OK only
        TPaleditForm::ColorDialogHook = [](const QColor&) { return std::optional<QColor>(QColor(1, 2, 3)); };
        QStringList labels;
        TPaleditForm::RunHook = [&](TPaleditForm& f) {
            f.PaintBox1MouseMove(3, 3);
            labels << f.InfoLabel->text();
            f.PaintBox1MouseDown(18 + 2, 2); // entry 1
            f.PaintBox1MouseMove(17, 3);     // the gap: the label stays
            labels << f.InfoLabel->text();
            f.PaintBox1MouseMove(18, 0);
            labels << f.InfoLabel->text();
            return true;
        };
        form->Action(QStringLiteral("Paletteeditieren1"))->trigger();
        QCOMPARE(labels, (QStringList{QStringLiteral("Index: 0 ; R: 0 G:0 B:0"),
                                      QStringLiteral("Index: 0 ; R: 0 G:0 B:0"),
                                      QStringLiteral("Index: 1 ; R: 1 G:2 B:3")}));
        const TPaletteEntry e = child->Doc().Dib.Palette.palPalEntry[1];
        QCOMPARE(int(e.peRed), 1);
        QCOMPARE(int(child->Doc().Dib.Info->bmiColors[1].rgbBlue), 3);
        QCOMPARE(child->Doc().UndoCount, 0); // the editor takes no undo step
        TPaleditForm::RunHook = [](TPaleditForm& f) {
            f.PaintBox1MouseDown(2, 2);
            return false;
        };
        form->Action(QStringLiteral("Paletteeditieren1"))->trigger();
        QCOMPARE(int(child->Doc().Dib.Palette.palPalEntry[0].peRed), 0);
        TPaleditForm::RunHook = nullptr;
        TPaleditForm::ColorDialogHook = nullptr;

        // loading the saved palette back brings entry 1 to its saved colour
        SetOpenDialogHook([&](const QStringList&) { return file + QStringLiteral(".PAL"); });
        form->Action(QStringLiteral("Paletteladen1"))->trigger();
        QCOMPARE(child->Doc().UndoCount, 1);
        QCOMPARE(int(child->Doc().Dib.Palette.palPalEntry[1].peRed), 0x80);
        // fitting a 16-colour palette keeps a 4-bit image; the question is asked
        MessageRecorder messages;
        messages.answers.push_back(IDNO);
        form->Action(QStringLiteral("PaletteladenBildanpassen1"))->trigger();
        SetOpenDialogHook({});
        QCOMPARE(messages.messages.size(), size_t(1));
        QCOMPARE(messages.messages[0].caption, QStringLiteral("Farbpalette laden?"));
        QCOMPARE(int(DibBitsPerPixel(&child->Doc().Dib)), 4);
        QCOMPARE(child->Doc().UndoCount, 2);
    }
};

PIXORAMA_UI_TEST_MAIN(ColourDepthTest)
#include "colour_depth_test.moc"

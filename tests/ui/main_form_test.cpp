// The frame and its document windows, driven as a person would, with message boxes and file
// dialogs answered through the test seams.
#include "ui_test_support.h"

#include "app/ui/config_bars.h"
#include "app/ui/main_form.h"
#include "app/ui/status_bar.h"
#include "document/ui/jpeg_quality_form.h"
#include "document/ui/mdi_child.h"
#include "document/ui/new_form.h"
#include "document/undo.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>

#include <memory>
#include <set>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

QString captionOf(QMdiSubWindow* w) {
    return w->windowTitle();
}

// The New dialog answered with a size and a depth item.
struct NewImageAnswer {
    NewImageAnswer(int w, int h, int depthIndex) {
        TNewForm::RunHook = [=](TNewForm& f) {
            f.BreitEdit->setValue(w);
            f.HochEdit->setValue(h);
            f.TiefeBox->setCurrentIndex(depthIndex);
            return true;
        };
    }
    ~NewImageAnswer() { TNewForm::RunHook = nullptr; }
};

// Save dialogs answered with a path and a filter; counts how often one was asked.
struct SaveDialogAnswer {
    int asked = 0;
    QString path;
    int filter = -1;
    QStringList filters;
    SaveDialogAnswer() {
        SetSaveDialogHook([this](const QStringList& f, int selected, const QString&) {
            ++asked;
            filters = f;
            return ui::SaveAnswer{path, filter >= 0 ? filter : selected};
        });
    }
    ~SaveDialogAnswer() { SetSaveDialogHook({}); }
};

std::unique_ptr<TMainForm> shownForm(QStringList files = {}) {
    auto form = std::make_unique<TMainForm>(files);
    form->resize(1000, 700);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}

bool enabled(TMainForm& f, MenuItem item) {
    return f.RuleAction(item)->isEnabled();
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

  private slots:
    void menuTreeHasEveryItemAndNoShortcutTwice();
    void newImagesAreNumbered();
    void newImageInEveryDepth();
    void captionFollowsModifiedAndZoom();
    void closeQueryAnswers();
    void commandLineFilesOpenInOrder();
    void loadFailureMessage();
    void bigImageOpensReducedToFit();
    void saveRoundTripClearsModified();
    void jpegSaveAsksForTheQuality();
    void enablingFollowsOpenAndClose();
    void zoomCommandsRecentreAndResize();
    void progressBarGrowsAndShrinks();
    void paintBoxShowsTheImagePixels();
    void statusTextsAndDuplicate();
    void toolbarDialogAndTogglesPersist();
};

void TestMainForm::menuTreeHasEveryItemAndNoShortcutTwice() {
    TMainForm form;
    struct Item {
        const char* name;
        const char* caption;
        const char* shortcut;
    };
    const Item items[] = {
        {"FileNewItem", "&Neu...", "Ctrl+N"},
        {"FileOpenItem", "Ö&ffnen...", "Ctrl+O"},
        {"Browse1", "&Browse...", "Ctrl+B"},
        {"FileSaveAsItem", "Speichern &unter...", "F12"},
        {"Lschen1", "&Löschen", "Del"},
        {"AlstransparenteAuswahl1", "Als &transparente Auswahl", "Ctrl+Shift+E"},
        {"Nichtvergrert11", "&Nicht vergrößert (1:1)", "Ctrl+Alt+N"},
        {"Horizontalspiegeln1", "&Horizontal spiegeln", "Ctrl+I"},
        {"ZurAuswahlverkleinern1", "Zur Auswahl ver&kleinern", "Shift+Alt+S"},
        {"GammaKorrektion1", "Gamma  &Korrektur...", ""},
        {"N16MillionenFarbent24Bit1", "1&6 Millionen Farben (24 Bit)", ""},
        {"Auswahlumkeheren1", "Auswahl &umkehren", "Ctrl+Shift+I"},
        {"GreanBildanpassen1", "&Größe an Bild anpassen", "Ctrl+W"},
        {"HelpAboutItem", "Inf&o", ""},
    };
    for (const Item& i : items) {
        QAction* a = form.Action(QLatin1String(i.name));
        QVERIFY2(a != nullptr, i.name);
        QCOMPARE(a->text(), QString::fromUtf8(i.caption));
        QCOMPARE(a->shortcut(),
                 QKeySequence(QLatin1String(i.shortcut), QKeySequence::PortableText));
    }
    for (int k = 2; k <= 16; ++k) {
        QVERIFY(form.Action(QStringLiteral("N") + QString::number(k) + QStringLiteral("11")) !=
                nullptr);
        QVERIFY(form.Action(QStringLiteral("N1") + QString::number(k) + QStringLiteral("1")) !=
                nullptr);
    }
    QCOMPARE(form.Action(QStringLiteral("N211"))->text(), QStringLiteral("&2:1"));
    QCOMPARE(form.Action(QStringLiteral("N1611"))->text(), QStringLiteral("16:1"));
    QCOMPARE(form.Action(QStringLiteral("N1161"))->text(), QStringLiteral("1:16"));
    // the soften filters and the sharpen filters stand apart
    QStringList focus;
    for (QAction* a : form.findChild<QMenu*>(QStringLiteral("FokussierungsFilter1"))->actions())
        focus << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    QCOMPARE(focus.join(QLatin1Char(' ')),
             QStringLiteral("SchwachWeichzeichnen1 Soften1 StarkSoften1 - Sharpen1 StarkSchrfen1"));

    // a shortcut that Qt sees twice would trigger neither item
    std::set<QString> seen;
    const QList<QAction*> actions = form.findChildren<QAction*>();
    for (QAction* a : actions) {
        if (a->shortcut().isEmpty())
            continue;
        const QString key = a->shortcut().toString(QKeySequence::PortableText);
        QVERIFY2(seen.insert(key).second, qPrintable(key + QStringLiteral(" twice")));
    }
    QVERIFY(seen.size() >= 30);

    // every rule item has its action, and the toolbar its twelve buttons with their hints
    for (int i = 0; i < kMenuItemCount; ++i)
        QVERIFY(form.RuleAction(static_cast<MenuItem>(i)) != nullptr);
    QCOMPARE(form.SpeedPanel()->actions().size() - 2, 12); // two separators
    QAction* open = form.Action(QStringLiteral("OpenSpeedBtn"));
    QCOMPARE(open->toolTip(), QStringLiteral("Öffnen"));
    QVERIFY(form.ShowKontroll()->isCheckable());
    QCOMPARE(form.ShowHistogr()->toolTip(), QStringLiteral("Histogramm anzeigen/verbergen"));
}

void TestMainForm::newImagesAreNumbered() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(30, 20, 3);
    form->FileNewItemClick();
    form->FileNewItemClick();
    form->FileNewItemClick();
    const QList<QMdiSubWindow*> windows = form->MdiArea()->subWindowList();
    QCOMPARE(windows.size(), 3);
    QCOMPARE(captionOf(windows[0]), QStringLiteral("NONAME1 [1:1]"));
    QCOMPARE(captionOf(windows[1]), QStringLiteral("NONAME2 [1:1]"));
    QCOMPARE(captionOf(windows[2]), QStringLiteral("NONAME3 [1:1]"));
    // the lowest number no open window uses: after closing NONAME1 it comes again, never a
    // second NONAME3
    windows[0]->close();
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 2);
    form->FileNewItemClick();
    QCOMPARE(form->ActiveDocument()->Doc().FileName, std::string("NONAME1"));

    // a cancelled dialog makes nothing
    TNewForm::RunHook = [](TNewForm&) { return false; };
    form->FileNewItemClick();
    QCOMPARE(form->MdiArea()->subWindowList().size(), 3);
}

void TestMainForm::newImageInEveryDepth() {
    auto form = shownForm();
    QVERIFY(form);
    const int depths[] = {1, 4, 8, 24};
    const int white[] = {1, 15, 255, 0xFFFFFF};
    for (int index = 0; index < 4; ++index) {
        NewImageAnswer answer(7, 5, index);
        form->FileNewItemClick();
        TMDIChild* child = form->ActiveDocument();
        QVERIFY(child != nullptr);
        const DocumentState& doc = child->Doc();
        QCOMPARE(int(DibBitsPerPixel(&doc.Dib)), depths[index]);
        QCOMPARE(getpixel(&doc.Dib, 6, 4), white[index]);
        QCOMPARE(doc.BackColor, DibColorCount(&doc.Dib) - 1);
        QVERIFY(doc.SelMask.Bits != nullptr);
        QVERIFY(!doc.Modified);
        QCOMPARE(child->PaintBox1()->size(), QSize(7, 5));
    }
    // an image that cannot be made leaves no window and says nothing
    MessageRecorder messages;
    PictoraSetAllocLimit(1u << 20);
    {
        NewImageAnswer answer(32767, 32767, 3);
        form->FileNewItemClick();
    }
    PictoraSetAllocLimit(0);
    QTRY_COMPARE(form->LiveWindows().size(), 4);
    QVERIFY(messages.messages.empty());
}

void TestMainForm::captionFollowsModifiedAndZoom() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(40, 30, 3);
    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    SaveForUndo(child->Doc(), form->CoreHost());
    child->UpdateCaption();
    QCOMPARE(child->SubWindow()->windowTitle(), QStringLiteral("NONAME1* [1:1]"));
    form->Action(QStringLiteral("N211"))->trigger();
    QCOMPARE(child->SubWindow()->windowTitle(), QStringLiteral("NONAME1* [2:1]"));
    form->Action(QStringLiteral("N1161"))->trigger();
    QCOMPARE(child->SubWindow()->windowTitle(), QStringLiteral("NONAME1* [1:16]"));
    QCOMPARE(child->PaintBox1()->size(), QSize(2, 1));
}

void TestMainForm::closeQueryAnswers() {
    auto form = shownForm();
    QVERIFY(form);
    MessageRecorder messages;
    NewImageAnswer answer(20, 10, 3);
    QTemporaryDir dir;

    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    SaveForUndo(child->Doc(), form->CoreHost());
    const uint8_t* bits = child->Doc().Dib.Bits;

    // Cancel: the window and all its state stay
    messages.answers = {IDCANCEL};
    QVERIFY(!child->SubWindow()->close());
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].text, QStringLiteral("Änderungen in NONAME1 speichern?"));
    QCOMPARE(messages.messages[0].caption, QStringLiteral("Pixorama"));
    QCOMPARE(messages.messages[0].flags, 19);
    QCOMPARE(form->LiveWindows().size(), 1);
    QCOMPARE(child->Doc().Dib.Bits, bits);
    QVERIFY(child->Doc().Modified);
    QCOMPARE(child->Doc().UndoCount, 1);

    // Yes, but the save dialog is cancelled: nothing saved, the window stays
    {
        SaveDialogAnswer save; // empty path = cancelled
        messages.answers = {IDYES};
        QVERIFY(!child->SubWindow()->close());
        QCOMPARE(save.asked, 1);
        QCOMPARE(form->LiveWindows().size(), 1);
    }

    // Yes and a name: saved, then closed
    {
        SaveDialogAnswer save;
        save.path = dir.filePath(QStringLiteral("bild.bmp"));
        messages.answers = {IDYES};
        QVERIFY(child->SubWindow()->close());
        QVERIFY(QFileInfo::exists(save.path));
        QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);
    }

    // No: the changes are dropped
    form->FileNewItemClick();
    child = form->ActiveDocument();
    SaveForUndo(child->Doc(), form->CoreHost());
    messages.answers = {IDNO};
    QVERIFY(child->SubWindow()->close());
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);

    // an unchanged window closes without asking
    const size_t asked = messages.messages.size();
    form->FileNewItemClick();
    form->FileCloseItemClick();
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);
    QCOMPARE(messages.messages.size(), asked);
}

void TestMainForm::commandLineFilesOpenInOrder() {
    QTemporaryDir dir;
    const QString a = test::WriteBmp(dir.filePath(QStringLiteral("a.bmp")), 10, 10, 24);
    const QString b = test::WriteBmp(dir.filePath(QStringLiteral("B.BMP")), 12, 8, 8);
    const QString missing = dir.filePath(QStringLiteral("fehlt.bmp"));
    QVERIFY(!a.isEmpty() && !b.isEmpty());
    MessageRecorder messages;
    auto form = shownForm({a, missing, b});
    QVERIFY(form);
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 2);
    const QList<QMdiSubWindow*> windows = form->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    QCOMPARE(captionOf(windows[0]), QStringLiteral("a.bmp [1:1]"));
    QCOMPARE(captionOf(windows[1]), QStringLiteral("B.BMP [1:1]"));
    const DocumentState& second = qobject_cast<TMDIChild*>(windows[1]->widget())->Doc();
    QCOMPARE(second.FilePath, b.toStdString());
    QCOMPARE(second.FileFormat, 3);
    QVERIFY(second.HasFileFormat);
    QCOMPARE(int(DibBitsPerPixel(&second.Dib)), 8);
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].caption,
             QStringLiteral("Fehler beim Laden (") + missing + QStringLiteral(")"));
    QCOMPARE(messages.messages[0].text, QStringLiteral("Die Datei wurde nicht gefunden"));
    QCOMPARE(messages.messages[0].flags, 16);
    QCOMPARE(form->Progress(), 0);
    QVERIFY(form->ShownOnce);
}

void TestMainForm::loadFailureMessage() {
    auto form = shownForm();
    QVERIFY(form);
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("kaputt.bmp"));
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM\x10\x00\x00\x00 nonsense that is no bitmap at all");
    }
    MessageRecorder messages;
    SetOpenDialogHook([&](const QStringList& filters) {
        // the library's filter text in Qt's form
        if (filters.isEmpty() || !filters.first().contains(QStringLiteral("*.bmp ")))
            return QString();
        return bad;
    });
    form->SetProSatus(60);
    form->FileOpenItemClick();
    SetOpenDialogHook({});
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].caption,
             QStringLiteral("Fehler beim Laden (") + bad + QStringLiteral(")"));
    QVERIFY(messages.messages[0].text.startsWith(QStringLiteral("Die Datei ist beschädigt")));
    QCOMPARE(messages.messages[0].flags, 16);
    QCOMPARE(form->MdiArea()->subWindowList().size(), 0);
    QCOMPARE(form->Progress(), 0);
}

void TestMainForm::bigImageOpensReducedToFit() {
    QTemporaryDir dir;
    const QString big = test::WriteBmp(dir.filePath(QStringLiteral("gross.bmp")), 3000, 2000, 8);
    QVERIFY(!big.isEmpty());
    auto form = shownForm({big});
    QVERIFY(form);
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 1);
    TMDIChild* child = form->ActiveDocument();
    QVERIFY(child != nullptr);
    QVERIFY(child->Doc().ZoomOut >= 2);
    QCOMPARE(child->Doc().ZoomIn, 1);
    QVERIFY(child->SubWindow()->windowTitle().endsWith(
        QStringLiteral(" [1:%1]").arg(child->Doc().ZoomOut)));
    // it fits: the window lies inside the work space
    const QRect area = form->MdiArea()->viewport()->rect();
    QVERIFY2(area.contains(child->SubWindow()->geometry()),
             qPrintable(QStringLiteral("%1x%2")
                            .arg(child->SubWindow()->width())
                            .arg(child->SubWindow()->height())));
    QCOMPARE(child->PaintBox1()->width(), 3000 / child->Doc().ZoomOut);
    // and one zoom step larger would not have fitted (the window's frame counts too)
    const QSize extra = child->SubWindow()->size() - child->ScrollBox1()->viewport()->size();
    QVERIFY(3000 / (child->Doc().ZoomOut - 1) + extra.width() > area.width() ||
            2000 / (child->Doc().ZoomOut - 1) + extra.height() > area.height());
}

void TestMainForm::saveRoundTripClearsModified() {
    auto form = shownForm();
    QVERIFY(form);
    MessageRecorder messages;
    QTemporaryDir dir;
    NewImageAnswer answer(9, 6, 2);
    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    SaveForUndo(child->Doc(), form->CoreHost());
    setpixel(&child->Doc().Dib, 2, 3, 40);

    SaveDialogAnswer save;
    save.path = dir.filePath(QStringLiteral("neu")); // no extension: the chosen filter's
    form->FileSaveItemClick();                       // NONAME has no file: asks for a name
    QCOMPARE(save.asked, 1);
    QVERIFY(save.filters.first().endsWith(QLatin1Char(')')));
    const int png = static_cast<int>(
        save.filters.indexOf(QRegularExpression(QStringLiteral("^Portable.*\\(\\*\\.png\\)$"))));
    QVERIFY(png >= 0);
    // the default filter is PNG, which the hook passed on
    const QString written = save.path + QStringLiteral(".png");
    QVERIFY(QFileInfo::exists(written));
    const DocumentState& doc = child->Doc();
    QVERIFY(!doc.Modified);
    QCOMPARE(doc.FilePath, written.toStdString());
    QCOMPARE(doc.FileName, std::string("neu.png"));
    QCOMPARE(child->SubWindow()->windowTitle(), QStringLiteral("neu.png [1:1]"));
    QVERIFY(messages.messages.empty());
    {
        DibHolder back(LoadImageFile(written.toStdString(), form->CoreHost()));
        QVERIFY(back.ok());
        QCOMPARE(getpixel(&back.get(), 2, 3), 40);
        QCOMPARE(getpixel(&back.get(), 0, 0), 255);
    }

    // the next save writes in place without asking
    SaveForUndo(child->Doc(), form->CoreHost());
    setpixel(&child->Doc().Dib, 0, 0, 7);
    form->FileSaveItemClick();
    QCOMPARE(save.asked, 1);
    QVERIFY(!doc.Modified);
    {
        DibHolder back(LoadImageFile(written.toStdString(), form->CoreHost()));
        QCOMPARE(getpixel(&back.get(), 0, 0), 7);
    }

    // "Speichern unter" always asks; a typed extension picks the writer
    save.path = dir.filePath(QStringLiteral("kopie.bmp"));
    form->FileSaveAsItemClick();
    QCOMPARE(save.asked, 2);
    QCOMPARE(doc.FileFormat, 3);
    QVERIFY(QFileInfo::exists(save.path));

    // a failed save keeps Modified and says why in German
    SaveForUndo(child->Doc(), form->CoreHost());
    save.path = dir.filePath(QStringLiteral("fehlt/bild.bmp"));
    form->FileSaveAsItemClick();
    QVERIFY(doc.Modified);
    QCOMPARE(messages.messages.size(), size_t(1));
    QCOMPARE(messages.messages[0].caption,
             QStringLiteral("Fehler beim Speichern (") + save.path + QStringLiteral(")"));
    QCOMPARE(messages.messages[0].flags, 16);
    QCOMPARE(child->SubWindow()->windowTitle(), QStringLiteral("kopie.bmp* [1:1]"));
}

void TestMainForm::jpegSaveAsksForTheQuality() {
    if (!CanWriteFormat(PICTORA_FORMAT_JPG))
        QSKIP("no JPEG writer in the raster library");
    auto form = shownForm();
    QVERIFY(form);
    QTemporaryDir dir;
    NewImageAnswer answer(16, 16, 3);
    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    SaveForUndo(child->Doc(), form->CoreHost());
    SaveDialogAnswer save;
    save.path = dir.filePath(QStringLiteral("foto.jpg"));
    int shown = 0, firstValue = 0;
    TJpegQForm::RunHook = [&](TJpegQForm& f) {
        if (++shown == 1)
            firstValue = f.QualED1->value();
        f.QualEd2->setValue(40);
        return shown == 1; // the second time: cancelled
    };
    form->FileSaveItemClick();
    QCOMPARE(shown, 1);
    QCOMPARE(firstValue, 75);
    QVERIFY(QFileInfo::exists(save.path));
    QVERIFY(!child->Doc().Modified);
    QCOMPARE(child->Doc().FileFormat, 8);

    // cancelling the quality dialog saves nothing
    SaveForUndo(child->Doc(), form->CoreHost());
    const QDateTime before = QFileInfo(save.path).lastModified();
    form->FileSaveItemClick();
    QCOMPARE(shown, 2);
    QVERIFY(child->Doc().Modified);
    QCOMPARE(QFileInfo(save.path).lastModified(), before);
    TJpegQForm::RunHook = nullptr;
}

void TestMainForm::enablingFollowsOpenAndClose() {
    auto form = shownForm();
    QVERIFY(form);
    using M = MenuItem;
    QVERIFY(!enabled(*form, M::Speichern));
    QVERIFY(!enabled(*form, M::Schliessen));
    QVERIFY(!enabled(*form, M::MenuBild));
    QVERIFY(!enabled(*form, M::SaveSpeedBtn));
    QVERIFY(enabled(*form, M::Browse));

    NewImageAnswer answer(10, 10, 0); // 1 bit
    form->FileNewItemClick();
    QVERIFY(enabled(*form, M::Speichern));
    QVERIFY(enabled(*form, M::Schliessen));
    QVERIFY(enabled(*form, M::MenuBild));
    QVERIFY(enabled(*form, M::SaveAsBtn));
    QVERIFY(!enabled(*form, M::NichtVergroessert));
    QVERIFY(!enabled(*form, M::Rueckgaengig));
    QVERIFY(!enabled(*form, M::FarbtiefeVerkleinern));
    QVERIFY(enabled(*form, M::I16Farben));
    QVERIFY(!enabled(*form, M::Graustufen));
    QVERIFY(!enabled(*form, M::Anpassen));

    SaveForUndo(form->ActiveDocument()->Doc(), form->CoreHost());
    QVERIFY(enabled(*form, M::Rueckgaengig));
    QVERIFY(enabled(*form, M::UndoItSpeedBtn));
    form->SetZoom(1, 2);
    QVERIFY(enabled(*form, M::NichtVergroessert));

    // a 24-bit document next to it: the depth items follow the active window
    NewImageAnswer deep(10, 10, 3);
    form->FileNewItemClick();
    QVERIFY(enabled(*form, M::FarbtiefeVerkleinern));
    QVERIFY(!enabled(*form, M::FarbtiefeVergroessern));
    QVERIFY(enabled(*form, M::Graustufen));
    QVERIFY(!enabled(*form, M::Rueckgaengig));
    QVERIFY(!enabled(*form, M::NichtVergroessert));

    MessageRecorder messages;
    messages.answers = {IDNO, IDNO};
    form->MdiArea()->closeAllSubWindows();
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);
    QVERIFY(!enabled(*form, M::Speichern));
    QVERIFY(!enabled(*form, M::Schliessen));
    QVERIFY(!enabled(*form, M::Nebeneinander));
    QVERIFY(!enabled(*form, M::Rueckgaengig));
}

void TestMainForm::zoomCommandsRecentreAndResize() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(400, 300, 3);
    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    QMdiSubWindow* sub = child->SubWindow();
    QCOMPARE(child->Doc().ZoomOut, 1);
    // the window holds the image exactly
    QCOMPARE(child->ScrollBox1()->viewport()->size(), QSize(400, 300));

    form->SetZoom(4, 1);
    QCOMPARE(child->PaintBox1()->size(), QSize(1600, 1200));
    QVERIFY(sub->width() <= form->MdiArea()->viewport()->width());
    QScrollBar* h = child->ScrollBox1()->horizontalScrollBar();
    QScrollBar* v = child->ScrollBox1()->verticalScrollBar();
    // the view stays on the image's middle
    const int cx = (h->value() + child->ScrollBox1()->width() / 2) / 4;
    const int cy = (v->value() + child->ScrollBox1()->height() / 2) / 4;
    QVERIFY2(qAbs(cx - 200) <= 3 && qAbs(cy - 150) <= 3,
             qPrintable(QStringLiteral("%1,%2").arg(cx).arg(cy)));

    // scrolled to the right edge, a zoom change goes back to the middle
    h->setValue(h->maximum());
    form->SetZoom(2, 1);
    const int cx2 = (h->value() + child->ScrollBox1()->width() / 2) / 2;
    QVERIFY2(qAbs(cx2 - 200) <= 3, qPrintable(QString::number(cx2)));

    form->Action(QStringLiteral("Nichtvergrert11"))->trigger();
    QCOMPARE(child->PaintBox1()->size(), QSize(400, 300));
    QCOMPARE(sub->windowTitle(), QStringLiteral("NONAME1 [1:1]"));

    // fit-to-image after the window was made smaller
    sub->resize(200, 150);
    form->GreanBildanpassen1Click();
    QTRY_COMPARE(child->ScrollBox1()->viewport()->size(), QSize(400, 300));
    QVERIFY(!child->ScrollBox1()->horizontalScrollBar()->isVisible());
}

void TestMainForm::progressBarGrowsAndShrinks() {
    auto form = shownForm();
    QVERIFY(form);
    TProgressPanel* panel = form->StatusBar()->ProgressPanel();
    QCOMPARE(panel->width(), 50);
    const QRect full = panel->contentsRect();
    auto end = [&](int p) { return full.left() + full.width() * p / 100; };

    form->SetProSatus(20);
    int paints = panel->PaintCount();
    form->SetProSatus(40);
    QCOMPARE(panel->PaintCount(), paints + 1);
    // only the new part was drawn
    QCOMPARE(panel->LastPaintedRect(),
             QRect(QPoint(end(20), full.top()), QPoint(end(40) - 1, full.bottom())));

    paints = panel->PaintCount();
    form->SetProSatus(20);
    QCOMPARE(panel->PaintCount(), paints + 1);
    QVERIFY(panel->LastPaintedRect().contains(full)); // the whole panel again
    QCOMPARE(form->Progress(), 20);

    // the bar is navy up to the percentage and not beyond
    const QImage shot = panel->grab().toImage();
    QCOMPARE(shot.pixelColor(end(20) - 2, full.center().y()), QColor(0, 0, 128));
    QVERIFY(shot.pixelColor(end(20) + 2, full.center().y()) != QColor(0, 0, 128));
    form->SetProSatus(0);
}

void TestMainForm::paintBoxShowsTheImagePixels() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(60, 40, 3);
    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    TDibRecord& dib = child->Doc().Dib;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            setpixel(&dib, x, y, (x * 4) | ((y * 6) << 8) | (90 << 16));
    form->SetZoom(3, 1);
    child->Repaint();
    QCoreApplication::processEvents();
    auto expected = [&](int x, int y) {
        const int v = getpixel(&dib, x / 3, y / 3);
        return QColor(v & 0xFF, (v >> 8) & 0xFF, v >> 16);
    };
    // through the paint box's own image (a grab paints into a pixmap)
    const QImage own = child->PaintBox1()->grab(QRect(0, 0, 90, 60)).toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(5, 7), QPoint(89, 59), QPoint(31, 44)})
        QCOMPARE(own.pixelColor(p), expected(p.x(), p.y()));
    // straight into the window's image, as on the screen
    QScreen* screen = form->screen();
    const QPoint origin = child->PaintBox1()->mapTo(form.get(), QPoint(0, 0));
    const QImage window = screen->grabWindow(form->winId()).toImage();
    if (window.isNull())
        QSKIP("this platform cannot read the window back");
    for (const QPoint p : {QPoint(0, 0), QPoint(5, 7), QPoint(89, 59), QPoint(31, 44)})
        QCOMPARE(window.pixelColor(origin + p), expected(p.x(), p.y()));
}

void TestMainForm::statusTextsAndDuplicate() {
    auto form = shownForm();
    QVERIFY(form);
    QTest::mouseMove(form->MdiArea()->viewport(), QPoint(500, 500));
    QMouseEvent move(QEvent::MouseMove, QPointF(500, 500), QPointF(500, 500), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->MdiArea()->viewport(), &move);
    QCOMPARE(form->StatusBar()->PanelText(1), QStringLiteral("Bild: keins"));

    NewImageAnswer answer(640, 480, 3);
    form->FileNewItemClick();
    TMDIChild* child = form->ActiveDocument();
    child->SubWindow()->resize(800, 600); // room around the image
    QCoreApplication::processEvents();
    QMouseEvent over(QEvent::MouseMove, QPointF(700, 500), QPointF(700, 500), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(child->ScrollBox1()->viewport(), &over);
    QCOMPARE(form->StatusBar()->PanelText(1),
             QStringLiteral("Bild: 640 x 480 x 16777216 - 900 KByte"));

    // a duplicate copies the image only
    setpixel(&child->Doc().Dib, 1, 1, 0x123456);
    SaveForUndo(child->Doc(), form->CoreHost());
    form->Verdoppeln1Click();
    TMDIChild* copy = form->ActiveDocument();
    QVERIFY(copy != child);
    QCOMPARE(copy->Doc().FileName, std::string("NONAME2"));
    QCOMPARE(getpixel(&copy->Doc().Dib, 1, 1), 0x123456);
    QVERIFY(copy->Doc().Dib.Bits != child->Doc().Dib.Bits);
    QCOMPARE(copy->Doc().UndoCount, 0);
    QVERIFY(!copy->Doc().Modified);
}

void TestMainForm::toolbarDialogAndTogglesPersist() {
    {
        auto form = shownForm();
        QVERIFY(form);
        std::array<bool, TConfigBars::EntryCount> offered{};
        QString title, first;
        int count = 0;
        TConfigBars::RunHook = [&](TConfigBars& d) {
            offered = d.Checked();
            title = d.windowTitle();
            count = d.CheckList->count();
            first = d.CheckList->item(0)->text();
            d.CheckList->item(0)->setCheckState(Qt::Unchecked);
            return true;
        };
        form->Toolbars1Click();
        QCOMPARE(title, QStringLiteral("ConfigBars"));
        QCOMPARE(count, 5);
        QCOMPARE(first, QStringLiteral("Standart Werkzeugleiste (Öffnen,...)"));
        QVERIFY(offered[TConfigBars::Standard]);
        QVERIFY(!form->SpeedPanel()->isVisible());
        TConfigBars::RunHook = [&](TConfigBars& d) {
            offered = d.Checked();
            d.CheckList->item(0)->setCheckState(Qt::Checked);
            return false; // cancelled: nothing changes
        };
        form->Toolbars1Click();
        QVERIFY(!offered[TConfigBars::Standard]);
        QVERIFY(!form->SpeedPanel()->isVisible());
        TConfigBars::RunHook = nullptr;

        form->ShowHistogr()->trigger(); // up
        QVERIFY(!form->ShowHistogr()->isChecked());
        QVERIFY(form->ShowKontroll()->isChecked());
        form->move(37, 41);
        QVERIFY(form->close());
    }
    TMainForm again;
    QVERIFY(!again.ShowHistogr()->isChecked());
    QVERIFY(again.ShowKontroll()->isChecked()); // stored as the user left it
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QTRY_VERIFY(again.speedbar2 != nullptr && again.speedbar2->isVisible());
}

PIXORAMA_UI_TEST_MAIN(TestMainForm)
#include "main_form_test.moc"

// What a new user meets first: every menu key with a document open, cascading, the histogram
// window's place among the dialogs, fixed dialog borders, German Qt dialogs, quitting with
// unsaved documents, new names, swatches after palette commands, the random seed and the undo
// depth setting.
#include "ui_test_support.h"

#include "app/ui/about_box.h"
#include "app/ui/colour_panel.h"
#include "app/ui/config_bars.h"
#include "app/ui/main_form.h"
#include "document/ui/jpeg_quality_form.h"
#include "document/ui/mdi_child.h"
#include "document/ui/new_form.h"
#include "ops/ui/preview_form.h"
#include "platform/ui/settings_store.h"
#include "platform/ui/translations.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>
#include <random>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

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

std::unique_ptr<TMainForm> shownForm() {
    auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}

// The menu bar's actions with a shortcut, submenus included.
void collectShortcuts(QMenu* menu, std::vector<QAction*>& out) {
    for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr)
            collectShortcuts(a->menu(), out);
        else if (!a->shortcut().isEmpty())
            out.push_back(a);
    }
}

// Whether a dialog shows the fixed border: no minimise or maximise button, and a size its
// user cannot change.
bool hasFixedBorder(QDialog& d) {
    d.show();
    QCoreApplication::processEvents();
    const Qt::WindowFlags f = d.windowFlags();
    const bool ok = !(f & Qt::WindowMinimizeButtonHint) && !(f & Qt::WindowMaximizeButtonHint) &&
                    d.minimumSize() == d.maximumSize() && d.size() == d.minimumSize();
    d.hide();
    return ok;
}

} // namespace

class TestFirstUse : public QObject {
    Q_OBJECT

  private slots:
    void everyMenuKeyReachesItsItem();
    void cascadeKeepsTheWindowSizes();
    void histogramStaysBelowModalDialogs();
    void dialogsHaveTheFixedBorder();
    void qtDialogsSpeakGerman();
    void cancelledQuitKeepsEveryWindow();
    void toolbarDialogWithoutADocument();
    void newNamesTakeTheLowestFreeNumber();
    void swatchesFollowPaletteCommands();
    void documentWindowsSeedTheGenerator();
    void undoDepthFromTheSettings();
};

void TestFirstUse::everyMenuKeyReachesItsItem() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(40, 30, 3);
    form->FileNewItemClick();
    QVERIFY(form->ActiveDocument() != nullptr);
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->ActiveDocument()->setFocus();
    QCoreApplication::processEvents();

    std::vector<QAction*> actions;
    for (QAction* top : form->menuBar()->actions())
        if (top->menu() != nullptr)
            collectShortcuts(top->menu(), actions);
    QVERIFY(actions.size() >= 30);
    bool sawCtrlW = false;
    for (QAction* a : actions) {
        // only the key's way to the item is under test here, not the command behind it
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        a->setEnabled(true);
        for (QAction* parent = a; parent != nullptr;) {
            const auto menus = parent->associatedObjects();
            parent = nullptr;
            for (QObject* o : menus)
                if (auto* m = qobject_cast<QMenu*>(o)) {
                    m->menuAction()->setEnabled(true);
                    m->setEnabled(true);
                    parent = m->menuAction();
                }
        }
    }
    for (QAction* a : actions) {
        QSignalSpy spy(a, &QAction::triggered);
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget()
                                                       : static_cast<QWidget*>(form.get()),
                           a->shortcut());
        QVERIFY2(spy.count() == 1, qPrintable(a->objectName() + QStringLiteral(" ") +
                                              a->shortcut().toString()));
        sawCtrlW |= a->shortcut() == QKeySequence(QStringLiteral("Ctrl+W"));
    }
    QVERIFY(sawCtrlW);
    // the document is still open: no key closed it behind the menu's back
    QCOMPARE(form->MdiArea()->subWindowList().size(), 1);
}

void TestFirstUse::cascadeKeepsTheWindowSizes() {
    auto form = shownForm();
    QVERIFY(form);
    const QSize sizes[] = {{300, 220}, {420, 260}, {260, 200}};
    for (const QSize& s : sizes) {
        NewImageAnswer answer(s.width() - 40, s.height() - 60, 3);
        form->FileNewItemClick();
    }
    const QList<QMdiSubWindow*> windows = form->MdiArea()->subWindowList();
    QCOMPARE(windows.size(), 3);
    std::vector<QSize> before;
    for (QMdiSubWindow* w : windows)
        before.push_back(w->size());
    form->WindowCascadeItemClick();
    QCoreApplication::processEvents();
    std::vector<QPoint> corners;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(windows[i]->size(), before[static_cast<size_t>(i)]);
        corners.push_back(windows[i]->pos());
    }
    // a stair: every window further right and down than the one below it, each caption visible
    const QList<QMdiSubWindow*> stacked = form->MdiArea()->subWindowList(QMdiArea::StackingOrder);
    for (int i = 1; i < 3; ++i) {
        QVERIFY(stacked[i]->x() > stacked[i - 1]->x());
        QVERIFY(stacked[i]->y() > stacked[i - 1]->y());
    }
    QCOMPARE(stacked[0]->pos(), QPoint(0, 0));
}

void TestFirstUse::histogramStaysBelowModalDialogs() {
    auto form = shownForm();
    QVERIFY(form);
    QWidget* histo = form->HistoForm;
    QVERIFY(histo != nullptr);
    // a tool window of the frame (above it and its documents), never above everything
    QCOMPARE(histo->parentWidget(), static_cast<QWidget*>(form.get()));
    QCOMPARE(histo->windowType(), Qt::Tool);
    QVERIFY(!(histo->windowFlags() & Qt::WindowStaysOnTopHint));
}

void TestFirstUse::dialogsHaveTheFixedBorder() {
    TNewForm newForm;
    QVERIFY(hasFixedBorder(newForm));
    TJpegQForm jpeg;
    QVERIFY(hasFixedBorder(jpeg));
    TConfigBars bars;
    QVERIFY(hasFixedBorder(bars));
    TAboutBox about;
    QVERIFY(hasFixedBorder(about));
    THKForm preview;
    QVERIFY(hasFixedBorder(preview));
}

void TestFirstUse::qtDialogsSpeakGerman() {
    QVERIFY(InstallGermanTranslations(*QCoreApplication::instance()));
    QFileDialog open(nullptr);
    open.setOption(QFileDialog::DontUseNativeDialog);
    open.setAcceptMode(QFileDialog::AcceptOpen);
    QDialogButtonBox* box = open.findChild<QDialogButtonBox*>();
    QVERIFY(box != nullptr);
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text();
    QVERIFY2(texts.contains(QStringLiteral("&Öffnen")), qPrintable(texts.join(QLatin1Char(','))));
    QVERIFY2(texts.contains(QStringLiteral("Abbrechen")), qPrintable(texts.join(QLatin1Char(','))));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Speichern unter"));
}

void TestFirstUse::cancelledQuitKeepsEveryWindow() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(30, 20, 3);
    for (int i = 0; i < 5; ++i)
        form->FileNewItemClick();
    const QList<QMdiSubWindow*> windows = form->MdiArea()->subWindowList();
    QCOMPARE(windows.size(), 5);
    auto child = [&](int i) { return qobject_cast<TMDIChild*>(windows[i]->widget()); };
    child(1)->Doc().Modified = true;
    child(3)->Doc().Modified = true;
    {
        // Cancel to the first question: no second question, every window stays, the frame too
        MessageRecorder rec;
        rec.answers = {IDCANCEL};
        QVERIFY(!form->close());
        QCOMPARE(rec.messages.size(), size_t{1});
        QCOMPARE(form->MdiArea()->subWindowList().size(), 5);
        QVERIFY(child(1)->Doc().Modified);
        QVERIFY(child(3)->Doc().Modified);
    }
    {
        // No, then Cancel: still nothing closes, the answered document keeps its changes
        MessageRecorder rec;
        rec.answers = {IDNO, IDCANCEL};
        QVERIFY(!form->close());
        QCOMPARE(rec.messages.size(), size_t{2});
        QCOMPARE(form->MdiArea()->subWindowList().size(), 5);
        QVERIFY(child(1)->Doc().Modified);
    }
    {
        // No to both: each is asked once, then everything closes
        MessageRecorder rec;
        rec.answers = {IDNO, IDNO};
        QVERIFY(form->close());
        QCOMPARE(rec.messages.size(), size_t{2});
        QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);
    }
}

void TestFirstUse::toolbarDialogWithoutADocument() {
    auto form = shownForm();
    QVERIFY(form);
    QAction* bars = form->Action(QStringLiteral("Toolbars1"));
    QVERIFY(bars->isEnabled());
    QMenu* view = form->findChild<QMenu*>(QStringLiteral("Betrachten1"));
    QVERIFY(view->menuAction()->isEnabled());
    // the zoom entries need a document
    QVERIFY(!form->findChild<QMenu*>(QStringLiteral("Vergrert1"))->menuAction()->isEnabled());
    QVERIFY(!form->findChild<QMenu*>(QStringLiteral("Verkleinert1"))->menuAction()->isEnabled());
    NewImageAnswer answer(30, 20, 3);
    form->FileNewItemClick();
    QVERIFY(form->findChild<QMenu*>(QStringLiteral("Vergrert1"))->menuAction()->isEnabled());
    QVERIFY(form->findChild<QMenu*>(QStringLiteral("Verkleinert1"))->menuAction()->isEnabled());

    // a hidden tool bar comes back without any image open
    form->MdiArea()->closeAllSubWindows();
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 0);
    form->SpeedPanel()->hide();
    TConfigBars::RunHook = [](TConfigBars& d) {
        d.CheckList->item(TConfigBars::Standard)->setCheckState(Qt::Checked);
        return true;
    };
    bars->trigger();
    TConfigBars::RunHook = nullptr;
    QVERIFY(form->SpeedPanel()->isVisible());
}

void TestFirstUse::newNamesTakeTheLowestFreeNumber() {
    auto form = shownForm();
    QVERIFY(form);
    NewImageAnswer answer(30, 20, 3);
    for (int i = 0; i < 3; ++i)
        form->FileNewItemClick();
    QList<QMdiSubWindow*> windows = form->MdiArea()->subWindowList();
    windows[0]->close(); // NONAME1
    QTRY_COMPARE(form->MdiArea()->subWindowList().size(), 2);
    form->FileNewItemClick();
    QCOMPARE(form->ActiveDocument()->Doc().FileName, std::string("NONAME1"));
    form->FileNewItemClick();
    QCOMPARE(form->ActiveDocument()->Doc().FileName, std::string("NONAME4"));
}

void TestFirstUse::swatchesFollowPaletteCommands() {
    auto form = shownForm();
    QVERIFY(form);
    for (int depth : {1, 2}) { // 4 and 8 bits
        NewImageAnswer answer(16, 8, depth);
        form->FileNewItemClick();
        TColourPanel* panel = form->ColourPanel();
        QCOMPARE(panel->Shape1->Colour(), QColor(0, 0, 0));
        QCOMPARE(panel->Shape2->Colour(), QColor(255, 255, 255));
        form->Farbenumkehren1Click(); // inverts the palette: entry 0 becomes white
        QCOMPARE(panel->Shape1->Colour(), QColor(255, 255, 255));
        QCOMPARE(panel->Shape2->Colour(), QColor(0, 0, 0));
    }
}

void TestFirstUse::documentWindowsSeedTheGenerator() {
    auto form = shownForm();
    QVERIFY(form);
    std::mt19937 unseeded(0x5eed);
    const uint32_t fixed = unseeded();
    NewImageAnswer answer(8, 8, 3);
    form->FileNewItemClick();
    const uint32_t first = form->CoreHost().Random()();
    QTest::qWait(2);
    form->FileNewItemClick();
    const uint32_t second = form->CoreHost().Random()();
    QVERIFY(first != fixed);
    QVERIFY(second != fixed);
    QVERIFY(first != second);
}

void TestFirstUse::undoDepthFromTheSettings() {
    {
        auto form = shownForm();
        QVERIFY(form);
        NewImageAnswer answer(8, 8, 3);
        form->FileNewItemClick();
        QCOMPARE(form->ActiveDocument()->Doc().UndoDepth, 3);
        QVERIFY(form->close());
    }
    QVERIFY(FormSettings(QStringLiteral("TMainForm")).fileName().endsWith(QStringLiteral("pixorama.ini")));
    for (const auto& [stored, used] : {std::pair{12, 12}, std::pair{50, 50}, std::pair{51, 3},
                                       std::pair{0, 3}}) {
        FormSettings(QStringLiteral("TMainForm")).setValue(QStringLiteral("UndoLevels"), stored);
        auto form = shownForm();
        QVERIFY(form);
        NewImageAnswer answer(8, 8, 3);
        form->FileNewItemClick();
        QCOMPARE(form->ActiveDocument()->Doc().UndoDepth, used);
        QVERIFY(form->close());
    }
}

PIXORAMA_UI_TEST_MAIN(TestFirstUse)
#include "first_use_test.moc"

// The tone, filter and correction commands of the frame and their dialogs, driven through the
// menu actions with the dialogs answered by pressing their buttons; every result is compared
// with the core operation applied to a copy of the same document.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "app/ui/status_bar.h"
#include "document/ui/mdi_child.h"
#include "document/undo.h"
#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/dialog_values.h"
#include "ops/tone.h"
#include "ops/ui/preview_form.h"
#include "ops/ui/tone_forms.h"
#include "platform/ui/settings_store.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

class QuietHost : public Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return IDOK; }
};

// What a person can see or save of an image: header, colour table, palette, pixels.
QByteArray recordBytes(const TDibRecord& d) {
    QByteArray b(reinterpret_cast<const char*>(d.Info), sizeof(TBitmapInfo));
    b.append(reinterpret_cast<const char*>(&d.Palette), sizeof(TLogPalette));
    b.append(reinterpret_cast<const char*>(d.Bits),
             static_cast<qsizetype>(d.Info->bmiHeader.biSizeImage));
    return b;
}
QByteArray pixelBytes(const TDibRecord& d) {
    return QByteArray(reinterpret_cast<const char*>(d.Bits),
                      static_cast<qsizetype>(d.Info->bmiHeader.biSizeImage));
}
QByteArray paletteBytes(const TDibRecord& d) {
    return QByteArray(reinterpret_cast<const char*>(&d.Palette), sizeof(TLogPalette));
}

// A 24-bit colour ramp or an 8-bit image over a palette of varied colours.
TDibRecord makeImage(int bpp, int w = 23, int h = 17) {
    TDibRecord d;
    newdib(&d, w, h, bpp, nullptr, 0);
    if (d.Bits == nullptr)
        return d;
    if (bpp == 8) {
        for (int i = 0; i < 256; ++i)
            DibSetPaletteColor(&d, i, static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i),
                               static_cast<uint8_t>((i * 13) & 255));
        DibUpdatePaletteHandle(&d);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y,
                     bpp == 8 ? (x * 11 + y * 5) & 255
                              : ((x * 11) & 255) | (((y * 15) & 255) << 8) |
                                    (((x * y * 3 + 40) & 255) << 16));
    return d;
}

// The selection of the tests: a rectangle inside the image.
void selectRect(DocumentState& doc) {
    std::memset(doc.SelMask.Bits, 0, doc.SelMask.Info->bmiHeader.biSizeImage);
    recht_filled(&doc.SelMask, 3, 2, 14, 11, 1);
    doc.HasSelection = true;
}

std::unique_ptr<TMainForm> shownForm() {
    auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}

// A new document window with the image; the small 24-bit one gets the test selection.
TMDIChild* openImage(TMainForm& form, int bpp, int w = 23, int h = 17) {
    form.ShowNewDocument(makeImage(bpp, w, h), "test.bmp", true);
    TMDIChild* child = form.ActiveDocument();
    if (child != nullptr && bpp == 24 && w == 23 && h == 17)
        selectRect(child->Doc());
    return child;
}

void closeDocument(TMDIChild* child) {
    child->Doc().Modified = false;
    child->SubWindow()->close();
    QCoreApplication::processEvents();
}

// The same image and selection in a document of its own.
void copyDocument(const DocumentState& from, DocumentState& to) {
    QuietHost host;
    QVERIFY(AttachImage(to, MakeDIBCopy(from.Dib, host)));
    to.HasSelection = from.HasSelection;
    std::memcpy(to.SelMask.Bits, from.SelMask.Bits, from.SelMask.Info->bmiHeader.biSizeImage);
}

// Calls answer with the next modal dialog as soon as it shows; answer must close it.  A dialog
// that should not have come is rejected.
class ModalAnswer {
  public:
    explicit ModalAnswer(std::function<void(QDialog&)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible())
                return;
            timer_.stop();
            ++shown;
            if (answer_)
                answer_(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer_.start();
    }
    int shown = 0;

  private:
    std::function<void(QDialog&)> answer_;
    QTimer timer_;
};

template <class T> T* child(QDialog& d, const char* name) {
    return d.findChild<T*>(QLatin1String(name));
}
void setSlider(QDialog& d, const char* name, int v) {
    child<QSlider>(d, name)->setValue(v);
}
void click(QDialog& d, const char* name) {
    child<QPushButton>(d, name)->click();
}

QStringList labelsOf(QDialog& d) {
    QStringList texts;
    for (QLabel* l : d.findChildren<QLabel*>())
        if (l->buddy() != nullptr)
            texts << l->text();
    return texts;
}

// One menu command: its action, how its dialog is answered (preview or not), and what the core
// does for it on a document, undo level included.
struct Command {
    QString action;
    bool paletteToo; // the filters' menus are there for 24-bit images only
    std::function<void(QDialog&, bool preview)> answer;
    std::function<void(DocumentState&, Host&)> core;
};

template <class Op> std::function<void(DocumentState&, Host&)> command(Op op) {
    return [op](DocumentState& d, Host& h) { RunCommand(d, h, [&] { op(d, h); }); };
}

std::vector<Command> allCommands() {
    std::vector<Command> c;
    c.push_back({"Graustufen1", true, nullptr, command([](auto& d, auto& h) { DibGrayscale(d, h); })});
    c.push_back({"HistogramFunktionen1", true, nullptr,
                 command([](auto& d, auto& h) { StretchHistogramm(d, h); })});
    c.push_back(
        {"Farbenumkehren1", true, nullptr, command([](auto& d, auto& h) { DibInvert(d, h); })});
    c.push_back({"Tiefebeschrnken1", true,
                 [](QDialog& d, bool) {
                     child<QSpinBox>(d, "PosterEdit")->setValue(3);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { DibPoster(d, h, 5); })});
    c.push_back({"Solarisieren1", true,
                 [](QDialog& d, bool) {
                     child<QSpinBox>(d, "SolarEdit")->setValue(100);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { DibSolar(d, h, 100); })});
    c.push_back({"HelligkeitundKontrast1", true,
                 [](QDialog& d, bool preview) {
                     if (preview) {
                         setSlider(d, "TrackBar1", 90);
                         setSlider(d, "TrackBar3", -80);
                         click(d, "PreviewBtn");
                         click(d, "PreviewBtn");
                     }
                     setSlider(d, "TrackBar1", -20);
                     setSlider(d, "TrackBar2", 130);
                     setSlider(d, "TrackBar3", 40);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { HelligkeitKontrastSaettigung(d, h, -20, 130, 40); })});
    c.push_back({"GammaKorrektion1", true,
                 [](QDialog& d, bool preview) {
                     auto* edit = child<QDoubleSpinBox>(d, "GammaEdit");
                     if (preview) {
                         edit->setValue(0.4);
                         click(d, "PreviewBtn");
                     }
                     edit->setValue(2.3);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { Gamma(d, h, 2.3); })});
    c.push_back({"GlanzlichtMitteSchatten1", true,
                 [](QDialog& d, bool preview) {
                     if (preview) {
                         setSlider(d, "TrackBar1", 20);
                         click(d, "PreviewBtn");
                     }
                     setSlider(d, "TrackBar1", 200);
                     setSlider(d, "TrackBar2", 100);
                     setSlider(d, "TrackBar3", 30);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { HighMidShadow(d, h, 200, 100, 30); })});
    c.push_back({"RotGrnBlau1", true,
                 [](QDialog& d, bool preview) {
                     if (preview) {
                         setSlider(d, "TrackBar1", -100);
                         click(d, "PreviewBtn");
                     }
                     setSlider(d, "TrackBar1", 60);
                     setSlider(d, "TrackBar2", -40);
                     setSlider(d, "TrackBar3", 20);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { RedGreenBlue(d, h, 60, -40, 20); })});
    c.push_back({"Colorieren1", true,
                 [](QDialog& d, bool preview) {
                     if (preview) {
                         setSlider(d, "TrackBar2", 255);
                         click(d, "PreviewBtn");
                     }
                     setSlider(d, "TrackBar1", 40);
                     setSlider(d, "TrackBar2", 180);
                     click(d, "OkBtn");
                 },
                 command([](auto& d, auto& h) { Colorize(d, h, 40, 180); })});
    for (const TBuiltinFilter& f : kBuiltinFilters) {
        QString handler = QLatin1String(f.Handler);
        handler.chop(5); // "Click"
        c.push_back({handler, false, nullptr, [&f](DocumentState& d, Host& h) {
                         ApplyBuiltinFilter(d, h, f);
                     }});
    }
    return c;
}

bool hasPreview(const QString& action) {
    return action == QLatin1String("HelligkeitundKontrast1") ||
           action == QLatin1String("GammaKorrektion1") ||
           action == QLatin1String("GlanzlichtMitteSchatten1") ||
           action == QLatin1String("RotGrnBlau1") || action == QLatin1String("Colorieren1");
}

} // namespace

class TestOpsDialogs : public QObject {
    Q_OBJECT

  private slots:
    void everyCommandTakesOneUndoLevelAndMatchesTheCore();
    void cancelLeavesImagePaletteAndUndoExactly();
    void controlsRangesDefaultsAndTexts();
    void valuesAreKeptBetweenRunsAndResetGivesDefaults();
    void colourSwatchFollowsTheSliders();
    void memoryMessagesReachTheMessageBox();
    void longPreviewKeepsPaintingWithProgress();
};

void TestOpsDialogs::everyCommandTakesOneUndoLevelAndMatchesTheCore() {
    auto form = shownForm();
    QVERIFY(form);
    MessageRecorder messages;
    const std::vector<Command> commands = allCommands();
    QCOMPARE(commands.size(), size_t(22));
    int runs = 0;
    for (const Command& cmd : commands) {
        for (int bpp : {24, 8}) {
            if (bpp == 8 && !cmd.paletteToo)
                continue;
            for (bool preview : {false, true}) {
                if (preview && !hasPreview(cmd.action))
                    continue;
                const QString what = QStringLiteral("%1 %2 bit%3")
                                         .arg(cmd.action)
                                         .arg(bpp)
                                         .arg(preview ? QStringLiteral(" with preview") : QString());
                TMDIChild* doc = openImage(*form, bpp);
                QVERIFY2(doc != nullptr, qPrintable(what));
                DocumentState expected;
                copyDocument(doc->Doc(), expected);
                const QByteArray before = recordBytes(doc->Doc().Dib);
                QuietHost host;
                cmd.core(expected, host);
                QVERIFY2(recordBytes(expected.Dib) != before, qPrintable(what + " changes nothing"));

                QAction* action = form->Action(cmd.action);
                QVERIFY2(action != nullptr && action->isEnabled(), qPrintable(what));
                ModalAnswer answer(cmd.answer ? [&](QDialog& d) { cmd.answer(d, preview); }
                                              : std::function<void(QDialog&)>());
                action->trigger();
                QCOMPARE(answer.shown, cmd.answer ? 1 : 0);

                const DocumentState& got = doc->Doc();
                QVERIFY2(recordBytes(got.Dib) == recordBytes(expected.Dib), qPrintable(what));
                QVERIFY2(got.UndoCount == 1, qPrintable(what));
                QCOMPARE(pixelBytes(got.UndoLevels[0].Image), pixelBytes(expected.UndoLevels[0].Image));
                QCOMPARE(paletteBytes(got.UndoLevels[0].Image),
                         paletteBytes(expected.UndoLevels[0].Image));
                QVERIFY(got.Modified);
                QVERIFY(doc->windowTitle().contains(QLatin1Char('*')));
                QVERIFY(form->RuleAction(MenuItem::Rueckgaengig)->isEnabled());
                closeDocument(doc);
                ++runs;
            }
        }
    }
    QCOMPARE(runs, 12 + 10 * 2 + 5 * 2);
    QVERIFY(messages.messages.empty());

    // without an image document the commands do nothing and show nothing
    for (const Command& cmd : commands) {
        ModalAnswer none(nullptr);
        form->findChild<QAction*>(cmd.action)->trigger();
        QCOMPARE(none.shown, 0);
    }
}

void TestOpsDialogs::cancelLeavesImagePaletteAndUndoExactly() {
    auto form = shownForm();
    QVERIFY(form);
    MessageRecorder messages;
    struct Dialog {
        const char* action;
        std::function<void(QDialog&)> change;
    };
    const Dialog dialogs[] = {
        {"HelligkeitundKontrast1", [](QDialog& d) { setSlider(d, "TrackBar1", 100); }},
        {"GammaKorrektion1", [](QDialog& d) { child<QDoubleSpinBox>(d, "GammaEdit")->setValue(4.0); }},
        {"GlanzlichtMitteSchatten1", [](QDialog& d) { setSlider(d, "TrackBar1", 60); }},
        {"RotGrnBlau1", [](QDialog& d) { setSlider(d, "TrackBar3", -90); }},
        {"Colorieren1", [](QDialog& d) { setSlider(d, "TrackBar1", 10); }},
        {"Tiefebeschrnken1", [](QDialog& d) { child<QSpinBox>(d, "PosterEdit")->setValue(1); }},
        {"Solarisieren1", [](QDialog& d) { child<QSpinBox>(d, "SolarEdit")->setValue(1); }},
    };
    for (const Dialog& dlg : dialogs) {
        for (int bpp : {24, 8}) {
            const QString what = QStringLiteral("%1 %2 bit").arg(QLatin1String(dlg.action)).arg(bpp);
            TMDIChild* doc = openImage(*form, bpp);
            QVERIFY(doc != nullptr);
            // one earlier command on the stack
            form->Action(QStringLiteral("Farbenumkehren1"))->trigger();
            const DocumentState& state = doc->Doc();
            const QByteArray before = recordBytes(state.Dib);
            const QByteArray undoBefore = recordBytes(state.UndoLevels[0].Image);
            bool changedByPreview = false;
            ModalAnswer answer([&](QDialog& d) {
                dlg.change(d);
                if (auto* previewed = child<QPushButton>(d, "PreviewBtn")) {
                    previewed->click();
                    changedByPreview = recordBytes(state.Dib) != before;
                }
                click(d, "CancelBtn");
            });
            form->Action(QLatin1String(dlg.action))->trigger();
            QCOMPARE(answer.shown, 1);
            const bool previewDialog = hasPreview(QLatin1String(dlg.action));
            QVERIFY2(changedByPreview == previewDialog, qPrintable(what));
            QVERIFY2(recordBytes(state.Dib) == before, qPrintable(what));
            QCOMPARE(state.UndoCount, 1);
            QVERIFY2(recordBytes(state.UndoLevels[0].Image) == undoBefore, qPrintable(what));
            // the palette handle belongs to the colours shown: entry 0 is (255, 0, 255) once
            // inverted, and no other entry is
            if (bpp == 8)
                QCOMPARE(GetNearestPaletteIndex(state.Dib.PaletteHandle, 0xFF00FFu), 0u);
            closeDocument(doc);
        }
    }
    QVERIFY(messages.messages.empty());
}

void TestOpsDialogs::controlsRangesDefaultsAndTexts() {
    struct Slider {
        const char* name;
        QString label;
        TIntRange range;
    };
    auto checkButtons = [](QDialog& d) {
        QCOMPARE(child<QPushButton>(d, "OkBtn")->text(), QStringLiteral("&OK"));
        QCOMPARE(child<QPushButton>(d, "CancelBtn")->text(), QStringLiteral("A&bbrechen"));
        QCOMPARE(child<QPushButton>(d, "ResetBtn")->text(), QStringLiteral("&Zurücksetzen"));
        QCOMPARE(child<QPushButton>(d, "PreviewBtn")->text(), QStringLiteral("&Vorschau"));
    };
    auto checkSliders = [](QDialog& d, const std::vector<Slider>& sliders) {
        const QStringList labels = labelsOf(d);
        for (const Slider& s : sliders) {
            QSlider* slider = child<QSlider>(d, s.name);
            QVERIFY2(slider != nullptr, s.name);
            QCOMPARE(slider->minimum(), s.range.Min);
            QCOMPARE(slider->maximum(), s.range.Max);
            QCOMPARE(slider->value(), s.range.Default);
            QVERIFY2(labels.contains(s.label), qPrintable(s.label));
            // the number beside the slider follows it
            slider->setValue(s.range.Max);
            QCOMPARE(child<QLabel>(d, (QByteArray(s.name) + "Value").constData())->text(),
                     QString::number(s.range.Max));
        }
    };
    {
        THKForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Helligkeit, Kontrast und Sättigung"));
        checkButtons(f);
        checkSliders(f, {{"TrackBar1", QStringLiteral("Helligkeit:"), {-127, 127, 0}},
                         {"TrackBar2", QStringLiteral("Kontrast:"), {0, 200, 100}},
                         {"TrackBar3", QStringLiteral("Sättigung:"), {-100, 100, 0}}});
    }
    {
        TGammaForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Gamma Korrektur"));
        checkButtons(f);
        QCOMPARE(f.GammaEdit->minimum(), 0.1);
        QCOMPARE(f.GammaEdit->maximum(), 8.9);
        QCOMPARE(f.GammaEdit->value(), 1.8);
        QCOMPARE(f.GammaEdit->singleStep(), 0.1);
        f.GammaEdit->stepBy(3);
        QCOMPARE(f.GammaEdit->value(), 2.1);
        QVERIFY(labelsOf(f).contains(QStringLiteral("Gamma Korrektur:")));
    }
    {
        TLightForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Glanzlicht, Mitte, Schatten"));
        checkButtons(f);
        checkSliders(f, {{"TrackBar1", QStringLiteral("Glanzlicht:"), {0, 255, 255}},
                         {"TrackBar2", QStringLiteral("Mitte:"), {0, 255, 128}},
                         {"TrackBar3", QStringLiteral("Schatten:"), {0, 255, 0}}});
    }
    {
        TRGBForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Rot, Grün, Blau"));
        checkButtons(f);
        checkSliders(f, {{"TrackBar1", QStringLiteral("Rot:"), {-100, 100, 0}},
                         {"TrackBar2", QStringLiteral("Grün:"), {-100, 100, 0}},
                         {"TrackBar3", QStringLiteral("Blau:"), {-100, 100, 0}}});
    }
    {
        TColizeForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Colorieren..."));
        checkButtons(f);
        checkSliders(f, {{"TrackBar1", QStringLiteral("Farbton:"), {0, 255, 128}},
                         {"TrackBar2", QStringLiteral("Sättigung:"), {0, 255, 128}}});
        QVERIFY(labelsOf(f).contains(QStringLiteral("Farbe:")));
        QVERIFY(f.Shape1 != nullptr);
    }
    {
        TPosterFaktor f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Tiefe beschränken..."));
        QCOMPARE(f.PosterEdit->minimum(), 1);
        QCOMPARE(f.PosterEdit->maximum(), 7);
        QCOMPARE(f.PosterEdit->value(), 4);
        QVERIFY(labelsOf(f).contains(QStringLiteral("Farbe auf X Bits pro Kanal beschränken:")));
        QCOMPARE(f.OkBtn->text(), QStringLiteral("OK"));
        QCOMPARE(f.CancelBtn->text(), QStringLiteral("A&bbrechen"));
    }
    {
        TSolarfaktor f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Solarisieren..."));
        QCOMPARE(f.SolarEdit->minimum(), 1);
        QCOMPARE(f.SolarEdit->maximum(), 255);
        QCOMPARE(f.SolarEdit->value(), 128);
        QVERIFY(labelsOf(f).contains(QStringLiteral("Grenzwert:")));
        QCOMPARE(f.OkBtn->text(), QStringLiteral("&Ok"));
        QCOMPARE(f.CancelBtn->text(), QStringLiteral("A&bbrechen"));
    }

    // the hints of the menu items
    TMainForm form;
    const std::pair<const char*, const char*> hints[] = {
        {"Graustufen1", "Nimmt einem farbiges Bild die Farbe"},
        {"HistogramFunktionen1", "Verteielt die Farben über das gesamte Histogramm"},
        {"Farbenumkehren1", "Aus hell wird dunkel und umgekehrt"},
        {"Tiefebeschrnken1", "Beschränkt die Anzahl der Bits pro Pixel"},
        {"Solarisieren1", "Kehrt die Farben ab einer bestimmten Helligkeit um"},
        {"Colorieren1", "Macht ein Schwarz-Weiß Bild farbig"},
        {"Anpassen1", "Verändert wichtige Eigenschaften der Bildfarbe"},
    };
    for (const auto& [name, hint] : hints)
        QCOMPARE(form.Action(QLatin1String(name))->statusTip(), QString::fromUtf8(hint));
}

void TestOpsDialogs::valuesAreKeptBetweenRunsAndResetGivesDefaults() {
    auto form = shownForm();
    QVERIFY(form);
    TMDIChild* doc = openImage(*form, 24);
    QVERIFY(doc != nullptr);

    // a cancelled run is remembered too; the handler's presets lie under the stored values
    ModalAnswer first([](QDialog& d) {
        setSlider(d, "TrackBar1", 33);
        setSlider(d, "TrackBar2", 150);
        setSlider(d, "TrackBar3", -7);
        click(d, "CancelBtn");
    });
    form->Action(QStringLiteral("HelligkeitundKontrast1"))->trigger();
    int seenBrightness = 0, seenContrast = 0, seenSaturation = 1;
    QByteArray afterReset, beforeReset;
    ModalAnswer second([&](QDialog& d) {
        seenBrightness = child<QSlider>(d, "TrackBar1")->value();
        seenContrast = child<QSlider>(d, "TrackBar2")->value();
        seenSaturation = child<QSlider>(d, "TrackBar3")->value();
        click(d, "PreviewBtn");
        beforeReset = recordBytes(doc->Doc().Dib);
        click(d, "ResetBtn");
        afterReset = recordBytes(doc->Doc().Dib);
        QCOMPARE(child<QSlider>(d, "TrackBar1")->value(), 0);
        QCOMPARE(child<QSlider>(d, "TrackBar2")->value(), 100);
        click(d, "OkBtn");
    });
    const QByteArray original = recordBytes(doc->Doc().Dib);
    form->Action(QStringLiteral("HelligkeitundKontrast1"))->trigger();
    QCOMPARE(seenBrightness, 33);
    QCOMPARE(seenContrast, 150);
    QCOMPARE(seenSaturation, -7);
    // reset leaves the previewed image as it is; OK with the defaults changes nothing
    QVERIFY(beforeReset != original);
    QCOMPARE(afterReset, beforeReset);
    QCOMPARE(pixelBytes(doc->Doc().Dib), pixelBytes(doc->Doc().UndoLevels[0].Image));
    QCOMPARE(doc->Doc().UndoCount, 1);

    // every dialog remembers what it showed when it closed
    struct Kept {
        const char* action;
        std::function<void(QDialog&)> set;
        std::function<bool(QDialog&)> check;
    };
    const Kept kept[] = {
        {"GammaKorrektion1", [](QDialog& d) { child<QDoubleSpinBox>(d, "GammaEdit")->setValue(3.7); },
         [](QDialog& d) { return child<QDoubleSpinBox>(d, "GammaEdit")->value() == 3.7; }},
        {"GlanzlichtMitteSchatten1",
         [](QDialog& d) {
             setSlider(d, "TrackBar1", 240);
             setSlider(d, "TrackBar2", 77);
             setSlider(d, "TrackBar3", 12);
         },
         [](QDialog& d) {
             return child<QSlider>(d, "TrackBar1")->value() == 240 &&
                    child<QSlider>(d, "TrackBar2")->value() == 77 &&
                    child<QSlider>(d, "TrackBar3")->value() == 12;
         }},
        {"RotGrnBlau1", [](QDialog& d) { setSlider(d, "TrackBar2", -55); },
         [](QDialog& d) { return child<QSlider>(d, "TrackBar2")->value() == -55; }},
        {"Colorieren1", [](QDialog& d) { setSlider(d, "TrackBar1", 7); },
         [](QDialog& d) { return child<QSlider>(d, "TrackBar1")->value() == 7; }},
    };
    for (const Kept& k : kept) {
        ModalAnswer set([&](QDialog& d) {
            k.set(d);
            click(d, "OkBtn");
        });
        form->Action(QLatin1String(k.action))->trigger();
        bool same = false;
        ModalAnswer look([&](QDialog& d) {
            same = k.check(d);
            click(d, "CancelBtn");
        });
        form->Action(QLatin1String(k.action))->trigger();
        QVERIFY2(same, k.action);
    }

    // a stored value the control cannot show is not taken
    FormSettings(QStringLiteral("TRGBForm")).setValue(QStringLiteral("TrackBar2"), 5000);
    int shownGreen = 1;
    ModalAnswer look([&](QDialog& d) {
        shownGreen = child<QSlider>(d, "TrackBar2")->value();
        click(d, "CancelBtn");
    });
    form->Action(QStringLiteral("RotGrnBlau1"))->trigger();
    QCOMPARE(shownGreen, 0);

    // the two tone dialogs keep their place on the screen
    ModalAnswer moved([](QDialog& d) {
        d.move(77, 66);
        click(d, "CancelBtn");
    });
    form->Action(QStringLiteral("Solarisieren1"))->trigger();
    QVERIFY(FormSettings(QStringLiteral("TSolarfaktor")).value(QStringLiteral("Placement")).isValid());
    closeDocument(doc);
}

void TestOpsDialogs::colourSwatchFollowsTheSliders() {
    TColizeForm f;
    auto colourOf = [](int hue, int sat) {
        const TRgb c = HslToRgb(hue, sat, 128);
        return QColor(c.R, c.G, c.B);
    };
    QCOMPARE(f.SwatchColor(), colourOf(128, 128));
    f.TrackBar1->setValue(0);
    f.TrackBar2->setValue(255);
    QCOMPARE(f.SwatchColor(), colourOf(0, 255));
    QVERIFY(f.SwatchColor().red() >= 250 && f.SwatchColor().green() < 10); // a pure red
    f.TrackBar2->setValue(0);
    QCOMPARE(f.SwatchColor(), colourOf(0, 0)); // grey
    QCOMPARE(f.SwatchColor().red(), f.SwatchColor().blue());
    // showing the dialog paints the swatch from the sliders again
    QPalette pal = f.Shape1->palette();
    pal.setColor(QPalette::Window, Qt::black);
    f.Shape1->setPalette(pal);
    f.TrackBar1->blockSignals(true);
    f.TrackBar1->setValue(170);
    f.TrackBar1->blockSignals(false);
    f.TrackBar2->blockSignals(true);
    f.TrackBar2->setValue(200);
    f.TrackBar2->blockSignals(false);
    f.show();
    QCOMPARE(f.SwatchColor(), colourOf(170, 200));
    f.hide();
}

void TestOpsDialogs::memoryMessagesReachTheMessageBox() {
    auto form = shownForm();
    QVERIFY(form);
    MessageRecorder messages;
    TMDIChild* doc = openImage(*form, 24, 200, 200);
    QVERIFY(doc != nullptr);
    const QByteArray before = pixelBytes(doc->Doc().Dib);

    // no room for the undo level's buffer (the filter writes its result there) nor for the rows
    // the filter keeps when it works in place instead: the undo level's message, then the
    // filter's
    PictoraSetAllocLimit(PictoraAllocatedBytes() + 1024);
    form->Action(QStringLiteral("Soften1"))->trigger();
    PictoraSetAllocLimit(0);
    QCOMPARE(messages.messages.size(), size_t(2));
    QCOMPARE(messages.messages[0].text,
             QStringLiteral("Fehler: nicht genug Speicher für diese Operation!"));
    QCOMPARE(messages.messages[1].text,
             QStringLiteral("Fehler: Nicht genügent Speicher für diese Aktion!"));
    QCOMPARE(messages.messages[1].caption, QStringLiteral("Fehler"));
    QCOMPARE(messages.messages[1].flags, int(MB_ICONSTOP));
    QCOMPARE(pixelBytes(doc->Doc().Dib), before);
    QCOMPARE(doc->Doc().UndoCount, 1);

    // no backup for a preview dialog: the message, no dialog, nothing changed
    PictoraSetAllocLimit(PictoraAllocatedBytes() + 1024);
    ModalAnswer none(nullptr);
    form->Action(QStringLiteral("GammaKorrektion1"))->trigger();
    PictoraSetAllocLimit(0);
    QCOMPARE(none.shown, 0);
    QCOMPARE(messages.messages.size(), size_t(3));
    QCOMPARE(messages.messages[2].text,
             QStringLiteral("Fehler: Konnte Bild nicht erstellen! (Zuwenig Speicher?)"));
    QCOMPARE(messages.messages[2].flags, int(MB_ICONSTOP));
    QCOMPARE(pixelBytes(doc->Doc().Dib), before);
    QCOMPARE(doc->Doc().UndoCount, 1);
    closeDocument(doc);
}

void TestOpsDialogs::longPreviewKeepsPaintingWithProgress() {
    // With several threads a busy machine may run every row block before the calling thread (the
    // one that reports) gets its first: then the bar legitimately never moves.  One thread makes
    // the check deterministic; the reporting itself is the same code.
    PictoraSetThreadLimit(1);
    struct RestoreThreads {
        ~RestoreThreads() { PictoraSetThreadLimit(0); }
    } restore;
    auto form = shownForm();
    QVERIFY(form);
    TMDIChild* doc = openImage(*form, 24, 1600, 1200);
    QVERIFY(doc != nullptr);
    // samples what the progress bar shows whenever events get through during the preview
    TProgressPanel* bar = form->StatusBar()->ProgressPanel();
    bool timerRanDuringPreview = false, previewDone = false;
    int largestShown = 0;
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!previewDone)
            largestShown = std::max(largestShown, bar->Progress());
    });
    ModalAnswer answer([&](QDialog& d) {
        setSlider(d, "TrackBar1", 50);
        // a timer due now runs while the operation is still busy only if events are processed
        QTimer::singleShot(0, [&] {
            timerRanDuringPreview = !previewDone && QApplication::overrideCursor() != nullptr;
        });
        sampler.start();
        click(d, "PreviewBtn");
        previewDone = true;
        sampler.stop();
        click(d, "CancelBtn");
    });
    form->Action(QStringLiteral("RotGrnBlau1"))->trigger();
    QCOMPARE(answer.shown, 1);
    QVERIFY(timerRanDuringPreview);
    QVERIFY(largestShown > 0);
    QCOMPARE(bar->Progress(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    closeDocument(doc);
}

PIXORAMA_UI_TEST_MAIN(TestOpsDialogs)
#include "ops_dialogs_test.moc"

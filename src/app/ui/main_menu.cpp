// The frame's menu tree and its standard toolbar.  Items whose commands come with later parts of
// the program are here already and take part in the enabling rules; they do nothing yet.
#include "app/ui/main_form.h"
#include "browser/ui/browser_form.h"

#include "app/ui/scan_ui.h"
#include "ops/convolution.h"

#include <QAction>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <cstring>
#include <string>

static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace pixorama::ui {

using M = MenuItem;

QAction* TMainForm::addItem(QMenu* menu, const char* caption, const char* shortcut,
                            const char* name) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QLatin1String(name));
    if (shortcut != nullptr && *shortcut != '\0')
        a->setShortcut(QKeySequence(QLatin1String(shortcut), QKeySequence::PortableText));
    return a;
}

void TMainForm::setRule(MenuItem item, QAction* action) {
    ruleActions_[static_cast<size_t>(item)] = action;
}

QAction* TMainForm::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

void TMainForm::buildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](QMenu* parent, const char* caption, const char* name) {
        QMenu* m = parent ? parent->addMenu(QString::fromUtf8(caption))
                          : bar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    // the built-in filters of submenu m, in the order of kBuiltinFilters
    auto addFilters = [&](QMenu* m) {
        for (const TBuiltinFilter& f : kBuiltinFilters) {
            if (QString::fromUtf8(f.Submenu) != m->title())
                continue;
            const std::string name(f.Handler, std::strlen(f.Handler) - std::strlen("Click"));
            connect(addItem(m, f.Caption, nullptr, name.c_str()), &QAction::triggered, this,
                    [this, &f] { BuiltinFilterClick(f); });
        }
    };

    // ---- Datei ----
    QMenu* datei = menu(nullptr, "&Datei", "File1");
    connect(addItem(datei, "&Neu...", "Ctrl+N", "FileNewItem"), &QAction::triggered, this,
            &TMainForm::FileNewItemClick);
    connect(addItem(datei, "Ö&ffnen...", "Ctrl+O", "FileOpenItem"), &QAction::triggered, this,
            &TMainForm::FileOpenItemClick);
    setRule(M::Browse, addItem(datei, "&Browse...", "Ctrl+B", "Browse1"));
    connect(RuleAction(M::Browse), &QAction::triggered, this, [this] { Browse1Click(*this); });
    QAction* close = addItem(datei, "&Schließen", nullptr, "FileCloseItem");
    setRule(M::Schliessen, close);
    connect(close, &QAction::triggered, this, &TMainForm::FileCloseItemClick);
    datei->addSeparator();
    QAction* save = addItem(datei, "S&peichern", "Ctrl+S", "FileSaveItem");
    setRule(M::Speichern, save);
    connect(save, &QAction::triggered, this, &TMainForm::FileSaveItemClick);
    QAction* saveAs = addItem(datei, "Speichern &unter...", "F12", "FileSaveAsItem");
    setRule(M::SpeichernUnter, saveAs);
    connect(saveAs, &QAction::triggered, this, &TMainForm::FileSaveAsItemClick);
    datei->addSeparator();
    connect(addItem(datei, "Bild &scannen...", nullptr, "Bildscannen1"), &QAction::triggered,
            this, [this] { TWAIN_ScanImage(this); });
    connect(addItem(datei, "Scanner auswä&hlen...", nullptr, "Scannerauswhlne1"),
            &QAction::triggered, this, [this] { TWAIN_SelectScanner(this); });
    datei->addSeparator();
    connect(addItem(datei, "Drucker &einrichten...", nullptr, "Druckereinrichten1"),
            &QAction::triggered, this, &TMainForm::Druckereinrichten1Click);
    QAction* print = addItem(datei, "&Drucken...", "Ctrl+P", "Drucken1");
    setRule(M::Drucken, print);
    connect(print, &QAction::triggered, this, &TMainForm::Drucken1Click);
    datei->addSeparator();
    connect(addItem(datei, "&Beenden", nullptr, "FileExitItem"), &QAction::triggered, this,
            &TMainForm::FileExitItemClick);

    // ---- Bearbeiten ----
    QMenu* edit = menu(nullptr, "&Bearbeiten", "Edit1");
    setRule(M::Rueckgaengig, addItem(edit, "&Rückgängig", "Ctrl+Z", "Rckgngig1"));
    edit->addSeparator();
    setRule(M::Ausschneiden, addItem(edit, "&Ausschneiden", "Ctrl+X", "CutItem"));
    setRule(M::Kopieren, addItem(edit, "&Kopieren", "Ctrl+C", "CopyItem"));
    QMenu* paste = menu(edit, "&Einfügen", "Einfgen1");
    setRule(M::Einfuegen, paste->menuAction());
    addItem(paste, "Als neues &Bild", "Ctrl+V", "AlsBild1");
    setRule(M::AlsNeueAuswahl, addItem(paste, "Als neue &Auswahl", "Ctrl+E", "AlsAuswahl1"));
    setRule(M::AlsTransparenteAuswahl,
            addItem(paste, "Als &transparente Auswahl", "Ctrl+Shift+E", "AlstransparenteAuswahl1"));
    setRule(M::Loeschen, addItem(edit, "&Löschen", "Del", "Lschen1"));
    edit->addSeparator();
    setRule(M::ZwischenablageLoeschen,
            addItem(edit, "&Zwischenablage löschen", nullptr, "Zwischenablagelschen1"));

    // ---- Betrachten ----
    // the menu stays open without a document, so that "Werkzeugleisten..." can always bring
    // hidden bars back; the zoom entries follow the menu's rule instead
    QMenu* view = menu(nullptr, "B&etrachten", "Betrachten1");
    QAction* oneToOne = addItem(view, "&Nicht vergrößert (1:1)", "Ctrl+Alt+N", "Nichtvergrert11");
    setRule(M::NichtVergroessert, oneToOne);
    connect(oneToOne, &QAction::triggered, this, [this] { SetZoom(1, 1); });
    QMenu* larger = menu(view, "Ver&größert", "Vergrert1");
    QMenu* smaller = menu(view, "Ver&kleinert", "Verkleinert1");
    setRule(M::MenuBetrachten, larger->menuAction());
    connect(larger->menuAction(), &QAction::enabledChanged, smaller->menuAction(),
            &QAction::setEnabled);
    for (int k = 2; k <= 16; ++k) {
        // access keys on the one-digit factors
        const QString in = k <= 9 ? QStringLiteral("&%1:1").arg(k) : QStringLiteral("%1:1").arg(k);
        const QString out = k <= 9 ? QStringLiteral("1:&%1").arg(k) : QStringLiteral("1:%1").arg(k);
        QAction* a = larger->addAction(in);
        a->setObjectName(QStringLiteral("N") + QString::number(k) + QStringLiteral("11"));
        connect(a, &QAction::triggered, this, [this, k] { SetZoom(k, 1); });
        QAction* b = smaller->addAction(out);
        b->setObjectName(QStringLiteral("N1") + QString::number(k) + QStringLiteral("1"));
        connect(b, &QAction::triggered, this, [this, k] { SetZoom(1, k); });
    }
    view->addSeparator();
    connect(addItem(view, "Werkzeugleisten...", nullptr, "Toolbars1"), &QAction::triggered, this,
            &TMainForm::Toolbars1Click);

    // ---- Bild ----
    QMenu* image = menu(nullptr, "B&ild", "Bild1");
    setRule(M::MenuBild, image->menuAction());
    // Ctrl+I belongs to this item only: "Inf&o" is reached through its menu
    addItem(image, "&Horizontal spiegeln", "Ctrl+I", "Horizontalspiegeln1");
    addItem(image, "&Vertikal spiegeln", "Ctrl+M", "Vertikalspiegeln1");
    addItem(image, "&Rotieren...", "Ctrl+R", "Rotieren1");
    image->addSeparator();
    addItem(image, "R&and hinzufügen...", nullptr, "Randhinzufgen1");
    addItem(image, "&Leinwandgröße ändern...", nullptr, "Rahmenvergrern1");
    addItem(image, "Zur Auswahl ver&kleinern", "Shift+Alt+S", "ZurAuswahlverkleinern1");
    addItem(image, "&Größe ändern...", "Shift+Alt+R", "Grendern1");
    image->addSeparator();
    addItem(image, "&Mathematik...", nullptr, "Mathematik1");
    QMenu* deform = menu(image, "&Deformationen", "Deformationen1");
    setRule(M::Deformationen, deform->menuAction());
    addItem(deform, "&Perspektive/Schrägstellen...", nullptr, "Perspektive1");
    addItem(deform, "&Wölben...", nullptr, "Wlben1");
    QMenu* effects = menu(image, "E&ffekte", "Effekte1");
    setRule(M::Effekte, effects->menuAction());
    setRule(M::DruckknopfErstellen,
            addItem(effects, "Druckknopf erstellen...", nullptr, "Druckknopferstellen1"));
    addItem(effects, "&Schatten hinzufügen...", nullptr, "Schattenhinzufgen1");
    image->addSeparator();
    QMenu* edges = menu(image, "&Eck Filter", "EckFilter1");
    setRule(M::EckFilter, edges->menuAction());
    addFilters(edges);
    QMenu* focus = menu(image, "Foku&ssierungs Filter", "FokussierungsFilter1");
    setRule(M::FokussierungsFilter, focus->menuAction());
    addFilters(focus);
    // the soften filters, then the sharpen ones
    focus->insertSeparator(Action(QStringLiteral("Sharpen1")));
    QMenu* noise = menu(image, "&Störungen", "Strungen1");
    setRule(M::Stoerungen, noise->menuAction());
    addItem(noise, "&Hinzufügen...", nullptr, "Hinzufgen1");
    addItem(noise, "&Entfernen...", nullptr, "Entfernen1");
    QMenu* special = menu(image, "Spe&zial Filter", "SpezialFilter1");
    setRule(M::SpezialFilter, special->menuAction());
    addItem(special, "&Erweitern", nullptr, "Erweitern1");
    addFilters(special);
    addItem(special, "&Auswaschen", nullptr, "Auswachen1");
    addItem(special, "&Mosaik Effekt...", nullptr, "MosaikEffekt1");
    setRule(M::BenutzerdefinierteFilter,
            addItem(image, "Benu&tzerdefinierte Filter...", nullptr, "BenutzerdefinierteFilter1"));

    // ---- Farben ----
    QMenu* colours = menu(nullptr, "F&arben", "Farben1");
    setRule(M::MenuFarben, colours->menuAction());
    QMenu* adjust = menu(colours, "&Anpassen", "Anpassen1");
    setRule(M::Anpassen, adjust->menuAction());
    addItem(adjust, "&Helligkeit, Kontrast und Sättigung...", nullptr, "HelligkeitundKontrast1");
    addItem(adjust, "Gamma  &Korrektur...", nullptr, "GammaKorrektion1");
    addItem(adjust, "&Glanzlicht, Mitte, Schatten...", nullptr, "GlanzlichtMitteSchatten1");
    addItem(adjust, "&Rot/Grün/Blau...", nullptr, "RotGrnBlau1");
    setRule(M::Colorieren, addItem(colours, "&Colorieren...", "Shift+Alt+L", "Colorieren1"));
    setRule(M::Graustufen, addItem(colours, "&Graustufen", nullptr, "Graustufen1"));
    setRule(M::FarbverteilungOptimieren,
            addItem(colours, "&Farbverteilung optimieren", nullptr, "HistogramFunktionen1"));
    addItem(colours, "Farben &umkehren", nullptr, "Farbenumkehren1");
    setRule(M::TiefeBeschraenken,
            addItem(colours, "Tiefe &beschränken...", "Shift+Alt+Z", "Tiefebeschrnken1"));
    setRule(M::Solarisieren, addItem(colours, "S&olarisieren...", nullptr, "Solarisieren1"));
    colours->addSeparator();
    addItem(colours, "Farbkanäle in RGB &teilen", nullptr, "Farbekaneteilen1");
    addItem(colours, "Farbkanäle aus RGB &zusammenfügen", nullptr, "Farbkanlezusammenfgen1");
    colours->addSeparator();
    setRule(M::PaletteLadenBildAnpassen, addItem(colours, "&Palette laden + Bild anpassen...",
                                                 "Shift+Alt+O", "PaletteladenBildanpassen1"));
    setRule(M::PaletteLaden, addItem(colours, "Palette &laden...", nullptr, "Paletteladen1"));
    setRule(M::PaletteSpeichern,
            addItem(colours, "Palette &speichern...", nullptr, "Palettespeichern1"));
    setRule(M::PaletteEditieren,
            addItem(colours, "Palette &editieren...", "Shift+Alt+P", "Paletteeditieren1"));
    colours->addSeparator();
    addItem(colours, "&Benutzte Farben zählen", nullptr, "BenutzteFarbenzhlen1");
    QMenu* reduce = menu(colours, "Farbtiefe ver&kleinern", "Farbtiefeverkleinern1");
    setRule(M::FarbtiefeVerkleinern, reduce->menuAction());
    setRule(M::R2Farben, addItem(reduce, "&2 Farben (1 Bit)...", nullptr, "N2Farbent1Bit1"));
    setRule(M::R16Farben, addItem(reduce, "&16 Farben (4 Bit)...", nullptr, "N16Farbent4Bit1"));
    setRule(M::R256Farben, addItem(reduce, "2&56 Farben (8 Bit)...", nullptr, "N256Farbent8Bit1"));
    setRule(M::RXFarben,
            addItem(reduce, "&X Farben (4 Bit/8 Bit)...", nullptr, "XFarben4Bit8Bit1"));
    QMenu* increase = menu(colours, "Farbtiefe &vergrößern", "Farbtiefevergrern1");
    setRule(M::FarbtiefeVergroessern, increase->menuAction());
    setRule(M::I16Farben, addItem(increase, "&16 Farben (4 Bit)", nullptr, "N16Farbent4Bit2"));
    setRule(M::I256Farben, addItem(increase, "2&56 Farben (8 Bit)", nullptr, "N256Farbent8Bit2"));
    setRule(M::I16MillionenFarben, addItem(increase, "1&6 Millionen Farben (24 Bit)", nullptr,
                                           "N16MillionenFarbent24Bit1"));

    // ---- Auswahl ----
    QMenu* selection = menu(nullptr, "&Auswahl", "Auswahl1");
    setRule(M::MenuAuswahl, selection->menuAction());
    addItem(selection, "&Alles auswählen", "Ctrl+A", "Allesauswhlen1");
    setRule(M::NichtAuswaehlen, addItem(selection, "&Nicht auswählen", "Ctrl+D", "Nichtauswhlen1"));
    addItem(selection, "Auswahl &umkehren", "Ctrl+Shift+I", "Auswahlumkeheren1");
    selection->addSeparator();
    setRule(M::VomUntergrundLoesen,
            addItem(selection, "Vom Untergrund &lösen", "Ctrl+F", "VomUntergrundlsen1"));
    setRule(M::MitUntergrundVerschmelzen, addItem(selection, "Mit Untergrund &verschmelzen",
                                                  "Ctrl+Shift+F", "MitUntergrundverschmelzen1"));

    // ---- Fenster ----
    windowMenu_ = menu(nullptr, "&Fenster", "Window1");
    QAction* cascade = addItem(windowMenu_, "Ü&berlappend", nullptr, "WindowCascadeItem");
    setRule(M::Ueberlappend, cascade);
    connect(cascade, &QAction::triggered, this, &TMainForm::WindowCascadeItemClick);
    QAction* tile = addItem(windowMenu_, "&Nebeneinander", nullptr, "WindowTileItem");
    setRule(M::Nebeneinander, tile);
    connect(tile, &QAction::triggered, this, &TMainForm::WindowTileItemClick);
    QAction* arrange = addItem(windowMenu_, "&Symbole anordnen", nullptr, "WindowArrangeItem");
    setRule(M::SymboleAnordnen, arrange);
    connect(arrange, &QAction::triggered, this, &TMainForm::WindowArrangeItemClick);
    QAction* minimize = addItem(windowMenu_, "&Alle verkleinern", nullptr, "WindowMinimizeItem");
    setRule(M::AlleVerkleinern, minimize);
    connect(minimize, &QAction::triggered, this, &TMainForm::WindowMinimizeItemClick);
    windowMenu_->addSeparator();
    QAction* duplicate = addItem(windowMenu_, "&Verdoppeln", "Shift+Alt+D", "Verdoppeln1");
    setRule(M::Verdoppeln, duplicate);
    connect(duplicate, &QAction::triggered, this, &TMainForm::Verdoppeln1Click);
    QAction* fit = addItem(windowMenu_, "&Größe an Bild anpassen", "Ctrl+W", "GreanBildanpassen1");
    setRule(M::GroesseAnBildAnpassen, fit);
    connect(fit, &QAction::triggered, this, &TMainForm::GreanBildanpassen1Click);
    connect(windowMenu_, &QMenu::aboutToShow, this, &TMainForm::rebuildWindowList);

    // ---- Hilfe ----
    QMenu* help = menu(nullptr, "&Hilfe", "Help1");
    connect(addItem(help, "Inf&o", nullptr, "HelpAboutItem"), &QAction::triggered, this,
            &TMainForm::HelpAboutItemClick);

    // ---- tone adjustments and colour corrections (main_ops.cpp) ----
    struct OpsCommand {
        const char* name;
        void (TMainForm::*handler)();
        const char* hint;
    };
    const OpsCommand opsCommands[] = {
        {"Graustufen1", &TMainForm::Graustufen1Click, "Nimmt einem farbiges Bild die Farbe"},
        {"HistogramFunktionen1", &TMainForm::HistogramFunktionen1Click,
         "Verteielt die Farben über das gesamte Histogramm"},
        {"Farbenumkehren1", &TMainForm::Farbenumkehren1Click, "Aus hell wird dunkel und umgekehrt"},
        {"Tiefebeschrnken1", &TMainForm::Tiefebeschrnken1Click,
         "Beschränkt die Anzahl der Bits pro Pixel"},
        {"Solarisieren1", &TMainForm::Solarisieren1Click,
         "Kehrt die Farben ab einer bestimmten Helligkeit um"},
        {"HelligkeitundKontrast1", &TMainForm::HelligkeitundKontrast1Click, nullptr},
        {"GammaKorrektion1", &TMainForm::GammaKorrektion1Click, nullptr},
        {"GlanzlichtMitteSchatten1", &TMainForm::GlanzlichtMitteSchatten1Click, nullptr},
        {"RotGrnBlau1", &TMainForm::RotGrnBlau1Click, nullptr},
        {"Colorieren1", &TMainForm::Colorieren1Click, "Macht ein Schwarz-Weiß Bild farbig"},
    };
    for (const OpsCommand& c : opsCommands) {
        QAction* a = Action(QLatin1String(c.name));
        if (a == nullptr)
            continue;
        connect(a, &QAction::triggered, this, c.handler);
        if (c.hint != nullptr)
            a->setStatusTip(QString::fromUtf8(c.hint));
    }
    adjust->menuAction()->setStatusTip(
        QStringLiteral("Verändert wichtige Eigenschaften der Bildfarbe"));
    connectColourCommands();
    connectArithCommands();
}

// The open child windows below the window commands, the active one checked.
void TMainForm::rebuildWindowList() {
    for (QAction* a : windowListActions_) {
        windowMenu_->removeAction(a);
        delete a;
    }
    windowListActions_.clear();
    const QList<QMdiSubWindow*> windows = LiveWindows();
    if (windows.isEmpty())
        return;
    windowListActions_.push_back(windowMenu_->addSeparator());
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        ++n;
        const QString text = n <= 9 ? QStringLiteral("&%1 %2").arg(n).arg(w->windowTitle())
                                    : QStringLiteral("%1 %2").arg(n).arg(w->windowTitle());
        QAction* a = windowMenu_->addAction(text);
        a->setCheckable(true);
        a->setChecked(w == mdiArea_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w] {
            if (LiveWindows().contains(w)) {
                if (w->isMinimized())
                    w->showNormal();
                mdiArea_->setActiveSubWindow(w);
            }
        });
        windowListActions_.push_back(a);
    }
}

void TMainForm::buildSpeedPanel() {
    initIconResources();
    setWindowIcon(QIcon::fromTheme(QStringLiteral("applications-graphics"),
                                   QIcon(QStringLiteral(":/icons/browse.xpm"))));
    speedPanel_ = addToolBar(QStringLiteral("SpeedPanel"));
    speedPanel_->setObjectName(QStringLiteral("SpeedPanel"));
    speedPanel_->setMovable(false);
    speedPanel_->setIconSize(QSize(16, 16));
    struct Button {
        const char* name;
        const char* hint; // "short|long": the short part is the tooltip, the long one the status
        const char* theme;
        const char* fallback;
    };
    const Button buttons[] = {
        {"NewSpeedBtn", "Neu|", "document-new", "new"},
        {"OpenSpeedBtn", "Öffnen|", "document-open", "open"},
        {"SaveSpeedBtn", "Speichern|", "document-save", "save"},
        {"CutSpeedBtn", "Ausschneiden|", "edit-cut", "cut"},
        {"CopySpeedBtn", "Kopieren|", "edit-copy", "copy"},
        {"PasteSpeedBtn", "Einfügen|", "edit-paste", "paste"},
        {"UndoItSpeedBtn", "Rückgängig|", "edit-undo", "undo"},
        {"ExitSpeedBtn", "Beenden|", "application-exit", "exit"},
        {"ShowKontroll", "Kontrollbereich anzeigen/verbergen|", "", "controls"},
        {"ShowHistogr", "Histogramm anzeigen/verbergen|", "", "histogram"},
        {"BrowseBtn", "Browser aufrufen...|", "folder-pictures", "browse"},
        {"SaveAsBtn", "Speichern unter...|", "document-save-as", "saveas"},
    };
    for (const Button& b : buttons) {
        const QIcon fallback(QStringLiteral(":/icons/%1.xpm").arg(QLatin1String(b.fallback)));
        const QIcon icon = *b.theme ? QIcon::fromTheme(QLatin1String(b.theme), fallback) : fallback;
        const QString hint = QString::fromUtf8(b.hint);
        const int bar = static_cast<int>(hint.indexOf(QLatin1Char('|')));
        QAction* a = speedPanel_->addAction(icon, hint.left(bar));
        a->setObjectName(QLatin1String(b.name));
        a->setToolTip(hint.left(bar));
        a->setStatusTip(hint.mid(bar + 1));
        if (qstrcmp(b.name, "ExitSpeedBtn") == 0 || qstrcmp(b.name, "BrowseBtn") == 0)
            speedPanel_->addSeparator();
    }
    auto button = [&](const char* name) {
        return speedPanel_->findChild<QAction*>(QLatin1String(name));
    };
    connect(button("NewSpeedBtn"), &QAction::triggered, this, &TMainForm::FileNewItemClick);
    connect(button("OpenSpeedBtn"), &QAction::triggered, this, &TMainForm::FileOpenItemClick);
    connect(button("SaveSpeedBtn"), &QAction::triggered, this, &TMainForm::FileSaveItemClick);
    connect(button("SaveAsBtn"), &QAction::triggered, this, &TMainForm::FileSaveAsItemClick);
    connect(button("ExitSpeedBtn"), &QAction::triggered, this, &TMainForm::FileExitItemClick);
    setRule(M::SaveSpeedBtn, button("SaveSpeedBtn"));
    setRule(M::SaveAsBtn, button("SaveAsBtn"));
    setRule(M::CutSpeedBtn, button("CutSpeedBtn"));
    setRule(M::CopySpeedBtn, button("CopySpeedBtn"));
    setRule(M::PasteSpeedBtn, button("PasteSpeedBtn"));
    setRule(M::UndoItSpeedBtn, button("UndoItSpeedBtn"));
    setRule(M::BrowseBtn, button("BrowseBtn"));
    connect(button("BrowseBtn"), &QAction::triggered, this, [this] { Browse1Click(*this); });

    showKontroll_ = button("ShowKontroll");
    showHistogr_ = button("ShowHistogr");
    showKontroll_->setCheckable(true);
    showKontroll_->setChecked(true);
    showHistogr_->setCheckable(true);
    showHistogr_->setChecked(true);
    connect(showKontroll_, &QAction::triggered, this, &TMainForm::ShowKontrollClick);
    connect(showHistogr_, &QAction::triggered, this, &TMainForm::ShowHistogrClick);
}

} // namespace pixorama::ui

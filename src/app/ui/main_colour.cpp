// The frame's commands of colour depth and palettes: reducing and increasing the depth,
// counting colours, loading, fitting, saving and editing the palette.  Each takes the active
// image document; the depth and palette-loading commands take one undo level before their
// dialog, so a cancelled dialog still leaves one.
#include "app/ui/main_form.h"

#include "app/ui/colour_panel.h"
#include "colour/depth_down.h"
#include "colour/depth_up.h"
#include "colour/palette_files.h"
#include "colour/ui/depth_forms.h"
#include "colour/ui/paledit_form.h"
#include "document/ui/mdi_child.h"
#include "document/undo.h"
#include "ops/ui/progress_host.h"
#include "platform/ui/file_dialogs.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace pixorama::ui {

namespace {

// The palette file dialogs' filter: the program's files, whatever the case of their names, and
// GIMP palettes, which the loader reads too.
std::vector<DialogFilter> paletteFilters(bool forOpening) {
    DialogFilter f{"Paletten", {"*.PAL", "*.pal"}};
    if (forOpening)
        f.Patterns.push_back("*.gpl");
    return {f};
}

} // namespace

void TMainForm::connectColourCommands() {
    struct Command {
        const char* name;
        void (TMainForm::*handler)();
        const char* hint;
    };
    const Command commands[] = {
        {"N2Farbent1Bit1", &TMainForm::N2Farbent1Bit1Click, nullptr},
        {"N16Farbent4Bit1", &TMainForm::N16Farbent4Bit1Click, nullptr},
        {"N256Farbent8Bit1", &TMainForm::N256Farbent8Bit1Click, nullptr},
        {"XFarben4Bit8Bit1", &TMainForm::XFarben4Bit8Bit1Click, nullptr},
        {"N16Farbent4Bit2", &TMainForm::N16Farbent4Bit2Click, nullptr},
        {"N256Farbent8Bit2", &TMainForm::N256Farbent8Bit2Click, nullptr},
        {"N16MillionenFarbent24Bit1", &TMainForm::N16MillionenFarbent24Bit1Click, nullptr},
        {"BenutzteFarbenzhlen1", &TMainForm::BenutzteFarbenzhlen1Click,
         "Zählt die in der Auswahl benutzen Farben"},
        {"PaletteladenBildanpassen1", &TMainForm::PaletteladenBildanpassen1Click,
         "Lädt eine andere Farbpalette"},
        {"Paletteladen1", &TMainForm::Paletteladen1Click,
         "Lädt eine andere Farbpalette; läßt die Pixel gleich"},
        {"Palettespeichern1", &TMainForm::Palettespeichern1Click, "Speichert die Farbpalette"},
        {"Paletteeditieren1", &TMainForm::Paletteeditieren1Click, "Verändert die Farbpalette"},
        {"Farbtiefeverkleinern1", nullptr, "Verkleinert die Zahl der benutzen Farben"},
        {"Farbtiefevergrern1", nullptr, "Vergrößert die Zahl der benutzten Farben"},
    };
    for (const Command& c : commands) {
        QAction* a = Action(QLatin1String(c.name));
        if (a == nullptr)
            continue;
        if (c.handler != nullptr)
            connect(a, &QAction::triggered, this, c.handler);
        if (c.hint != nullptr)
            a->setStatusTip(QString::fromUtf8(c.hint));
    }
    // a separator stands before "&X Farben (4 Bit/8 Bit)..."
    if (QAction* x = Action(QStringLiteral("XFarben4Bit8Bit1")))
        if (auto* reduce = findChild<QMenu*>(QStringLiteral("Farbtiefeverkleinern1")))
            reduce->insertSeparator(x);
}

// After a change of depth or palette: histogram, palette strip, colour panel, the document.
void TMainForm::colourCommandDone(TMDIChild* child) {
    Updatehistogramm();
    colourPanel_->Refresh();
    child->Repaint();
}

void TMainForm::DepthDownTo(int32_t bits) {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    DocumentState& doc = child->Doc();
    TProgressHost host(CoreHost());
    SaveForUndo(doc, host);
    host.SetProSatus(0);
    bool ok;
    TDepthDownChoice choice;
    if (bits == 0) {
        TFreeDepthForm dialog(this);
        dialog.Prepare(DibBitsPerPixel(&doc.Dib));
        ok = dialog.Run();
        choice = dialog.Choice();
    } else {
        TDepthDownForm dialog(this);
        dialog.Prepare(bits);
        ok = dialog.Run();
        choice = dialog.Choice();
    }
    if (ok) {
        TBusyCursor busy;
        pixorama::DepthDownTo(doc, host, choice);
    }
    host.SetProSatus(0);
    child->setcol1(doc.ForeColor);
    child->setcol2(doc.BackColor);
    colourCommandDone(child);
}

void TMainForm::N2Farbent1Bit1Click() {
    DepthDownTo(1);
}
void TMainForm::N16Farbent4Bit1Click() {
    DepthDownTo(4);
}
void TMainForm::N256Farbent8Bit1Click() {
    DepthDownTo(8);
}
void TMainForm::XFarben4Bit8Bit1Click() {
    DepthDownTo(0);
}

void TMainForm::DepthUpTo(int32_t bits) {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(CoreHost());
    TBusyCursor busy;
    SaveForUndo(child->Doc(), host);
    pixorama::DepthUpTo(child->Doc(), host, bits);
    child->setcol1(child->Doc().ForeColor);
    child->setcol2(child->Doc().BackColor);
    colourCommandDone(child);
}

void TMainForm::N16Farbent4Bit2Click() {
    DepthUpTo(4);
}
void TMainForm::N256Farbent8Bit2Click() {
    DepthUpTo(8);
}
void TMainForm::N16MillionenFarbent24Bit1Click() {
    DepthUpTo(24);
}

void TMainForm::BenutzteFarbenzhlen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(CoreHost());
    BenutzteFarbenZaehlen(child->Doc(), host);
}

void TMainForm::Paletteladen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(CoreHost());
    SaveForUndo(child->Doc(), host);
    const QString path = GetOpenImageName(this, paletteFilters(true));
    if (loadpal(child->Doc(), host, path.toStdString())) {
        // the swatches show the new colours of the same indices
        child->setcol1(child->Doc().ForeColor);
        child->setcol2(child->Doc().BackColor);
    }
    colourCommandDone(child);
}

void TMainForm::PaletteladenBildanpassen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(CoreHost());
    SaveForUndo(child->Doc(), host);
    const QString path = GetOpenImageName(this, paletteFilters(true));
    if (loadpal0(child->Doc(), host, path.toStdString())) {
        child->setcol1(child->Doc().ForeColor);
        child->setcol2(child->Doc().BackColor);
    }
    colourCommandDone(child);
}

void TMainForm::Palettespeichern1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    const int32_t colours = DibColorCount(&child->Doc().Dib);
    if (colours != 16 && colours != 256)
        return;
    QString path = GetSaveImageName(this, paletteFilters(false), 0, QString()).path;
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".PAL");
    savepal(child->Doc(), CoreHost(), path.toStdString());
}

void TMainForm::Paletteeditieren1Click() {
    TPaleditForm dialog(this);
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    dialog.EditPalette = child->Doc().Dib.Palette;
    if (!dialog.Run())
        return;
    ApplyEditedPalette(child->Doc().Dib, dialog.EditPalette);
    colourPanel_->Refresh();
    child->setcol1(child->Doc().ForeColor);
    child->setcol2(child->Doc().BackColor);
    child->Repaint();
}

} // namespace pixorama::ui

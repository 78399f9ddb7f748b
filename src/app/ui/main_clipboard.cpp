// The menu "&Bearbeiten" around the clipboard: copy, cut, delete, the three pastes and emptying
// the clipboard.  The work is the core's; this side moves the blocks to and from QClipboard.
#include "app/ui/main_form.h"

#include "document/ui/mdi_child.h"
#include "app/ui/clipboard_mime.h"
#include "tools/clipboard.h"
#include "tools/mouse_dispatch.h"

#include <QAction>

namespace pixorama::ui {

void TMainForm::connectClipboardCommands() {
    const std::pair<const char*, void (TMainForm::*)()> items[] = {
        {"CopyItem", &TMainForm::CopyItemClick},
        {"CopySpeedBtn", &TMainForm::CopyItemClick},
        {"CutItem", &TMainForm::CutItemClick},
        {"CutSpeedBtn", &TMainForm::CutItemClick},
        {"AlsBild1", &TMainForm::AlsBild1Click},
        {"PasteSpeedBtn", &TMainForm::AlsBild1Click},
        {"AlsAuswahl1", &TMainForm::AlsAuswahl1Click},
        {"AlstransparenteAuswahl1", &TMainForm::AlstransparenteAuswahl1Click},
        {"Lschen1", &TMainForm::Lschen1Click},
        {"Zwischenablagelschen1", &TMainForm::Zwischenablagelschen1Click},
    };
    for (const auto& [name, handler] : items)
        if (QAction* a = Action(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, handler);
}

void TMainForm::CopyItemClick() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    ClipboardContent clip;
    if (CopyToClipboard(child->Doc(), CoreHost(), clip))
        PutOnClipboard(clip);
    UpdateMenuItems();
}

void TMainForm::CutItemClick() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    ClipboardContent clip;
    if (!CopyToClipboard(child->Doc(), CoreHost(), clip))
        return;
    PutOnClipboard(clip);
    Lschen1Click();
}

void TMainForm::Lschen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    DeleteSelection(child->Doc(), CoreHost(), child->Mouse().View());
    child->Repaint();
    UpdateMenuItems();
}

void TMainForm::AlsBild1Click() {
    const ClipboardContent clip = ReadClipboard();
    if (!clip.HasImage())
        return;
    TDibRecord dib;
    if (PasteAsNewImage(clip, CoreHost(), dib))
        ShowNewDocument(dib, {}, false);
}

void TMainForm::AlsAuswahl1Click() {
    PasteTransparent = false;
    PasteAlsAuswahl();
}

void TMainForm::AlstransparenteAuswahl1Click() {
    PasteTransparent = true;
    PasteAlsAuswahl();
}

void TMainForm::PasteAlsAuswahl() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    const ClipboardContent clip = ReadClipboard();
    if (!clip.HasImage())
        return;
    pixorama::PasteAlsAuswahl(child->Doc(), CoreHost(), child->Mouse().View(), clip,
                              PasteTransparent);
    child->Repaint();
    UpdateMenuItems();
}

void TMainForm::Zwischenablagelschen1Click() {
    EmptyClipboard();
    UpdateMenuItems();
}

} // namespace pixorama::ui

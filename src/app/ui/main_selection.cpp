// The menu "&Auswahl": select all, none, invert, and detaching and merging the floating piece.
#include "app/ui/main_form.h"

#include "document/selection.h"
#include "document/ui/mdi_child.h"
#include "tools/floating.h"

#include <QAction>

namespace pixorama::ui {

void TMainForm::connectSelectionMenu() {
    const std::pair<const char*, void (TMainForm::*)()> items[] = {
        {"Allesauswhlen1", &TMainForm::Allesauswhlen1Click},
        {"Nichtauswhlen1", &TMainForm::Nichtauswhlen1Click},
        {"Auswahlumkeheren1", &TMainForm::Auswahlumkeheren1Click},
        {"VomUntergrundlsen1", &TMainForm::VomUntergrundlsen1Click},
        {"MitUntergrundverschmelzen1", &TMainForm::MitUntergrundverschmelzen1Click},
    };
    for (const auto& [name, handler] : items)
        if (QAction* a = Action(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, handler);
}

void TMainForm::Allesauswhlen1Click() {
    if (TMDIChild* child = ActiveDocument()) {
        SelectAll(child->Doc(), CoreHost());
        child->Repaint();
    }
}

void TMainForm::Nichtauswhlen1Click() {
    if (TMDIChild* child = ActiveDocument()) {
        SelectNone(child->Doc(), CoreHost());
        child->Repaint();
    }
    UpdateMenuItems();
}

void TMainForm::Auswahlumkeheren1Click() {
    if (TMDIChild* child = ActiveDocument()) {
        InvertSelection(child->Doc(), CoreHost());
        child->Repaint();
    }
}

void TMainForm::VomUntergrundlsen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    DocumentState& doc = child->Doc();
    if (doc.HasSelection && !doc.Floating)
        MakeSelectionDragable(doc, CoreHost());
    UpdateMenuItems();
}

void TMainForm::MitUntergrundverschmelzen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    DocumentState& doc = child->Doc();
    if (doc.HasSelection && doc.Floating)
        FinishDraging(doc);
    UpdateMenuItems();
}

} // namespace pixorama::ui

// The frame's commands that make new images from open ones (image arithmetic, channel split and
// combine) and the user-defined filters.  None of the first three changes its sources or takes
// an undo level; a user filter runs through DibFilter, which takes its own.
#include "app/ui/main_form.h"

#include "document/ui/mdi_child.h"
#include "ops/arithmetic.h"
#include "ops/channels.h"
#include "ops/ui/comb_rgb_form.h"
#include "ops/ui/math_form.h"
#include "ops/ui/progress_host.h"
#include "ops/ui/user_filter_forms.h"

#include <QAction>
#include <QComboBox>

namespace pixorama::ui {

void TMainForm::connectArithCommands() {
    struct Command {
        const char* name;
        void (TMainForm::*handler)();
        const char* hint;
    };
    const Command commands[] = {
        {"Mathematik1", &TMainForm::Mathematik1Click, "Verknüpft zwei Bilder miteinander"},
        {"Farbekaneteilen1", &TMainForm::Farbekaneteilen1Click,
         "Teilet das Bild in seine Farbbestandteile"},
        {"Farbkanlezusammenfgen1", &TMainForm::Farbkanlezusammenfgen1Click,
         "Fügt ein Bild wieder zusammen"},
        {"BenutzerdefinierteFilter1", &TMainForm::BenutzerdefinierteFilter1Click,
         "Lässt Sie eigene Filter erstellen, bearbeiten und anwenden"},
    };
    for (const Command& c : commands) {
        QAction* a = Action(QLatin1String(c.name));
        if (a == nullptr)
            continue;
        connect(a, &QAction::triggered, this, c.handler);
        a->setStatusTip(QString::fromUtf8(c.hint));
    }
}

void TMainForm::Mathematik1Click() {
    if (ActiveDocument() == nullptr)
        return;
    std::vector<TDocumentEntry> documents;
    for (const TMDIChild* child : Documents())
        documents.push_back({QString::fromStdString(child->Doc().FileName), &child->Doc().Dib});
    TMatheForm dialog(this);
    dialog.SetDocuments(std::move(documents));
    if (!dialog.Run() || dialog.Image1() == nullptr || dialog.Image2() == nullptr)
        return;
    TProgressHost host(CoreHost());
    TDibRecord result{};
    {
        TBusyCursor busy;
        result = MatheDib(*dialog.Image1(), *dialog.Image2(), dialog.Options(), host);
    }
    if (result.Bits != nullptr)
        ShowNewDocument(result, {}, false);
}

void TMainForm::Farbekaneteilen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(CoreHost());
    std::array<TDibRecord, 3> channels;
    bool ok;
    {
        TBusyCursor busy;
        ok = SplittTORGB(child->Doc().Dib, host, channels);
    }
    if (!ok)
        return;
    const std::array<std::string, 3> names = SplitChannelNames(ChannelCounter);
    for (size_t i = 0; i < 3; ++i)
        ShowNewDocument(channels[i], names[i], true);
    ++ChannelCounter;
}

void TMainForm::Farbkanlezusammenfgen1Click() {
    const std::vector<TMDIChild*> documents = Documents();
    std::vector<std::string> names;
    QStringList list;
    for (const TMDIChild* child : documents) {
        names.push_back(child->Doc().FileName);
        list << QString::fromStdString(child->Doc().FileName);
    }
    TCombRGBForm dialog(this);
    dialog.SetNames(list);
    if (!dialog.Run())
        return;
    const int red = LastDocumentNamed(names, dialog.ComboBox1->currentText().toStdString());
    const int green = LastDocumentNamed(names, dialog.ComboBox2->currentText().toStdString());
    const int blue = LastDocumentNamed(names, dialog.ComboBox3->currentText().toStdString());
    if (red < 0 || green < 0 || blue < 0)
        return;
    TProgressHost host(CoreHost());
    TDibRecord result{};
    {
        TBusyCursor busy;
        result = CombineFromRGB(documents[static_cast<size_t>(red)]->Doc().Dib,
                                documents[static_cast<size_t>(green)]->Doc().Dib,
                                documents[static_cast<size_t>(blue)]->Doc().Dib, host);
    }
    if (result.Bits != nullptr)
        ShowNewDocument(result, {}, false);
    Updatehistogramm();
}

void TMainForm::BenutzerdefinierteFilter1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TUserFilterForm dialog(this);
    dialog.StoreFileName = ProgramFolder + QString::fromUtf8(kUserFilterFileName);
    if (!dialog.Run())
        return;
    TProgressHost host(CoreHost());
    {
        TBusyCursor busy;
        ApplyUserFilter(child->Doc(), host, dialog.CurrentFilter);
    }
    child->Repaint();
}

} // namespace pixorama::ui

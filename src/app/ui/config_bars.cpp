// The toolbar dialog: a check list and OK / "A&bbrechen".
#include "app/ui/config_bars.h"

#include "platform/ui/dialog_parts.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TConfigBars&)> TConfigBars::RunHook;

TConfigBars::TConfigBars(QWidget* parent) : QDialog(parent), CheckList(new QListWidget) {
    setObjectName(QStringLiteral("TConfigBars"));
    setWindowTitle(QStringLiteral("ConfigBars"));
    SetFixedDialogFlags(this);
    CheckList->setObjectName(QStringLiteral("CheckList"));
    for (const char* text : {"Standart Werkzeugleiste (Öffnen,...)", "Zeichenwerkzeugleiste",
                             "Farbpalette", "Kontrollfenster", "Histogramm"}) {
        auto* item = new QListWidgetItem(QString::fromUtf8(text), CheckList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CheckList);
    layout->addWidget(AddOkCancel(this).Box);
    CheckList->setMinimumSize(280, 110);
}

void TConfigBars::SetChecked(const std::array<bool, EntryCount>& states) {
    for (int i = 0; i < EntryCount; ++i)
        CheckList->item(i)->setCheckState(states[static_cast<size_t>(i)] ? Qt::Checked
                                                                         : Qt::Unchecked);
}

std::array<bool, TConfigBars::EntryCount> TConfigBars::Checked() const {
    std::array<bool, EntryCount> states{};
    for (int i = 0; i < EntryCount; ++i)
        states[static_cast<size_t>(i)] = CheckList->item(i)->checkState() == Qt::Checked;
    return states;
}

bool TConfigBars::Run() {
    return RunModal(*this, RunHook);
}

} // namespace pixorama::ui

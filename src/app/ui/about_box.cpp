// Name, version and a few words about the program.
#include "app/ui/about_box.h"

#include "platform/ui/dialog_parts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pixorama::ui {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    SetFixedDialogFlags(this);
    auto* icon = new QLabel;
    const QIcon program = parent != nullptr ? parent->windowIcon() : QIcon();
    icon->setPixmap(program.pixmap(48, 48).scaled(48, 48));
    auto* text = new QLabel(
        QStringLiteral("<h3>Norvane Pixorama 2.0</h3>"
                       "<p>Pixorama 1.0</p>"
                       "<p>Bildbearbeitung und Malprogramm für Fotos, Scans und Zeichnungen:<br>"
                       "öffnen, malen, auswählen, filtern, Farben korrigieren,<br>"
                       "Farbtiefe verringern, drucken und scannen.</p>"));
    text->setTextFormat(Qt::RichText);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace pixorama::ui

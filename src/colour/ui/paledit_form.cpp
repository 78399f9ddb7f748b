// TPaleditForm.
#include "colour/ui/paledit_form.h"

#include "colour/palette_files.h"
#include "platform/ui/dialog_parts.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace pixorama::ui {

std::function<bool(TPaleditForm&)> TPaleditForm::RunHook;
std::function<std::optional<QColor>(const QColor&)> TPaleditForm::ColorDialogHook;

TPaleditPaintBox::TPaleditPaintBox(TPaleditForm* owner) : QWidget(owner), owner_(owner) {
    setMouseTracking(true);
}

void TPaleditPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    owner_->PaintBox1Paint(painter);
}

void TPaleditPaintBox::mousePressEvent(QMouseEvent* event) {
    owner_->PaintBox1MouseDown(event->position().toPoint().x(), event->position().toPoint().y());
}

void TPaleditPaintBox::mouseMoveEvent(QMouseEvent* event) {
    owner_->PaintBox1MouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

TPaleditForm::TPaleditForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPaleditForm"));
    setWindowTitle(QStringLiteral("Farbpalette editieren"));
    SetFixedDialogFlags(this);
    setFixedSize(357, 355);
    PaintBox1 = new TPaleditPaintBox(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(8, 8, 337, 281);
    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
    InfoLabel->setGeometry(8, 294, 337, 18);
    const OkCancelButtons buttons = AddOkCancel(this);
    BitBtn1 = buttons.Ok;
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = buttons.Cancel;
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    buttons.Box->setParent(this);
    buttons.Box->setGeometry(8, 318, 337, 30);
}

void TPaleditForm::PaintBox1Paint(QPainter& painter) {
    const int32_t columns = PalEditColumns(PaintBox1->width());
    for (int32_t i = 0; i < std::min<int32_t>(EditPalette.palNumEntries, 256); ++i) {
        const TPaletteEntry& e = EditPalette.palPalEntry[i];
        const TRect r = PalEditCellRect(i, columns);
        painter.setBrush(QColor(e.peRed, e.peGreen, e.peBlue));
        // the outline's right and bottom edges are the cell's last pixels
        painter.drawRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    }
}

void TPaleditForm::PaintBox1MouseDown(int x, int y) {
    const int32_t i = PalEditEntryAt(x, y, PalEditColumns(PaintBox1->width()),
                                     std::min<int32_t>(EditPalette.palNumEntries, 256));
    if (i < 0)
        return;
    TPaletteEntry& e = EditPalette.palPalEntry[i];
    const QColor current(e.peRed, e.peGreen, e.peBlue);
    std::optional<QColor> chosen;
    if (ColorDialogHook) {
        chosen = ColorDialogHook(current);
    } else {
        const QColor c = QColorDialog::getColor(current, this);
        if (c.isValid())
            chosen = c;
    }
    if (!chosen)
        return;
    e.peRed = static_cast<uint8_t>(chosen->red());
    e.peGreen = static_cast<uint8_t>(chosen->green());
    e.peBlue = static_cast<uint8_t>(chosen->blue());
    PaintBox1->update();
}

void TPaleditForm::PaintBox1MouseMove(int x, int y) {
    const int32_t i = PalEditEntryAt(x, y, PalEditColumns(PaintBox1->width()),
                                     std::min<int32_t>(EditPalette.palNumEntries, 256));
    if (i >= 0)
        InfoLabel->setText(QString::fromStdString(PalEditInfoText(i, EditPalette.palPalEntry[i])));
}

bool TPaleditForm::Run() {
    return RunModal(*this, RunHook);
}

} // namespace pixorama::ui

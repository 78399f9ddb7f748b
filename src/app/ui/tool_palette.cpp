// The tool palette: glyphs drawn at start-up, one exclusive group, the hints as tooltips.
#include "app/ui/tool_palette.h"

#include <QButtonGroup>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

namespace pixorama::ui {

namespace {

constexpr int kGlyph = 24;

// One glyph per tool on a transparent 24 x 24 pixmap.
QPixmap drawGlyph(Tool tool) {
    QPixmap pix(kGlyph, kGlyph);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen ink(QColor(30, 30, 30), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ink);
    switch (tool) {
    case Tool::Zoom: // magnifier
        p.setBrush(QColor(200, 225, 255));
        p.drawEllipse(QRectF(3, 3, 12, 12));
        p.setPen(QPen(QColor(30, 30, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 14), QPointF(20.5, 20.5));
        break;
    case Tool::Hand: { // open hand
        p.setBrush(QColor(250, 220, 180));
        QPainterPath hand;
        hand.moveTo(6, 13);
        hand.lineTo(6, 7);
        hand.quadTo(7.5, 5, 9, 7);
        hand.lineTo(9, 4);
        hand.quadTo(10.5, 2, 12, 4);
        hand.lineTo(12, 4);
        hand.quadTo(13.5, 2, 15, 4);
        hand.lineTo(15, 6);
        hand.quadTo(16.5, 4.5, 18, 6);
        hand.lineTo(18, 15);
        hand.quadTo(18, 21, 12, 21);
        hand.quadTo(7, 21, 4, 15);
        hand.lineTo(3, 12);
        hand.quadTo(4.5, 10.5, 6, 13);
        p.drawPath(hand);
        break;
    }
    case Tool::Select: // dashed rectangle
        p.setPen(QPen(QColor(30, 30, 30), 1.4, Qt::DashLine));
        p.drawRect(QRectF(3.5, 5.5, 17, 13));
        break;
    case Tool::FreeSel: { // lasso
        p.setPen(QPen(QColor(30, 30, 30), 1.4, Qt::DashLine));
        QPainterPath lasso;
        lasso.moveTo(4, 10);
        lasso.cubicTo(3, 2, 21, 2, 20, 10);
        lasso.cubicTo(19, 16, 8, 17, 5, 13);
        p.drawPath(lasso);
        p.setPen(ink);
        p.drawLine(QPointF(7, 15), QPointF(9, 21));
        break;
    }
    case Tool::Magic: // wand with a star
        p.setPen(QPen(QColor(30, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 20), QPointF(14, 10));
        p.setPen(QPen(QColor(230, 160, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(17, 3), QPointF(17, 11));
        p.drawLine(QPointF(13, 7), QPointF(21, 7));
        p.drawLine(QPointF(14.5, 4.5), QPointF(19.5, 9.5));
        p.drawLine(QPointF(19.5, 4.5), QPointF(14.5, 9.5));
        break;
    case Tool::Drop: // pipette
        p.setPen(QPen(QColor(30, 30, 30), 1.4));
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(QRectF(14, 3, 6, 7), 2, 2);
        p.setBrush(QColor(220, 235, 255));
        {
            QPainterPath tube;
            tube.moveTo(15, 10);
            tube.lineTo(5, 20);
            tube.lineTo(4, 21);
            tube.lineTo(6, 20);
            tube.lineTo(17, 11);
            tube.closeSubpath();
            p.drawPath(tube);
        }
        break;
    case Tool::Brush: { // pencil
        p.setBrush(QColor(255, 200, 60));
        QPainterPath pen;
        pen.moveTo(16, 3);
        pen.lineTo(21, 8);
        pen.lineTo(8, 21);
        pen.lineTo(3, 21);
        pen.lineTo(3, 16);
        pen.closeSubpath();
        p.drawPath(pen);
        p.drawLine(QPointF(3, 16), QPointF(8, 21));
        break;
    }
    case Tool::Clone: // stamp
        p.setBrush(QColor(170, 120, 80));
        p.drawRoundedRect(QRectF(9, 3, 6, 9), 2, 2);
        p.setBrush(QColor(120, 80, 50));
        p.drawRect(QRectF(5, 12, 14, 4));
        p.setBrush(QColor(200, 40, 40));
        p.drawRect(QRectF(4, 17, 16, 3));
        break;
    case Tool::Replace: // one colour into another
        p.setBrush(QColor(220, 40, 40));
        p.drawRect(QRectF(3, 3, 8, 8));
        p.setBrush(QColor(40, 90, 220));
        p.drawRect(QRectF(13, 13, 8, 8));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(8, 14), QPointF(8, 18));
        p.drawLine(QPointF(8, 18), QPointF(11, 18));
        p.drawLine(QPointF(9.5, 16.5), QPointF(11, 18));
        p.drawLine(QPointF(9.5, 19.5), QPointF(11, 18));
        break;
    case Tool::Retouch: // smudging finger: a drop with a trail
        p.setBrush(QColor(120, 170, 230));
        {
            QPainterPath drop;
            drop.moveTo(14, 3);
            drop.cubicTo(14, 3, 21, 11, 21, 14);
            drop.cubicTo(21, 18, 17, 20, 14, 20);
            drop.cubicTo(11, 20, 7, 18, 7, 14);
            drop.cubicTo(7, 11, 14, 3, 14, 3);
            p.drawPath(drop);
        }
        p.setPen(QPen(QColor(120, 170, 230), 2, Qt::DotLine));
        p.drawLine(QPointF(2, 21), QPointF(7, 17));
        break;
    case Tool::Fill: { // bucket with paint
        p.setBrush(QColor(200, 200, 210));
        QPainterPath bucket;
        bucket.moveTo(4, 10);
        bucket.lineTo(12, 3);
        bucket.lineTo(19, 10);
        bucket.lineTo(11, 18);
        bucket.closeSubpath();
        p.drawPath(bucket);
        p.setBrush(QColor(40, 110, 230));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(17, 13, 5, 7));
        break;
    }
    case Tool::Txt: { // the letter A
        QFont f = p.font();
        f.setPixelSize(19);
        f.setBold(true);
        f.setFamily(QStringLiteral("Serif"));
        p.setFont(f);
        p.drawText(QRect(0, 0, kGlyph, kGlyph), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case Tool::Line:
        p.setPen(QPen(QColor(30, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 20), QPointF(20, 4));
        break;
    case Tool::Shape: // rectangle and ellipse
        p.setBrush(QColor(250, 230, 120));
        p.drawRect(QRectF(3, 3, 11, 9));
        p.setBrush(QColor(140, 210, 140));
        p.drawEllipse(QRectF(9, 10, 12, 10));
        break;
    }
    return pix;
}

} // namespace

TToolPalette::TToolPalette(QWidget* parent)
    : QToolBar(QStringLiteral("SpeedBar1"), parent), group_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("SpeedBar1"));
    setOrientation(Qt::Vertical);
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(kGlyph, kGlyph));
    group_->setExclusive(true);
    for (const TToolButton& t : kToolButtons) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(t.Name));
        b->setIcon(QIcon(drawGlyph(t.tool)));
        b->setIconSize(QSize(kGlyph, kGlyph));
        b->setToolTip(QString::fromUtf8(t.Hint));
        b->setStatusTip(QString::fromUtf8(t.Hint));
        b->setCheckable(true);
        b->setAutoRaise(true);
        group_->addButton(b, static_cast<int>(t.tool));
        addWidget(b);
        buttons_[static_cast<size_t>(t.tool)] = b;
    }
    Button(Tool::Zoom)->setChecked(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int) { emit ToolClicked(); });
}

bool TToolPalette::IsDown(Tool tool) const {
    return Button(tool)->isChecked();
}

Tool TToolPalette::SelectedTool() const {
    const int id = group_->checkedId();
    return id < 0 ? Tool::Zoom : static_cast<Tool>(id);
}

} // namespace pixorama::ui

// The colour panel: swatches, swap, read-out, palette strip and colour field.  Bounds, colours
// and the field come from the core; here they are drawn and the clicks are passed on.
#include "app/ui/colour_panel.h"

#include "colour/hsl.h"
#include "document/display.h"
#include "document/ui/mdi_child.h"
#include "platform/ui/cursors.h"

#include <QColorDialog>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(QColor&)> TColourPanel::ColorDialogHook;

namespace {

constexpr int kPanelWidth = 76;
const QColor kReadoutGrey(128, 128, 128);

QColor toQColor(const TRgb& c) {
    return QColor(c.R, c.G, c.B);
}

} // namespace

// ---- TShape ----

TShape::TShape(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setMouseTracking(true);
}

void TShape::SetColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(colour_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- TPalPaintBox ----

TPalPaintBox::TPalPaintBox(TColourPanel* panel) : QWidget(nullptr), panel_(panel) {
    setObjectName(QStringLiteral("PalPaintBox"));
    setMouseTracking(true);
}

void TPalPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    panel_->PalPaintBoxPaint(p);
}

// ---- TColourPanel ----

TColourPanel::TColourPanel(const TDibRecord* colorField, QWidget* parent)
    : QToolBar(QStringLiteral("Panel1"), parent), colorField_(colorField) {
    setObjectName(QStringLiteral("Panel1"));
    setMovable(false);
    setFloatable(false);
    setOrientation(Qt::Vertical);
    setFixedWidth(kPanelWidth);

    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    // Panel2: swatches, swap button, read-out
    Panel2 = new QWidget(body);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedSize(kPanelWidth - 6, 124);
    Shape2 = new TShape(QStringLiteral("Shape2"), Panel2);
    Shape2->setGeometry(22, 22, 28, 28);
    Shape2->SetColour(Qt::white);
    Shape1 = new TShape(QStringLiteral("Shape1"), Panel2);
    Shape1->setGeometry(6, 6, 28, 28);
    Shape1->SetColour(Qt::black);
    Shape1->setToolTip(QStringLiteral("Vordergrundfarbe"));
    Shape2->setToolTip(QStringLiteral("Hintergrundfarbe"));
    RxSpeedButton1 = new QToolButton(Panel2);
    RxSpeedButton1->setObjectName(QStringLiteral("RxSpeedButton1"));
    RxSpeedButton1->setText(QStringLiteral("\u21C5"));
    RxSpeedButton1->setAutoRaise(true);
    RxSpeedButton1->setToolTip(QStringLiteral("Farben tauschen"));
    RxSpeedButton1->setGeometry(50, 2, 18, 18);
    auto label = [this](const char* name, const char* text, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), Panel2);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(4, y, 46, 15);
        return l;
    };
    RedLabel = label("RedLabel", "R --", 56);
    GreenLabel = label("GreenLabel", "G --", 72);
    BlueLabel = label("BlueLabel", "B --", 88);
    IndexLabel = label("IndexLabel", "I   --", 104);
    AColShape = new TShape(QStringLiteral("AColShape"), Panel2);
    AColShape->setGeometry(50, 60, 16, 40);
    AColShape->SetColour(kReadoutGrey);
    AColShape->hide();
    column->addWidget(Panel2);

    PalScrollBox = new QScrollArea(body);
    PalScrollBox->setObjectName(QStringLiteral("PalScrollBox"));
    PalScrollBox->setFrameShape(QFrame::NoFrame);
    PalScrollBox->setWidgetResizable(false);
    PalScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PalScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    PalScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PalPaintBox = new TPalPaintBox(this);
    PalPaintBox->setCursor(ProgramCursor(9));
    PalScrollBox->setWidget(PalPaintBox);
    column->addWidget(PalScrollBox, 1);
    addWidget(body);

    AColTimer1 = new QTimer(this);
    AColTimer1->setObjectName(QStringLiteral("AColTimer1"));
    AColTimer1->setInterval(3000);
    connect(AColTimer1, &QTimer::timeout, this, &TColourPanel::AColTimer1Timer);
    connect(RxSpeedButton1, &QToolButton::clicked, this, &TColourPanel::RxSpeedButton1Click);
    for (QWidget* w : {static_cast<QWidget*>(Shape1), static_cast<QWidget*>(Shape2),
                       static_cast<QWidget*>(PalPaintBox)})
        w->installEventFilter(this);
    Refresh();
}

int TColourPanel::colourCount() const {
    if (doc_ == nullptr || doc_->Doc().Dib.Bits == nullptr)
        return 0;
    return DibColorCount(&doc_->Doc().Dib);
}

void TColourPanel::SetDocument(TMDIChild* document) {
    if (doc_ != document) {
        if (doc_ != nullptr)
            disconnect(doc_, &TMDIChild::ColoursChanged, this, nullptr);
        doc_ = document;
        if (doc_ != nullptr)
            connect(doc_, &TMDIChild::ColoursChanged, this, &TColourPanel::Refresh);
    }
    Refresh();
}

void TColourPanel::Refresh() {
    const int n = colourCount();
    if (n > 0) {
        const DocumentState& doc = doc_->Doc();
        Shape1->SetColour(toQColor(PixelToRgb(doc, doc.ForeColor)));
        Shape2->SetColour(toQColor(PixelToRgb(doc, doc.BackColor)));
    }
    if (n > 256)
        PalPaintBox->resize(kColorFieldBoxWidth, kColorFieldHeight);
    else
        PalPaintBox->resize(kPaletteStripWidth, PaletteStripHeight(n));
    PalPaintBox->update();
}

void TColourPanel::PalPaintBoxPaint(QPainter& painter) {
    const int n = colourCount();
    painter.fillRect(PalPaintBox->rect(), palette().color(QPalette::Window));
    if (n > 256) {
        if (colorField_ == nullptr || colorField_->Bits == nullptr)
            return;
        if (field_.isNull()) {
            // the field through the display routine, stretched from 48 to 50 pixels at x = 2
            field_ = QImage(kColorFieldBoxWidth, kColorFieldHeight, QImage::Format_RGB32);
            field_.fill(palette().color(QPalette::Window));
            DisplaySurface surface;
            surface.pixels = reinterpret_cast<uint32_t*>(field_.bits());
            surface.stride = static_cast<int32_t>(field_.bytesPerLine() / 4);
            surface.width = field_.width();
            surface.height = field_.height();
            surface.bitsPerPixel = ScreenBitsPerPixel();
            DrawDib(surface, kColorFieldLeft, 0, kColorFieldShownWidth, kColorFieldHeight,
                    *colorField_, 0, 0, kColorFieldWidth, kColorFieldHeight, true, SRCCOPY, false,
                    {});
        }
        painter.drawImage(0, 0, field_);
        return;
    }
    const DocumentState* doc = n > 0 ? &doc_->Doc() : nullptr;
    painter.setPen(Qt::black);
    for (int i = 0; i < n; ++i) {
        const TRect r = PaletteSwatchRect(i);
        painter.setBrush(toQColor(PixelToRgb(*doc, i)));
        // the pen's outline reaches one pixel past a rectangle: the swatch covers Left..Right-1
        painter.drawRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 2, r.Bottom - 2)));
    }
}

void TColourPanel::PalPaintBoxMouseDown(int x, int y, Qt::MouseButton button) {
    if (colourCount() == 0 || (button != Qt::LeftButton && button != Qt::RightButton))
        return;
    const int32_t value = PanelPickAt(doc_->Doc(), x, y).Value;
    if (value < 0)
        return;
    if (button == Qt::LeftButton)
        doc_->setcol1(value);
    else
        doc_->setcol2(value);
}

void TColourPanel::PalPaintBoxMouseMove(int x, int y) {
    const int n = colourCount();
    if (n == 0)
        return;
    const TPanelPick pick = PanelPickAt(doc_->Doc(), x, y);
    if (pick.Value >= 0)
        ShowReadout(toQColor(pick.Colour),
                    n > 256 ? QStringLiteral("--") : QString::number(pick.Value));
}

void TColourPanel::ShowReadout(const QColor& colour, const QString& index) {
    RedLabel->setText(QStringLiteral("R ") + QString::number(colour.red()));
    GreenLabel->setText(QStringLiteral("G ") + QString::number(colour.green()));
    BlueLabel->setText(QStringLiteral("B ") + QString::number(colour.blue()));
    IndexLabel->setText(QStringLiteral("I  ") + index);
    AColShape->SetColour(colour);
    AColShape->show();
    AColTimer1->start();
}

void TColourPanel::shapeMouseMove(bool fore) {
    const TShape* shape = fore ? Shape1 : Shape2;
    QString index = QStringLiteral("--");
    if (doc_ != nullptr && doc_->Doc().Dib.Bits != nullptr &&
        DibBitsPerPixel(&doc_->Doc().Dib) < 24)
        index = QString::number(fore ? doc_->Doc().ForeColor : doc_->Doc().BackColor);
    ShowReadout(shape->Colour(), index);
}

bool TColourPanel::runColorDialog(QColor& colour) {
    if (ColorDialogHook)
        return ColorDialogHook(colour);
    const QColor chosen = QColorDialog::getColor(colour, this, QString());
    if (!chosen.isValid())
        return false;
    colour = chosen;
    return true;
}

void TColourPanel::shapeMouseDown(bool fore) {
    const int n = colourCount();
    if (n == 0)
        return;
    const DocumentState& doc = doc_->Doc();
    QColor colour = toQColor(PixelToRgb(doc, fore ? doc.ForeColor : doc.BackColor));
    if (!runColorDialog(colour) || doc_ == nullptr)
        return;
    const int32_t value = RgbToPixel(doc, {colour.red(), colour.green(), colour.blue()});
    if (fore)
        doc_->setcol1(value);
    else
        doc_->setcol2(value);
}

void TColourPanel::RxSpeedButton1Click() {
    if (colourCount() == 0)
        return;
    const int32_t fore = doc_->Doc().ForeColor, back = doc_->Doc().BackColor;
    doc_->setcol1(back);
    doc_->setcol2(fore);
}

void TColourPanel::AColTimer1Timer() {
    RedLabel->setText(QStringLiteral("R --"));
    GreenLabel->setText(QStringLiteral("G --"));
    BlueLabel->setText(QStringLiteral("B --"));
    IndexLabel->setText(QStringLiteral("I   --"));
    AColShape->SetColour(kReadoutGrey);
    AColShape->hide();
    AColTimer1->stop();
}

bool TColourPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove)
        return QToolBar::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    if (watched == PalPaintBox) {
        if (type == QEvent::MouseButtonPress)
            PalPaintBoxMouseDown(at.x(), at.y(), mouse->button());
        else
            PalPaintBoxMouseMove(at.x(), at.y());
        return true;
    }
    const bool fore = watched == Shape1;
    if (type == QEvent::MouseButtonPress)
        shapeMouseDown(fore);
    else
        shapeMouseMove(fore);
    return true;
}

} // namespace pixorama::ui

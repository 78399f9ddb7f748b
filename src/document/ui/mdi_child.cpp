// TMDIChild: the scroll box, the paint box that draws through the core's DrawDib, the caption,
// and the close query.
#include "document/ui/mdi_child.h"

#include "document/dib.h"
#include "document/display.h"
#include "document/ui/child_host.h"
#include "document/zoom.h"
#include "platform/ui/message_box.h"
#include "tools/feedback.h"
#include "tools/mouse_dispatch.h"
#include "tools/ui/child_mouse_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace pixorama::ui {

// The colour of the MDI work space, shown around and behind images.
const QColor kWorkspaceColour(0xAB, 0xAB, 0xAB);

TPaintBox::TPaintBox(TMDIChild* owner) : QWidget(nullptr), owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    owner_->PaintBox1Paint(painter, event->region());
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    owner_->PaintBox1MouseDown(event);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    owner_->PaintBox1MouseMove(event);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    owner_->PaintBox1MouseUp(event);
}

TMDIChild::TMDIChild(ChildHost& host, QWidget* parent)
    : QWidget(parent), host_(host), scrollBox_(new QScrollArea(this)),
      paintBox_(new TPaintBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollBox_);
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setWidgetResizable(false);
    scrollBox_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette pal = scrollBox_->viewport()->palette();
    pal.setColor(QPalette::Window, kWorkspaceColour);
    scrollBox_->viewport()->setPalette(pal);
    scrollBox_->viewport()->setAutoFillBackground(true);
    scrollBox_->viewport()->setMouseTracking(true);
    scrollBox_->viewport()->installEventFilter(this);
    scrollBox_->setWidget(paintBox_);
    paintBox_->resize(0, 0);
    // the image follows the scroll bars while they are dragged
    scrollBox_->horizontalScrollBar()->setTracking(true);
    scrollBox_->verticalScrollBar()->setTracking(true);

    mouseView_ = MakeChildMouseView(*this, host_);
    mouse_ = std::make_unique<MouseDispatcher>(doc_, host_.CoreHost(), *mouseView_);
    timer1_ = new QTimer(this);
    timer1_->setInterval(250);
    connect(timer1_, &QTimer::timeout, this, &TMDIChild::Timer1Timer);
    timer1_->start();
}

TMDIChild::~TMDIChild() = default;

QMdiSubWindow* TMDIChild::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TMDIChild::UpdateCaption() {
    const QString caption = QString::fromStdString(
        CaptionText(doc_.FileName, doc_.Modified, doc_.ZoomIn, doc_.ZoomOut));
    setWindowTitle(caption);
    if (QMdiSubWindow* sub = SubWindow())
        sub->setWindowTitle(caption);
}

void TMDIChild::UpdatePaintBoxSize() {
    // the image's device pixels, in the window system's logical ones
    const int w = DibWidth(&doc_.Dib), h = DibHeight(&doc_.Dib);
    const double ratio = paintBox_->devicePixelRatioF();
    paintBox_->resize(LogicalExtent(ZoomedExtent(w, doc_.ZoomIn, doc_.ZoomOut), ratio),
                      LogicalExtent(ZoomedExtent(h, doc_.ZoomIn, doc_.ZoomOut), ratio));
}

void TMDIChild::SettleLayout() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(scrollBox_, QEvent::MetaCall);
}

void TMDIChild::Repaint() {
    paintBox_->update();
}

DisplaySurface TMDIChild::surfaceFor(uint32_t* pixels, int32_t stride, const QRect& rect) const {
    DisplaySurface surface;
    surface.pixels = pixels;
    surface.stride = stride;
    surface.left = rect.left();
    surface.top = rect.top();
    surface.width = rect.width();
    surface.height = rect.height();
    surface.device = DeviceKind::Screen;
    surface.bitsPerPixel = ScreenBitsPerPixel();
    return surface;
}

namespace {

// A rectangle of logical pixels as the device pixels it covers.
QRect toDevice(const QRect& logical, double ratio) {
    const int x0 = DevicePixel(logical.x(), ratio), y0 = DevicePixel(logical.y(), ratio);
    const int x1 = static_cast<int>(std::ceil((logical.x() + logical.width()) * ratio - 1e-9));
    const int y1 = static_cast<int>(std::ceil((logical.y() + logical.height()) * ratio - 1e-9));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

} // namespace

void TMDIChild::drawInto(DisplaySurface& surface) {
    // the scroll box's view in device pixels: the image is drawn one device pixel per screen
    // pixel at 1:1, whatever the screen's density
    const bool own = host_.IsActiveChild(this);
    const DisplayPalette palette = own ? DisplayPalette{} : host_.ActivePalette();
    const QRect view = visiblePart();
    pixorama::PaintBox1Paint(surface, doc_, view.x(), view.y(), view.width(), view.height(), own,
                             palette);
}

QRect TMDIChild::visiblePart() const {
    // in device pixels of the paint box
    return toDevice(QRect(scrollBox_->horizontalScrollBar()->value(),
                          scrollBox_->verticalScrollBar()->value(),
                          scrollBox_->viewport()->width(), scrollBox_->viewport()->height()),
                    paintBox_->devicePixelRatioF());
}

namespace {

// Fills rows [top, top + height) x [left, left + width) of a 32-bit pixel block.
void fillBlock(uint32_t* pixels, int32_t stride, int width, int height, uint32_t colour) {
    for (int y = 0; y < height; ++y) {
        uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
        std::fill(row, row + width, colour);
    }
}

} // namespace

bool TMDIChild::paintDirect(QPainter& painter, const QRegion& region) {
    // On the raster engine the widget paints into an image of the window (the backing store):
    // the visible rows are converted straight into it.
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster)
        return false;
    QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image)
        return false;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return false;
    // a translation, scaled by the screen's density on a high-density screen
    const QTransform t = painter.deviceTransform();
    const double ratio = paintBox_->devicePixelRatioF();
    if (t.type() > QTransform::TxScale || std::abs(t.m11() - ratio) > 1e-9 ||
        std::abs(t.m22() - ratio) > 1e-9 || t.dx() != qRound(t.dx()) || t.dy() != qRound(t.dy()))
        return false;
    const QPoint offset(qRound(t.dx()), qRound(t.dy()));
    QRegion covered;
    for (const QRect& r : region)
        covered += toDevice(r, ratio);
    QRegion target = covered.translated(offset) & image->rect();
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty())
        target &= clip;

    // the painter already holds the image for itself: writing its pixels does not detach
    auto* bits = reinterpret_cast<uint32_t*>(const_cast<uchar*>(image->constBits()));
    const int32_t stride = static_cast<int32_t>(image->bytesPerLine() / 4);
    for (const QRect& r : target)
        paintRect(bits + static_cast<ptrdiff_t>(r.top()) * stride + r.left(), stride,
                  r.translated(-offset));
    return true;
}

void TMDIChild::paintRect(uint32_t* pixels, int32_t stride, const QRect& rect) {
    // rect is in device pixels.  The image covers the scroll box's visible part; only a paint of
    // the whole widget (a grab) reaches beyond it, or the last logical pixel of an image with
    // an odd number of device pixels on a high-density screen
    const QRect image(0, 0, ZoomedExtent(DibWidth(&doc_.Dib), doc_.ZoomIn, doc_.ZoomOut),
                      ZoomedExtent(DibHeight(&doc_.Dib), doc_.ZoomIn, doc_.ZoomOut));
    if (!(visiblePart() & image).contains(rect))
        fillBlock(pixels, stride, rect.width(), rect.height(), kWorkspaceColour.rgb());
    DisplaySurface surface = surfaceFor(pixels, stride, rect);
    drawInto(surface);
    // the ants and the gesture's XOR feedback lie over the image until the next repaint
    if (!doc_.Tracking)
        DrawSelection(surface, doc_);
    const TToolOptions options = host_.ToolOptionValues();
    DrawGestureFeedback(surface, doc_, options.Typ, options.CloneMode);
}

void TMDIChild::PaintBox1Paint(QPainter& painter, const QRegion& region) {
    if (paintDirect(painter, region))
        return;
    // any other device: through an image of our own, in device pixels
    const double ratio = paintBox_->devicePixelRatioF();
    for (const QRect& logical : region) {
        const QRect rect = toDevice(logical, ratio);
        if (rect.isEmpty())
            continue;
        if (view_.width() < rect.width() || view_.height() < rect.height())
            view_ = QImage(rect.size().expandedTo(view_.size()), QImage::Format_RGB32);
        if (view_.isNull())
            return;
        paintRect(reinterpret_cast<uint32_t*>(view_.bits()),
                  static_cast<int32_t>(view_.bytesPerLine() / 4), rect);
        painter.drawImage(QRectF(rect.x() / ratio, rect.y() / ratio, rect.width() / ratio,
                                 rect.height() / ratio),
                          view_, QRectF(0, 0, rect.width(), rect.height()));
    }
}

void TMDIChild::setcol1(int32_t value) {
    doc_.ForeColor = value;
    emit ColoursChanged();
}

void TMDIChild::setcol2(int32_t value) {
    doc_.BackColor = value;
    emit ColoursChanged();
}

void TMDIChild::FormActivate() {
    if (doc_.Dib.Bits == nullptr)
        return;
    host_.ChildActivated(this);
}

bool TMDIChild::FormCloseQuery() {
    if (!doc_.Modified)
        return true;
    const QString text = QStringLiteral("Änderungen in ") + QString::fromStdString(doc_.FileName) +
                         QStringLiteral(" speichern?");
    switch (ShowMessageBox(this, text, QStringLiteral("Pixorama"), MB_YESNOCANCEL | MB_ICONSTOP)) {
    case IDNO:
        return true;
    case IDYES:
        host_.SaveDocument(this);
        return !doc_.Modified;
    default:
        return false;
    }
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    host_.ChildClosed(this);
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
    // the mouse over the scroll box outside the image shows what the image is
    if (watched == scrollBox_->viewport() && event->type() == QEvent::MouseMove &&
        doc_.Dib.Bits != nullptr)
        host_.SetImageStatus(QString::fromStdString(ImageStatusText(doc_.Dib)));
    return QWidget::eventFilter(watched, event);
}

} // namespace pixorama::ui

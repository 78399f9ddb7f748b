// QClipboard and QMimeData around the clipboard blocks.
#include "app/ui/clipboard_mime.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace pixorama::ui {

namespace {

const QString kBmp = QStringLiteral("image/bmp");
const QString kPng = QStringLiteral("image/png");

QByteArray bytesOf(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}
std::vector<uint8_t> vectorOf(const QByteArray& a) {
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(a.constData()),
                                reinterpret_cast<const uint8_t*>(a.constData()) + a.size());
}

// The image another program offers: its own file bytes when it names an image type, else
// whatever Qt makes of it, as PNG.
std::optional<std::vector<uint8_t>> foreignImage(const QMimeData* mime) {
    QStringList formats = mime->formats();
    // PNG first: every program that offers images offers it, and it is lossless
    formats.removeAll(kPng);
    if (mime->hasFormat(kPng))
        formats.prepend(kPng);
    for (const QString& f : formats) {
        if (!f.startsWith(QLatin1String("image/")))
            continue;
        const QByteArray data = mime->data(f);
        if (!data.isEmpty())
            return vectorOf(data);
    }
    if (mime->hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        QByteArray png;
        QBuffer buffer(&png);
        if (!image.isNull() && buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"))
            return vectorOf(png);
    }
    return std::nullopt;
}

// Our copy: the bitmap as it is, and a PNG of it made only when a program asks for one, so
// that copying a large photo does not wait for a compressor nobody may need.
class CopiedMimeData : public QMimeData {
  public:
    explicit CopiedMimeData(QByteArray bmp) : bmp_(std::move(bmp)) {}
    QStringList formats() const override {
        QStringList f = QMimeData::formats();
        f.prepend(kPng);
        f.prepend(kBmp);
        return f;
    }
    bool hasFormat(const QString& type) const override { return formats().contains(type); }

  protected:
    QVariant retrieveData(const QString& type, QMetaType meta) const override {
        if (type == kBmp)
            return bmp_;
        if (type == kPng) {
            if (png_.isEmpty()) {
                // Qt's own reader turns the bitmap into an image to encode
                QImage image;
                QBuffer buffer(&png_);
                if (!image.loadFromData(bmp_, "BMP") || !buffer.open(QIODevice::WriteOnly) ||
                    !image.save(&buffer, "PNG"))
                    png_.clear();
            }
            return png_;
        }
        return QMimeData::retrieveData(type, meta);
    }

  private:
    QByteArray bmp_;
    mutable QByteArray png_;
};

} // namespace

QMimeData* MimeDataOf(const ClipboardContent& content) {
    QMimeData* mime = content.Dib ? new CopiedMimeData(bytesOf(BmpFileFromDib(*content.Dib)))
                                  : new QMimeData;
    if (content.Selection)
        mime->setData(QLatin1String(kSelectionMimeType), bytesOf(*content.Selection));
    return mime;
}

ClipboardContent ContentOf(const QMimeData* mime) {
    ClipboardContent content;
    if (mime == nullptr)
        return content;
    if (mime->hasFormat(kBmp)) {
        const QByteArray bmp = mime->data(kBmp);
        std::vector<uint8_t> dib;
        if (DibFromBmpFile(reinterpret_cast<const uint8_t*>(bmp.constData()),
                           static_cast<size_t>(bmp.size()), dib)) {
            content.Dib = std::move(dib);
            // the shape belongs to our own bitmap only
            const QString sel = QLatin1String(kSelectionMimeType);
            if (mime->hasFormat(sel))
                content.Selection = vectorOf(mime->data(sel));
            return content;
        }
        if (!bmp.isEmpty()) {
            content.Encoded = vectorOf(bmp);
            return content;
        }
    }
    content.Encoded = foreignImage(mime);
    return content;
}

bool ClipboardHoldsImage(const QMimeData* mime) {
    if (mime == nullptr)
        return false;
    if (mime->hasImage() || mime->hasFormat(kBmp))
        return true;
    const QStringList formats = mime->formats();
    for (const QString& f : formats)
        if (f.startsWith(QLatin1String("image/")))
            return true;
    return false;
}

void PutOnClipboard(const ClipboardContent& content) {
    QGuiApplication::clipboard()->setMimeData(MimeDataOf(content));
}

ClipboardContent ReadClipboard() {
    return ContentOf(QGuiApplication::clipboard()->mimeData());
}

void EmptyClipboard() {
    QGuiApplication::clipboard()->clear();
}

} // namespace pixorama::ui

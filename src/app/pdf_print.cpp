// The PDF page of printing: one page, one image object drawn at the image rectangle without
// interpolation (nearest neighbour, as the display routine draws), compressed with zlib while
// the rows are read.
#include "app/pdf_print.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <csignal>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixorama {

namespace {

// Points (1/72 inch) of a device pixel at 600 per inch.
constexpr double kPointsPerPixel = 72.0 / kPdfPageDpi;

class PdfFile {
  public:
    explicit PdfFile(std::FILE* f) : f_(f) {}
    bool ok() const { return ok_; }
    long offset() const { return offset_; }
    void write(const void* data, size_t n) {
        if (!ok_ || n == 0) return;
        if (std::fwrite(data, 1, n, f_) != n) ok_ = false;
        offset_ += static_cast<long>(n);
    }
    void text(const std::string& s) { write(s.data(), s.size()); }
    void beginObject(int number) {
        if (offsets_.size() < static_cast<size_t>(number)) offsets_.resize(number);
        offsets_[number - 1] = offset_;
        text(std::to_string(number) + " 0 obj\n");
    }
    void finish(int root, int info) {
        const long xref = offset_;
        text("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
        char line[32];
        for (long o : offsets_) {
            std::snprintf(line, sizeof line, "%010ld 00000 n \n", o);
            text(line);
        }
        text("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " +
             std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
             std::to_string(xref) + "\n%%EOF\n");
    }

  private:
    std::FILE* f_;
    bool ok_ = true;
    long offset_ = 0;
    std::vector<long> offsets_;
};

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

// The colour space of the image object and the bits per component.
std::string colourSpace(const TDibRecord& dib, int& bitsPerComponent) {
    const int bpp = DibBitsPerPixel(&dib);
    if (bpp == 24) {
        bitsPerComponent = 8;
        return "/DeviceRGB";
    }
    bitsPerComponent = bpp;
    const int n = 1 << bpp; // every index the rows can hold has an entry
    std::string lookup;
    lookup.reserve(static_cast<size_t>(n) * 6 + 2);
    static const char hex[] = "0123456789ABCDEF";
    const int tableSize = DibColorCount(&dib);
    for (int i = 0; i < n; ++i) {
        TRGBQuad q{};
        if (i < tableSize && i < 256) q = dib.Info->bmiColors[i];
        for (uint8_t c : {q.rgbRed, q.rgbGreen, q.rgbBlue}) {
            lookup += hex[c >> 4];
            lookup += hex[c & 15];
        }
    }
    return "[/Indexed /DeviceRGB " + std::to_string(n - 1) + " <" + lookup + ">]";
}

// Compresses the rows top to bottom into the file; false on a zlib or write failure.
bool writeImageRows(PdfFile& out, const TDibRecord& dib, long& length) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    const int bpp = DibBitsPerPixel(&dib);
    const size_t rowBytes = (static_cast<size_t>(w) * bpp + 7) / 8;
    z_stream z{};
    if (deflateInit(&z, Z_BEST_SPEED) != Z_OK) return false;
    std::vector<uint8_t> row(rowBytes);
    std::vector<uint8_t> buf(1 << 16);
    const long start = out.offset();
    bool ok = true;
    for (int32_t y = 0; y <= h && ok; ++y) {
        const bool last = y == h;
        if (!last) {
            const uint8_t* src = dib.Bits + static_cast<size_t>(h - 1 - y) * dib.LineBytes;
            if (bpp == 24) {
                for (int32_t x = 0; x < w; ++x) { // blue, green, red -> red, green, blue
                    row[3 * x] = src[3 * x + 2];
                    row[3 * x + 1] = src[3 * x + 1];
                    row[3 * x + 2] = src[3 * x];
                }
                z.next_in = row.data();
            } else {
                z.next_in = const_cast<uint8_t*>(src);
            }
            z.avail_in = static_cast<uInt>(rowBytes);
        }
        int rc;
        do {
            z.next_out = buf.data();
            z.avail_out = static_cast<uInt>(buf.size());
            rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            out.write(buf.data(), buf.size() - z.avail_out);
        } while (z.avail_out == 0 || (last && rc != Z_STREAM_END));
    }
    deflateEnd(&z);
    length = out.offset() - start;
    return ok && out.ok();
}

bool writePdf(std::FILE* f, const TDibRecord& dib, const TPageRect& r) {
    PdfFile out(f);
    out.text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    out.beginObject(1);
    out.text("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    out.beginObject(2);
    out.text("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
    const double pageW = kPdfPageWidth * kPointsPerPixel, pageH = kPdfPageHeight * kPointsPerPixel;
    out.beginObject(3);
    out.text("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(pageW) + " " +
             number(pageH) + "] /Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>\n"
             "endobj\n");
    // the image rectangle; PDF counts y from the bottom of the page
    const std::string content = "q " + number(r.w * kPointsPerPixel) + " 0 0 " +
                                number(r.h * kPointsPerPixel) + " " +
                                number(r.x * kPointsPerPixel) + " " +
                                number((kPdfPageHeight - r.y - r.h) * kPointsPerPixel) +
                                " cm /Im0 Do Q\n";
    out.beginObject(4);
    out.text("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
             "endstream\nendobj\n");
    int bitsPerComponent = 8;
    const std::string space = colourSpace(dib, bitsPerComponent);
    out.beginObject(5);
    out.text("<< /Type /XObject /Subtype /Image /Width " + std::to_string(DibWidth(&dib)) +
             " /Height " + std::to_string(DibHeight(&dib)) + " /ColorSpace " + space +
             " /BitsPerComponent " + std::to_string(bitsPerComponent) +
             " /Interpolate false /Filter /FlateDecode /Length 6 0 R >>\nstream\n");
    long length = 0;
    if (!writeImageRows(out, dib, length)) return false;
    out.text("\nendstream\nendobj\n");
    out.beginObject(6);
    out.text(std::to_string(length) + "\nendobj\n");
    out.beginObject(7);
    out.text(std::string("<< /Title (") + kPrintJobTitle + ") /Producer (Pixorama 1.0) >>\nendobj\n");
    out.finish(1, 7);
    return out.ok();
}

} // namespace

bool PrintDibToPdf(const TDibRecord& dib, const TPrintOptions& options, const std::string& path,
                   Host& host) {
    const std::string caption = "Fehler beim Drucken (" + path + ")";
    if (dib.Bits == nullptr || dib.Info == nullptr || DibWidth(&dib) <= 0 || DibHeight(&dib) <= 0) {
        host.MessageBox("Kein Bild zum Drucken", caption, MB_ICONSTOP);
        return false;
    }
    const TPageRect r =
        PrintImageRect(kPdfPageWidth, kPdfPageHeight, DibWidth(&dib), DibHeight(&dib), options);
    // a temporary file beside the target, renamed over it when complete; noted with the
    // library so that an interruption removes it
    const size_t slash = path.rfind('/');
    std::string temp = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    temp += ".pxr-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    const int fd = mkstemp(name.data());
    const int32_t slot = fd >= 0 ? PictoraNotePendingFile(name.data()) : -1;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (fd >= 0) fchmod(fd, 0644);
    std::FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (f == nullptr) {
        if (fd >= 0) {
            close(fd);
            std::remove(name.data());
        }
        PictoraForgetPendingFile(slot);
        host.MessageBox("Die Datei kann nicht angelegt werden", caption, MB_ICONSTOP);
        return false;
    }
    bool ok = writePdf(f, dib, r);
    ok = (std::fflush(f) == 0) && ok;
    ok = (fsync(fileno(f)) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(name.data(), path.c_str()) != 0) ok = false;
    if (!ok) std::remove(name.data());
    PictoraForgetPendingFile(slot);
    if (!ok) {
        host.MessageBox("Die Datei konnte nicht geschrieben werden", caption, MB_ICONSTOP);
        return false;
    }
    return true;
}

} // namespace pixorama

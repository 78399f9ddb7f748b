// Image files: the codec table, OpenDib (file or memory, format by number or by content),
// SaveDib through a temporary file and a rename, and the dialog filter texts.
#include "internal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pictora {

const std::vector<Codec>& codecs() {
    // formats without a signature (Targa) have no sniff function and are tried last
    static const std::vector<Codec> table = {
        // .RLE files are run-length compressed bitmaps: read, but not written (the writer makes
        // uncompressed bitmaps only)
        {"Windows-Bitmap", "*.bmp;*.dib;*.rle", "*.bmp;*.dib",
         {PICTORA_FORMAT_BMP, PICTORA_FORMAT_DIB, PICTORA_FORMAT_RLE},
         {PICTORA_FORMAT_BMP, PICTORA_FORMAT_DIB, 0}, sniffBmp, decodeBmp, encodeBmp},
        {"CompuServe GIF", "*.gif", "*.gif", {PICTORA_FORMAT_GIF, 0, 0}, {PICTORA_FORMAT_GIF, 0, 0},
         sniffGif, decodeGif, encodeGif},
        {"Amiga IFF/ILBM", "*.iff;*.lbm", "*.iff;*.lbm", {PICTORA_FORMAT_IFF, PICTORA_FORMAT_LBM, 0},
         {PICTORA_FORMAT_IFF, PICTORA_FORMAT_LBM, 0}, sniffIlbm, decodeIlbm, encodeIlbm},
        {"JPEG", "*.jpg;*.jif;*.jpeg", "*.jpg;*.jif;*.jpeg",
         {PICTORA_FORMAT_JPG, PICTORA_FORMAT_JIF, 0}, {PICTORA_FORMAT_JPG, PICTORA_FORMAT_JIF, 0},
         sniffJpeg, decodeJpeg, encodeJpeg},
        {"ZSoft Paintbrush", "*.pcx", "*.pcx", {PICTORA_FORMAT_PCX, 0, 0}, {PICTORA_FORMAT_PCX, 0, 0},
         sniffPcx, decodePcx, encodePcx},
        {"Truevision Targa", "*.tga", "*.tga", {PICTORA_FORMAT_TGA, 0, 0}, {PICTORA_FORMAT_TGA, 0, 0},
         nullptr, decodeTga, encodeTga},
        {"TIFF", "*.tif;*.tiff", "*.tif;*.tiff", {PICTORA_FORMAT_TIF, 0, 0},
         {PICTORA_FORMAT_TIF, 0, 0}, sniffTiff, decodeTiff, encodeTiff},
        {"Portable Network Graphics", "*.png", "*.png", {PICTORA_FORMAT_PNG, 0, 0},
         {PICTORA_FORMAT_PNG, 0, 0}, sniffPng, decodePng, encodePng},
    };
    return table;
}

const Codec* codecForSaving(int format) {
    for (const Codec& c : codecs())
        for (int f : c.saveFormats)
            if (f != 0 && f == format && c.encode != nullptr) return &c;
    return nullptr;
}

const Codec* codecForFormat(int format) {
    for (const Codec& c : codecs())
        for (int f : c.formats)
            if (f != 0 && f == format) return &c;
    return nullptr;
}

namespace {

bool tryDecode(const Codec& c, const uint8_t* data, size_t size, TDibRecord* out,
               Progress& progress, std::string& error) {
    if (c.decode == nullptr) return false;
    std::memset(out, 0, sizeof(*out));
    bool ok = false;
    try {
        ok = c.decode(data, size, out, progress, error);
    } catch (const std::bad_alloc&) {
        error = kTextNoMemory;
        ok = false;
    } catch (...) {
        error = kTextDamaged;
        ok = false;
    }
    if (!ok) {
        deldib(out);
        if (error.empty()) error = kTextDamaged;
    }
    return ok;
}

int32_t decodeMemory(TDibRecord* out, const uint8_t* data, size_t size, int32_t format,
                     PictoraProgress fn, void* user) {
    Progress progress(fn, user);
    std::string error;
    if (size == 0) {
        setError(out, "Die Datei ist leer");
        return 0;
    }
    // A stated format is tried first when its content agrees; otherwise (and for format 0) the
    // content decides, so that a misnamed file still opens.
    const Codec* named = format != 0 ? codecForFormat(format) : nullptr;
    if (format != 0 && named == nullptr) {
        setError(out, kTextUnknownType);
        return 0;
    }
    if (named && named->sniff && named->sniff(data, size)) {
        if (tryDecode(*named, data, size, out, progress, error)) return 1;
        setError(out, error);
        return 0;
    }
    for (const Codec& c : codecs()) {
        if (c.sniff && c.sniff(data, size)) {
            if (tryDecode(c, data, size, out, progress, error)) return 1;
            setError(out, error);
            return 0;
        }
    }
    // formats without a signature: the named one, else each in turn
    if (named && named->sniff == nullptr) {
        if (tryDecode(*named, data, size, out, progress, error)) return 1;
        setError(out, error);
        return 0;
    }
    if (format == 0) {
        for (const Codec& c : codecs()) {
            std::string ignored;
            if (c.sniff == nullptr && tryDecode(c, data, size, out, progress, ignored)) return 1;
        }
    }
    std::memset(out, 0, sizeof(*out));
    setError(out, kTextUnknownType);
    return 0;
}

std::string systemError(const char* what, const std::string& path) {
    return std::string(what) + " (" + path + "): " + std::strerror(errno);
}

void copyError(const std::string& text, char* error, size_t errorSize) {
    if (error == nullptr || errorSize == 0) return;
    const size_t n = std::min(errorSize - 1, text.size());
    std::memcpy(error, text.data(), n);
    error[n] = '\0';
}

// Reads up to size bytes; size becomes what was there (less when the file shrank meanwhile).
// False with errno set when a read fails.
bool readAll(int fd, uint8_t* p, size_t& size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t r = ::read(fd, p + got, size - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0)
            break;
        got += static_cast<size_t>(r);
    }
    size = got;
    return true;
}

// The process's umask, read from /proc without changing it: umask() can only read it by setting
// it, and a file another thread creates in that moment would get the wrong mode.
mode_t currentUmask() {
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char text[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(text, sizeof text, f))
            found = std::sscanf(text, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found)
            return static_cast<mode_t>(mask & 0777);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool writeAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

} // namespace
} // namespace pictora

using namespace pictora;

extern "C" {

int32_t OpenDibMemory(TDibRecord* out, const void* data, size_t size, int32_t format,
                      PictoraProgress progress, void* user) {
    if (out == nullptr) return 0;
    std::memset(out, 0, sizeof(*out));
    if (data == nullptr) size = 0;
    return decodeMemory(out, static_cast<const uint8_t*>(data), size, format, progress, user);
}

int32_t OpenDib(TDibRecord* out, const char* path, int32_t format, PictoraProgress progress,
                void* user) {
    if (out == nullptr) return 0;
    std::memset(out, 0, sizeof(*out));
    if (path == nullptr) {
        setError(out, "Kein Dateiname angegeben");
        return 0;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        setError(out, errno == ENOENT ? std::string("Die Datei wurde nicht gefunden")
                                      : systemError("Die Datei kann nicht gelesen werden", path));
        return 0;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        setError(out, "Die Datei kann nicht gelesen werden");
        return 0;
    }
    size_t size = static_cast<size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        setError(out, "Die Datei ist leer");
        return 0;
    }
    // Read into memory rather than mapped: a mapped file that shrinks while it is decoded kills
    // the program with SIGBUS.  The bytes are the file's, not the image's: outside the limit.
    std::unique_ptr<uint8_t, decltype(&std::free)> bytes(static_cast<uint8_t*>(std::malloc(size)),
                                                         &std::free);
    const bool loaded = bytes != nullptr && readAll(fd, bytes.get(), size);
    ::close(fd);
    if (!loaded) {
        setError(out, "Die Datei kann nicht gelesen werden");
        return 0;
    }
    return decodeMemory(out, bytes.get(), size, format, progress, user);
}

int32_t SaveDib(const TDibRecord* dib, const char* path, int32_t format, int32_t quality,
                char* error, size_t errorSize) {
    if (!hasImage(dib)) {
        copyError(kTextNoImage, error, errorSize);
        return 0;
    }
    if (path == nullptr || *path == '\0') {
        copyError("Kein Dateiname angegeben", error, errorSize);
        return 0;
    }
    if (format == 0) format = DibFormatOfPath(path);
    const Codec* codec = codecForSaving(format);
    if (codec == nullptr) {
        copyError("Dieses Dateiformat kann nicht gespeichert werden", error, errorSize);
        return 0;
    }
    std::vector<uint8_t> bytes;
    std::string text;
    bool ok = false;
    try {
        ok = codec->encode(*dib, quality, bytes, text);
    } catch (const std::bad_alloc&) {
        text = kTextNoMemorySave;
        ok = false;
    }
    if (!ok) {
        copyError(text.empty() ? std::string("Das Bild konnte nicht gespeichert werden") : text,
                  error, errorSize);
        return 0;
    }

    // write beside the target, then rename over it: an existing file stays whole on failure
    std::string tmp = std::string(path) + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        copyError(systemError("Die Datei kann nicht angelegt werden", path), error, errorSize);
        return 0;
    }
    // keep the usual permissions of a new file instead of mkstemp's 0600
    struct stat old {};
    const mode_t mode = ::stat(path, &old) == 0 ? (old.st_mode & 07777) : (0666 & ~currentUmask());
    ::fchmod(fd, mode);
    const bool written = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        errno = written ? errno : savedErrno;
        copyError(systemError("Die Datei konnte nicht geschrieben werden", path), error,
                  errorSize);
        ::unlink(name.data());
        return 0;
    }
    if (::rename(name.data(), path) != 0) {
        copyError(systemError("Die Datei konnte nicht ersetzt werden", path), error, errorSize);
        ::unlink(name.data());
        return 0;
    }
    return 1;
}

int32_t DibFormatOfPath(const char* path) {
    if (path == nullptr) return 0;
    const char* slash = std::strrchr(path, '/');
    const char* base = slash ? slash + 1 : path;
    const char* dot = std::strrchr(base, '.');
    if (dot == nullptr) return 0;
    std::string ext;
    for (const char* p = dot; *p; ++p)
        ext += (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 'a' + 'A') : *p;
    static const struct {
        const char* ext;
        int32_t format;
    } table[] = {{".BMP", 3},  {".DIB", 4},  {".GIF", 5},  {".IFF", 6},
                 {".JIF", 7},  {".JPG", 8},  {".LBM", 9},  {".PCX", 10},
                 {".RLE", 11}, {".TGA", 12}, {".TIF", 13}, {".PNG", 14}};
    for (const auto& e : table)
        if (ext == e.ext) return e.format;
    return 0;
}

const char* GetDIBOpenFilter(void) {
    static const std::string text = [] {
        std::string all, each;
        for (const Codec& c : codecs()) {
            if (c.decode == nullptr) continue;
            if (!all.empty()) all += ';';
            all += c.patterns;
            each += std::string("|") + c.name + " (" + c.patterns + ")|" + c.patterns;
        }
        return "Alle Bilddateien (" + all + ")|" + all + each + "|Alle Dateien (*.*)|*.*";
    }();
    return text.c_str();
}

const char* GetDIBSaveFilter(void) {
    static const std::string text = [] {
        std::string s;
        for (const Codec& c : codecs()) {
            if (c.encode == nullptr || c.savePatterns == nullptr) continue;
            if (!s.empty()) s += '|';
            s += std::string(c.name) + " (" + c.savePatterns + ")|" + c.savePatterns;
        }
        return s;
    }();
    return text.c_str();
}

} // extern "C"

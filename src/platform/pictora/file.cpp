// Image files: the codec table, OpenDib (file or memory, format by number or by content),
// SaveDib through a temporary file and a rename, and the dialog filter texts.
#include "internal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <pthread.h>
#include <string>
#include <sys/mman.h>
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
         {PICTORA_FORMAT_BMP, PICTORA_FORMAT_DIB, 0}, sniffBmp, decodeBmp, encodeBmp, encodeBmpTo},
        {"CompuServe GIF", "*.gif", "*.gif", {PICTORA_FORMAT_GIF, 0, 0}, {PICTORA_FORMAT_GIF, 0, 0},
         sniffGif, decodeGif, encodeGif, encodeGifTo},
        {"Amiga IFF/ILBM", "*.iff;*.lbm", "*.iff;*.lbm", {PICTORA_FORMAT_IFF, PICTORA_FORMAT_LBM, 0},
         {PICTORA_FORMAT_IFF, PICTORA_FORMAT_LBM, 0}, sniffIlbm, decodeIlbm, encodeIlbm, encodeIlbmTo},
        {"JPEG", "*.jpg;*.jif;*.jpeg", "*.jpg;*.jif;*.jpeg",
         {PICTORA_FORMAT_JPG, PICTORA_FORMAT_JIF, 0}, {PICTORA_FORMAT_JPG, PICTORA_FORMAT_JIF, 0},
         sniffJpeg, decodeJpeg, encodeJpeg, encodeJpegTo},
        {"ZSoft Paintbrush", "*.pcx", "*.pcx", {PICTORA_FORMAT_PCX, 0, 0}, {PICTORA_FORMAT_PCX, 0, 0},
         sniffPcx, decodePcx, encodePcx, encodePcxTo},
        {"Truevision Targa", "*.tga", "*.tga", {PICTORA_FORMAT_TGA, 0, 0}, {PICTORA_FORMAT_TGA, 0, 0},
         nullptr, decodeTga, encodeTga, encodeTgaTo},
        {"TIFF", "*.tif;*.tiff", "*.tif;*.tiff", {PICTORA_FORMAT_TIF, 0, 0},
         {PICTORA_FORMAT_TIF, 0, 0}, sniffTiff, decodeTiff, encodeTiff, encodeTiffTo},
        {"Portable Network Graphics", "*.png", "*.png", {PICTORA_FORMAT_PNG, 0, 0},
         {PICTORA_FORMAT_PNG, 0, 0}, sniffPng, decodePng, encodePng, encodePngTo},
    };
    return table;
}

const Codec* codecForSaving(int format) {
    for (const Codec& c : codecs())
        for (int f : c.saveFormats)
            if (f != 0 && f == format && c.encodeTo != nullptr) return &c;
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

// hint: the format the file's name suggests (0 = none), used only to pick whose complaint about
// a file without a signature is shown.
int32_t decodeMemory(TDibRecord* out, const uint8_t* data, size_t size, int32_t format,
                     int32_t hint, PictoraProgress fn, void* user) {
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
    std::string reason;
    if (format == 0) {
        const Codec* hinted = hint != 0 ? codecForFormat(hint) : nullptr;
        for (const Codec& c : codecs()) {
            std::string why;
            if (c.sniff == nullptr && tryDecode(c, data, size, out, progress, why)) return 1;
            // a shortage is worth telling whatever the name; else only the named reader's reason
            if (c.sniff == nullptr && (&c == hinted || why == kTextNoMemory) && reason.empty())
                reason = why;
        }
    }
    std::memset(out, 0, sizeof(*out));
    setError(out, reason.empty() ? std::string(kTextUnknownType) : reason);
    return 0;
}

// The reason of a failed system call in words a user can act on.
std::string reasonText(int code) {
    switch (code) {
    case ENOSPC:
        return "Der Datenträger ist voll";
    case EDQUOT:
        return "Der zugeteilte Speicherplatz ist aufgebraucht";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung";
    case EROFS:
        return "Das Dateisystem ist schreibgeschützt";
    case ENOENT:
        return "Die Datei oder der Ordner existiert nicht";
    case ENAMETOOLONG:
        return "Der Dateiname ist zu lang";
    case ENOTDIR:
        return "Ein Teil des Pfades ist kein Ordner";
    case EISDIR:
        return "Das ist ein Ordner";
    case ELOOP:
        return "Zu viele symbolische Verknüpfungen";
    case EIO:
        return "Ein-/Ausgabefehler";
    case ENOMEM:
        return "Nicht genug Speicher";
    case EMFILE:
    case ENFILE:
        return "Zu viele offene Dateien";
    case EFBIG:
        return "Die Datei ist zu groß";
    case ETXTBSY:
    case EBUSY:
        return "Die Datei ist in Gebrauch";
    default:
        return "Systemfehler " + std::to_string(code);
    }
}

std::string systemError(const char* what, const std::string& path, int code) {
    return std::string(what) + " (" + path + "): " + reasonText(code);
}

void copyError(const std::string& text, char* error, size_t errorSize) {
    if (error == nullptr || errorSize == 0) return;
    const size_t n = std::min(errorSize - 1, text.size());
    std::memcpy(error, text.data(), n);
    error[n] = '\0';
}

// ---- reading: the file mapped, not copied ----
//
// Only the pages a reader touches are read, so a small image followed by a gigabyte of junk
// costs nothing.  A file cut short while it is mapped would raise SIGBUS on the missing pages:
// while a mapping is being decoded, a handler puts a page of zeros there instead and notes the
// fault, and the load is reported as failed.

struct GuardedMapping {
    std::atomic<uintptr_t> begin{0}, end{0};
    std::atomic<bool> cut{false};
};
constexpr int kGuardSlots = 32;
GuardedMapping gGuards[kGuardSlots];
struct sigaction gPreviousBus;
uintptr_t gPageSize = 4096;

void onBus(int sig, siginfo_t* info, void* context) {
    const auto addr = reinterpret_cast<uintptr_t>(info->si_addr);
    for (GuardedMapping& g : gGuards) {
        if (addr >= g.begin.load() && addr < g.end.load()) {
            void* page = reinterpret_cast<void*>(addr & ~(gPageSize - 1));
            if (::mmap(page, gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                       0) != MAP_FAILED) {
                g.cut.store(true);
                return;
            }
        }
    }
    // not ours: what was there before decides
    if (gPreviousBus.sa_flags & SA_SIGINFO) {
        if (gPreviousBus.sa_sigaction != nullptr) {
            gPreviousBus.sa_sigaction(sig, info, context);
            return;
        }
    } else if (gPreviousBus.sa_handler != SIG_DFL && gPreviousBus.sa_handler != SIG_IGN) {
        gPreviousBus.sa_handler(sig);
        return;
    }
    ::signal(SIGBUS, SIG_DFL); // the fault repeats and ends the process as it would have
}

void installBusGuard() {
    static std::once_flag once;
    std::call_once(once, [] {
        gPageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction sa {};
        sa.sa_sigaction = onBus;
        sa.sa_flags = SA_SIGINFO;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGBUS, &sa, &gPreviousBus);
    });
}

// A read-only mapping of a whole file, guarded while it lives.
class MappedFile {
  public:
    MappedFile(int fd, size_t size) : size_(size) {
        installBusGuard();
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) return;
        data_ = static_cast<const uint8_t*>(p);
        const auto begin = reinterpret_cast<uintptr_t>(p);
        for (GuardedMapping& g : gGuards) {
            uintptr_t free = 0;
            if (g.begin.compare_exchange_strong(free, begin)) {
                g.cut.store(false);
                g.end.store(begin + size);
                guard_ = &g;
                break;
            }
        }
        if (guard_ == nullptr) { // every slot taken by other threads: read without the guard
            ::munmap(p, size);
            data_ = nullptr;
        }
    }
    ~MappedFile() {
        if (guard_) {
            guard_->end.store(0);
            guard_->begin.store(0);
        }
        if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const uint8_t* data() const { return data_; }
    bool cut() const { return guard_ && guard_->cut.load(); }

  private:
    const uint8_t* data_ = nullptr;
    size_t size_;
    GuardedMapping* guard_ = nullptr;
};

// The mapping OpenDib is decoding on this thread, and how much of it has been given back.
thread_local uintptr_t tOwnBegin = 0, tOwnEnd = 0, tReleased = 0;

// Makes releaseReadInput work on one file mapping while it lives.
class OwnInput {
  public:
    OwnInput(const uint8_t* data, size_t size) {
        // from mmap, so page aligned; the first whole page otherwise
        const auto at = reinterpret_cast<uintptr_t>(data);
        tOwnBegin = tReleased = (at + gPageSize - 1) & ~(gPageSize - 1);
        tOwnEnd = tOwnBegin + size;
    }
    ~OwnInput() { tOwnBegin = tOwnEnd = tReleased = 0; }
    OwnInput(const OwnInput&) = delete;
    OwnInput& operator=(const OwnInput&) = delete;
};

// ---- writing ----

// The temporary file of the save in progress, for PictoraRemovePendingFiles.
char gPendingTemp[PATH_MAX + 1];
std::atomic<bool> gPendingSet{false};

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

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The file a save really writes: symbolic links followed to their end (which may not exist yet).
// False with errno set for a loop or a link that cannot be read.
bool resolveTarget(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::vector<char> link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return false;
        if (static_cast<size_t>(n) >= link.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::string next(link.data(), static_cast<size_t>(n));
        target = next[0] == '/' ? next : folderOf(target) + "/" + next;
    }
    errno = ELOOP;
    return false;
}

// The temporary file beside the target; removed by the destructor unless kept.
class TempFile {
  public:
    explicit TempFile(const std::string& folder) {
        // short name: the target's own name may already be as long as the folder allows
        std::string pattern = folder + "/.pxr-XXXXXX";
        name_.assign(pattern.begin(), pattern.end());
        name_.push_back('\0');
        if (name_.size() > sizeof gPendingTemp) {
            errno = ENAMETOOLONG;
            return;
        }
        // blocked signals while the name is made and noted, so an interruption finds it noted
        sigset_t all, old;
        sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &old);
        fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            std::memcpy(gPendingTemp, name_.data(), name_.size());
            gPendingSet.store(true);
        }
        const int code = errno;
        ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
        errno = code;
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!renamed_) {
            gPendingSet.store(false);
            if (fd_ >= 0 || closed_) ::unlink(name_.data());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    int fd() const { return fd_; }
    const char* name() const { return name_.data(); }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        closed_ = true;
        return ::close(fd) == 0;
    }
    // After a successful rename the name belongs to the target.
    void renamed() {
        gPendingSet.store(false);
        renamed_ = true;
    }

  private:
    std::vector<char> name_;
    int fd_ = -1;
    bool closed_ = false;
    bool renamed_ = false;
};

// Writes the first size bytes of the file open as from over an existing file in place (it keeps
// its inode, so every hard link, the owner and the extended attributes stay).  Room is claimed
// first, so a full disk is found before the old content is touched.
bool overwriteInPlace(const std::string& target, int from, uint64_t size) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool ok = true;
    if (size > 0) {
        const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
        if (r != 0 && r != EOPNOTSUPP && r != EINVAL) {
            errno = r;
            ok = false;
        }
    }
    std::vector<uint8_t> chunk;
    try {
        chunk.resize(static_cast<size_t>(std::min<uint64_t>(size, uint64_t{1} << 20)));
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        ok = false;
    }
    for (uint64_t done = 0; ok && done < size;) {
        const ssize_t got = ::pread(from, chunk.data(),
                                    static_cast<size_t>(std::min<uint64_t>(chunk.size(), size - done)),
                                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO; // the temporary file is shorter than what was written
            ok = false;
            break;
        }
        ok = writeAll(fd, chunk.data(), static_cast<size_t>(got));
        done += static_cast<uint64_t>(got);
    }
    ok = ok && ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
    const int code = errno;
    const bool closed = ::close(fd) == 0;
    errno = ok ? errno : code;
    return ok && closed;
}

// Bytes into the temporary file as an encoder makes them: small pieces gathered in a buffer,
// large ones (rows of the image) written straight from where they are.
class FileSink : public ByteSink {
  public:
    explicit FileSink(int fd) : fd_(fd), base_(::lseek(fd, 0, SEEK_CUR)) {
        buffer_.reserve(kBuffer);
        if (base_ < 0)
            base_ = 0;
    }
    bool write(const uint8_t* p, size_t n) override {
        if (failed_) return false;
        if (buffer_.size() + n > kBuffer && !flush()) return false;
        if (n >= kBuffer) return put(p, n);
        buffer_.insert(buffer_.end(), p, p + n);
        return true;
    }
    bool flush() {
        if (failed_ || !put(buffer_.data(), buffer_.size())) return false;
        buffer_.clear();
        return true;
    }
    // Bytes already in the file are written over there, the rest in the buffer.
    bool patch(uint64_t offset, const uint8_t* p, size_t n) override {
        if (failed_ || offset > total_ + buffer_.size() || n > total_ + buffer_.size() - offset)
            return false;
        while (n > 0 && offset < total_) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, total_ - offset));
            const ssize_t put = ::pwrite(fd_, p, k, base_ + static_cast<off_t>(offset));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                failed_ = true;
                error_ = put == 0 ? EIO : errno;
                return false;
            }
            p += put, n -= static_cast<size_t>(put), offset += static_cast<uint64_t>(put);
        }
        if (n > 0)
            std::memcpy(buffer_.data() + (offset - total_), p, n);
        return true;
    }
    int directFile(uint64_t& offset) override {
        if (!flush()) return -1;
        offset = static_cast<uint64_t>(base_) + total_;
        return fd_;
    }
    bool wroteDirectly(uint64_t n, int code) override {
        if (failed_) return false;
        if (code == 0) {
            total_ += n;
            // our own writes carry on behind the encoder's bytes
            if (::lseek(fd_, base_ + static_cast<off_t>(total_), SEEK_SET) >= 0) return true;
            code = errno;
        }
        failed_ = true;
        error_ = code;
        return false;
    }
    bool failed() const { return failed_; }
    int error() const { return error_; }
    uint64_t total() const { return total_; }

  private:
    static constexpr size_t kBuffer = size_t{256} << 10;
    bool put(const uint8_t* p, size_t n) {
        if (!writeAll(fd_, p, n)) {
            failed_ = true;
            error_ = errno;
            return false;
        }
        total_ += n;
        return true;
    }
    int fd_;
    off_t base_; // where the sink's first byte lies in the file
    std::vector<uint8_t> buffer_;
    bool failed_ = false;
    int error_ = 0;
    uint64_t total_ = 0;
};

} // namespace

void releaseReadInput(const uint8_t* upTo) {
    const auto end = reinterpret_cast<uintptr_t>(upTo) & ~(gPageSize - 1);
    if (tOwnBegin == 0 || end <= tReleased || end > tOwnEnd)
        return;
    // the mapping is private and never written: dropped pages come back from the file
    if (::madvise(reinterpret_cast<void*>(tReleased), end - tReleased, MADV_DONTNEED) == 0)
        tReleased = end;
}

} // namespace pictora

using namespace pictora;

extern "C" {

int32_t OpenDibMemory(TDibRecord* out, const void* data, size_t size, int32_t format,
                      PictoraProgress progress, void* user) {
    if (out == nullptr) return 0;
    std::memset(out, 0, sizeof(*out));
    if (data == nullptr) size = 0;
    return decodeMemory(out, static_cast<const uint8_t*>(data), size, format, 0, progress, user);
}

int32_t OpenDib(TDibRecord* out, const char* path, int32_t format, PictoraProgress progress,
                void* user) {
    if (out == nullptr) return 0;
    std::memset(out, 0, sizeof(*out));
    if (path == nullptr) {
        setError(out, "Kein Dateiname angegeben");
        return 0;
    }
    // without blocking: opening a FIFO for reading would wait for a writer forever
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        setError(out, errno == ENOENT
                          ? std::string("Die Datei wurde nicht gefunden")
                          : systemError("Die Datei kann nicht gelesen werden", path, errno));
        return 0;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        setError(out, "Die Datei kann nicht gelesen werden");
        return 0;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        setError(out, "Die Datei ist leer");
        return 0;
    }
    MappedFile file(fd, size);
    const int mapError = errno;
    ::close(fd);
    if (file.data() == nullptr) {
        setError(out, mapError == ENOMEM ? std::string(kTextNoMemory)
                                         : systemError("Die Datei kann nicht gelesen werden",
                                                       path, mapError));
        return 0;
    }
    // the name's ending tells which reader's complaint to show for a file without a signature
    int32_t ok = 0;
    {
        OwnInput own(file.data(), size);
        ok = decodeMemory(out, file.data(), size, format, DibFormatOfPath(path), progress, user);
    }
    if (ok && file.cut()) {
        deldib(out);
        setError(out, kTextTruncated);
        return 0;
    }
    return ok;
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

    // Through symbolic links to the file itself: the link stays a link.
    std::string target;
    if (!resolveTarget(path, target)) {
        copyError(systemError("Die Datei kann nicht angelegt werden", path, errno), error,
                  errorSize);
        return 0;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        copyError(systemError("Die Datei kann nicht angelegt werden", path, errno), error,
                  errorSize);
        return 0;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        copyError(systemError("Die Datei kann nicht angelegt werden", path,
                              S_ISDIR(old.st_mode) ? EISDIR : EACCES),
                  error, errorSize);
        return 0;
    }
    // A file the user may not write keeps its content, even in a folder where a rename could
    // replace it; one marked read-only for everybody is left alone even by the administrator.
    if (exists) {
        const int denied = ::access(target.c_str(), W_OK) != 0 ? errno
                           : (old.st_mode & 0222) == 0         ? EACCES
                                                               : 0;
        if (denied != 0) {
            copyError(systemError("Die Datei konnte nicht geschrieben werden", path, denied),
                      error, errorSize);
            return 0;
        }
    }

    // the temporary file first: a folder we cannot write shows before the image is encoded
    TempFile tmp(folderOf(target));
    if (tmp.fd() < 0) {
        copyError(systemError("Die Datei kann nicht angelegt werden", path, errno), error,
                  errorSize);
        return 0;
    }

    // the old file's permissions, owner and group, or those of a new file
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~currentUmask());
    bool inPlace = exists && old.st_nlink > 1; // a rename would split the links
    if (exists && !inPlace && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(tmp.fd(), old.st_uid, old.st_gid) != 0)
        inPlace = true; // only writing into the file keeps its owner
    ::fchmod(tmp.fd(), mode);

    // The encoder puts its bytes into the temporary file as it makes them.
    std::string text;
    bool ok = false, written = true;
    int writeErrno = 0;
    uint64_t size = 0;
    try {
        FileSink sink(tmp.fd());
        ok = codec->encodeTo(*dib, quality, sink, text) && sink.flush();
        written = !sink.failed();
        writeErrno = sink.error();
        size = sink.total();
    } catch (const std::bad_alloc&) {
        text = kTextNoMemorySave;
        ok = false;
    }
    if (written && ok && ::fsync(tmp.fd()) != 0) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        copyError(systemError("Die Datei konnte nicht geschrieben werden", path, writeErrno), error,
                  errorSize);
        return 0;
    }
    if (!ok) {
        copyError(text.empty() ? std::string("Das Bild konnte nicht gespeichert werden") : text,
                  error, errorSize);
        return 0;
    }
    if (inPlace) {
        // the complete content stands in the temporary file; now it goes into the file itself
        if (!overwriteInPlace(target, tmp.fd(), size)) {
            copyError(systemError("Die Datei konnte nicht geschrieben werden", path, errno),
                      error, errorSize);
            return 0;
        }
        return 1; // the temporary file goes with tmp
    }
    if (!tmp.close()) {
        copyError(systemError("Die Datei konnte nicht geschrieben werden", path, errno), error,
                  errorSize);
        return 0;
    }
    if (::rename(tmp.name(), target.c_str()) != 0) {
        copyError(systemError("Die Datei konnte nicht ersetzt werden", path, errno), error,
                  errorSize);
        return 0;
    }
    tmp.renamed();
    return 1;
}

const char* PictoraErrorText(int code) {
    thread_local std::string text;
    text = reasonText(code);
    return text.c_str();
}

namespace {
// Temporary files of the program's own writers (0 free, 1 being noted, 2 noted).
constexpr int kPendingSlots = 8;
char gNotedTemp[kPendingSlots][PATH_MAX + 1];
std::atomic<int> gNotedState[kPendingSlots];
} // namespace

int32_t PictoraNotePendingFile(const char* path) {
    if (path == nullptr) return -1;
    const size_t n = std::strlen(path) + 1;
    if (n > sizeof gNotedTemp[0]) return -1;
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (gNotedState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(gNotedTemp[i], path, n);
            gNotedState[i].store(2);
            return i;
        }
    }
    return -1;
}

void PictoraForgetPendingFile(int32_t slot) {
    if (slot >= 0 && slot < kPendingSlots) gNotedState[slot].store(0);
}

void PictoraRemovePendingFiles(void) {
    if (gPendingSet.load()) ::unlink(gPendingTemp);
    for (int i = 0; i < kPendingSlots; ++i)
        if (gNotedState[i].load() == 2) ::unlink(gNotedTemp[i]);
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

// Internal helpers shared by the parts of libpictora: tracked allocation, pixel-row access,
// and the interface every codec implements.
#pragma once

#include "pictora.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pictora {

// Allocation through the library's accounting, so the test hook's limit applies everywhere.
// Returns nullptr when the limit would be exceeded or memory is short.  zeroed: calloc-like.
void* trackedAlloc(size_t bytes, bool zeroed);
void trackedFree(void* p);

// Whether a record of this size is within the image limit (PictoraSetImageLimit, or what the
// machine has): readers ask before anything else, so a declared size too large for memory is
// reported as the shortage it is.
bool imageFitsLimit(int64_t width, int64_t height, int bpp);

// Bytes per padded row for a width and depth, or -1 when it would not fit in 32 bits.
int64_t rowBytes(int64_t width, int bpp);

// Largest side we accept for an image (the header fields are 32-bit signed).
constexpr int32_t kMaxSide = 1 << 20;

inline uint8_t* rowPtr(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(d.Info->bmiHeader.biHeight - 1 - y) *
                        static_cast<size_t>(d.LineBytes);
}

inline bool hasImage(const TDibRecord* d) {
    return d != nullptr && d->Bits != nullptr && d->Info != nullptr;
}

// The depths a record can have.
inline bool validDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
}

// Calls fn(y) for every y in first..last-1; with parallel set, blocks of rows run on the worker
// threads at once (fn must then touch nothing but its own row and must not throw).
template <class F> void forRows(int32_t first, int32_t last, bool parallel, F&& fn) {
    if (last <= first)
        return;
    const int64_t rows = static_cast<int64_t>(last) - first;
    const int64_t parts = parallel ? std::min<int64_t>(rows, 8 * int64_t{PictoraThreadCount()}) : 1;
    struct Call {
        F& fn;
        int32_t first;
        int64_t rows, parts;
    } call{fn, first, rows, parts};
    PictoraParallelFor(
        parts,
        [](void* user, int64_t part, int32_t) {
            auto& c = *static_cast<Call*>(user);
            const int64_t y0 = c.first + c.rows * part / c.parts;
            const int64_t y1 = c.first + c.rows * (part + 1) / c.parts;
            for (int64_t y = y0; y < y1; ++y)
                c.fn(static_cast<int32_t>(y));
        },
        &call);
}

// The vector code the library runs: the best the processor has, or less when PIXORAMA_SIMD is
// "avx2" or "plain" (or PIXORAMA_NO_AVX2 is set).  Every path gives the same bytes.
enum class SimdLevel { Plain = 0, Avx2 = 1, Avx512 = 2 };
SimdLevel simdLevel();

// Writes a German error text into a failed record (Bits stays NULL).
void setError(TDibRecord* out, const std::string& text);

// Progress reporting for decoders: at most one call per changed percent.
class Progress {
  public:
    Progress(PictoraProgress fn, void* user) : fn_(fn), user_(user) {}
    void report(int64_t done, int64_t total);

  private:
    PictoraProgress fn_;
    void* user_;
    int last_ = -1;
};

// A decoder reads one file held in memory into out (made with newdib).  On failure it frees
// whatever it made and returns false with a German message in error.
using DecodeFn = bool (*)(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
                          std::string& error);
// An encoder turns a record into file bytes.
using EncodeFn = bool (*)(const TDibRecord& dib, int quality, std::vector<uint8_t>& out,
                          std::string& error);
// Where an encoder that writes as it goes puts its bytes: straight into the file being saved,
// or into memory.  write returns false when the bytes could not be taken (the sink knows why);
// the encoder then stops and fails.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual bool write(const uint8_t* p, size_t n) = 0;
    // How many bytes will follow, when the encoder knows: a sink in memory reserves them once.
    virtual void expect(uint64_t /*bytes*/) {}
    // Puts n bytes over ones already handed over, offset counted from the first byte this sink
    // took: for lengths an encoder knows only at the end.  False when they cannot be written.
    virtual bool patch(uint64_t offset, const uint8_t* p, size_t n) = 0;
    // For an encoder that must write (and seek back in) the file itself: the descriptor of the
    // file behind the sink, every byte handed over so far already in it, and in offset the file
    // position where the next byte belongs.  -1 when the sink is no file (or has failed).
    virtual int directFile(uint64_t& /*offset*/) { return -1; }
    // After that encoder wrote n bytes from that position on (with pwrite; the descriptor's own
    // offset is the sink's): they count as handed over.  code != 0 is the errno of a write that
    // failed; the sink then fails as after a write of its own, and returns false.
    virtual bool wroteDirectly(uint64_t /*n*/, int /*code*/) { return false; }
};

// The bytes appended to a vector.
class VectorSink : public ByteSink {
  public:
    explicit VectorSink(std::vector<uint8_t>& out) : out_(out), start_(out.size()) {}
    bool write(const uint8_t* p, size_t n) override {
        out_.insert(out_.end(), p, p + n);
        return true;
    }
    void expect(uint64_t bytes) override {
        if (bytes <= out_.max_size() - out_.size())
            out_.reserve(out_.size() + static_cast<size_t>(bytes));
    }
    bool patch(uint64_t offset, const uint8_t* p, size_t n) override {
        if (offset > out_.size() - start_ || n > out_.size() - start_ - offset)
            return false;
        std::memcpy(out_.data() + start_ + offset, p, n);
        return true;
    }

  private:
    std::vector<uint8_t>& out_;
    size_t start_; // what the vector held before
};

// An encoder that hands its bytes to a sink as it makes them (rows as they are encoded), so a
// save needs no second copy of the file in memory.
using StreamEncodeFn = bool (*)(const TDibRecord& dib, int quality, ByteSink& out,
                                std::string& error);
// Recognises the format from the first bytes of a file.
using SniffFn = bool (*)(const uint8_t* data, size_t size);

struct Codec {
    const char* name;         // shown in the dialogs, e.g. "Windows-Bitmap"
    const char* patterns;     // what it reads: "*.bmp;*.dib;*.rle"
    const char* savePatterns; // what it writes ("*.bmp;*.dib"); nullptr = cannot write
    int formats[3];           // file format numbers this codec reads (0 = unused slot)
    int saveFormats[3];       // file format numbers it writes
    SniffFn sniff;            // may be nullptr
    DecodeFn decode;          // may be nullptr (cannot read)
    EncodeFn encode;          // into memory; may be nullptr (cannot write)
    StreamEncodeFn encodeTo;  // the same writing into a file as it goes (SaveDib)
};

// All codecs, in the order the dialogs list them.
const std::vector<Codec>& codecs();
const Codec* codecForFormat(int format);
const Codec* codecForSaving(int format); // nullptr when the format cannot be written

// The codecs themselves, one file each under codecs/.  Targa has no signature to sniff.
#define PICTORA_DECLARE_CODEC(name)                                                            \
    bool decode##name(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,   \
                      std::string& error);                                                     \
    bool encode##name(const TDibRecord& dib, int quality, std::vector<uint8_t>& out,           \
                      std::string& error);
PICTORA_DECLARE_CODEC(Bmp)
PICTORA_DECLARE_CODEC(Gif)
PICTORA_DECLARE_CODEC(Ilbm)
PICTORA_DECLARE_CODEC(Jpeg)
PICTORA_DECLARE_CODEC(Pcx)
PICTORA_DECLARE_CODEC(Tga)
PICTORA_DECLARE_CODEC(Tiff)
PICTORA_DECLARE_CODEC(Png)
#undef PICTORA_DECLARE_CODEC
bool encodeBmpTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodeGifTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodeIlbmTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodeJpegTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodePcxTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodePngTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodeTgaTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
bool encodeTiffTo(const TDibRecord& dib, int quality, ByteSink& out, std::string& error);
// An encoder that writes as it goes, its bytes appended to out; on failure out is as before.
bool encodeIntoVector(StreamEncodeFn encode, const TDibRecord& dib, int quality,
                      std::vector<uint8_t>& out, std::string& error);
bool sniffBmp(const uint8_t* data, size_t size);
bool sniffGif(const uint8_t* data, size_t size);
bool sniffIlbm(const uint8_t* data, size_t size);
bool sniffJpeg(const uint8_t* data, size_t size);
bool sniffPcx(const uint8_t* data, size_t size);
bool sniffTiff(const uint8_t* data, size_t size);
bool sniffPng(const uint8_t* data, size_t size);

// A reader that goes through its input once may call this as it goes: when the input is a file
// OpenDib mapped itself, the pages before upTo are given back (read again from the file should
// anything look there later), so the file and the image are not both held in memory.  Input
// that belongs to the caller (OpenDibMemory) is never touched.
void releaseReadInput(const uint8_t* upTo);

// Standard German texts of the readers.
extern const char* const kTextDamaged;     // "Die Datei ist beschädigt"
extern const char* const kTextNoMemory;    // memory shortage while loading
extern const char* const kTextUnknownType; // format not recognised
inline constexpr char kTextTruncated[] = "Die Datei ist unvollständig";
// Standard German texts of the writers.
inline constexpr char kTextNoImage[] = "Kein Bild zum Speichern";
inline constexpr char kTextNoMemorySave[] = "Nicht genug Speicher zum Speichern";

} // namespace pictora

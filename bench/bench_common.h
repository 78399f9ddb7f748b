// What the benchmark programs of the core share: a host that stays silent and the photo as a
// record and a document (bench_report.h: the CPU features and the ratio table).
#pragma once

#include "bench_report.h"
#include "document/document_state.h"
#include "document/host.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace bench {

// A host for the benchmarks: no progress, messages to stderr (a benchmark that shows one has
// gone wrong).
class QuietHost : public pixorama::Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string& text, const std::string&, int) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return pixorama::IDOK;
    }
};

// The 6000 x 4000 photo as a record, made once.
inline const TDibRecord& PhotoRecord() {
    static const TDibRecord photo = MakePhoto();
    return photo;
}

// Writes a 24-bit record as a binary PPM (the input of the peer programs); false on failure.
inline bool WritePpm(const TDibRecord& d, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const int w = DibWidth(&d), h = DibHeight(&d);
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    std::string line(static_cast<size_t>(w) * 3, '\0');
    for (int y = 0; y < h; ++y) {
        const uint8_t* row =
            d.Bits + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(d.LineBytes);
        for (int x = 0; x < w; ++x) {
            line[3 * x] = static_cast<char>(row[3 * x + 2]);
            line[3 * x + 1] = static_cast<char>(row[3 * x + 1]);
            line[3 * x + 2] = static_cast<char>(row[3 * x]);
        }
        std::fwrite(line.data(), 1, line.size(), f);
    }
    return std::fclose(f) == 0;
}

// The share (0..1) of the resident memory of the mapping holding p that huge pages back, or -1
// when it cannot be read.  Whether the kernel finds free 2 MB pages for a buffer can change from
// one allocation to the next: the benchmarks print it for both sides of a ratio, so that a ratio
// can be checked for a difference in page backing.
inline double HugePageShare(const void* p) {
    std::FILE* f = std::fopen("/proc/self/smaps", "r");
    if (f == nullptr)
        return -1;
    const auto at = reinterpret_cast<uintptr_t>(p);
    char line[512];
    bool inside = false;
    double rss = -1, huge = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        uintptr_t from = 0, to = 0;
        if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR " ", &from, &to) == 2) { // a mapping
            if (inside)
                break; // past the one holding p
            inside = from <= at && at < to;
            continue;
        }
        if (!inside)
            continue;
        double kb = 0;
        if (std::sscanf(line, "Rss: %lf", &kb) == 1)
            rss = kb;
        else if (std::sscanf(line, "AnonHugePages: %lf", &kb) == 1)
            huge = kb;
    }
    std::fclose(f);
    return rss > 0 && huge >= 0 ? huge / rss : -1;
}

// A block of the photo's size allocated as image pixels are (an anonymous mapping that asks for
// huge pages), filled with one byte: copies measured as the reference of an operation then
// work on memory of the same kind as the operation itself.
class ImageBuffer {
  public:
    explicit ImageBuffer(uint8_t fill) {
        const TDibRecord& p = PhotoRecord();
        if (newdib(&d_, DibWidth(&p), DibHeight(&p), 24, nullptr, 0) == 0 || d_.Bits == nullptr)
            std::abort();
        std::memset(d_.Bits, fill, size());
    }
    ~ImageBuffer() { deldib(&d_); }
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;
    uint8_t* data() { return d_.Bits; }
    size_t size() const { return d_.Info->bmiHeader.biSizeImage; }

  private:
    TDibRecord d_{};
};

// The 6000 x 4000 photo as a document, made once.
inline pixorama::DocumentState& PhotoDocument() {
    static pixorama::DocumentState* doc = [] {
        auto* d = new pixorama::DocumentState;
        pixorama::AttachImage(*d, MakePhoto());
        return d;
    }();
    return *doc;
}

} // namespace bench

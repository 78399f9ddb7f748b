// Helpers several codecs share: the checks every encoder starts with, header fields in either
// byte order, pixel densities, colour tables as RGB triples, and converting between one-byte
// palette indices, packed 1/2/4/8-bit rows and bit planes.
#pragma once

#include "../internal.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictora {

// "Die Datei ist beschädigt: " followed by what is wrong.
std::string damaged(const char* what);

// False with the German reason when there is no image or its depth is none of 1, 4, 8 and 24;
// formatName names the format in the message ("PCX", "Targa").
bool checkEncodable(const TDibRecord& dib, const char* formatName, std::string& error);

// False with "too big for the format" when a side is empty or above maxSide, or when the
// format's own limit (otherFits) fails.
bool checkSides(int32_t width, int32_t height, int32_t maxSide, const char* formatName,
                std::string& error, bool otherFits = true);

// The smallest record depth (1, 4 or 8) whose palette holds count colours.
int depthForColours(int count);

// ---- header fields ----

inline uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline void putLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}
inline void putBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void appendLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void appendBe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
inline void appendBe32(std::vector<uint8_t>& out, uint32_t v) {
    appendBe16(out, v >> 16);
    appendBe16(out, v);
}

// ---- pixel density ----

// Pixels per metre for dots per inch, rounded.
int32_t dpiToPelsPerMeter(uint32_t dpi);

// Takes the file's density into the record when both values are given; otherwise the record
// keeps newdib's 72 dpi.
void setDensity(TDibRecord& d, int64_t xPelsPerMeter, int64_t yPelsPerMeter);

// ---- colour tables ----

// count colours from red, green, blue triples.
void rgbTriplesToColours(const uint8_t* rgb, int count, TRGBQuad* colours);
// Appends count colours as red, green, blue triples.
void appendRgbTriples(std::vector<uint8_t>& out, const TRGBQuad* colours, int count);
// The same into dst (3 * count bytes).
void putRgbTriples(uint8_t* dst, const TRGBQuad* colours, int count);

// ---- palette index rows ----

// Packs width one-byte indices into a record row of depth bpp (1, 4 or 8).  Values the depth
// cannot hold (only possible in damaged files) become 0.
void packIndices(const uint8_t* src, int32_t width, int bpp, uint8_t* dst);

// The inverse: one byte per index from a row of depth bpp (1, 4 or 8).
void unpackIndices(const uint8_t* src, int32_t width, int bpp, uint8_t* dst);

// A row of 2-bit indices (four a byte, left one highest) as a 4-bit row; every byte of the
// result is written, a missing last nibble is 0.
void widen2To4(const uint8_t* src, int32_t width, uint8_t* dst);

// Bit planes (leftmost pixel in the top bit, planeStride bytes apart, count <= 8) to one index
// a pixel: bit p of an index comes from plane p.
void planesToIndices(const uint8_t* planes, size_t planeStride, int count, int32_t width,
                     uint8_t* dst);

// Bit `bit` of every index as one plane row; writes (width + 7) / 8 bytes.
void indicesToPlane(const uint8_t* src, int32_t width, int bit, uint8_t* plane);

// ---- writing as the file is encoded ----

// Gathers what an encoder appends to bytes() and hands it to the sink in pieces, so a file of any
// size passes through a buffer of a few ten kilobytes.
class SinkWriter {
  public:
    explicit SinkWriter(ByteSink& sink) : sink_(sink) { buffer_.reserve(kPiece); }
    std::vector<uint8_t>& bytes() { return buffer_; }
    // Hands the bytes over once enough have gathered; false when the sink refused them, now or
    // before (it is not asked again).
    bool pass() { return !refused_ && (buffer_.size() < kPiece || flush()); }
    bool flush() {
        if (refused_)
            return false;
        if (buffer_.empty())
            return true;
        if (!sink_.write(buffer_.data(), buffer_.size())) {
            refused_ = true;
            return false;
        }
        handed_ += buffer_.size();
        buffer_.clear();
        return true;
    }
    // Bytes made so far, handed over or not: the offset of the next one.
    uint64_t position() const { return handed_ + buffer_.size(); }
    ByteSink& sink() { return sink_; }

  private:
    static constexpr size_t kPiece = size_t{64} << 10;
    ByteSink& sink_;
    std::vector<uint8_t> buffer_;
    uint64_t handed_ = 0;
    bool refused_ = false;
};

// ---- run-length packets ----

// Packets of Targa RLE and IFF ByteRun1: a run of 2..128 equal pixels is its header byte
// runHeader(length) and one pixel; other pixels go into literal packets of up to 128, header
// byte length - 1, which end where a run of minRun equal pixels begins.
void appendRunPackets(std::vector<uint8_t>& out, const uint8_t* px, size_t n, size_t pixelBytes,
                      size_t minRun, uint8_t (*runHeader)(size_t length));

} // namespace pictora

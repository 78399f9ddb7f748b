// Palette files (the program's own 1028-byte file; JASC-PAL, GIMP and RIFF palettes on loading),
// loading a palette with and without fitting the image, saving, and the palette editor's grid.
#include "colour/palette_files.h"

#include "colour/depth_down.h"
#include "document/dib.h"
#include "document/file_replace.h"
#include "ops/rows.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pixorama {

using namespace ops;

namespace {

// Text palettes are small; more than this is not a palette we read.
constexpr size_t kMaxPaletteFile = 1 << 20;

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Colours read from a foreign palette, as the program's palette.
bool finishForeign(const std::vector<TPaletteEntry>& colours, TLogPalette& out) {
    if (colours.empty())
        return false;
    std::memset(&out, 0, sizeof(out));
    out.palVersion = kPaletteVersion;
    const size_t n = std::min<size_t>(colours.size(), 256);
    out.palNumEntries = n <= 16 ? 16 : 256;
    for (size_t i = 0; i < n; ++i)
        out.palPalEntry[i] = TPaletteEntry{colours[i].peRed, colours[i].peGreen, colours[i].peBlue, 0};
    return true;
}

// Lines of a text file, without their line ends.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

// Reads a decimal number 0..max at pos (after blanks); pos moves past it.
bool readNumber(std::string_view line, size_t& pos, long max, long& value) {
    while (pos < line.size() && isSpace(line[pos]))
        ++pos;
    const size_t first = pos;
    value = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        value = value * 10 + (line[pos] - '0');
        if (value > max)
            return false;
        ++pos;
    }
    return pos > first;
}

// Three numbers 0..255 at the start of a line.
bool readRgb(std::string_view line, TPaletteEntry& e) {
    size_t pos = 0;
    long r, g, b;
    if (!readNumber(line, pos, 255, r) || !readNumber(line, pos, 255, g) ||
        !readNumber(line, pos, 255, b))
        return false;
    if (pos < line.size() && !isSpace(line[pos]))
        return false;
    e = TPaletteEntry{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 0};
    return true;
}

bool blank(std::string_view line) {
    return std::all_of(line.begin(), line.end(), isSpace);
}

// JASC-PAL: "JASC-PAL", "0100", the count, then one "r g b" line per colour.
bool parseJasc(std::string_view text, TLogPalette& out) {
    const auto lines = splitLines(text);
    if (lines.size() < 3 || lines[1] != "0100")
        return false;
    size_t pos = 0;
    long count;
    if (!readNumber(lines[2], pos, 1 << 16, count) || !blank(lines[2].substr(pos)))
        return false;
    std::vector<TPaletteEntry> colours;
    for (size_t i = 3; i < lines.size() && colours.size() < static_cast<size_t>(count); ++i) {
        TPaletteEntry e;
        if (!readRgb(lines[i], e))
            return false;
        colours.push_back(e);
    }
    if (colours.size() != static_cast<size_t>(count))
        return false;
    return finishForeign(colours, out);
}

// GIMP: "GIMP Palette", optional "Name:" and "Columns:" lines, comments with '#', then colour
// lines "r g b [name]".
bool parseGimp(std::string_view text, TLogPalette& out) {
    const auto lines = splitLines(text);
    std::vector<TPaletteEntry> colours;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (blank(line) || line.front() == '#' || line.rfind("Name:", 0) == 0 ||
            line.rfind("Columns:", 0) == 0)
            continue;
        TPaletteEntry e;
        if (!readRgb(line, e))
            return false;
        colours.push_back(e);
    }
    return finishForeign(colours, out);
}

// RIFF "PAL ": a "data" chunk holding a logical palette (version, count, entries).
bool parseRiff(const uint8_t* data, size_t size, TLogPalette& out) {
    size_t end = std::min<size_t>(size, size_t{8} + le32(data + 4));
    size_t pos = 12;
    while (pos + 8 <= end) {
        const uint32_t chunk = le32(data + pos + 4);
        const size_t body = pos + 8;
        if (std::memcmp(data + pos, "data", 4) == 0) {
            // the chunk must lie in the file and hold every entry it announces
            if (chunk < 4 || chunk > end - body)
                return false;
            const size_t count = le16(data + body + 2);
            if (4 + 4 * count > chunk)
                return false;
            std::vector<TPaletteEntry> colours;
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = data + body + 4 + 4 * i;
                colours.push_back(TPaletteEntry{p[0], p[1], p[2], 0});
            }
            return finishForeign(colours, out);
        }
        if (chunk > end - body)
            return false;
        pos = body + chunk + (chunk & 1);
    }
    return false;
}

bool startsWith(const uint8_t* data, size_t size, std::string_view prefix) {
    return size >= prefix.size() && std::memcmp(data, prefix.data(), prefix.size()) == 0;
}

// The first line without its end, for the text signatures.
std::string_view firstLine(std::string_view text) {
    std::string_view line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

} // namespace

bool ParsePaletteBytes(const uint8_t* data, size_t size, TLogPalette& out) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (startsWith(data, size, "JASC-PAL") && firstLine(text) == "JASC-PAL")
        return parseJasc(text, out);
    if (startsWith(data, size, "GIMP Palette") && firstLine(text) == "GIMP Palette")
        return parseGimp(text, out);
    if (size >= 12 && startsWith(data, size, "RIFF") && std::memcmp(data + 8, "PAL ", 4) == 0)
        return parseRiff(data, size, out);
    // the program's own file: one block of 1028 bytes, the rest ignored
    if (size < kPaletteFileSize)
        return false;
    std::memcpy(&out, data, kPaletteFileSize);
    out.palVersion = le16(data);
    out.palNumEntries = le16(data + 2);
    return true;
}

bool ReadPaletteFile(const std::string& path, TLogPalette& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<uint8_t> bytes(kMaxPaletteFile);
    size_t got = 0;
    bool failed = false;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return !failed && ParsePaletteBytes(bytes.data(), got, out);
}

bool WritePaletteFile(const std::string& path, const TLogPalette& palette) {
    uint8_t bytes[kPaletteFileSize];
    std::memcpy(bytes, &palette, kPaletteFileSize);
    bytes[0] = static_cast<uint8_t>(palette.palVersion);
    bytes[1] = static_cast<uint8_t>(palette.palVersion >> 8);
    bytes[2] = static_cast<uint8_t>(palette.palNumEntries);
    bytes[3] = static_cast<uint8_t>(palette.palNumEntries >> 8);
    return WriteFileReplacing(path, bytes, sizeof(bytes));
}

bool loadpal(DocumentState& doc, Host& host, const std::string& path) {
    if (path.empty() || !HasPixels(doc.Dib))
        return false;
    TDibRecord& d = doc.Dib;
    const int32_t colours = DibColorCount(&d);
    const int32_t expected = colours == 16 || colours == 256 ? colours : 0;
    TLogPalette file;
    if (!ReadPaletteFile(path, file)) {
        host.MessageBox(kTextPaletteLoadError, "", MB_ICONSTOP | kTaskModal);
        return false;
    }
    if (file.palVersion != kPaletteVersion || file.palNumEntries != expected) {
        host.MessageBox(kTextPaletteMismatch, "", MB_ICONSTOP | kTaskModal);
        return false;
    }
    // flags included; the image's own version and count stay
    for (int32_t i = 0; i < expected; ++i) {
        const TPaletteEntry& e = file.palPalEntry[i];
        d.Palette.palPalEntry[i] = e;
        d.Info->bmiColors[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
    }
    DibUpdatePaletteHandle(&d);
    return true;
}

bool savepal(const DocumentState& doc, Host& host, const std::string& path) {
    const int32_t colours = DibColorCount(&doc.Dib);
    if (!HasPixels(doc.Dib) || (colours != 16 && colours != 256) || path.empty())
        return false;
    if (!WritePaletteFile(path, doc.Dib.Palette)) {
        host.MessageBox(kTextPaletteSaveError, "", MB_ICONSTOP | kTaskModal);
        return false;
    }
    return true;
}

bool loadpal0(DocumentState& doc, Host& host, const std::string& path) {
    bool replaced = false;
    TDibRecord& src = doc.Dib;
    TLogPalette file;
    if (path.empty() || !HasPixels(src)) {
        // cancelled
    } else if (!ReadPaletteFile(path, file)) {
        host.MessageBox(kTextPaletteLoadError, "", MB_ICONSTOP | kTaskModal);
    } else if (file.palVersion != kPaletteVersion ||
               (file.palNumEntries != 16 && file.palNumEntries != 256)) {
        host.MessageBox(kTextPaletteIllegal, "", MB_ICONSTOP | kTaskModal);
    } else {
        const int32_t n = file.palNumEntries;
        const int32_t bits = n == 16 ? 4 : 8;
        TBitmapInfo info;
        std::memset(&info, 0, sizeof(info));
        for (int32_t i = 0; i < n; ++i) {
            const TPaletteEntry& e = file.palPalEntry[i];
            info.bmiColors[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
        }
        DibHolder target;
        if (!newdib(&target.get(), DibWidth(&src), DibHeight(&src), bits, &info, n)) {
            host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
            host.MessageBox(kTextPaletteLoadError, "", MB_ICONSTOP | kTaskModal);
        } else {
            if (host.MessageBox(kTextFitQuestion, kCaptionFitQuestion, MB_YESNO | MB_ICONQUESTION) !=
                IDNO) {
                FloydSteinbergMap(src, target.get(), host);
            } else {
                host.SetProSatus(0);
                NearestMap(src, target.get(), host);
                host.SetProSatus(0);
            }
            FinishDraging(doc); // a floating piece of the old depth ends; its pixels stay
            deldib(&src);
            src = target.release();
            doc.ForeColor = 0;
            doc.BackColor = n - 1;
            replaced = true;
        }
    }
    host.UpdateMenuItems();
    return replaced;
}

TRect PalEditCellRect(int32_t index, int32_t columns) {
    const int32_t col = columns > 0 ? index % columns : 0;
    const int32_t row = columns > 0 ? index / columns : 0;
    return TRect{kPalEditPitch * col, kPalEditPitch * row, kPalEditPitch * col + kPalEditCell,
                 kPalEditPitch * row + kPalEditCell};
}

int32_t PalEditEntryAt(int32_t x, int32_t y, int32_t columns, int32_t count) {
    if (columns <= 0 || x < 0 || y < 0)
        return -1;
    const int32_t col = x / kPalEditPitch, row = y / kPalEditPitch;
    if (col >= columns || x - col * kPalEditPitch > kPalEditCell ||
        y - row * kPalEditPitch > kPalEditCell)
        return -1;
    const int32_t i = row * columns + col;
    return i < count ? i : -1;
}

std::string PalEditInfoText(int32_t index, const TPaletteEntry& e) {
    return "Index: " + std::to_string(index) + " ; R: " + std::to_string(e.peRed) +
           " G:" + std::to_string(e.peGreen) + " B:" + std::to_string(e.peBlue);
}

void ApplyEditedPalette(TDibRecord& dib, const TLogPalette& edited) {
    if (!HasPixels(dib))
        return;
    dib.Palette = edited;
    const int32_t n = std::min<int32_t>(edited.palNumEntries, 256);
    for (int32_t i = 0; i < n; ++i) {
        const TPaletteEntry& e = edited.palPalEntry[i];
        dib.Info->bmiColors[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
    }
    DibUpdatePaletteHandle(&dib);
}

} // namespace pixorama

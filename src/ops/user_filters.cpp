// The user filter store: reading (untrusted bytes: counts checked against the file, names ended
// within their field), writing (little-endian, through a temporary file), and applying a record.
#include "ops/user_filters.h"

#include "document/file_replace.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pixorama {

namespace {

// A store larger than this holds more filters than anybody keeps; only its start is read.
constexpr size_t kMaxStoreBytes = kUserFilterHeaderSize + kUserFilterRecordSize * 100000;

int32_t le32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
}

void put32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}

// Byte offsets of the record's fields.
constexpr size_t kOffDivisor = 0, kOffBias = 4, kOffMatrix = 8, kOffName = 108, kOffRest = 365;

TFilterRecord recordFromBytes(const uint8_t* p) {
    TFilterRecord f;
    f.Divisor = le32(p + kOffDivisor);
    f.Bias = le32(p + kOffBias);
    for (int k = 0; k < 25; ++k)
        FilterWeight(f, k) = le32(p + kOffMatrix + 4 * static_cast<size_t>(k));
    std::memcpy(f.FilterName, p + kOffName, sizeof(f.FilterName));
    std::memcpy(f.Reserved, p + kOffRest, sizeof(f.Reserved));
    // a name that fills its field without a terminator is cut to the longest one allowed
    if (std::memchr(f.FilterName, 0, sizeof(f.FilterName)) == nullptr)
        f.FilterName[kUserFilterNameMax] = '\0';
    return f;
}

void recordToBytes(const TFilterRecord& f, uint8_t* p) {
    put32(p + kOffDivisor, f.Divisor);
    put32(p + kOffBias, f.Bias);
    for (int k = 0; k < 25; ++k)
        put32(p + kOffMatrix + 4 * static_cast<size_t>(k), FilterWeight(f, k));
    std::memcpy(p + kOffName, f.FilterName, sizeof(f.FilterName));
    std::memcpy(p + kOffRest, f.Reserved, sizeof(f.Reserved));
}

} // namespace

TStoreRead ParseUserFilterStore(const uint8_t* data, size_t size, std::vector<TFilterRecord>& out) {
    out.clear();
    TStoreRead r;
    if (size == 0)
        return r;
    if (size < 4 || static_cast<uint32_t>(le32(data)) != kUserFilterMagic) {
        r.State = TStoreState::Foreign;
        return r;
    }
    r.State = TStoreState::Ours;
    if (size < kUserFilterHeaderSize)
        return r; // the count itself is cut off: nothing to read
    r.Announced = le32(data + 4);
    const size_t announced = r.Announced > 0 ? static_cast<size_t>(r.Announced) : 0;
    const size_t present = (size - kUserFilterHeaderSize) / kUserFilterRecordSize;
    const size_t n = std::min(announced, present);
    if (announced > present)
        r.DroppedBytes = (size - kUserFilterHeaderSize) % kUserFilterRecordSize;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out.push_back(recordFromBytes(data + kUserFilterHeaderSize + i * kUserFilterRecordSize));
    return r;
}

TStoreRead ReadUserFilterStore(const std::string& path, std::vector<TFilterRecord>& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    while (bytes.size() < kMaxStoreBytes) {
        const ssize_t n = ::read(fd, chunk, std::min(sizeof(chunk), kMaxStoreBytes - bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a read error ends the records read so far
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return ParseUserFilterStore(bytes.data(), bytes.size(), out);
}

std::vector<uint8_t> UserFilterStoreBytes(const std::vector<TFilterRecord>& items) {
    std::vector<uint8_t> bytes(kUserFilterHeaderSize + items.size() * kUserFilterRecordSize);
    put32(bytes.data(), static_cast<int32_t>(kUserFilterMagic));
    put32(bytes.data() + 4, static_cast<int32_t>(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        recordToBytes(items[i], bytes.data() + kUserFilterHeaderSize + i * kUserFilterRecordSize);
    return bytes;
}

bool WriteUserFilterStore(const std::string& path, const std::vector<TFilterRecord>& items) {
    const std::vector<uint8_t> bytes = UserFilterStoreBytes(items);
    return WriteFileReplacing(path, bytes.data(), bytes.size());
}

std::string ForeignStoreText(const std::string& path) {
    std::string text = "Die Datei ";
    text += path;
    text += " ist keine Filterdatei dieses Programms. Sie bleibt unverändert; Änderungen an den "
            "Filtern werden nicht gespeichert.";
    return text;
}

std::string DefaultUserFilterStorePath() {
    std::string folder;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        folder = xdg;
    } else {
        const char* home = std::getenv("HOME");
        folder = home != nullptr ? home : "";
        folder += "/.local/share";
    }
    folder += "/Pixorama/pixorama/";
    folder += kUserFilterFileName;
    return folder;
}

std::string FilterNameOf(const TFilterRecord& f) {
    const void* end = std::memchr(f.FilterName, 0, sizeof(f.FilterName));
    const size_t n = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - f.FilterName)
                                    : sizeof(f.FilterName);
    return std::string(f.FilterName, n);
}

void SetFilterName(TFilterRecord& f, const std::string& name) {
    size_t n = std::min(name.size(), kUserFilterNameMax);
    // never end inside a UTF-8 sequence: back up over its continuation bytes
    if (n < name.size())
        while (n > 0 && (static_cast<uint8_t>(name[n]) & 0xC0) == 0x80)
            --n;
    std::memcpy(f.FilterName, name.data(), n);
    f.FilterName[n] = '\0';
}

int FindUserFilter(const std::vector<TFilterRecord>& items, const std::string& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (FilterNameOf(items[i]) == name)
            return static_cast<int>(i);
    return -1;
}

bool ApplyUserFilter(DocumentState& doc, Host& host, const TFilterRecord& filter) {
    if (filter.Divisor == 0) {
        host.MessageBox(kTextDivisionByZero, "", MB_ICONSTOP);
        return false;
    }
    DibFilter(doc, host, filter);
    return true;
}

} // namespace pixorama

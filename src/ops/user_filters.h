// User-defined filters: the store file "UserFilt.dat" of named 5x5 kernels (magic number, count,
// 624-byte records), the list the dialogs work on, and applying one filter to a document.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "ops/convolution.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pixorama {

inline constexpr uint32_t kUserFilterMagic = 0x00071F4E;
inline constexpr size_t kUserFilterRecordSize = 624;
inline constexpr size_t kUserFilterHeaderSize = 8;
inline constexpr const char* kUserFilterFileName = "UserFilt.dat";
// The longest name a record holds (its field keeps one byte for the terminator).
inline constexpr size_t kUserFilterNameMax = 256;

inline constexpr const char* kTextNoFilterChosen = "Sie haben keinen Filter ausgewählt!";
inline constexpr const char* kTextFilterNameMissing = "Sie müssen einen Namen eingeben!";
inline constexpr const char* kTextDivisionByZero = "Die Division durch 0 ist nicht definiert!";
inline constexpr const char* kTextFilterNameTooLong =
    "Der Name des Filters darf höchstens 256 Zeichen lang sein!";
inline constexpr const char* kTextDeleteFilterQuestion =
    "Sind Sie sicher, dass Sie den Filter löschen möchten?";
inline constexpr const char* kCaptionDeleteFilter = "Sicherheitsabfrage";

// What reading a store found.
enum class TStoreState {
    Missing, // no file, or an empty one: an empty store that the next close writes
    Ours,    // our magic number; the records that were there in full
    Foreign, // a file of something else: left alone, never overwritten
};

struct TStoreRead {
    TStoreState State = TStoreState::Missing;
    int32_t Announced = 0;    // the count the file gives
    size_t DroppedBytes = 0;  // bytes of a last record cut short
};

// Reads a store from bytes: the records that are there in full (a count beyond the file's end,
// or a negative one, takes only those), each name ended within its field.
TStoreRead ParseUserFilterStore(const uint8_t* data, size_t size, std::vector<TFilterRecord>& out);
// The same from a file.  A file that cannot be opened counts as missing.
TStoreRead ReadUserFilterStore(const std::string& path, std::vector<TFilterRecord>& out);
// The bytes of a store of the records, in order.
std::vector<uint8_t> UserFilterStoreBytes(const std::vector<TFilterRecord>& items);
// Writes the store through a temporary file and a rename; false on failure.
bool WriteUserFilterStore(const std::string& path, const std::vector<TFilterRecord>& items);

// The message that reports a store left untouched because it is not ours.
std::string ForeignStoreText(const std::string& path);

// The user's own store when no window is there to say where: the program's per-user data folder
// ($XDG_DATA_HOME or ~/.local/share, then "Pixorama/pixorama/") followed by the file name.
std::string DefaultUserFilterStorePath();

// The name of a record, up to its terminator within the field.
std::string FilterNameOf(const TFilterRecord& f);
// Sets the name; a longer one is cut to the field's 256 bytes at a character boundary, and the
// bytes after the terminator stay as they were.
void SetFilterName(TFilterRecord& f, const std::string& name);
// Weight k of the editor's grid (column k div 5, row k mod 5), i.e. Matrix element k.
inline int32_t& FilterWeight(TFilterRecord& f, int k) {
    return f.Matrix[k / 5][k % 5];
}
inline int32_t FilterWeight(const TFilterRecord& f, int k) {
    return f.Matrix[k / 5][k % 5];
}

// The first record named name, or -1.
int FindUserFilter(const std::vector<TFilterRecord>& items, const std::string& name);

// Applies a stored filter to the document as "Anwenden" does: a divisor of 0 (only a file
// changed elsewhere holds one) is refused with kTextDivisionByZero before anything changes;
// otherwise DibFilter runs (undo level, selection, histogram).  True when it ran.
bool ApplyUserFilter(DocumentState& doc, Host& host, const TFilterRecord& filter);

} // namespace pixorama

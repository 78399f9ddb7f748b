// Documents and files: names of new documents, loading with progress and the German failure
// message, the file facts a document keeps, the dialog filter texts, and saving.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/value_range.h"
#include "platform/dialog_filter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pixorama {

// "NONAME" followed by the lowest number (from 1) that no open window's name uses, so that two
// windows never share a name after one was closed.
std::string NonameName(const std::vector<std::string>& openNames);

// The New dialog's width and height with their presets.
inline constexpr TIntRange kNewImageWidthRange{1, 32767, 320};
inline constexpr TIntRange kNewImageHeightRange{1, 32767, 200};

// The quality of a JPEG to be written, and its preset ("Voreinstellung: 75").
inline constexpr TIntRange kJpegQualityRange{1, 99, 75};

// Bits per pixel of an item of the New dialog's depth list (0: 1, 1: 4, 2: 8, else 24).
int NewImageBitsPerPixel(int tiefeBoxIndex);

// The file name without its folder.
std::string FileNameOfPath(const std::string& path);

// Loads path with progress through host.SetProSatus.  On failure shows the library's text
// under "Fehler beim Laden (" path ")" with the error icon, resets the progress and returns a
// record without pixels.
TDibRecord LoadImageFile(const std::string& path, Host& host);

// FileName, FilePath and the format number of the (upper-cased) extension.
void SetDocumentFile(DocumentState& doc, const std::string& path);

std::vector<DialogFilter> ParseDialogFilter(const std::string& text);

// Whether images can be written in a file format number.
bool CanWriteFormat(int format);

// "S&peichern" writes in place when the document came from a file of a writable format.
bool SavesInPlace(const DocumentState& doc);

// The save filter to preselect: the one holding the document's format, else PNG's; -1 if none.
int DefaultSaveFilter(const DocumentState& doc, const std::vector<DialogFilter>& filters);

// The extension filter `chosen` gives a name without one: the first pattern "*.x" of a known
// format, with its dot (".png"); empty when it has none.  The save dialog offers the same.
std::string FilterExtension(const DialogFilter& chosen);

// The path and format a save dialog's answer stands for: the extension picks the writer; a name
// without a writable extension gets the chosen filter's first one.
struct SaveTarget {
    std::string Path;
    int Format = 0;
};
SaveTarget ResolveSaveTarget(const std::string& path, const DialogFilter& chosen);

// The format a save writes for a file name: its ending as the format table knows it, or a
// spelling the save dialog offers (".jpeg", ".tiff"); 0 if none.
int SaveFormatOfPath(const std::string& path);

bool IsJpegFormat(int format);

// Writes the document's image (temporary file and rename, so a failure keeps the old file).
// Success clears Modified and takes over path, name and format; failure shows the German
// message under "Fehler beim Speichern (" path ")" and changes nothing.
bool SaveDocument(DocumentState& doc, const SaveTarget& target, int quality, Host& host);

} // namespace pixorama

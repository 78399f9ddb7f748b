// Loading and saving documents, their names, and the file dialog filters.
#include "document/document_files.h"

#include <algorithm>
#include <cctype>

namespace pixorama {
namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// ".ext" of a file name (the last dot of its last component), or "".
std::string extensionOf(const std::string& path) {
    const std::string name = FileNameOfPath(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

int formatOfExtension(const std::string& ext) {
    return DibFormatOfPath(("x" + ext).c_str());
}

void reportProgress(int32_t percent, void* user) {
    static_cast<Host*>(user)->SetProSatus(percent);
}

} // namespace

std::string NonameName(const std::vector<std::string>& openNames) {
    for (size_t n = 1;; ++n) {
        std::string name = "NONAME" + std::to_string(n);
        if (std::find(openNames.begin(), openNames.end(), name) == openNames.end())
            return name;
    }
}

int NewImageBitsPerPixel(int index) {
    switch (index) {
    case 0:
        return 1;
    case 1:
        return 4;
    case 2:
        return 8;
    default:
        return 24;
    }
}

std::string FileNameOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TDibRecord LoadImageFile(const std::string& path, Host& host) {
    TDibRecord dib;
    OpenDib(&dib, path.c_str(), PICTORA_FORMAT_AUTO, reportProgress, &host);
    if (dib.Bits == nullptr) {
        const std::string text = DibErrorText(&dib);
        deldib(&dib);
        host.MessageBox(text, "Fehler beim Laden (" + path + ")", MB_ICONSTOP);
    }
    host.SetProSatus(0);
    return dib;
}

void SetDocumentFile(DocumentState& doc, const std::string& path) {
    doc.FileName = FileNameOfPath(path);
    doc.FilePath = path;
    doc.FileFormat = DibFormatOfPath(doc.FileName.c_str());
    doc.HasFileFormat = doc.FileFormat != 0;
}

std::vector<DialogFilter> ParseDialogFilter(const std::string& text) {
    std::vector<DialogFilter> filters;
    if (text.empty())
        return filters;
    const std::vector<std::string> parts = split(text, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        DialogFilter f;
        f.Description = parts[i];
        for (const std::string& p : split(parts[i + 1], ';'))
            if (!p.empty())
                f.Patterns.push_back(p);
        filters.push_back(std::move(f));
    }
    return filters;
}

bool CanWriteFormat(int format) {
    if (format == 0)
        return false;
    for (const DialogFilter& f : ParseDialogFilter(GetDIBSaveFilter()))
        for (const std::string& p : f.Patterns)
            if (p.size() > 1 && formatOfExtension(p.substr(1)) == format)
                return true;
    return false;
}

bool SavesInPlace(const DocumentState& doc) {
    return !doc.FilePath.empty() && doc.HasFileFormat && CanWriteFormat(doc.FileFormat);
}

int DefaultSaveFilter(const DocumentState& doc, const std::vector<DialogFilter>& filters) {
    auto holding = [&](int format) {
        for (size_t i = 0; i < filters.size(); ++i)
            for (const std::string& p : filters[i].Patterns)
                if (p.size() > 1 && formatOfExtension(p.substr(1)) == format)
                    return static_cast<int>(i);
        return -1;
    };
    const int own = doc.HasFileFormat ? holding(doc.FileFormat) : -1;
    return own >= 0 ? own : holding(PICTORA_FORMAT_PNG);
}

std::string FilterExtension(const DialogFilter& chosen) {
    for (const std::string& p : chosen.Patterns)
        if (p.size() >= 3 && p[0] == '*' && p[1] == '.' && formatOfExtension(p.substr(1)) != 0)
            return p.substr(1);
    return {};
}

SaveTarget ResolveSaveTarget(const std::string& path, const DialogFilter& chosen) {
    const std::string ext = extensionOf(path);
    const int byName = formatOfExtension(ext);
    if (!ext.empty() && CanWriteFormat(byName))
        return {path, byName};
    // the first pattern of the chosen filter names its format
    const std::string filterExt = FilterExtension(chosen);
    if (filterExt.empty())
        return {path, 0};
    const int filterFormat = formatOfExtension(filterExt);
    // a spelling the filter offers but the format table does not know (".jpeg", ".tiff")
    for (const std::string& p : chosen.Patterns)
        if (!ext.empty() && p.size() > 1 && lower(p.substr(1)) == lower(ext))
            return {path, filterFormat};
    return {path + filterExt, filterFormat};
}

int SaveFormatOfPath(const std::string& path) {
    const std::string ext = extensionOf(path);
    if (ext.empty())
        return 0;
    const int byName = formatOfExtension(ext);
    if (CanWriteFormat(byName))
        return byName;
    for (const DialogFilter& f : ParseDialogFilter(GetDIBSaveFilter()))
        for (const std::string& p : f.Patterns)
            if (p.size() > 1 && lower(p.substr(1)) == lower(ext))
                return formatOfExtension(FilterExtension(f));
    return 0;
}

bool IsJpegFormat(int format) {
    return format == PICTORA_FORMAT_JPG || format == PICTORA_FORMAT_JIF;
}

bool SaveDocument(DocumentState& doc, const SaveTarget& target, int quality, Host& host) {
    char error[512] = {};
    if (!SaveDib(&doc.Dib, target.Path.c_str(), target.Format, quality, error, sizeof(error))) {
        host.MessageBox(error[0] ? error : "Das Bild konnte nicht gespeichert werden",
                        "Fehler beim Speichern (" + target.Path + ")", MB_ICONSTOP);
        return false;
    }
    doc.FilePath = target.Path;
    doc.FileName = FileNameOfPath(target.Path);
    doc.FileFormat = DibFormatOfPath(doc.FileName.c_str());
    doc.HasFileFormat = doc.FileFormat != 0;
    doc.Modified = false;
    return true;
}

} // namespace pixorama

#include "browser/folder_scan.h"

#include "document/dib.h"

#include <array>
#include <utility>

namespace pixorama {

int32_t BrowserTypeCode(const std::string& name) {
    static const std::array<std::pair<const char*, int32_t>, 12> kTypes{{
        {".BMP", 3}, {".DIB", 4}, {".GIF", 5}, {".IFF", 6}, {".JIF", 7}, {".JPG", 8},
        {".LBM", 9}, {".PCX", 10}, {".RLE", 11}, {".TGA", 12}, {".TIF", 13}, {".PNG", 14}}};
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return 0;
    const std::string ext = UpperName(name.substr(dot));
    for (const auto& [e, code] : kTypes)
        if (ext == e) return code;
    return 0;
}

FolderFiles::FolderFiles(const std::string& folder) {
    std::error_code ec;
    it_ = std::filesystem::directory_iterator(folder, ec);
    if (ec) it_ = std::filesystem::directory_iterator();
}

bool FolderFiles::Next(std::string& name) {
    std::error_code ec;
    while (it_ != std::filesystem::directory_iterator()) {
        if (!first_) {
            it_.increment(ec);
            if (ec) {
                it_ = std::filesystem::directory_iterator();
                return false;
            }
            if (it_ == std::filesystem::directory_iterator()) return false;
        }
        first_ = false;
        // plain files only (a link to a file counts), no folders
        if (it_->is_regular_file(ec)) {
            name = it_->path().filename().string();
            return true;
        }
    }
    return false;
}

DecodedThumb DecodeThumb(const std::string& path, int32_t typeCode, PictoraProgress progress,
                         void* user) {
    DecodedThumb r;
    DibHolder image;
    if (OpenDib(&image.get(), path.c_str(), typeCode, progress, user) == 0 || !image.ok()) {
        r.Error = DibErrorText(&image.get());
        return r;
    }
    r.Loaded = true;
    const TDibRecord& d = image.get();
    int32_t w = 0, h = 0;
    ThumbSize(DibWidth(&d), DibHeight(&d), w, h);
    r.Dib = Resize(d, w, h);
    if (r.Dib.Bits == nullptr) return r;
    r.Info.BitsPerPixel = DibBitsPerPixel(&d);
    r.Info.Colors = PowerOfTwo(r.Info.BitsPerPixel);
    r.Info.ImageWidth = DibWidth(&d);
    r.Info.ImageHeight = DibHeight(&d);
    r.Info.ThumbWidth = w;
    r.Info.ThumbHeight = h;
    r.Info.SizeKB = static_cast<int32_t>(
        (static_cast<int64_t>(d.LineBytes) * DibHeight(&d)) >> 10);
    return r;
}

FolderScan::FolderScan(Host& host) : host_(host) {}

FolderScan::~FolderScan() { ClearThumbs(); }

void FolderScan::log(const std::string& line) {
    if (OnLog) OnLog(line);
}

void FolderScan::Start(const std::string& folder) {
    log("Bearbeite Verzeichnis: " + folder);
    folder_ = folder;
    bool opened = false;
    cache_ = ReadCache(folder, opened);
    if (opened) log("Browser-Informationen geladen.");
}

namespace {
void progressToHost(int32_t percent, void* user) {
    static_cast<Host*>(user)->SetProSatus(percent);
}
} // namespace

FolderScan::Added FolderScan::NewFile(const std::string& name) {
    const int32_t type = BrowserTypeCode(name);
    if (type == 0) return Added::None;
    const std::string path = (std::filesystem::path(folder_) / name).string();
    bool checked = false;
    const uint32_t checksum = CalcCheck(path, host_, &checked);
    const TCacheEntry* hit = checked ? FindCacheEntry(cache_, name, checksum) : nullptr;
    if (hit != nullptr) {
        TDibRecord thumb = LoadCachedThumb(folder_, *hit);
        if (thumb.Bits == nullptr) return Added::None;
        thumbs_.push_back({thumb, name, hit->Info});
        return Added::FromCache;
    }
    DecodedThumb d = DecodeThumb(path, type, progressToHost, &host_);
    if (!d.Loaded) {
        log("Fehler beim Laden von " + name + " [" + d.Error + "]");
        host_.SetProSatus(0);
        return Added::None;
    }
    if (d.Dib.Bits == nullptr) return Added::None;
    d.Info.Checksum = checksum;
    thumbs_.push_back({d.Dib, name, d.Info});
    return Added::Decoded;
}

void FolderScan::Finish() {
    cache_.clear();
    if (WriteCache(folder_, thumbs_)) log("Browser-Informationen geschrieben.");
}

void FolderScan::ClearThumbs() {
    for (Thumbnail& t : thumbs_) deldib(&t.Dib);
    thumbs_.clear();
}

void ScanFolder(FolderScan& scan, const std::string& folder) {
    scan.Start(folder);
    FolderFiles files(folder);
    std::string name;
    while (files.Next(name)) scan.NewFile(name);
    scan.Finish();
}

} // namespace pixorama

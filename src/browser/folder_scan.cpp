#include "browser/folder_scan.h"

#include "browser/thumb_prefetch.h"
#include "document/dib.h"

#include <algorithm>
#include <array>
#include <thread>
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

void FolderScan::SetWorkers(int threads) {
    if (prefetch_) prefetch_->Cancel();
    prefetch_.reset();
    threads_ = std::max(0, threads);
}

void FolderScan::Start(const std::string& folder) {
    if (prefetch_) prefetch_->Cancel();
    log("Bearbeite Verzeichnis: " + folder);
    folder_ = folder;
    bool opened = false;
    cache_ = ReadCache(folder, opened);
    if (opened) log("Browser-Informationen geladen.");
    // the whole listing at once, so that the files ahead can be worked on and counted
    listing_.clear();
    FolderFiles files(folder);
    std::string name;
    while (files.Next(name)) listing_.push_back(name);
    nextName_ = cursor_ = submitted_ = 0;
    done_ = 0;
    total_ = static_cast<int>(std::count_if(listing_.begin(), listing_.end(), [](const std::string& n) {
        return BrowserTypeCode(n) != 0;
    }));
    if (threads_ < 0)
        threads_ = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    if (!prefetch_ && threads_ > 0) prefetch_ = std::make_unique<ThumbPrefetch>(threads_);
}

bool FolderScan::NextName(std::string& name) {
    if (nextName_ >= listing_.size()) return false;
    name = listing_[nextName_++];
    return true;
}

namespace {
void progressToHost(int32_t percent, void* user) {
    static_cast<Host*>(user)->SetProSatus(percent);
}
} // namespace

void FolderScan::submitAhead(size_t from) {
    if (!prefetch_ || prefetch_->Workers() == 0) return;
    // enough files ahead to keep every worker busy while the results are taken
    const size_t ahead = static_cast<size_t>(prefetch_->Workers()) * 2 + 1;
    submitted_ = std::max(submitted_, from);
    size_t queued = 0;
    for (size_t i = from; i < submitted_; ++i)
        if (prefetch_->Has(i)) ++queued;
    while (submitted_ < listing_.size() && queued < ahead) {
        const std::string& name = listing_[submitted_];
        const int32_t type = BrowserTypeCode(name);
        if (type != 0) {
            prefetch_->Submit(submitted_, name, (std::filesystem::path(folder_) / name).string(),
                              type, &cache_);
            ++queued;
        }
        ++submitted_;
    }
}

FolderScan::Added FolderScan::NewFile(const std::string& name) {
    const int32_t type = BrowserTypeCode(name);
    if (type == 0) return Added::None;
    // the file's place in the listing (the next one when the scan walks it)
    size_t index = cursor_;
    while (index < listing_.size() && listing_[index] != name) ++index;
    Added added;
    if (index < listing_.size()) {
        cursor_ = index + 1;
        submitAhead(index);
    }
    const std::string path = (std::filesystem::path(folder_) / name).string();
    if (index < listing_.size() && prefetch_ && prefetch_->Has(index)) {
        ThumbPrefetch::Result r = prefetch_->Take(index);
        if (r.Hit == nullptr && r.Thumb.Dib.Bits == nullptr && r.Checked) {
            // memory may have been short with several images decoded at once: the work ahead
            // is dropped (and queued again later) and this file decoded once more alone, so
            // that the result is the one of a scan on one thread
            deldib(&r.Thumb.Dib);
            prefetch_->Cancel();
            submitted_ = index + 1;
            r.Thumb = DecodeThumb(path, type, progressToHost, &host_);
        }
        added = add(name, r.Checksum, r.Hit, r.Thumb);
    } else {
        bool checked = false;
        const uint32_t checksum = CalcCheck(path, host_, &checked);
        const TCacheEntry* hit = checked ? FindCacheEntry(cache_, name, checksum) : nullptr;
        DecodedThumb d;
        if (hit == nullptr) d = DecodeThumb(path, type, progressToHost, &host_);
        added = add(name, checksum, hit, d);
    }
    ++done_;
    if (OnProgress) OnProgress(done_, std::max(total_, done_));
    return added;
}

FolderScan::Added FolderScan::add(const std::string& name, uint32_t checksum,
                                  const TCacheEntry* hit, DecodedThumb& d) {
    if (hit != nullptr) {
        TDibRecord thumb = LoadCachedThumb(folder_, *hit);
        if (thumb.Bits == nullptr) return Added::None;
        thumbs_.push_back({thumb, name, hit->Info});
        return Added::FromCache;
    }
    if (!d.Loaded) {
        log("Fehler beim Laden von " + name + " [" + d.Error + "]");
        host_.SetProSatus(0);
        return Added::None;
    }
    if (d.Dib.Bits == nullptr) return Added::None;
    d.Info.Checksum = checksum;
    thumbs_.push_back({d.Dib, name, d.Info});
    d.Dib = TDibRecord{};
    return Added::Decoded;
}

void FolderScan::Finish() {
    if (prefetch_) prefetch_->Cancel();
    cache_.clear();
    if (WriteCache(folder_, thumbs_)) log("Browser-Informationen geschrieben.");
}

void FolderScan::ClearThumbs() {
    if (prefetch_) prefetch_->Cancel();
    for (Thumbnail& t : thumbs_) deldib(&t.Dib);
    thumbs_.clear();
}

void ScanFolder(FolderScan& scan, const std::string& folder) {
    scan.Start(folder);
    std::string name;
    while (scan.NextName(name)) scan.NewFile(name);
    scan.Finish();
}

} // namespace pixorama

// The scan of one folder as the browser runs it, without windows: the file enumeration (one
// file per step, so that a scan can stop between two files), the twelve image types, the cache
// look-up or decoding per file, and the cache write at the end.  The browser window and
// pixorama-cli --thumbnails both drive it.
#pragma once

#include "browser/thumb_cache.h"
#include "document/host.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pixorama {

// Type code of a file name's extension (".BMP" 3 … ".PNG" 14, compared without case); 0 for
// every other extension.
int32_t BrowserTypeCode(const std::string& name);

// Enumerates the plain files of a folder in the order the file system lists them.
class FolderFiles {
  public:
    explicit FolderFiles(const std::string& folder);
    // The next file name (without folder); false when there are no more.
    bool Next(std::string& name);

  private:
    std::filesystem::directory_iterator it_;
    bool first_ = true;
};

// A decoded file's thumbnail: image and values (Checksum left to the caller).
struct DecodedThumb {
    TDibRecord Dib{};       // no pixel buffer: no thumbnail
    TThumbInfo Info;
    bool Loaded = false;    // the library read the file
    std::string Error;      // the library's text when it could not
};
// Reads the file and shrinks it; progress goes to the callback (may be null).
DecodedThumb DecodeThumb(const std::string& path, int32_t typeCode, PictoraProgress progress,
                         void* user);

class ThumbPrefetch;

class FolderScan {
  public:
    explicit FolderScan(Host& host);
    ~FolderScan();
    FolderScan(const FolderScan&) = delete;
    FolderScan& operator=(const FolderScan&) = delete;

    // Each status line as it is added ("Bearbeite Verzeichnis: …").
    std::function<void(const std::string&)> OnLog;

    // After each image file: files done and the folder's image files in all.
    std::function<void(int done, int total)> OnProgress;

    // Threads that work ahead of the scan (0: every file on the calling thread).  Set before
    // Start; by default as many as the machine has cores, at most four.
    void SetWorkers(int threads);

    // Starts a scan: logs, reads the cache index and lists the folder's files.
    void Start(const std::string& folder);
    // The next file of the folder's listing, in the file system's order; false at the end.
    bool NextName(std::string& name);
    // One file of the scan.  Files of the listing are checksummed and decoded ahead on the
    // worker threads; the results are the same as those of one file after another.
    enum class Added { None, FromCache, Decoded };
    Added NewFile(const std::string& name);
    // End of the scan: frees the cache index and writes the cache of the scanned folder.
    void Finish();
    // Frees every thumbnail (a folder change) and drops the work done ahead.
    void ClearThumbs();
    int ImageFileCount() const { return total_; }

    const std::vector<Thumbnail>& Thumbs() const { return thumbs_; }
    const std::vector<TCacheEntry>& CacheIndex() const { return cache_; }
    const std::string& LastFolder() const { return folder_; }

  private:
    void log(const std::string& line);
    void submitAhead(size_t from);
    Added add(const std::string& name, uint32_t checksum, const TCacheEntry* hit,
              DecodedThumb& decoded);
    Host& host_;
    std::string folder_;
    std::vector<TCacheEntry> cache_;
    std::vector<Thumbnail> thumbs_;
    std::vector<std::string> listing_;
    size_t nextName_ = 0;   // NextName's position in the listing
    size_t cursor_ = 0;     // where NewFile looks for its name in the listing
    size_t submitted_ = 0;  // files of the listing handed to the workers so far
    int total_ = 0, done_ = 0;
    int threads_ = -1;
    std::unique_ptr<ThumbPrefetch> prefetch_;
};

// A whole scan of a folder, file by file (the command line's --thumbnails).
void ScanFolder(FolderScan& scan, const std::string& folder);

} // namespace pixorama

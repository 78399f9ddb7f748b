// Work ahead of the folder scan: the files after the one being shown are checksummed and, when
// the cache has no valid entry for them, decoded and shrunk on worker threads.  The scan takes
// the results one by one in the folder's order, so what it adds, and the cache file it writes,
// are the same as when every file is handled in turn on one thread.
#pragma once

#include "browser/folder_scan.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pixorama {

class ThumbPrefetch {
  public:
    // What one file gave.
    struct Result {
        uint32_t Checksum = 0;
        bool Checked = false;            // the checksum is the file's (it could be read)
        const TCacheEntry* Hit = nullptr; // valid cache entry, not decoded
        DecodedThumb Thumb;              // decoded when there was no hit
    };

    // Starts up to threads workers; those that cannot be started are done without: their
    // work then runs on the thread that takes the result.
    explicit ThumbPrefetch(int threads);
    ~ThumbPrefetch();
    ThumbPrefetch(const ThumbPrefetch&) = delete;
    ThumbPrefetch& operator=(const ThumbPrefetch&) = delete;

    int Workers() const { return static_cast<int>(workers_.size()); }

    // Queues the file number index (its name, full path and type code).  cache must stay
    // unchanged until the result has been taken or Cancel has returned.
    void Submit(size_t index, const std::string& name, const std::string& path, int32_t type,
                const std::vector<TCacheEntry>* cache);
    bool Has(size_t index) const;
    // The result of file index; waits for a worker busy with it, or does the work here if no
    // worker has started it.  The caller owns the thumbnail.
    Result Take(size_t index);
    // Drops the queued files, waits for those being worked on and frees every result not taken.
    void Cancel();

  private:
    struct Job;
    static void run(Job& job);
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // a job was queued, or the workers are to stop
    std::condition_variable done_;  // a job has finished
    std::deque<std::shared_ptr<Job>> queue_;
    std::map<size_t, std::shared_ptr<Job>> jobs_;
    int running_ = 0;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace pixorama

// Third-party codecs run in a child process: a crash or leak of theirs after a failed
// allocation (or on a hostile file) ends the child, never the program.
#pragma once

#include "internal.h"

#include <cstdint>
#include <functional>
#include <string>

namespace pictora {

// The child's side: bytes of the result go to write(); progress to report().
class ChildSink {
  public:
    ChildSink(int dataFd, int progressFd) : dataFd_(dataFd), progressFd_(progressFd) {}
    bool write(const void* p, size_t n) const;
    int progressFd() const { return progressFd_; }

  private:
    int dataFd_, progressFd_;
};

// How a job in the child ended.
enum class ChildEnd { Done, Failed, Died };

// Runs job in a child process.  The child's result bytes (Done) or German error text (Failed)
// come back in a memory file whose descriptor is left in resultFd (the caller closes it);
// Died means the child crashed or was killed (error is empty, or says the input file was cut
// short) or could not be started (error says so).
// progress receives the child's percentages while it runs.
ChildEnd RunInChild(const std::function<bool(const ChildSink&, std::string& error)>& job,
                    Progress& progress, int& resultFd, std::string& error);

// Off: the job runs in this process (fuzz targets, which must see the codec's crashes).
void SetCodecIsolation(bool on);

// A progress object of the child that reports to the parent's pipe.
Progress ChildProgress(const ChildSink& sink);

// Reads exactly n bytes at offset off of fd.
bool ReadAt(int fd, void* p, size_t n, uint64_t off);

} // namespace pictora

// Third-party codecs in a child process (see isolated.h).
#include "isolated.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pictora {

namespace {

bool writeFully(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

void reportToPipe(int32_t percent, void* user) {
    const auto byte = static_cast<uint8_t>(percent);
    writeFully(*static_cast<const int*>(user), &byte, 1);
}

// The child must not run the program's handlers: they would remove the parent's pending
// temporary file, or patch a shrinking input file with zeros the parent never hears of.
// Faults end the child plainly.  A file grown past the size limit (RLIMIT_FSIZE) is a failed
// write the child reports (EFBIG), not its death.
void plainSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGPIPE, SIGBUS})
        ::signal(sig, SIG_DFL);
    ::signal(SIGXFSZ, SIG_IGN);
}

std::atomic<bool> gIsolate{true};

} // namespace

void SetCodecIsolation(bool on) {
    gIsolate.store(on);
}

bool ChildSink::write(const void* p, size_t n) const {
    return writeFully(dataFd_, static_cast<const uint8_t*>(p), n);
}

Progress ChildProgress(const ChildSink& sink) {
    static int fd; // the child has one job and one thread
    fd = sink.progressFd();
    return Progress(reportToPipe, &fd);
}

bool ReadAt(int fd, void* p, size_t n, uint64_t off) {
    auto* q = static_cast<uint8_t*>(p);
    while (n > 0) {
        const ssize_t r = ::pread(fd, q, n, static_cast<off_t>(off));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        q += r;
        off += static_cast<uint64_t>(r);
        n -= static_cast<size_t>(r);
    }
    return true;
}

ChildEnd RunInChild(const std::function<bool(const ChildSink&, std::string& error)>& job,
                    Progress& progress, int& resultFd, std::string& error) {
    resultFd = -1;
    const int data = ::memfd_create("pictora-codec", MFD_CLOEXEC);
    int pipeFds[2] = {-1, -1};
    if (data < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (data >= 0) ::close(data);
        error = kTextNoMemory;
        return ChildEnd::Died;
    }
    // the job's exit code: 0 with the result in data, 1 with the German text in data
    auto runJob = [&]() {
        const ChildSink sink(data, pipeFds[1]);
        std::string message;
        bool ok = false;
        try {
            ok = job(sink, message);
        } catch (...) {
            ok = false;
            message = kTextNoMemory;
        }
        if (ok)
            return 0;
        // the text replaces whatever part of a result was written
        if (::ftruncate(data, 0) != 0 || ::lseek(data, 0, SEEK_SET) != 0)
            return 2;
        writeFully(data, reinterpret_cast<const uint8_t*>(message.data()), message.size());
        return 1;
    };
    pid_t pid = 0;
    int status = 0;
    if (!gIsolate.load()) {
        status = runJob() << 8; // as waitpid reports a normal exit
        pid = -2;
    } else {
        pid = ::fork();
        if (pid == 0) {
            plainSignals();
            ::close(pipeFds[0]);
            // no destructors, no exit handlers, no leak report: the parent owns everything else
            ::_exit(runJob());
        }
    }
    ::close(pipeFds[1]);
    if (pid == -1) {
        ::close(pipeFds[0]);
        ::close(data);
        error = kTextNoMemory;
        return ChildEnd::Died;
    }
    uint8_t buf[64];
    for (;;) {
        const ssize_t r = ::read(pipeFds[0], buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        for (ssize_t i = 0; i < r; ++i)
            progress.report(buf[i], 100);
    }
    ::close(pipeFds[0]);
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1)) {
        if (WEXITSTATUS(status) == 0) {
            resultFd = data;
            return ChildEnd::Done;
        }
        const off_t len = ::lseek(data, 0, SEEK_END);
        error.assign(static_cast<size_t>(std::clamp<off_t>(len, 0, 4096)), '\0');
        if (error.empty() || !ReadAt(data, error.data(), error.size(), 0))
            error = kTextNoMemory;
        ::close(data);
        return ChildEnd::Failed;
    }
    ::close(data);
    // a file cut short under a mapped read ends in SIGBUS; anything else is the codec's own
    // failure, which the caller names
    error = WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS ? kTextTruncated : "";
    return ChildEnd::Died;
}

} // namespace pictora

// Entry point of pixorama-cli: the process around the steps.  An interruption removes the
// temporary file of a save in progress; what the steps print must reach standard output.
#include "cli/cli.h"

#include <pictora.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <iostream>

namespace {

struct sigaction gPrevious[NSIG];

// Removes the temporary file of a save in progress, then lets what was there before (the
// default, or a sanitizer's report) take the signal.
extern "C" void onInterrupt(int sig) {
    PictoraRemovePendingFiles();
    sigaction(sig, &gPrevious[sig], nullptr);
    if (sig != SIGSEGV)
        std::raise(sig); // a fault repeats by itself when the handler returns
}

void prepareProcess() {
    // a crash in a library must not leave a temporary file behind either
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGABRT}) {
        struct sigaction sa {};
        sa.sa_handler = onInterrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, &gPrevious[sig]);
    }
    // a save that reaches the file size limit (ulimit -f) fails with its message and leaves the
    // old file as it was; by default the signal would end the process in the middle of it
    std::signal(SIGXFSZ, SIG_IGN);
    // largest image by default; --image-limit changes it
    PictoraSetImageLimit(pixorama::cli::kDefaultImageLimit);
    // memory-fault tests: the raster library's allocation limit, and the preloaded allocator
    // that fails its Nth call counts from here on, not during the start of the process
    if (const char* limit = std::getenv("PIXORAMA_TEST_ALLOC_LIMIT"))
        PictoraSetAllocLimit(std::strtoull(limit, nullptr, 10));
    if (auto arm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "pixorama_fault_arm")))
        arm();
}

} // namespace

int main(int argc, char** argv) {
    prepareProcess();
    int code = pixorama::cli::Main(argc, argv);
    // --info and friends print to standard output: a full disk or a closed pipe is an error
    std::cout.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout) {
        const int why = errno;
        std::cerr << "Die Ausgabe konnte nicht geschrieben werden: " << PictoraErrorText(why)
                  << '\n';
        code = 1;
    }
    return code;
}

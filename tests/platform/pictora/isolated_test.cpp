// Codecs in a child process: results, failures and crashes of the child reach the parent as
// bytes, the child's German text, or a death the parent survives.
#include "codecs/isolated.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>
#include <vector>

namespace pictora {
namespace {

std::string readAll(int fd) {
    const off_t len = ::lseek(fd, 0, SEEK_END);
    std::string s(static_cast<size_t>(len), '\0');
    EXPECT_TRUE(ReadAt(fd, s.data(), s.size(), 0));
    return s;
}

std::vector<int> gSeen;
void record(int32_t percent, void*) {
    gSeen.push_back(percent);
}

TEST(Isolated, ResultFailureAndCrashOfTheChild) {
    Progress progress(record, nullptr);
    int fd = -1;
    std::string error;
    gSeen.clear();
    // the child's bytes and its progress reach the parent
    EXPECT_EQ(RunInChild(
                  [](const ChildSink& sink, std::string&) {
                      Progress p = ChildProgress(sink);
                      p.report(1, 2);
                      p.report(2, 2);
                      return sink.write("Bildpunkte", 10);
                  },
                  progress, fd, error),
              ChildEnd::Done);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(readAll(fd), "Bildpunkte");
    ::close(fd);
    EXPECT_EQ(gSeen, (std::vector<int>{50, 100}));

    // a failure brings the child's text, even after it wrote part of a result
    EXPECT_EQ(RunInChild(
                  [](const ChildSink& sink, std::string& e) {
                      sink.write("halb", 4);
                      e = "Diese TIFF-Variante wird nicht unterstützt";
                      return false;
                  },
                  progress, fd, error),
              ChildEnd::Failed);
    EXPECT_EQ(error, "Diese TIFF-Variante wird nicht unterstützt");
    EXPECT_EQ(fd, -1);

    // a crash or an abort ends the child only; a bus error means the input was cut short
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS}) {
        error = "alt";
        EXPECT_EQ(RunInChild(
                      [sig](const ChildSink&, std::string&) {
                          ::raise(sig);
                          return true;
                      },
                      progress, fd, error),
                  ChildEnd::Died)
            << sig;
        EXPECT_EQ(error, sig == SIGBUS ? std::string(kTextTruncated) : std::string()) << sig;
        EXPECT_EQ(fd, -1);
    }
}

} // namespace
} // namespace pictora

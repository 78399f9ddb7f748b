// Scanners that stop answering: a cancel ends the scan even while the driver waits inside one
// read, a driver that never returns is left behind without hanging the caller, and a device
// that goes silent fails with a message.  Run against a stand-in SANE library.
#include <scanlink.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct FakeSane {
    void (*release)() = nullptr;
    int (*cancels)() = nullptr;
    FakeSane() {
        scanlink::UseSaneLibrary(FAKE_SANE);
        void* lib = dlopen(FAKE_SANE, RTLD_NOW | RTLD_NOLOAD);
        if (lib == nullptr) return;
        release = reinterpret_cast<void (*)()>(dlsym(lib, "fake_sane_release"));
        cancels = reinterpret_cast<int (*)()>(dlsym(lib, "fake_sane_cancels"));
    }
};

FakeSane& fake() {
    static FakeSane f;
    return f;
}

// Acquire with the cancel flag raised after a while, from another thread as the dialog does.
intptr_t acquireCancelledAfter(const std::string& device, std::chrono::milliseconds delay,
                               std::string& error, std::vector<int>& progress) {
    std::atomic<bool> cancel{false};
    std::thread user([&] {
        std::this_thread::sleep_for(delay);
        cancel = true;
    });
    const intptr_t n = scanlink::Acquire(device, {scanlink::Mode::Gray, 0},
                                         [&](int p) { progress.push_back(p); }, &cancel, error);
    user.join();
    return n;
}

TEST(ScanlinkBlocked, CancelWakesADriverWaitingInsideARead) {
    ASSERT_NE(fake().cancels, nullptr);
    ASSERT_EQ(scanlink::ListDevices().size(), 2u);
    const int before = fake().cancels();
    std::string error = "x";
    std::vector<int> progress;
    EXPECT_EQ(acquireCancelledAfter("fake:wait", 300ms, error, progress), 0);
    EXPECT_EQ(error, ""); // a cancel shows nothing
    EXPECT_GT(fake().cancels(), before);
    // the first rows (4 of 16) were shown before the device went quiet
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 25);
}

TEST(ScanlinkBlocked, SilentDeviceFailsWithAMessage) {
    ASSERT_NE(fake().cancels, nullptr);
    scanlink::ScanSettings settings{scanlink::Mode::Gray, 0};
    settings.stallSeconds = 1;
    std::string error;
    EXPECT_EQ(scanlink::Acquire("fake:wait", settings, nullptr, nullptr, error), 0);
    EXPECT_EQ(error, "Das Scannen ist fehlgeschlagen: Der Scanner antwortet nicht");
}

TEST(ScanlinkBlocked, DriverThatNeverReturnsIsLeftBehind) {
    ASSERT_NE(fake().release, nullptr);
    std::string error = "x";
    std::vector<int> progress;
    EXPECT_EQ(acquireCancelledAfter("fake:hang", 200ms, error, progress), 0);
    EXPECT_EQ(error, "");

    // while the driver hangs, SANE is busy: the next scan says so instead of waiting
    error.clear();
    EXPECT_EQ(scanlink::Acquire("fake:wait", {scanlink::Mode::Gray, 0}, nullptr, nullptr, error), 0);
    EXPECT_EQ(error, "Der Scanner ist nicht verfügbar: fake:wait");
    EXPECT_TRUE(scanlink::ListDevices().empty());

    // once the driver returns, scanning works again
    fake().release();
    bool back = false;
    for (int i = 0; i < 50 && !back; ++i) {
        back = !scanlink::ListDevices().empty();
        if (!back) std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(back);
}

} // namespace

// The SANE side of scanning: device list, one acquisition with its options, and the waiting
// images with their conversion into image records.
#include "scanlink.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <dlfcn.h>
#include <link.h>

#include <type_traits>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace scanlink {

namespace {

// libsane is opened when scanning is first asked for, so that a program that never scans does
// not map SANE and the libraries it pulls in.
struct SaneApi {
    bool ok = false;
    decltype(&::sane_init) init = nullptr;
    decltype(&::sane_exit) exit = nullptr;
    decltype(&::sane_get_devices) get_devices = nullptr;
    decltype(&::sane_open) open = nullptr;
    decltype(&::sane_close) close = nullptr;
    decltype(&::sane_cancel) cancel = nullptr;
    decltype(&::sane_get_option_descriptor) get_option_descriptor = nullptr;
    decltype(&::sane_control_option) control_option = nullptr;
    decltype(&::sane_start) start = nullptr;
    decltype(&::sane_get_parameters) get_parameters = nullptr;
    decltype(&::sane_read) read = nullptr;
    decltype(&::sane_strstatus) strstatus = nullptr;
};

SaneApi loadSane(const std::string& file) {
    SaneApi a;
    void* lib = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) return a;
    bool all = true;
    auto load = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
        all = all && fn != nullptr;
    };
    load(a.init, "sane_init");
    load(a.exit, "sane_exit");
    load(a.get_devices, "sane_get_devices");
    load(a.open, "sane_open");
    load(a.close, "sane_close");
    load(a.cancel, "sane_cancel");
    load(a.get_option_descriptor, "sane_get_option_descriptor");
    load(a.control_option, "sane_control_option");
    load(a.start, "sane_start");
    load(a.get_parameters, "sane_get_parameters");
    load(a.read, "sane_read");
    load(a.strstatus, "sane_strstatus");
    a.ok = all;
    return a;
}

// The loaded libraries, kept to the end of the process (never unloaded either), since a driver
// that hangs may still be inside one.
std::mutex gApiMutex;
std::atomic<const SaneApi*> gApi{nullptr};

const SaneApi* keepApi(const std::string& file) {
    static auto* loaded = new std::vector<std::unique_ptr<SaneApi>>;
    loaded->push_back(std::make_unique<SaneApi>(loadSane(file)));
    return loaded->back().get();
}

const SaneApi& Sane() {
    if (const SaneApi* api = gApi.load()) return *api;
    std::lock_guard lock(gApiMutex);
    if (gApi.load() == nullptr) gApi.store(keepApi("libsane.so.1"));
    return *gApi.load();
}

} // namespace


namespace {

// SANE is initialised around each use; one use at a time.  Taken with a time limit: a driver
// left hanging by a cancelled scan holds it until it returns.
std::timed_mutex& saneMutex() {
    static std::timed_mutex m;
    return m;
}
constexpr auto kSaneWait = std::chrono::seconds(2);

// Set once sane_exit has unloaded a driver of SANE's ("libsane-NAME.so").
std::atomic<bool> gDriverUnloaded{false};

bool driverLoaded() {
    return dl_iterate_phdr(
               [](dl_phdr_info* info, size_t, void*) -> int {
                   return info->dlpi_name != nullptr &&
                                  std::strstr(info->dlpi_name, "/libsane-") != nullptr
                              ? 1
                              : 0;
               },
               nullptr) != 0;
}

class SaneSession {
  public:
    SaneSession() { ok_ = Sane().ok && Sane().init(nullptr, nullptr) == SANE_STATUS_GOOD; }
    ~SaneSession() {
        if (ok_) {
            if (driverLoaded()) gDriverUnloaded.store(true);
            Sane().exit();
        }
    }
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
};

class SaneDevice {
  public:
    explicit SaneDevice(const std::string& name) {
        status_ = Sane().open(name.c_str(), &handle_);
        if (status_ != SANE_STATUS_GOOD) handle_ = nullptr;
    }
    ~SaneDevice() {
        if (handle_ != nullptr) {
            Sane().cancel(handle_);
            Sane().close(handle_);
        }
    }
    SANE_Handle get() const { return handle_; }
    SANE_Status status() const { return status_; }

  private:
    SANE_Handle handle_ = nullptr;
    SANE_Status status_;
};

// One acquired image as the scanner delivered it: grey or RGB samples, 1, 8 or 16 bits.
struct Frame {
    int width = 0, height = 0;
    int depth = 8;     // bits per sample
    bool color = false;
    int bytesPerLine = 0;
    std::vector<uint8_t> data;
};

std::mutex& framesMutex() {
    static std::mutex m;
    return m;
}
std::map<intptr_t, Frame>& frames() {
    static std::map<intptr_t, Frame> f;
    return f;
}
intptr_t nextNumber = 1;

int findOption(SANE_Handle h, const char* name) {
    SANE_Int count = 0;
    if (Sane().control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = Sane().get_option_descriptor(h, i);
        if (d != nullptr && d->name != nullptr && std::strcmp(d->name, name) == 0) return i;
    }
    return -1;
}

bool offersString(const SANE_Option_Descriptor* d, const char* value) {
    if (d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return false;
    for (const SANE_String_Const* s = d->constraint.string_list; *s != nullptr; ++s)
        if (std::strcmp(*s, value) == 0) return true;
    return false;
}

bool setString(SANE_Handle h, const char* option, const char* value) {
    const int i = findOption(h, option);
    if (i < 0) return false;
    const SANE_Option_Descriptor* d = Sane().get_option_descriptor(h, i);
    if (!offersString(d, value)) return false;
    std::vector<char> v(std::max<size_t>(static_cast<size_t>(d->size), std::strlen(value) + 1));
    std::strcpy(v.data(), value);
    return Sane().control_option(h, i, SANE_ACTION_SET_VALUE, v.data(), nullptr) == SANE_STATUS_GOOD;
}

bool setNumber(SANE_Handle h, const char* option, int value) {
    const int i = findOption(h, option);
    if (i < 0) return false;
    const SANE_Option_Descriptor* d = Sane().get_option_descriptor(h, i);
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) return false;
    SANE_Word w;
    if (d->type == SANE_TYPE_INT)
        w = value;
    else if (d->type == SANE_TYPE_FIXED)
        w = SANE_FIX(value);
    else
        return false;
    return Sane().control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

std::string statusText(SANE_Status s) {
    return Sane().strstatus(s);
}

// Largest image accepted from a device (pixels), so that a device's claims cannot exhaust memory.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

} // namespace

std::vector<Device> ListDevices() {
    std::vector<Device> out;
    std::unique_lock lock(saneMutex(), std::defer_lock);
    if (!lock.try_lock_for(kSaneWait)) return out;
    SaneSession session;
    if (!session.ok()) return out;
    const SANE_Device** list = nullptr;
    if (Sane().get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) return out;
    for (const SANE_Device** d = list; *d != nullptr; ++d) {
        Device dev;
        dev.name = (*d)->name ? (*d)->name : "";
        dev.description = std::string((*d)->vendor ? (*d)->vendor : "") + " " +
                          ((*d)->model ? (*d)->model : "") + " (" +
                          ((*d)->type ? (*d)->type : "") + ")";
        out.push_back(std::move(dev));
    }
    return out;
}

namespace {

using Clock = std::chrono::steady_clock;

// What the caller of Acquire and the thread driving the device share.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    bool gotFrame = false;
    Frame frame;
    std::string error;
    std::atomic<bool> stop{false};           // the caller has given up: stop between two reads
    const std::atomic<bool>* cancel = nullptr; // the caller's flag, when the device runs on its thread
    std::atomic<int> percent{-1};
    std::atomic<int64_t> lastSign{0};        // Clock ticks of the device's last sign of life
    std::mutex handleMutex;                  // the handle is closed only outside sane_cancel
    SANE_Handle handle = nullptr;

    bool stopping() const { return stop.load() || (cancel != nullptr && cancel->load()); }
    void alive() { lastSign.store(Clock::now().time_since_epoch().count()); }
    void setHandle(SANE_Handle h) {
        std::lock_guard lock(handleMutex);
        handle = h;
    }
    // sane_cancel may be called while another thread is inside sane_read of the same handle.
    void cancelDevice() {
        std::lock_guard lock(handleMutex);
        if (handle != nullptr) Sane().cancel(handle);
    }
};

// Sets a length option (tl-x, br-y, ...) in millimetres.
bool setLength(SANE_Handle h, const char* option, double mm) {
    const int i = findOption(h, option);
    if (i < 0) return false;
    const SANE_Option_Descriptor* d = Sane().get_option_descriptor(h, i);
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap) || d->unit != SANE_UNIT_MM)
        return false;
    SANE_Word w;
    if (d->type == SANE_TYPE_FIXED)
        w = SANE_FIX(mm);
    else if (d->type == SANE_TYPE_INT)
        w = static_cast<SANE_Word>(mm + 0.5);
    else
        return false;
    // SANE_INFO_INEXACT: the device rounds to its own steps, which is fine
    return Sane().control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

// The whole acquisition on the device; false with sh.error set (empty: stopped).
bool readDevice(Shared& sh, const std::string& device, const ScanSettings& settings, Frame& frame) {
    std::string& error = sh.error;
    std::unique_lock lock(saneMutex(), std::defer_lock);
    if (!lock.try_lock_for(kSaneWait)) {
        error = std::string(kTextNoDevice) + device;
        return false;
    }
    SaneSession session;
    if (!session.ok()) {
        error = std::string(kTextNoDevice) + device;
        return 0;
    }
    SaneDevice dev(device);
    if (dev.get() == nullptr) {
        error = std::string(kTextNoDevice) + device;
        return 0;
    }
    SANE_Handle h = dev.get();
    // unregistered before the device closes
    struct Registered {
        Shared& sh;
        ~Registered() { sh.setHandle(nullptr); }
    } registered{sh};
    sh.setHandle(h);
    sh.alive();
    bool modeSet = false;
    switch (settings.mode) {
    case Mode::Color:
        modeSet = setString(h, SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_COLOR);
        setNumber(h, SANE_NAME_BIT_DEPTH, 8);
        break;
    case Mode::Gray:
        modeSet = setString(h, SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY);
        setNumber(h, SANE_NAME_BIT_DEPTH, 8);
        break;
    case Mode::Lineart:
        // line art is its own mode on most scanners, grey at one bit on others
        modeSet = setString(h, SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_LINEART) ||
                  (setString(h, SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY) &&
                   setNumber(h, SANE_NAME_BIT_DEPTH, 1));
        break;
    }
    if (!modeSet) {
        error = std::string(kTextScanFailed) + "Modus nicht verfügbar";
        return 0;
    }
    if (settings.resolution > 0 && !setNumber(h, SANE_NAME_SCAN_RESOLUTION, settings.resolution)) {
        error = std::string(kTextScanFailed) + "Auflösung nicht verfügbar";
        return 0;
    }
    const ScanArea& area = settings.area;
    if (!area.whole() &&
        (area.left < 0 || area.top < 0 || !setLength(h, SANE_NAME_SCAN_TL_X, area.left) ||
         !setLength(h, SANE_NAME_SCAN_TL_Y, area.top) ||
         !setLength(h, SANE_NAME_SCAN_BR_X, area.left + area.width) ||
         !setLength(h, SANE_NAME_SCAN_BR_Y, area.top + area.height))) {
        error = std::string(kTextScanFailed) + "Scanbereich nicht verfügbar";
        return 0;
    }

    bool first = true;
    for (;;) { // frames until the last (three-pass scanners send red, green and blue)
        SANE_Status s = Sane().start(h);
        sh.alive();
        if (s != SANE_STATUS_GOOD) {
            if (s == SANE_STATUS_CANCELLED && sh.stopping()) {
                error.clear();
                return 0;
            }
            error = std::string(kTextScanFailed) + statusText(s);
            return 0;
        }
        SANE_Parameters p;
        s = Sane().get_parameters(h, &p);
        if (s != SANE_STATUS_GOOD) {
            error = std::string(kTextScanFailed) + statusText(s);
            return 0;
        }
        const bool single = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB;
        const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
        const int64_t minLine = (int64_t{p.pixels_per_line} * channels * p.depth + 7) / 8;
        if (p.pixels_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16) ||
            p.bytes_per_line < minLine || (p.format != SANE_FRAME_GRAY && p.depth == 1) ||
            (!single && p.format != SANE_FRAME_RED && p.format != SANE_FRAME_GREEN &&
             p.format != SANE_FRAME_BLUE) ||
            (p.lines > 0 && int64_t{p.pixels_per_line} * p.lines > kMaxPixels) ||
            (!first && (single || p.pixels_per_line != frame.width || p.depth != frame.depth))) {
            error = std::string(kTextScanFailed) + "unbekanntes Bildformat";
            return 0;
        }
        // this pass's samples, read until the end of the frame
        std::vector<uint8_t> pass;
        if (p.lines > 0) pass.reserve(static_cast<size_t>(p.bytes_per_line) * p.lines);
        std::vector<uint8_t> buf(1 << 16);
        for (;;) {
            if (sh.stopping()) {
                error.clear(); // cancelled: no message
                return 0;
            }
            SANE_Int len = 0;
            s = Sane().read(h, buf.data(), static_cast<SANE_Int>(buf.size()), &len);
            sh.alive();
            if (s == SANE_STATUS_EOF) break;
            if (s != SANE_STATUS_GOOD) {
                if (s == SANE_STATUS_CANCELLED && sh.stopping()) {
                    error.clear();
                    return 0;
                }
                error = std::string(kTextScanFailed) + statusText(s);
                return 0;
            }
            if (len < 0 || len > static_cast<SANE_Int>(buf.size())) {
                error = std::string(kTextScanFailed) + "fehlerhafte Daten";
                return 0;
            }
            pass.insert(pass.end(), buf.begin(), buf.begin() + len);
            if (static_cast<int64_t>(pass.size()) / p.bytes_per_line * p.pixels_per_line >
                kMaxPixels) {
                error = std::string(kTextScanFailed) + "Bild zu groß";
                return 0;
            }
            if (p.lines > 0) {
                const int64_t rows = static_cast<int64_t>(pass.size()) / p.bytes_per_line;
                sh.percent.store(static_cast<int>(std::min<int64_t>(100, rows * 100 / p.lines)));
            }
        }
        const int rows = static_cast<int>(pass.size() / static_cast<size_t>(p.bytes_per_line));
        if (rows <= 0) {
            error = std::string(kTextScanFailed) + "keine Bilddaten";
            return 0;
        }
        if (single) {
            frame.width = p.pixels_per_line;
            frame.height = rows;
            frame.depth = p.depth;
            frame.color = channels == 3;
            frame.bytesPerLine = p.bytes_per_line;
            frame.data = std::move(pass);
        } else {
            // one colour of a three-pass scan into the interleaved RGB frame
            const int sample = p.depth / 8;
            if (first) {
                frame.width = p.pixels_per_line;
                frame.height = rows;
                frame.depth = p.depth;
                frame.color = true;
                frame.bytesPerLine = p.pixels_per_line * 3 * sample;
                frame.data.assign(static_cast<size_t>(frame.bytesPerLine) * rows, 0);
            }
            const int c = p.format == SANE_FRAME_RED ? 0 : p.format == SANE_FRAME_GREEN ? 1 : 2;
            const int n = std::min(rows, frame.height);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < frame.width; ++x)
                    std::memcpy(&frame.data[static_cast<size_t>(y) * frame.bytesPerLine +
                                            static_cast<size_t>(x * 3 + c) * sample],
                                &pass[static_cast<size_t>(y) * p.bytes_per_line +
                                      static_cast<size_t>(x) * sample],
                                static_cast<size_t>(sample));
        }
        first = false;
        if (p.last_frame) break;
    }
    return true;
}

// The device's thread: the acquisition, then the result handed over.
void driveDevice(const std::shared_ptr<Shared>& sh, const std::string& device,
                 const ScanSettings& settings) {
    Frame frame;
    const bool got = readDevice(*sh, device, settings, frame);
    std::lock_guard lock(sh->mutex);
    sh->gotFrame = got;
    if (got) sh->frame = std::move(frame);
    sh->finished = true;
    sh->changed.notify_all();
}

} // namespace

intptr_t Acquire(const std::string& device, const ScanSettings& settings,
                 const std::function<void(int)>& progress, const std::atomic<bool>* cancel,
                 std::string& error) {
    error.clear();
    auto sh = std::make_shared<Shared>();
    sh->alive();
    std::thread thread;
    try {
        thread = std::thread(driveDevice, sh, device, settings);
    } catch (const std::system_error&) {
        // no thread to spare: driven here, stoppable only between two reads
        sh->cancel = cancel;
        driveDevice(sh, device, settings);
    }
    enum class Stop { None, Cancel, Stall } stop = Stop::None;
    Clock::time_point giveUp{};
    int shown = -1;
    std::unique_lock lock(sh->mutex);
    while (!sh->finished) {
        sh->changed.wait_for(lock, std::chrono::milliseconds(20));
        if (sh->finished) break;
        lock.unlock();
        const Clock::time_point now = Clock::now();
        if (stop == Stop::None) {
            const Clock::time_point last{Clock::duration(sh->lastSign.load())};
            if (cancel != nullptr && cancel->load())
                stop = Stop::Cancel;
            else if (settings.stallSeconds > 0 && now - last > std::chrono::seconds(settings.stallSeconds))
                stop = Stop::Stall;
            if (stop != Stop::None) {
                sh->stop = true;
                sh->cancelDevice(); // wakes a driver waiting inside sane_read
                giveUp = now + kSaneWait;
            } else if (const int p = sh->percent.load(); progress && p >= 0 && p != shown) {
                progress(p);
                shown = p;
            }
        } else if (now >= giveUp) {
            // the driver does not return: it is left to finish by itself
            thread.detach();
            error = stop == Stop::Stall ? std::string(kTextScanFailed) + kTextNoAnswer : std::string();
            return 0;
        }
        lock.lock();
    }
    lock.unlock();
    if (thread.joinable()) thread.join();
    if (stop == Stop::None && cancel != nullptr && cancel->load()) stop = Stop::Cancel;
    if (stop != Stop::None) {
        error = stop == Stop::Stall ? std::string(kTextScanFailed) + kTextNoAnswer : std::string();
        return 0;
    }
    if (!sh->gotFrame) {
        error = sh->error;
        return 0;
    }
    if (progress) progress(100);
    std::lock_guard framesLock(framesMutex());
    const intptr_t number = nextNumber++;
    frames()[number] = std::move(sh->frame);
    return number;
}

void UseSaneLibrary(const std::string& path) {
    std::lock_guard lock(gApiMutex);
    gApi.store(keepApi(path));
}


} // namespace scanlink

extern "C" void GetScanedDib(TDibRecord* out, intptr_t wParam) {
    using scanlink::Frame;
    std::memset(out, 0, sizeof(*out));
    Frame f;
    {
        std::lock_guard lock(scanlink::framesMutex());
        auto it = scanlink::frames().find(wParam);
        if (it == scanlink::frames().end()) return;
        f = std::move(it->second);
        scanlink::frames().erase(it);
    }
    const int bpp = f.color ? 24 : (f.depth == 1 ? 1 : 8);
    // without a colour table newdib gives black/white and the grey ramp
    if (newdib_unfilled(out, f.width, f.height, bpp, nullptr, 0) == 0 || out->Bits == nullptr) {
        std::memset(out, 0, sizeof(*out));
        return;
    }
    const int sample = f.depth == 16 ? 2 : 1;
    // the most significant byte of a 16-bit sample (host byte order)
    const int high = [] {
        const uint16_t one = 1;
        uint8_t b;
        std::memcpy(&b, &one, 1);
        return b == 1 ? 1 : 0;
    }();
    for (int y = 0; y < f.height; ++y) {
        const uint8_t* src = &f.data[static_cast<size_t>(y) * f.bytesPerLine];
        uint8_t* dst = out->Bits + static_cast<size_t>(f.height - 1 - y) * out->LineBytes;
        std::memset(dst, 0, static_cast<size_t>(out->LineBytes));
        if (bpp == 1) {
            // SANE line art: 1 = black; our table: 0 black, 1 white
            const int bytes = (f.width + 7) / 8;
            for (int i = 0; i < bytes; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
            if (f.width % 8 != 0) dst[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - f.width % 8));
        } else if (bpp == 8) {
            for (int x = 0; x < f.width; ++x) dst[x] = src[x * sample + (sample == 2 ? high : 0)];
        } else {
            for (int x = 0; x < f.width; ++x) {
                const uint8_t* s = src + static_cast<size_t>(x) * 3 * sample + (sample == 2 ? high : 0);
                dst[3 * x] = s[2 * sample];
                dst[3 * x + 1] = s[sample];
                dst[3 * x + 2] = s[0];
            }
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
// The leak checker's hook: a process in which SANE unloaded one of its drivers skips the check at
// exit.  Some drivers' reader threads keep buffers they never free; once the driver is unloaded
// those blocks look like our leaks and cannot be told apart (their call stacks point into the
// unloaded file).  Our own scanning code is leak-checked against the stand-in driver of the
// scanlink tests, which is not unloaded this way.
extern "C" int __lsan_is_turned_off() {
    return scanlink::gDriverUnloaded.load() ? 1 : 0;
}
#endif

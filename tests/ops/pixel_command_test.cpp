// Point operations run as commands whose undo level takes the image's own buffer: the same
// result, padding bytes and header as with a copied level, the exact old pixels after undo, the
// level limit, the copy taken instead when memory is short, and an image that stays whole while
// the command runs.
#include "ops/corrections.h"
#include "ops/tone.h"

#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace pixorama {
namespace {

using namespace testing;

using Op = std::function<void(DocumentState&, Host&)>;

// Every operation the command line and the menus run through RunPixelCommand.
std::vector<std::pair<std::string, Op>> pixelOps() {
    return {
        {"invert", [](DocumentState& d, Host& h) { DibInvert(d, h); }},
        {"grayscale", [](DocumentState& d, Host& h) { DibGrayscale(d, h); }},
        {"stretch", [](DocumentState& d, Host& h) { StretchHistogramm(d, h); }},
        {"poster", [](DocumentState& d, Host& h) { DibPoster(d, h, 5); }},
        {"solar", [](DocumentState& d, Host& h) { DibSolar(d, h, 250); }},
        {"brightness", [](DocumentState& d, Host& h) { Helligkeit(d, h, 40); }},
        {"contrast", [](DocumentState& d, Host& h) { Kontrast(d, h, -30); }},
        {"saturation", [](DocumentState& d, Host& h) { Saettigung(d, h, 60); }},
        {"hcs", [](DocumentState& d, Host& h) { HelligkeitKontrastSaettigung(d, h, 10, 20, -40); }},
        {"gamma", [](DocumentState& d, Host& h) { Gamma(d, h, 1.7); }},
        {"highmidshadow", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 200, 120, 30); }},
        {"rgb", [](DocumentState& d, Host& h) { RedGreenBlue(d, h, 20, -50, 70); }},
        {"colorize", [](DocumentState& d, Host& h) { Colorize(d, h, 120, 80); }},
    };
}

// A varied 24-bit image; rows of odd width carry padding bytes, which are set to a mark so that a
// lost or changed padding byte shows.
TDibRecord photo(int32_t w, int32_t h) {
    TDibRecord d = Make24(w, h, [](int32_t x, int32_t y) {
        return Rgb((x * 7 + y * 3) & 255, (x * y + 11) & 255, (x ^ (y * 5)) & 255);
    });
    const size_t used = static_cast<size_t>(w) * 3;
    for (int32_t y = 0; y < h; ++y)
        for (size_t i = used; i < static_cast<size_t>(d.LineBytes); ++i)
            d.Bits[static_cast<size_t>(y) * static_cast<size_t>(d.LineBytes) + i] = 0xA5;
    d.Info->bmiHeader.biXPelsPerMeter = 11811; // 300 dpi: must survive both ways
    d.Info->bmiHeader.biYPelsPerMeter = 5906;
    return d;
}

// The same document twice: one for the command under test, one for the copied-level reference.
struct Twins {
    DocumentState cheap, copied;
    Twins(int32_t w, int32_t h, bool selection) {
        Attach(cheap, photo(w, h));
        Attach(copied, photo(w, h));
        if (selection) {
            SelectRect(cheap, 1, 1, w / 2 + 1, h - 2);
            SelectRect(copied, 1, 1, w / 2 + 1, h - 2);
        }
    }
};

TEST(PixelCommand, SameBytesAsACopiedLevelAndUndoGivesTheOldPixelsBack) {
    // 7 x 5 runs row by row on one thread; 301 x 300 (over 256 KB) runs on every core
    for (const auto& [w, h] : {std::pair{7, 5}, std::pair{301, 300}})
        for (bool selection : {false, true})
            for (const auto& [name, op] : pixelOps()) {
                SCOPED_TRACE(name + " " + std::to_string(w) + (selection ? " selection" : ""));
                RecordingHost host;
                Twins t(w, h, selection);
                const std::vector<uint8_t> before = PixelBytes(t.cheap.Dib);
                RunPixelCommand(t.cheap, host, [&] { op(t.cheap, host); });
                RunCommand(t.copied, host, [&] { op(t.copied, host); });
                EXPECT_FALSE(t.cheap.UndoImagePending);
                EXPECT_EQ(PixelBytes(t.cheap.Dib), PixelBytes(t.copied.Dib));
                EXPECT_NE(PixelBytes(t.cheap.Dib), before);
                EXPECT_EQ(t.cheap.Dib.Info->bmiHeader.biXPelsPerMeter, 11811);
                EXPECT_EQ(t.cheap.Dib.Info->bmiHeader.biYPelsPerMeter, 5906);
                EXPECT_EQ(t.cheap.UndoCount, 1);
                EXPECT_EQ(host.histogramUpdates, 2);
                EXPECT_TRUE(host.messages.empty());

                LoadFromUndo(t.cheap, host);
                EXPECT_EQ(PixelBytes(t.cheap.Dib), before);
                EXPECT_EQ(t.cheap.Dib.Info->bmiHeader.biXPelsPerMeter, 11811);
                EXPECT_EQ(t.cheap.HasSelection, selection);
                EXPECT_EQ(t.cheap.UndoCount, 0);
            }
}

TEST(PixelCommand, LevelsStayCappedAndComeBackInOrder) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, photo(301, 300));
    std::vector<std::vector<uint8_t>> states{PixelBytes(doc.Dib)};
    // five commands: brightness steps, each leaving a different image
    for (int i = 1; i <= 5; ++i) {
        RunPixelCommand(doc, host, [&] { Helligkeit(doc, host, 9 * i); });
        states.push_back(PixelBytes(doc.Dib));
        EXPECT_EQ(doc.UndoCount, std::min(i, 3));
    }
    // three levels back: the states before commands 5, 4 and 3; then nothing more
    for (int k = 4; k >= 2; --k) {
        LoadFromUndo(doc, host);
        EXPECT_EQ(PixelBytes(doc.Dib), states[static_cast<size_t>(k)]) << "state " << k;
    }
    EXPECT_EQ(doc.UndoCount, 0);
    LoadFromUndo(doc, host);
    EXPECT_EQ(PixelBytes(doc.Dib), states[2]);

    // a cheap level and copied levels mix: a plain command between two point commands
    RunPixelCommand(doc, host, [&] { DibInvert(doc, host); });
    const std::vector<uint8_t> inverted = PixelBytes(doc.Dib);
    RunCommand(doc, host, [&] { setpixel(&doc.Dib, 0, 0, 0x123456); });
    RunPixelCommand(doc, host, [&] { DibGrayscale(doc, host); });
    LoadFromUndo(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 0x123456);
    LoadFromUndo(doc, host);
    EXPECT_EQ(PixelBytes(doc.Dib), inverted);
    LoadFromUndo(doc, host);
    EXPECT_EQ(PixelBytes(doc.Dib), states[2]);
    EXPECT_TRUE(host.messages.empty());
}

TEST(PixelCommand, PaletteImagesAndUntouchedImagesTakeAnOrdinaryLevel) {
    RecordingHost host;
    // a palette image changes its palette only; the level is a copy as ever
    DocumentState pal;
    Attach(pal, MakePalette(8, {0x102030, 0xF0E0D0}, [](int32_t x, int32_t) { return x & 1; }));
    RunPixelCommand(pal, host, [&] { DibInvert(pal, host); });
    EXPECT_EQ(PaletteColour(pal.Dib, 0), 0xEFDFCFu);
    LoadFromUndo(pal, host);
    EXPECT_EQ(PaletteColour(pal.Dib, 0), 0x102030u);

    // an operation that leaves the pixels alone still gets a level with the exact pixels
    DocumentState doc;
    Attach(doc, photo(301, 300));
    const std::vector<uint8_t> before = PixelBytes(doc.Dib);
    RunPixelCommand(doc, host, [] {});
    EXPECT_FALSE(doc.UndoImagePending);
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    RunPixelCommand(doc, host, [&] { DibInvert(doc, host); });
    LoadFromUndo(doc, host);
    LoadFromUndo(doc, host);
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    EXPECT_TRUE(host.messages.empty());
}

// A repaint during the command (the window's progress host lets the event loop paint) must see
// a whole image: the old one, untouched until the buffers trade places.
class SnapshotHost : public RecordingHost {
  public:
    explicit SnapshotHost(const DocumentState& doc, const std::vector<uint8_t>& old)
        : doc_(doc), old_(old) {}
    void SetProSatus(int percent) override {
        RecordingHost::SetProSatus(percent);
        if (percent > 0 && percent < 100) {
            ++looks;
            if (PixelBytes(doc_.Dib) != old_)
                ++changedSeen;
        }
    }
    int looks = 0, changedSeen = 0;

  private:
    const DocumentState& doc_;
    const std::vector<uint8_t>& old_;
};

TEST(PixelCommand, TheImageStaysWholeWhileTheCommandRuns) {
    // one thread, so that every block reports progress (with helpers, the calling thread may
    // see none of them)
    PictoraSetThreadLimit(1);
    for (const auto& [w, h] : {std::pair{40, 30}, std::pair{301, 300}}) {
        DocumentState doc;
        Attach(doc, photo(w, h));
        const std::vector<uint8_t> before = PixelBytes(doc.Dib);
        SnapshotHost host(doc, before);
        RunPixelCommand(doc, host, [&] { DibSolar(doc, host, 50); });
        EXPECT_GT(host.looks, 0);
        EXPECT_EQ(host.changedSeen, 0);
        EXPECT_NE(PixelBytes(doc.Dib), before);
    }
    PictoraSetThreadLimit(0);
}

struct LimitGuard {
    explicit LimitGuard(uint64_t bytes) { PictoraSetAllocLimit(bytes); }
    ~LimitGuard() { PictoraSetAllocLimit(0); }
};

TEST(PixelCommand, ShortOfMemoryBehavesAsACopiedLevel) {
    // room for no second image: the level cannot be made either way; the message comes once,
    // the command runs, and undoing that level leaves the image as it is
    for (bool cheap : {true, false}) {
        SCOPED_TRACE(cheap ? "cheap" : "copied");
        RecordingHost host;
        DocumentState doc;
        Attach(doc, photo(64, 64));
        const std::vector<uint8_t> before = PixelBytes(doc.Dib);
        std::vector<uint8_t> after;
        {
            LimitGuard limit(PictoraAllocatedBytes() + 1024);
            auto op = [&] { DibInvert(doc, host); };
            if (cheap)
                RunPixelCommand(doc, host, op);
            else
                RunCommand(doc, host, op);
        }
        after = PixelBytes(doc.Dib);
        EXPECT_NE(after, before);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(doc.UndoCount, 1);
        LoadFromUndo(doc, host);
        EXPECT_EQ(PixelBytes(doc.Dib), after);
        EXPECT_EQ(doc.UndoCount, 0);
        EXPECT_EQ(host.messages.size(), 2u);
    }

    // room for exactly one more image: an older level makes way, the new level is exact
    RecordingHost host;
    DocumentState doc;
    Attach(doc, photo(64, 64));
    RunPixelCommand(doc, host, [&] { DibInvert(doc, host); });
    const std::vector<uint8_t> middle = PixelBytes(doc.Dib);
    {
        LimitGuard limit(PictoraAllocatedBytes() + 1024);
        RunPixelCommand(doc, host, [&] { DibGrayscale(doc, host); });
    }
    EXPECT_EQ(doc.UndoCount, 1);
    LoadFromUndo(doc, host);
    EXPECT_EQ(PixelBytes(doc.Dib), middle);
}

} // namespace
} // namespace pixorama

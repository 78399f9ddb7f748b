// The user filter store: byte layout, round trip, damaged and foreign files, names at and over
// the field's length, a divisor of 0, and a stored filter applied exactly as DibFilter does.
#include "ops/user_filters.h"

#include "document/undo.h"
#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace pixorama {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TFilterRecord named(const std::string& name, int32_t divisor = 1, int32_t bias = 0) {
    TFilterRecord f;
    SetFilterName(f, name);
    f.Divisor = divisor;
    f.Bias = bias;
    for (int k = 0; k < 25; ++k)
        FilterWeight(f, k) = k - 12;
    return f;
}

int32_t le32At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 |
                                uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24);
}

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/pixorama_userfilt_XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (fs::path(path_) / name).string(); }

  private:
    std::string path_;
};

TEST(UserFilters, StoreLayoutAndRoundTrip) {
    std::vector<TFilterRecord> items = {named("A", 3, -7), named("B"), named("C", 255, 128)};
    // the left column of the grid: SpinEdit0 ... SpinEdit4
    for (int k = 0; k < 5; ++k)
        FilterWeight(items[0], k) = 100 + k;
    items[0].Reserved[258] = 0x5A; // written as the record holds it
    const std::vector<uint8_t> bytes = UserFilterStoreBytes(items);
    ASSERT_EQ(bytes.size(), 8u + 3 * 624);
    EXPECT_EQ(static_cast<uint32_t>(le32At(bytes, 0)), 0x00071F4Eu);
    EXPECT_EQ(le32At(bytes, 4), 3);
    EXPECT_EQ(le32At(bytes, 8), 3);
    EXPECT_EQ(le32At(bytes, 12), -7);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(le32At(bytes, 16 + 4 * static_cast<size_t>(k)), 100 + k); // offsets 8..24 of the record
    EXPECT_EQ(items[0].Matrix[0][4], 104); // column 0, bottom row
    EXPECT_EQ(bytes[8 + 108], 'A');
    EXPECT_EQ(bytes[8 + 109], 0);
    EXPECT_EQ(bytes[8 + 623], 0x5A);
    EXPECT_EQ(bytes[8 + 624 + 108], 'B');

    std::vector<TFilterRecord> back;
    const TStoreRead r = ParseUserFilterStore(bytes.data(), bytes.size(), back);
    EXPECT_EQ(r.State, TStoreState::Ours);
    EXPECT_EQ(r.DroppedBytes, 0u);
    ASSERT_EQ(back.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(&back[i], &items[i], sizeof(TFilterRecord)), 0) << i;
    EXPECT_EQ(FindUserFilter(back, "C"), 2);
    EXPECT_EQ(FindUserFilter(back, "D"), -1);

    // through a file
    TempDir dir;
    const std::string path = dir.file("UserFilt.dat");
    ASSERT_TRUE(WriteUserFilterStore(path, items));
    EXPECT_EQ(fs::file_size(path), 8u + 3 * 624);
    ASSERT_EQ(ReadUserFilterStore(path, back).State, TStoreState::Ours);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(FilterNameOf(back[1]), "B");
    // no file: an empty store
    EXPECT_EQ(ReadUserFilterStore(dir.file("none.dat"), back).State, TStoreState::Missing);
    EXPECT_TRUE(back.empty());
}

TEST(UserFilters, DamagedStoresKeepWhatIsWhole) {
    std::vector<uint8_t> bytes = UserFilterStoreBytes({named("A"), named("B"), named("C")});
    std::vector<TFilterRecord> out;
    // cut inside the third record: two are kept
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 100);
    TStoreRead r = ParseUserFilterStore(cut.data(), cut.size(), out);
    EXPECT_EQ(r.State, TStoreState::Ours);
    EXPECT_EQ(r.Announced, 3);
    EXPECT_EQ(r.DroppedBytes, 524u);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(FilterNameOf(out[1]), "B");
    // a count far beyond the file, and a negative one
    std::vector<uint8_t> huge = bytes;
    huge[4] = huge[5] = huge[6] = 0xFF;
    huge[7] = 0x7F;
    EXPECT_EQ(ParseUserFilterStore(huge.data(), huge.size(), out).Announced, 0x7FFFFFFF);
    EXPECT_EQ(out.size(), 3u);
    huge[7] = 0xFF; // -1
    EXPECT_EQ(ParseUserFilterStore(huge.data(), huge.size(), out).State, TStoreState::Ours);
    EXPECT_TRUE(out.empty());
    // records beyond the count are not read
    std::vector<uint8_t> one = bytes;
    one[4] = 1;
    ParseUserFilterStore(one.data(), one.size(), out);
    EXPECT_EQ(out.size(), 1u);
    // magic without a count
    EXPECT_EQ(ParseUserFilterStore(bytes.data(), 6, out).State, TStoreState::Ours);
    EXPECT_TRUE(out.empty());
    // empty file: nothing there yet
    EXPECT_EQ(ParseUserFilterStore(bytes.data(), 0, out).State, TStoreState::Missing);
}

TEST(UserFilters, ForeignFilesAreReportedNotRead) {
    std::vector<TFilterRecord> out = {named("left over")};
    std::vector<uint8_t> bytes = UserFilterStoreBytes({named("A")});
    bytes[0] ^= 1;
    EXPECT_EQ(ParseUserFilterStore(bytes.data(), bytes.size(), out).State, TStoreState::Foreign);
    EXPECT_TRUE(out.empty());
    const uint8_t three[] = {0x4E, 0x1F, 0x07};
    EXPECT_EQ(ParseUserFilterStore(three, 3, out).State, TStoreState::Foreign);
    const std::string text = ForeignStoreText("/x/UserFilt.dat");
    EXPECT_NE(text.find("/x/UserFilt.dat"), std::string::npos);
}

TEST(UserFilters, NamesStayWithinTheirField) {
    TFilterRecord f;
    std::memset(f.FilterName, 'x', sizeof(f.FilterName));
    SetFilterName(f, "ab");
    EXPECT_EQ(FilterNameOf(f), "ab");
    EXPECT_EQ(f.FilterName[3], 'x'); // bytes after the terminator stay

    // exactly 256 characters: the terminator in the field's last byte
    const std::string full(256, 'n');
    SetFilterName(f, full);
    EXPECT_EQ(f.FilterName[256], '\0');
    EXPECT_EQ(FilterNameOf(f), full);
    const std::vector<uint8_t> bytes = UserFilterStoreBytes({f});
    EXPECT_EQ(bytes[8 + 108 + 255], 'n');
    EXPECT_EQ(bytes[8 + 108 + 256], 0);
    EXPECT_EQ(bytes[8 + 365], 0); // first unused byte: the record's own (zero) content

    // longer names are cut, never at half a character
    SetFilterName(f, std::string(300, 'l'));
    EXPECT_EQ(FilterNameOf(f).size(), 256u);
    SetFilterName(f, std::string(255, 'u') + "ü");
    EXPECT_EQ(FilterNameOf(f), std::string(255, 'u'));

    // a file whose name fills the field without a terminator gives a 256-character name
    std::vector<uint8_t> bad = UserFilterStoreBytes({named("A")});
    std::memset(bad.data() + 8 + 108, 'z', 257);
    std::vector<TFilterRecord> out;
    ParseUserFilterStore(bad.data(), bad.size(), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(FilterNameOf(out[0]), std::string(256, 'z'));
}

TEST(UserFilters, StoredFilterIsAppliedAsDibFilter) {
    RecordingHost host;
    auto image = [] {
        return Make24(19, 13, [](int32_t x, int32_t y) {
            return Rgb((x * 13 + y * 7) & 255, (x * y) & 255, (200 - 9 * x + y) & 255);
        });
    };
    // the weights 1 in the left column of the editor's grid
    TFilterRecord stored = named("links");
    for (int k = 0; k < 25; ++k)
        FilterWeight(stored, k) = k < 5 ? 1 : 0;
    stored.Divisor = 5;
    stored.Bias = 3;
    const std::vector<uint8_t> bytes = UserFilterStoreBytes({stored});
    std::vector<TFilterRecord> items;
    ParseUserFilterStore(bytes.data(), bytes.size(), items);
    ASSERT_EQ(items.size(), 1u);

    // the same kernel written row by row: the column two to the left of the pixel
    int32_t rows[5][5] = {};
    for (int r = 0; r < 5; ++r)
        rows[r][0] = 1;
    DocumentState viaStore, direct;
    Attach(viaStore, image());
    Attach(direct, image());
    SelectRect(viaStore, 2, 2, 12, 9);
    SelectRect(direct, 2, 2, 12, 9);
    ASSERT_TRUE(ApplyUserFilter(viaStore, host, items[0]));
    DibFilter(direct, host, FilterFromRows(rows, 5, 3));
    EXPECT_EQ(PixelBytes(viaStore.Dib), PixelBytes(direct.Dib));
    EXPECT_EQ(viaStore.UndoCount, 1);
    // and the result really is that kernel: the mean of the column two to the left, plus 3
    DocumentState plain;
    Attach(plain, image());
    int32_t sum = 0;
    for (int dy = -2; dy <= 2; ++dy)
        sum += RedOf(getpixel(&plain.Dib, 5 - 2, 5 + dy));
    EXPECT_EQ(RedOf(getpixel(&viaStore.Dib, 5, 5)), std::clamp(sum / 5 + 3, 0, 255));
}

TEST(UserFilters, DivisorZeroNeverReachesTheFilter) {
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(8, 8, [](int32_t x, int32_t y) { return Rgb(x, y, 9); }));
    const std::vector<uint8_t> before = PixelBytes(doc.Dib);
    TFilterRecord zero = named("null", 0);
    EXPECT_FALSE(ApplyUserFilter(doc, host, zero));
    EXPECT_EQ(PixelBytes(doc.Dib), before);
    EXPECT_EQ(doc.UndoCount, 0);
    EXPECT_FALSE(doc.Modified);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kTextDivisionByZero);
}

TEST(UserFilters, WritingNeverHarmsAFileItMayNotWrite) {
    TempDir dir;
    const std::string path = dir.file("UserFilt.dat");
    { std::ofstream(path) << "keep"; }
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(WriteUserFilterStore(path, {named("A")}));
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "keep");
    ::chmod(path.c_str(), 0644);
    // no temporary file is left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()),
                            fs::directory_iterator{}),
              1);
}

TEST(UserFilters, DefaultStoreFollowsTheDataFolder) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(DefaultUserFilterStorePath(), "/data/home/Pixorama/pixorama/UserFilt.dat");
    ::setenv("XDG_DATA_HOME", "relative", 1); // not absolute: ignored
    ::setenv("HOME", "/h", 1);
    EXPECT_EQ(DefaultUserFilterStorePath(), "/h/.local/share/Pixorama/pixorama/UserFilt.dat");
    ::setenv("HOME", savedHome.c_str(), 1);
    if (old != nullptr)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace pixorama

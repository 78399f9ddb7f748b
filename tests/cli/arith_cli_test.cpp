// The steps --math, --split-channels, --combine and --user-filter, run as a user runs them and
// compared with the core.
#include "cli_test_support.h"

#include "ops/arithmetic.h"
#include "ops/channels.h"
#include "ops/user_filters.h"

#include <cstdlib>
#include <fstream>

namespace pixorama {
namespace {

using ArithCli = CliFixture;

// The document becomes the result of combining it with the image file other.
std::function<void(DocumentState&, Host&)> math(const std::string& other, TMathOptions o) {
    return [other, o](DocumentState& doc, Host& host) {
        TDibRecord b;
        ASSERT_EQ(OpenDib(&b, other.c_str(), 0, nullptr, nullptr), 1);
        DibHolder second(b);
        ASSERT_TRUE(AttachImage(doc, MatheDib(doc.Dib, second.get(), o, host)));
    };
}

TEST_F(ArithCli, MathWithEveryOption) {
    TMathOptions sum;
    check(input24_, "--math " + input8_ + " sum", math(input8_, sum));
    TMathOptions o;
    o.Function = TMathFunction::Differenz;
    o.Divisor = 3;
    o.Shift = -20;
    o.Clip = false;
    o.AllChannels = false;
    o.Channel1 = 1;
    o.Channel2 = 2;
    check(input24_, "--math " + input8_ + " difference --div 3 --shift -20 --wrap --channels green blue",
          math(input8_, o));
    // flags in another order, the 8-bit image first: the result is 24-bit of the larger size
    TMathOptions x;
    x.Function = TMathFunction::ExklusivOder;
    x.Shift = 5;
    check(input8_, "--math " + input24_ + " xor --shift 5", math(input24_, x));
}

TEST_F(ArithCli, MathRefusesWhatItCannotDo) {
    EXPECT_EQ(run(input24_ + " --math " + input8_ + " plus").code, 2);
    EXPECT_EQ(run(input24_ + " --math " + input8_ + " sum --div 0").code, 2);
    EXPECT_EQ(run(input24_ + " --math " + input8_ + " sum --channels red cyan").code, 2);
    const Result missing = run(input24_ + " --math " + out("none.bmp") + " sum --save " +
                               out("never.bmp"));
    EXPECT_EQ(missing.code, 1);
    EXPECT_FALSE(fs::exists(out("never.bmp")));
}

TEST_F(ArithCli, SplitThenCombineGivesTheImageBack) {
    const std::string prefix = out("kanal");
    const Result r = run(input24_ + " --split-channels " + prefix + " --split-channels " + prefix);
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* name : {"Rot1", "Grün1", "Blau1", "Rot2", "Grün2", "Blau2"})
        EXPECT_TRUE(fs::exists(prefix + "-" + name + ".bmp")) << name;
    TDibRecord red;
    ASSERT_EQ(OpenDib(&red, (prefix + "-Rot1.bmp").c_str(), 0, nullptr, nullptr), 1);
    EXPECT_EQ(DibBitsPerPixel(&red), 8);
    deldib(&red);
    // the combined channels are the image again
    check(input8_,
          "--combine " + prefix + "-Rot1.bmp " + prefix + "-Grün1.bmp " + prefix + "-Blau1.bmp",
          [this](DocumentState& doc, Host&) {
              TDibRecord in;
              ASSERT_EQ(OpenDib(&in, input24_.c_str(), 0, nullptr, nullptr), 1);
              ASSERT_TRUE(AttachImage(doc, in));
          });
    // sizes that differ are refused with the program's message
    const Result bad = run(input24_ + " --combine " + input24_ + " " + input8_ + " " + input24_);
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find(kTextCombineSizes), std::string::npos);
}

TEST_F(ArithCli, UserFilterFromAStore) {
    TFilterRecord soft;
    SetFilterName(soft, "Weich");
    soft.Divisor = 9;
    soft.Bias = 2;
    for (int k = 0; k < 25; ++k)
        FilterWeight(soft, k) = (k / 5 >= 1 && k / 5 <= 3 && k % 5 >= 1 && k % 5 <= 3) ? 1 : 0;
    TFilterRecord zero;
    SetFilterName(zero, "Null");
    zero.Divisor = 0;
    const std::string store = out("UserFilt.dat");
    ASSERT_TRUE(WriteUserFilterStore(store, {zero, soft}));
    check(input24_, "--user-filter Weich --store " + store,
          [soft](DocumentState& doc, Host& host) { DibFilter(doc, host, soft); });

    const Result none = run(input24_ + " --user-filter Scharf --store " + store);
    EXPECT_EQ(none.code, 1);
    const Result byZero = run(input24_ + " --user-filter Null --store " + store + " --save " +
                              out("never.bmp"));
    EXPECT_EQ(byZero.code, 1);
    EXPECT_NE(byZero.err.find(kTextDivisionByZero), std::string::npos);
    EXPECT_FALSE(fs::exists(out("never.bmp")));
    EXPECT_EQ(run(input8_ + " --user-filter Weich --store " + store).code, 1);

    // a file of another program is reported and stays as it is
    const std::string foreign = out("other.dat");
    { std::ofstream(foreign) << "not a filter store"; }
    const Result f = run(input24_ + " --user-filter Weich --store " + foreign);
    EXPECT_EQ(f.code, 1);
    EXPECT_NE(f.err.find("keine Filterdatei"), std::string::npos);
    std::ifstream in(foreign);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "not a filter store");
}

TEST_F(ArithCli, UserFilterWithoutStoreUsesTheUsersOwn) {
    TFilterRecord id;
    SetFilterName(id, "Kopie");
    FilterWeight(id, 12) = 1;
    id.Bias = 40;
    const std::string folder = out("data") + "/Pixorama/pixorama";
    fs::create_directories(folder);
    ASSERT_TRUE(WriteUserFilterStore(folder + "/UserFilt.dat", {id}));
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_DATA_HOME", out("data").c_str(), 1);
    check(input24_, "--user-filter Kopie",
          [id](DocumentState& doc, Host& host) { DibFilter(doc, host, id); });
    if (old != nullptr)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace pixorama

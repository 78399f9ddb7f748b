// pixorama-cli --thumbnails: the folder's cache as the browser builds it, and the log lines.
#include "cli_test_support.h"

#include "browser/folder_scan.h"

#include <fstream>

namespace pixorama {
namespace {

std::vector<uint8_t> bytesOf(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class BrowserCli : public CliFixture {};

TEST_F(BrowserCli, ThumbnailsBuildTheBrowsersCache) {
    std::ofstream(out("liesmich.txt")) << "kein Bild";
    TDibRecord small;
    newdib(&small, 3, 200, 4, nullptr, 0);
    save(small, "Hoch Format.PCX");
    const std::string folder = out("").substr(0, out("").size() - 1);
    const fs::path cache = fs::path(folder) / kCacheFileName;

    const Result first = run("--thumbnails " + folder);
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.out, "Bearbeite Verzeichnis: " + folder +
                             "\nBrowser-Informationen geschrieben.\nBearbeitung von Verzeichnis " +
                             folder + " abgeschloßen.\n");
    const std::vector<uint8_t> written = bytesOf(cache);
    ASSERT_GT(written.size(), 6u);
    EXPECT_EQ(written[2], 3); // the two BMP files and the PCX file

    // the same scan in the core gives the same file, byte for byte
    fs::remove(cache);
    QuietHost host;
    {
        FolderScan scan(host);
        ScanFolder(scan, folder);
        ASSERT_EQ(scan.Thumbs().size(), 3u);
    }
    EXPECT_EQ(bytesOf(cache), written);

    // a second run reads the cache and writes the same file again
    const Result second = run("--thumbnails " + folder);
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_EQ(second.out, "Bearbeite Verzeichnis: " + folder +
                              "\nBrowser-Informationen geladen.\nBrowser-Informationen "
                              "geschrieben.\nBearbeitung von Verzeichnis " +
                              folder + " abgeschloßen.\n");
    EXPECT_EQ(bytesOf(cache), written);

    EXPECT_EQ(run("--thumbnails " + out("fehlt")).code, 1);
    EXPECT_EQ(run("--thumbnails").code, 2);
}

} // namespace
} // namespace pixorama

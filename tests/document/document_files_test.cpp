// Names of new documents, loading with its failure message, format numbers, dialog filters,
// and saving.
#include "document/document_files.h"

#include "recording_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace pixorama {
namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "pixorama-files-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

TEST(DocumentFiles, NamesAndDepths) {
    EXPECT_EQ(NonameName({}), "NONAME1");
    EXPECT_EQ(NonameName({"NONAME1", "NONAME2"}), "NONAME3");
    // NONAME1 closed while 2 and 3 are open: its number is free again, never a second NONAME3
    EXPECT_EQ(NonameName({"NONAME2", "NONAME3"}), "NONAME1");
    EXPECT_EQ(NonameName({"NONAME1", "bild.png", "NONAME3"}), "NONAME2");
    EXPECT_EQ(NonameName({"NONAME12", "NONAME"}), "NONAME1"); // whole names only
    EXPECT_EQ(NewImageBitsPerPixel(0), 1);
    EXPECT_EQ(NewImageBitsPerPixel(1), 4);
    EXPECT_EQ(NewImageBitsPerPixel(2), 8);
    EXPECT_EQ(NewImageBitsPerPixel(3), 24);
    EXPECT_EQ(NewImageBitsPerPixel(-1), 24);
    EXPECT_EQ(FileNameOfPath("/home/a/BILD.JPG"), "BILD.JPG");
    EXPECT_EQ(FileNameOfPath("bild.png"), "bild.png");
}

TEST(DocumentFiles, FormatNumberFromTheUpperCasedExtension) {
    DocumentState doc;
    SetDocumentFile(doc, "/tmp/fotos/BILD.JPG");
    EXPECT_EQ(doc.FileName, "BILD.JPG");
    EXPECT_EQ(doc.FilePath, "/tmp/fotos/BILD.JPG");
    EXPECT_TRUE(doc.HasFileFormat);
    EXPECT_EQ(doc.FileFormat, 8);
    SetDocumentFile(doc, "/tmp/x.y/bild.jpeg");
    EXPECT_FALSE(doc.HasFileFormat);
    EXPECT_EQ(doc.FileName, "bild.jpeg");
    SetDocumentFile(doc, "a.png");
    EXPECT_EQ(doc.FileFormat, 14);
    SetDocumentFile(doc, "a.Bmp");
    EXPECT_EQ(doc.FileFormat, 3);
    SetDocumentFile(doc, "/tmp/noext");
    EXPECT_FALSE(doc.HasFileFormat);
}

TEST(DocumentFiles, LoadFailureMessage) {
    RecordingHost host;
    const std::string path = "/nonexistent/folder/foto.bmp";
    TDibRecord d = LoadImageFile(path, host);
    EXPECT_EQ(d.Bits, nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Fehler beim Laden (/nonexistent/folder/foto.bmp)");
    EXPECT_EQ(host.messages[0].text, "Die Datei wurde nicht gefunden");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 0);

    // a damaged file: the library's own text
    TempDir dir;
    const std::string bad = dir / "kaputt.bmp";
    std::ofstream(bad) << "BM this is not a bitmap";
    RecordingHost host2;
    d = LoadImageFile(bad, host2);
    EXPECT_EQ(d.Bits, nullptr);
    ASSERT_EQ(host2.messages.size(), 1u);
    EXPECT_EQ(host2.messages[0].caption, "Fehler beim Laden (" + bad + ")");
    EXPECT_FALSE(host2.messages[0].text.empty());
}

TEST(DocumentFiles, LoadReportsProgressAndEndsAtZero) {
    TempDir dir;
    const std::string path = dir / "bild.bmp";
    TDibRecord src = CreateNewImage(50, 300, 24);
    DibHolder hold(src);
    ASSERT_EQ(SaveDib(&src, path.c_str(), PICTORA_FORMAT_BMP, 0, nullptr, 0), 1);
    RecordingHost host;
    TDibRecord d = LoadImageFile(path, host);
    DibHolder holdD(d);
    ASSERT_NE(d.Bits, nullptr);
    EXPECT_TRUE(host.messages.empty());
    ASSERT_GE(host.progress.size(), 2u);
    EXPECT_EQ(host.progress.back(), 0);
    EXPECT_EQ(host.progress[host.progress.size() - 2], 100);
    EXPECT_EQ(DibWidth(&d), 50);
}

TEST(DocumentFiles, DialogFilters) {
    const auto f = ParseDialogFilter("Bitmap (*.bmp;*.dib)|*.bmp;*.dib|PNG (*.png)|*.png");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].Description, "Bitmap (*.bmp;*.dib)");
    ASSERT_EQ(f[0].Patterns.size(), 2u);
    EXPECT_EQ(f[0].Patterns[1], "*.dib");
    EXPECT_EQ(f[1].Patterns[0], "*.png");
    EXPECT_TRUE(ParseDialogFilter("").empty());
    EXPECT_EQ(ParseDialogFilter("dangling").size(), 0u);

    // the library's own save filter names writable formats only
    const auto save = ParseDialogFilter(GetDIBSaveFilter());
    ASSERT_FALSE(save.empty());
    EXPECT_TRUE(CanWriteFormat(PICTORA_FORMAT_BMP));
    EXPECT_FALSE(CanWriteFormat(0));
    EXPECT_FALSE(CanWriteFormat(99));

    DocumentState doc;
    const int png = DefaultSaveFilter(doc, save);
    ASSERT_GE(png, 0);
    EXPECT_EQ(save[static_cast<size_t>(png)].Patterns[0], "*.png");
    SetDocumentFile(doc, "/tmp/a.BMP");
    const int bmp = DefaultSaveFilter(doc, save);
    ASSERT_GE(bmp, 0);
    EXPECT_EQ(save[static_cast<size_t>(bmp)].Patterns[0], "*.bmp");
}

TEST(DocumentFiles, SaveTargetFromTheChosenExtension) {
    const DialogFilter png{"PNG", {"*.png"}};
    const DialogFilter jpeg{"JPEG", {"*.jpg", "*.jif", "*.jpeg"}};
    SaveTarget t = ResolveSaveTarget("/tmp/bild", png);
    EXPECT_EQ(t.Path, "/tmp/bild.png");
    EXPECT_EQ(t.Format, PICTORA_FORMAT_PNG);
    t = ResolveSaveTarget("/tmp/bild.bmp", png); // the typed extension wins
    EXPECT_EQ(t.Path, "/tmp/bild.bmp");
    EXPECT_EQ(t.Format, PICTORA_FORMAT_BMP);
    t = ResolveSaveTarget("/tmp/bild.jpeg", jpeg); // a spelling only the filter knows
    EXPECT_EQ(t.Path, "/tmp/bild.jpeg");
    EXPECT_EQ(t.Format, PICTORA_FORMAT_JPG);
    t = ResolveSaveTarget("/tmp/v1.0/bild.txt", png);
    EXPECT_EQ(t.Path, "/tmp/v1.0/bild.txt.png");
    // the extension a name without one gets, in the dialog and when saving
    EXPECT_EQ(FilterExtension(jpeg), ".jpg");
    EXPECT_EQ(FilterExtension(DialogFilter{"Alle", {"*.*", "*.xyz", "*.bmp"}}), ".bmp");
    EXPECT_EQ(FilterExtension(DialogFilter{"Alle", {"*.*"}}), "");
    EXPECT_TRUE(IsJpegFormat(PICTORA_FORMAT_JPG));
    EXPECT_TRUE(IsJpegFormat(PICTORA_FORMAT_JIF));
    EXPECT_FALSE(IsJpegFormat(PICTORA_FORMAT_PNG));
}

TEST(DocumentFiles, SaveRoundTripAndFailure) {
    TempDir dir;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(7, 5, 8)));
    doc.FileName = "NONAME1";
    doc.Modified = true;
    EXPECT_FALSE(SavesInPlace(doc));

    RecordingHost host;
    const std::string path = dir / "neu.bmp";
    ASSERT_TRUE(SaveDocument(doc, {path, PICTORA_FORMAT_BMP}, 75, host));
    EXPECT_FALSE(doc.Modified);
    EXPECT_EQ(doc.FilePath, path);
    EXPECT_EQ(doc.FileName, "neu.bmp");
    EXPECT_EQ(doc.FileFormat, PICTORA_FORMAT_BMP);
    EXPECT_TRUE(SavesInPlace(doc));
    EXPECT_TRUE(host.messages.empty());

    TDibRecord back = LoadImageFile(path, host);
    DibHolder hold(back);
    ASSERT_NE(back.Bits, nullptr);
    EXPECT_EQ(DibWidth(&back), 7);
    EXPECT_EQ(DibBitsPerPixel(&back), 8);
    EXPECT_EQ(getpixel(&back, 3, 3), 255);

    // a folder that does not exist: German message, nothing changes
    doc.Modified = true;
    const std::string badPath = dir / "fehlt/neu.bmp";
    EXPECT_FALSE(SaveDocument(doc, {badPath, PICTORA_FORMAT_BMP}, 75, host));
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(doc.FilePath, path);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Fehler beim Speichern (" + badPath + ")");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    EXPECT_FALSE(host.messages[0].text.empty());
    EXPECT_TRUE(fs::exists(path)); // the old file is still whole
}

} // namespace
} // namespace pixorama

// The preview protocol: backup, restore, cancel giving the record back byte for byte, OK with
// one undo level, and the shortage message when no backup can be made.
#include "ops/preview.h"

#include "ops/corrections.h"
#include "ops/tone.h"

#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pixorama {
namespace {

using namespace testing;

// Everything of a record a user could see or save: header, colour table, logical palette,
// pixel bytes.
struct RecordBytes {
    std::vector<uint8_t> info, palette, pixels;
    bool operator==(const RecordBytes&) const = default;
};

RecordBytes BytesOf(const TDibRecord& d) {
    RecordBytes r;
    const auto* info = reinterpret_cast<const uint8_t*>(d.Info);
    r.info.assign(info, info + sizeof(TBitmapInfo));
    const auto* pal = reinterpret_cast<const uint8_t*>(&d.Palette);
    r.palette.assign(pal, pal + sizeof(TLogPalette));
    r.pixels = PixelBytes(d);
    return r;
}

// One image of every depth, with a selection on the 24-bit one.
void MakeImage(DocumentState& doc, int bpp) {
    if (bpp == 24) {
        Attach(doc, Make24(7, 5, [](int32_t x, int32_t y) { return Rgb(30 * x, 40 * y, 200 - x); }));
        SelectRect(doc, 1, 1, 4, 3);
        return;
    }
    Attach(doc, MakePalette(
                    bpp, {0x102030, 0xF0E0D0, 0x808080, 0x00FF7F},
                    [bpp](int32_t x, int32_t y) { return (x + y) % (bpp == 1 ? 2 : 4); }, 9, 4));
}

TEST(Preview, BackupCarriesTheWholeRecordAndRestoreOldPutsItBack) {
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        DocumentState doc;
        MakeImage(doc, bpp);
        // a header field newdib would not make, as a loaded file may carry it
        doc.Dib.Info->bmiHeader.biXPelsPerMeter = 3780;
        const RecordBytes before = BytesOf(doc.Dib);

        DibHolder backup(MakePreviewBackup(doc.Dib));
        ASSERT_TRUE(backup.ok());
        EXPECT_NE(backup->Bits, doc.Dib.Bits);
        EXPECT_TRUE(BytesOf(backup.get()) == before);

        RecordingHost host;
        DibInvert(doc, host);
        ASSERT_FALSE(BytesOf(doc.Dib) == before);
        RestoreOld(doc.Dib, backup.get());
        EXPECT_TRUE(BytesOf(doc.Dib) == before);
        if (bpp != 24) {
            // both palette copies and a handle made from the restored colours
            EXPECT_EQ(PaletteColour(doc.Dib, 1), 0xF0E0D0u);
            EXPECT_EQ(GetNearestPaletteIndex(doc.Dib.PaletteHandle, 0xD0E0F0), 1u);
        }
    }
    // nothing to back up
    TDibRecord empty{};
    EXPECT_EQ(MakePreviewBackup(empty).Bits, nullptr);
}

TEST(Preview, CancelAfterPreviewsLeavesRecordAndUndoUntouched) {
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        RecordingHost host;
        DocumentState doc;
        MakeImage(doc, bpp);
        SaveForUndo(doc, host); // an earlier command's level
        const RecordBytes before = BytesOf(doc.Dib);
        const RecordBytes undoBefore = BytesOf(doc.UndoLevels[0].Image);
        {
            PreviewSession session(doc, host);
            ASSERT_TRUE(session.Begin());
            session.Preview([&] { Helligkeit(doc, host, 90); });
            session.Preview([&] { Kontrast(doc, host, 170); });
            ASSERT_FALSE(BytesOf(doc.Dib) == before);
            session.Finish(false);
            EXPECT_FALSE(session.Active());
        }
        EXPECT_TRUE(BytesOf(doc.Dib) == before);
        EXPECT_EQ(doc.UndoCount, 1);
        EXPECT_TRUE(BytesOf(doc.UndoLevels[0].Image) == undoBefore);
        EXPECT_TRUE(host.messages.empty());

        // a session that is simply dropped ends as a cancel
        {
            PreviewSession session(doc, host);
            ASSERT_TRUE(session.Begin());
            session.Preview([&] { DibInvert(doc, host); });
        }
        EXPECT_TRUE(BytesOf(doc.Dib) == before);
        EXPECT_EQ(doc.UndoCount, 1);
    }
}

TEST(Preview, OkAfterPreviewsEqualsOkWithoutAndTakesOneUndoLevel) {
    for (int bpp : {4, 8, 24}) {
        SCOPED_TRACE(bpp);
        RecordingHost host;
        DocumentState direct, previewed;
        MakeImage(direct, bpp);
        MakeImage(previewed, bpp);
        const RecordBytes before = BytesOf(direct.Dib);

        PreviewSession plain(direct, host);
        ASSERT_TRUE(plain.Begin());
        plain.Accept([&] { HighMidShadow(direct, host, 200, 90, 40); });
        plain.Finish(true);
        EXPECT_EQ(plain.Backup().Bits, nullptr);

        PreviewSession tried(previewed, host);
        ASSERT_TRUE(tried.Begin());
        tried.Preview([&] { HighMidShadow(previewed, host, 10, 250, 5); });
        tried.Preview([&] { Colorize(previewed, host, 40, 200); });
        tried.Accept([&] { HighMidShadow(previewed, host, 200, 90, 40); });
        tried.Finish(true);

        EXPECT_TRUE(BytesOf(previewed.Dib) == BytesOf(direct.Dib));
        ASSERT_FALSE(BytesOf(direct.Dib) == before);
        // one level each, holding the image from before the dialog
        EXPECT_EQ(direct.UndoCount, 1);
        EXPECT_EQ(previewed.UndoCount, 1);
        EXPECT_TRUE(previewed.Modified);
        EXPECT_EQ(PixelBytes(previewed.UndoLevels[0].Image), before.pixels);
        LoadFromUndo(previewed, host);
        EXPECT_EQ(BytesOf(previewed.Dib).pixels, before.pixels);
        EXPECT_EQ(BytesOf(previewed.Dib).palette, before.palette);
    }
}

TEST(Preview, OkOfAPointCorrectionTradesBuffersAndGivesTheSameRecord) {
    // on every depth and with a selection on 24 bits: the same record and undo level as Accept,
    // on 24 bits without copying the image back (the backup's buffer is the image's afterwards)
    for (int bpp : {4, 8, 24}) {
        SCOPED_TRACE(bpp);
        RecordingHost host;
        DocumentState plain, traded;
        MakeImage(plain, bpp);
        MakeImage(traded, bpp);
        traded.Dib.Info->bmiHeader.biXPelsPerMeter = 3780;
        plain.Dib.Info->bmiHeader.biXPelsPerMeter = 3780;
        const RecordBytes before = BytesOf(traded.Dib);

        PreviewSession a(plain, host);
        ASSERT_TRUE(a.Begin());
        a.Preview([&] { Gamma(plain, host, 0.4); });
        a.Accept([&] { RedGreenBlue(plain, host, 30, -20, 10); });
        a.Finish(true);

        PreviewSession b(traded, host);
        ASSERT_TRUE(b.Begin());
        b.Preview([&] { Gamma(traded, host, 0.4); });
        const uint8_t* backupBuffer = b.Backup().Bits;
        b.AcceptPixels([&] { RedGreenBlue(traded, host, 30, -20, 10); });
        EXPECT_FALSE(b.Active());
        b.Finish(false); // over already: the result stays
        if (bpp == 24) {
            EXPECT_EQ(traded.UndoLevels[0].Image.Bits, backupBuffer);
        }

        EXPECT_TRUE(BytesOf(traded.Dib) == BytesOf(plain.Dib));
        ASSERT_FALSE(BytesOf(traded.Dib) == before);
        EXPECT_EQ(traded.UndoCount, 1);
        EXPECT_FALSE(traded.UndoImagePending);
        LoadFromUndo(traded, host);
        EXPECT_EQ(BytesOf(traded.Dib).pixels, before.pixels);
        EXPECT_EQ(BytesOf(traded.Dib).palette, before.palette);
        EXPECT_EQ(traded.Dib.Info->bmiHeader.biXPelsPerMeter, 3780);
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST(Preview, NoMemoryForTheBackup) {
    RecordingHost host;
    DocumentState doc;
    MakeImage(doc, 24);
    const RecordBytes before = BytesOf(doc.Dib);
    {
        AllocLimit limit(PictoraAllocatedBytes() + 64);
        PreviewSession session(doc, host);
        EXPECT_FALSE(session.Begin());
        EXPECT_FALSE(session.Active());
        // nothing happens without a backup
        session.Preview([&] { DibInvert(doc, host); });
        session.Accept([&] { DibInvert(doc, host); });
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Fehler: Konnte Bild nicht erstellen! (Zuwenig Speicher?)");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    EXPECT_TRUE(BytesOf(doc.Dib) == before);
    EXPECT_EQ(doc.UndoCount, 0);
}

} // namespace
} // namespace pixorama

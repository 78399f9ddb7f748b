// Undo levels: order, the three-level limit, selections, size changes and memory failures.
#include "document/undo.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

struct LimitGuard {
    explicit LimitGuard(uint64_t bytes) { PictoraSetAllocLimit(bytes); }
    ~LimitGuard() { PictoraSetAllocLimit(0); }
};

TEST(Undo, FourChangesFourUndos) {
    RecordingHost host;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(4, 4, 8)));
    EXPECT_FALSE(doc.Modified);
    for (int change = 1; change <= 4; ++change) {
        SaveForUndo(doc, host);
        EXPECT_TRUE(doc.Modified);
        setpixel(&doc.Dib, 0, 0, change); // pixel (0,0) records the state: 255, 1, 2, 3, 4
    }
    EXPECT_EQ(doc.UndoCount, 3);
    EXPECT_EQ(host.menuUpdates, 4);
    // undos restore the states before changes 4, 3 and 2
    for (int expected : {3, 2, 1}) {
        LoadFromUndo(doc, host);
        EXPECT_EQ(getpixel(&doc.Dib, 0, 0), expected);
    }
    EXPECT_EQ(doc.UndoCount, 0);
    LoadFromUndo(doc, host); // nothing left: nothing happens
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 1);
    EXPECT_TRUE(doc.Modified); // undo never clears it
    EXPECT_TRUE(host.messages.empty());
}

TEST(Undo, SelectionAndFloatingPieceComeBack) {
    RecordingHost host;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(6, 6, 24)));
    // a state with a selection but no floating piece
    doc.HasSelection = true;
    setpixel(&doc.SelMask, 2, 2, 1);
    SaveForUndo(doc, host);
    // then a floating piece appears, and the selection changes
    doc.Floating = true;
    newdib(&doc.FloatBackground, 6, 6, 24, nullptr, 0);
    newdib(&doc.FloatDib, 2, 2, 24, nullptr, 0);
    setpixel(&doc.SelMask, 3, 3, 1);
    LoadFromUndo(doc, host);
    EXPECT_FALSE(doc.Floating);
    EXPECT_EQ(doc.FloatDib.Bits, nullptr);
    EXPECT_TRUE(doc.HasSelection);
    EXPECT_EQ(getpixel(&doc.SelMask, 2, 2), 1);
    EXPECT_EQ(getpixel(&doc.SelMask, 3, 3), 0);

    // a level saved without a selection empties the mask on restore
    doc.HasSelection = false;
    SaveForUndo(doc, host);
    doc.HasSelection = true;
    LoadFromUndo(doc, host);
    EXPECT_FALSE(doc.HasSelection);
    EXPECT_EQ(getpixel(&doc.SelMask, 2, 2), 0);
    EXPECT_NE(doc.SelMask.Bits, nullptr);

    // a floating level restores all three records and both flags
    doc.HasSelection = true;
    doc.Floating = true;
    doc.FloatHasMask = true;
    newdib(&doc.FloatBackground, 6, 6, 24, nullptr, 0);
    newdib(&doc.FloatDib, 2, 2, 24, nullptr, 0);
    newdib(&doc.FloatMask, 2, 2, 1, nullptr, 0);
    setpixel(&doc.FloatDib, 1, 1, 0x00FF00);
    SaveForUndo(doc, host);
    DropFloating(doc);
    LoadFromUndo(doc, host);
    EXPECT_TRUE(doc.Floating);
    EXPECT_TRUE(doc.FloatHasMask);
    EXPECT_EQ(getpixel(&doc.FloatDib, 1, 1), 0x00FF00);
    EXPECT_NE(doc.FloatMask.Bits, nullptr);
}

TEST(Undo, SizeChangeIsReportedAndMaskFollows) {
    RecordingHost host;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(8, 5, 4)));
    SaveForUndo(doc, host);
    // a size-changing command replaces image and mask
    TDibRecord bigger = CreateNewImage(20, 9, 4);
    deldib(&doc.Dib);
    doc.Dib = bigger;
    deldib(&doc.SelMask);
    newdib(&doc.SelMask, 20, 9, 1, nullptr, 0);
    EXPECT_TRUE(LoadFromUndo(doc, host));
    EXPECT_EQ(DibWidth(&doc.Dib), 8);
    EXPECT_EQ(DibWidth(&doc.SelMask), 8);
    EXPECT_EQ(DibHeight(&doc.SelMask), 5);
    SaveForUndo(doc, host);
    EXPECT_FALSE(LoadFromUndo(doc, host));
}

TEST(Undo, ShortMemoryDropsTheOldestLevelsFirst) {
    RecordingHost host;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(200, 200, 24)));
    SaveForUndo(doc, host);
    setpixel(&doc.Dib, 0, 0, 1);
    SaveForUndo(doc, host);
    setpixel(&doc.Dib, 0, 0, 2);
    {
        // room for no further image: the oldest level makes room for the newest
        LimitGuard limit(PictoraAllocatedBytes() + 100);
        SaveForUndo(doc, host);
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kTextNoMemory);
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    ASSERT_EQ(doc.UndoCount, 2);
    setpixel(&doc.Dib, 0, 0, 3);
    LoadFromUndo(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 2);
    LoadFromUndo(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 1);
    EXPECT_EQ(doc.UndoCount, 0);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST(Undo, FailedCopyNeverCostsTheImage) {
    RecordingHost host;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(200, 200, 24)));
    setpixel(&doc.Dib, 0, 0, 1);
    {
        LimitGuard limit(PictoraAllocatedBytes() + 100);
        SaveForUndo(doc, host); // no older level to drop: message, level pushed anyway
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kTextNoMemory);
    EXPECT_EQ(doc.UndoCount, 1);
    EXPECT_TRUE(doc.Modified);
    setpixel(&doc.Dib, 0, 0, 2);
    // undoing the broken level refuses with the message and drops it; the image stays
    LoadFromUndo(doc, host);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(doc.UndoCount, 0);
    ASSERT_NE(doc.Dib.Bits, nullptr);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 2);
}

TEST(Undo, DepthFromOneToFifty) {
    RecordingHost host;
    DocumentState doc;
    ASSERT_TRUE(AttachImage(doc, CreateNewImage(4, 4, 8)));
    EXPECT_EQ(doc.UndoDepth, 3); // the default
    SetUndoDepth(doc, 10);
    for (int i = 1; i <= 12; ++i) {
        SaveForUndo(doc, host);
        setpixel(&doc.Dib, 0, 0, i);
    }
    EXPECT_EQ(doc.UndoCount, 10);
    // ten undos give back the states before changes 12 .. 3
    for (int i = 11; i >= 2; --i) {
        LoadFromUndo(doc, host);
        EXPECT_EQ(getpixel(&doc.Dib, 0, 0), i);
    }
    EXPECT_EQ(doc.UndoCount, 0);

    // a lower depth drops the oldest levels at once
    for (int i = 0; i < 6; ++i) {
        setpixel(&doc.Dib, 0, 0, 20 + i);
        SaveForUndo(doc, host);
    }
    SetUndoDepth(doc, 2);
    EXPECT_EQ(doc.UndoCount, 2);
    LoadFromUndo(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 25);
    LoadFromUndo(doc, host);
    EXPECT_EQ(getpixel(&doc.Dib, 0, 0), 24);

    // limited to 1 .. 50
    SetUndoDepth(doc, 0);
    EXPECT_EQ(doc.UndoDepth, 1);
    SetUndoDepth(doc, 51);
    EXPECT_EQ(doc.UndoDepth, 50);
    for (int i = 0; i < 60; ++i) SaveForUndo(doc, host);
    EXPECT_EQ(doc.UndoCount, 50);
    SetUndoDepth(doc, 1);
    SaveForUndo(doc, host);
    EXPECT_EQ(doc.UndoCount, 1);
}

TEST(Undo, ClosingFreesEverything) {
    const uint64_t before = PictoraAllocatedBytes();
    {
        RecordingHost host;
        DocumentState doc;
        ASSERT_TRUE(AttachImage(doc, CreateNewImage(30, 30, 8)));
        doc.HasSelection = true;
        for (int i = 0; i < 5; ++i) SaveForUndo(doc, host);
    }
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

} // namespace
} // namespace pixorama

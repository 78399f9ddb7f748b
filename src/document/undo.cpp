// The three undo levels of a document.
#include "document/undo.h"

#include "document/selection.h"

#include <utility>

namespace pixorama {

namespace {

void freeLevel(TUndoLevel& level) {
    deldib(&level.Image);
    deldib(&level.SelMask);
    deldib(&level.FloatBackground);
    deldib(&level.FloatDib);
    deldib(&level.FloatMask);
    level = TUndoLevel{};
}

} // namespace

void SaveForUndo(DocumentState& doc, Host& host) {
    doc.Modified = true;
    // a command is about to change the image: a moving piece restores all of it next time
    doc.FloatDrawnValid = false;
    if (doc.UndoCount >= 3) FreeUndoBuffer(doc, 1);
    TUndoLevel& level = doc.UndoLevels[static_cast<size_t>(doc.UndoCount)];
    ++doc.UndoCount;
    level.Image = MakeDIBCopy(doc.Dib, host);
    level.HasSelection = doc.HasSelection;
    if (doc.HasSelection) {
        level.SelMask = MakeDIBCopy(doc.SelMask, host);
        level.Floating = doc.Floating;
        if (doc.Floating) {
            level.FloatBackground = MakeDIBCopy(doc.FloatBackground, host);
            level.FloatDib = MakeDIBCopy(doc.FloatDib, host);
            level.FloatMask = MakeDIBCopy(doc.FloatMask, host);
            level.FloatTransparent = doc.FloatTransparent;
            level.FloatHasMask = doc.FloatHasMask;
        }
    }
    host.UpdateMenuItems();
}

bool LoadFromUndo(DocumentState& doc, Host& host) {
    if (doc.UndoCount == 0) {
        host.UpdateMenuItems();
        return false;
    }
    TUndoLevel& level = doc.UndoLevels[static_cast<size_t>(doc.UndoCount - 1)];
    // a level whose copies failed would leave the document without an image or selection
    const bool complete =
        level.Image.Bits != nullptr && (!level.HasSelection || level.SelMask.Bits != nullptr) &&
        (!level.HasSelection || !level.Floating ||
         (level.FloatBackground.Bits && level.FloatDib.Bits &&
          (!level.FloatHasMask || level.FloatMask.Bits)));
    if (!complete) {
        FreeUndoBuffer(doc, doc.UndoCount);
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        host.UpdateMenuItems();
        return false;
    }
    const bool sizeChanged = DibWidth(&level.Image) != DibWidth(&doc.Dib) ||
                             DibHeight(&level.Image) != DibHeight(&doc.Dib);
    deldib(&doc.Dib);
    doc.Dib = level.Image;
    if (doc.Floating) DropFloating(doc); // dropped, never merged
    doc.HasSelection = level.HasSelection;
    if (level.HasSelection) {
        deldib(&doc.SelMask);
        doc.SelMask = level.SelMask;
        doc.Floating = level.Floating;
        if (level.Floating) {
            doc.FloatBackground = level.FloatBackground;
            doc.FloatDib = level.FloatDib;
            doc.FloatMask = level.FloatMask;
            doc.FloatTransparent = level.FloatTransparent;
            doc.FloatHasMask = level.FloatHasMask;
        }
    } else if (DibWidth(&doc.SelMask) == DibWidth(&doc.Dib) &&
               DibHeight(&doc.SelMask) == DibHeight(&doc.Dib) && doc.SelMask.Bits) {
        std::memset(doc.SelMask.Bits, 0, doc.SelMask.Info->bmiHeader.biSizeImage);
    } else {
        // the restored image has another size than the mask: make an empty mask to match
        deldib(&doc.SelMask);
        newdib(&doc.SelMask, DibWidth(&doc.Dib), DibHeight(&doc.Dib), 1, nullptr, 0);
    }
    // the level's records now belong to the document
    level = TUndoLevel{};
    --doc.UndoCount;
    UpdateSelddib(doc, host); // the outline follows the restored mask; refreshes the menus
    return sizeChanged;
}

void FreeUndoBuffer(DocumentState& doc, int k) {
    if (doc.UndoCount <= 0 || k < 1 || k > doc.UndoCount) return;
    freeLevel(doc.UndoLevels[static_cast<size_t>(k - 1)]);
    for (int i = k; i < doc.UndoCount; ++i)
        std::swap(doc.UndoLevels[static_cast<size_t>(i - 1)], doc.UndoLevels[static_cast<size_t>(i)]);
    --doc.UndoCount;
}

} // namespace pixorama

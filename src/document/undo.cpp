// The undo levels of a document.
#include "document/undo.h"

#include "document/selection.h"

#include <algorithm>
#include <cstring>
#include <new>
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

// Answers nothing and shows nothing: a first try at a copy that may be repeated.
class QuietHost : public Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return IDOK; }
};

// A deep copy for a new level.  When memory is short the shortage message is shown once and
// the oldest levels make room for the newest.
TDibRecord copyForUndo(DocumentState& doc, const TDibRecord& src, Host& host, bool& warned) {
    QuietHost quiet;
    TDibRecord copy = MakeDIBCopy(src, quiet);
    while (copy.Bits == nullptr && src.Bits != nullptr) {
        if (!warned) {
            host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
            warned = true;
        }
        if (doc.UndoCount == 0) break;
        FreeUndoBuffer(doc, 1);
        copy = MakeDIBCopy(src, quiet);
    }
    return copy;
}

// A buffer of src's shape and header whose pixels are not written; nil Bits when memory is short.
TDibRecord blankLike(const TDibRecord& src) {
    TDibRecord blank;
    std::memset(&blank, 0, sizeof(blank));
    newdib_unfilled(&blank, DibWidth(&src), DibHeight(&src), DibBitsPerPixel(&src), src.Info,
                    PaletteEntries(src));
    if (blank.Bits != nullptr)
        blank.Info->bmiHeader = src.Info->bmiHeader; // density and every other field as well
    return blank;
}

// byMove: the level's image is a blank buffer for the command's pass to fill (see
// SaveForUndoByMove); falls back to the copy when there is no memory for it.
void saveLevel(DocumentState& doc, Host& host, bool byMove) {
    FinishPendingUndo(doc, false);
    doc.Modified = true;
    // a command is about to change the image: a moving piece restores all of it next time
    doc.FloatDrawnValid = false;
    doc.UndoDepth = std::clamp(doc.UndoDepth, 1, kMaxUndoLevels);
    // the oldest level goes first, so that its buffer can serve the new level
    while (doc.UndoCount >= doc.UndoDepth) FreeUndoBuffer(doc, 1);
    bool warned = false;
    TUndoLevel level;
    if (byMove) {
        level.Image = blankLike(doc.Dib);
        byMove = level.Image.Bits != nullptr;
    }
    if (!byMove)
        level.Image = copyForUndo(doc, doc.Dib, host, warned);
    level.HasSelection = doc.HasSelection;
    if (doc.HasSelection) {
        level.SelMask = copyForUndo(doc, doc.SelMask, host, warned);
        level.Floating = doc.Floating;
        if (doc.Floating) {
            level.FloatBackground = copyForUndo(doc, doc.FloatBackground, host, warned);
            level.FloatDib = copyForUndo(doc, doc.FloatDib, host, warned);
            level.FloatMask = copyForUndo(doc, doc.FloatMask, host, warned);
            level.FloatTransparent = doc.FloatTransparent;
            level.FloatHasMask = doc.FloatHasMask;
        }
    }
    const size_t slot = static_cast<size_t>(doc.UndoCount);
    if (doc.UndoLevels.size() <= slot) {
        try {
            doc.UndoLevels.resize(slot + 1);
        } catch (const std::bad_alloc&) {
            // no room even for the level's bookkeeping: the oldest level's place is reused
            if (doc.UndoCount == 0) {
                freeLevel(level);
                host.UpdateMenuItems();
                return;
            }
            FreeUndoBuffer(doc, 1);
        }
    }
    doc.UndoLevels[static_cast<size_t>(doc.UndoCount)] = level;
    ++doc.UndoCount;
    doc.UndoImagePending = byMove;
    host.UpdateMenuItems();
}

} // namespace

void SaveForUndo(DocumentState& doc, Host& host) {
    saveLevel(doc, host, false);
}

void SaveForUndoByMove(DocumentState& doc, Host& host) {
    const TDibRecord& d = doc.Dib;
    saveLevel(doc, host, d.Bits != nullptr && d.Info != nullptr && DibBitsPerPixel(&d) == 24);
}

TDibRecord* PendingUndoImage(DocumentState& doc) {
    if (!doc.UndoImagePending || doc.UndoCount <= 0)
        return nullptr;
    return &doc.UndoLevels[static_cast<size_t>(doc.UndoCount - 1)].Image;
}

void FinishPendingUndo(DocumentState& doc, bool written) {
    TDibRecord* level = PendingUndoImage(doc);
    doc.UndoImagePending = false;
    if (level == nullptr)
        return;
    if (written)
        std::swap(doc.Dib.Bits, level->Bits); // same shape, so the blocks are interchangeable
    else
        CopyBytesParallel(level->Bits, doc.Dib.Bits, doc.Dib.Info->bmiHeader.biSizeImage);
}

void SetUndoDepth(DocumentState& doc, int levels) {
    doc.UndoDepth = std::clamp(levels, 1, kMaxUndoLevels);
    while (doc.UndoCount > doc.UndoDepth) FreeUndoBuffer(doc, 1);
}

bool LoadFromUndo(DocumentState& doc, Host& host) {
    FinishPendingUndo(doc, false);
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
    // a placed piece, or one still moving or waiting for its click (text, paste), is dropped,
    // never merged; a move in progress ends with it
    if (doc.Floating || doc.FloatDib.Bits != nullptr || doc.FloatBackground.Bits != nullptr) {
        DropFloating(doc);
        if (doc.MouseMode == 98 || doc.MouseMode == 99) {
            doc.MouseMode = 0;
            doc.Tracking = false;
        }
    }
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
    if (k == doc.UndoCount) doc.UndoImagePending = false; // the level goes, written or not
    freeLevel(doc.UndoLevels[static_cast<size_t>(k - 1)]);
    for (int i = k; i < doc.UndoCount; ++i)
        std::swap(doc.UndoLevels[static_cast<size_t>(i - 1)], doc.UndoLevels[static_cast<size_t>(i)]);
    --doc.UndoCount;
}

} // namespace pixorama

// Backup, restore and the end of a preview session.
#include "ops/preview.h"

#include "document/dib.h"
#include "ops/rows.h"

#include <algorithm>
#include <cstring>

namespace pixorama {

namespace {

size_t imageBytes(const TDibRecord& d) {
    return static_cast<size_t>(d.Info->bmiHeader.biSizeImage);
}

bool sameShape(const TDibRecord& a, const TDibRecord& b) {
    return DibWidth(&a) == DibWidth(&b) && DibHeight(&a) == DibHeight(&b) &&
           DibBitsPerPixel(&a) == DibBitsPerPixel(&b) && a.LineBytes == b.LineBytes;
}

} // namespace

TDibRecord MakePreviewBackup(const TDibRecord& dib) {
    TDibRecord backup{};
    if (!ops::HasPixels(dib))
        return backup;
    const int32_t colours = PaletteEntries(dib);
    if (!newdib_unfilled(&backup, DibWidth(&dib), DibHeight(&dib), DibBitsPerPixel(&dib), dib.Info,
                         colours))
        return backup;
    if (!sameShape(dib, backup) || imageBytes(backup) < imageBytes(dib)) {
        deldib(&backup);
        return backup;
    }
    // the whole header and table, so that a cancelled dialog gives back the same record bytes
    std::memcpy(backup.Info, dib.Info, sizeof(TBitmapInfo));
    CopyBytesParallel(backup.Bits, dib.Bits, imageBytes(dib));
    if (colours > 0) {
        backup.Palette = dib.Palette;
        DibUpdatePaletteHandle(&backup);
    }
    return backup;
}

void RestoreOld(TDibRecord& dib, const TDibRecord& backup) {
    if (!ops::HasPixels(dib) || !ops::HasPixels(backup) || !sameShape(dib, backup))
        return;
    CopyBytesParallel(dib.Bits, backup.Bits, std::min(imageBytes(dib), imageBytes(backup)));
    const int32_t colours = PaletteEntries(dib);
    if (colours == 0)
        return;
    dib.Palette = backup.Palette;
    for (int32_t i = 0; i < colours; ++i) {
        const TPaletteEntry& e = dib.Palette.palPalEntry[i];
        dib.Info->bmiColors[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
    }
    DibUpdatePaletteHandle(&dib);
}

bool PreviewSession::Begin() {
    Finish(true);
    backup_ = MakePreviewBackup(doc_.Dib);
    if (backup_.Bits != nullptr)
        return true;
    host_.MessageBox(kTextPreviewNoMemory, "", MB_ICONSTOP);
    return false;
}

bool PreviewSession::TakeBackBuffer() {
    TDibRecord& d = doc_.Dib;
    if (d.Bits == nullptr || DibBitsPerPixel(&d) != 24 || !sameShape(d, backup_))
        return false;
    std::swap(d.Bits, backup_.Bits);
    return true;
}

void PreviewSession::Finish(bool accepted) {
    if (!Active())
        return;
    if (accepted) {
        deldib(&backup_);
        return;
    }
    deldib(&doc_.Dib);
    doc_.Dib = backup_;
    std::memset(&backup_, 0, sizeof(backup_));
}

} // namespace pixorama

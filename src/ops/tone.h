// Tone and colour adjustments of the menu "F&arben": invert, greyscale, tone stretch,
// posterise and solarise.  Palette images change their palette (every entry, both copies, new
// handle) whatever the selection; 24-bit images change their selected pixels.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/undo.h"
#include "document/value_range.h"

#include <cstdint>

namespace pixorama {

// 1 bit: every byte of every row complemented; 4/8 bits: palette; 24 bits: pixels.
void DibInvert(DocumentState& doc, Host& host);
// 4, 8, 24 bits: every colour becomes its luminance.
void DibGrayscale(DocumentState& doc, Host& host);
// 4, 8, 24 bits: spreads the luminance range found over 0..255.
void StretchHistogramm(DocumentState& doc, Host& host);
// 4, 8, 24 bits: clears the lowest `shift` bits (1..7) of each channel.
void DibPoster(DocumentState& doc, Host& host, int32_t shift);
// 4, 8, 24 bits: inverts colours whose channel sum is at least 765 - 3 * threshold (1..255).
void DibSolar(DocumentState& doc, Host& host, int32_t threshold);

// What a menu command does once its dialog has said OK: one undo level, the operation, then the
// histogram refresh.
template <class Op> void RunCommand(DocumentState& doc, Host& host, Op&& op) {
    SaveForUndo(doc, host);
    op();
    host.Updatehistogramm();
}

// RunCommand for the point operations (this file's and the colour corrections), which write
// pixels only through ApplyPixelRun: on a 24-bit image the undo level takes the image's own
// buffer instead of a copy (SaveForUndoByMove), so the command costs one pass over the pixels.
template <class Op> void RunPixelCommand(DocumentState& doc, Host& host, Op&& op) {
    SaveForUndoByMove(doc, host);
    op();
    FinishPendingUndo(doc, false); // an operation that found nothing to change
    host.Updatehistogramm();
}

// Ranges and defaults of the two tone dialogs.
inline constexpr TIntRange kPosterBitsRange{1, 7, 4}; // "Farbe auf X Bits pro Kanal beschränken:"
inline constexpr TIntRange kSolarThresholdRange{1, 255, 128}; // "Grenzwert:"

} // namespace pixorama

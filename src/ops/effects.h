// Effects of the menu "B&ild": a drop shadow behind the selection, a push-button border inside
// it, the mosaic, the two 5x5 neighbourhood filters "&Auswaschen" and "&Erweitern", and adding
// and removing noise.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/value_range.h"

#include <cstdint>

namespace pixorama {

// The colour of the shadow and button dialogs' "Farbe:" box: 0 foreground, 1 background,
// 2..6 black, white, red, green, blue (the nearest palette colour on palette images); any other
// item counts as the background colour.
int32_t EffectColor(const DocumentState& doc, int item);
inline constexpr const char* kEffectColorNames[7] = {
    "Vordergrundfarbe", "Hintergrundfarbe", "Schwarz", "Weiß", "Rot", "Grün", "Blau"};

// The shadow: the selection moved by (dx, dy) painted behind it; soft and transparent on 24-bit
// images, the plain colour on palette images.  Only with a selection.
void DrawShadow(DocumentState& doc, Host& host, int32_t dx, int32_t dy, int32_t transparency,
                int32_t softness, int32_t colour);
// The bevelled border inside the selection (24 bits, only with a selection).
void Buttonize(DocumentState& doc, Host& host, int32_t width, int32_t transparency, bool solid,
               int32_t colour);
// Blocks of bw x bh pixels of one value (all depths).
void MosaikEffekt(DocumentState& doc, Host& host, int32_t bw, int32_t bh);
// 24 bits, selected pixels.  Each takes its undo level and refreshes the histogram itself.
void DibErodeFilter(DocumentState& doc, Host& host);
void DibDilateFilter(DocumentState& doc, Host& host);
void DelNoise(DocumentState& doc, Host& host, int32_t threshold);
// Random changes of strength s to p percent of the selected pixels (24 bits); the draws come
// from the host's generator, in row order.
void AddNoise(DocumentState& doc, Host& host, int32_t strength, int32_t probability);

// The commands as their menu items run them after the dialog: one undo level, the effect, the
// histogram.  Refused (nothing changes) where the menu item is disabled.
void ShadowCommand(DocumentState& doc, Host& host, int32_t dx, int32_t dy, int32_t transparency,
                   int32_t softness, int colorItem);
void ButtonCommand(DocumentState& doc, Host& host, int32_t width, int32_t transparency,
                   bool solid, int colorItem);
void MosaicCommand(DocumentState& doc, Host& host, int32_t bw, int32_t bh);
void AddNoiseCommand(DocumentState& doc, Host& host, int32_t strength, int32_t probability);

// Ranges and presets of the dialogs.
inline constexpr TIntRange kShadowPercentRange{0, 100, 10}; // "Transparenz:", "Weichheit:"
inline constexpr TIntRange kShadowOffsetRange{-100, 100, 5};
inline constexpr TIntRange kButtonTransRange{0, 100, 10};
inline constexpr TIntRange kButtonWidthRange{0, 100, 10};
inline constexpr TIntRange kMosaicRange{1, 100, 4};
inline constexpr TIntRange kNoiseStrengthRange{1, 256, 96};
inline constexpr TIntRange kNoiseProbabilityRange{1, 100, 50};
inline constexpr TIntRange kDelNoiseRange{1, 255, 50};
inline constexpr int kEffectColorPreset = 1;

} // namespace pixorama

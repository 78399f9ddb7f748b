// Colour depth increase and colour counting.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <cstdint>
#include <string>

namespace pixorama {

// Converts the document's image to bits (4, 8 or 24) without changing its look; palette entries
// the source does not fill get random colours from the host's generator.  No undo step, no
// repaint; the image stays when no case applies or the new image cannot be made.  Calls
// UpdateMenuItems.  Returns true when the image was replaced.
bool DepthUpTo(DocumentState& doc, Host& host, int32_t bits);

// Distinct colours (24 bits) or indices (palette images) among the selected pixels; 0 when the
// count fails (the shortage message has then been shown).
int64_t CountColors(const DocumentState& doc, Host& host);

// "&Benutzte Farben zählen": counts and shows the result.  Returns the count.
int64_t BenutzteFarbenZaehlen(const DocumentState& doc, Host& host);

inline constexpr const char* kTextCountFailed =
    "Die Anzahl der benutzten Farben konnte nicht ermittelt werden...";
inline constexpr const char* kCaptionUsedColours = "Benutzte Farben";
// The message for n colours, in the selection or in the whole image.
std::string UsedColoursText(int64_t n, bool inSelection);

} // namespace pixorama

// The painting tools: brush, replace, clone, retouch and fill.
#pragma once

#include "tools/mouse_dispatch.h"

#include <memory>

namespace pixorama {

// The class behind a painting tool; nullptr for the other tools.
std::unique_ptr<MouseTool> MakePaintTool(Tool tool);

inline constexpr const char* kTextCloneNeedsSource =
    "Sie müssen zuerst einen Startpunkt wählen, indem Sie mit gedrückter Shift-Taste auf das Bild "
    "klicken!";
inline constexpr const char* kCaptionCloneNeedsSource = "Fehler: kein Startpunkt!";

} // namespace pixorama

// The tool classes behind the dispatcher: zoom, hand, pipette, line, shape, the three selection
// tools, and the painting tools that later plug in.
#pragma once

#include "tools/mouse_dispatch.h"

#include <memory>

namespace pixorama {

std::unique_ptr<MouseTool> MakeStandardTool(Tool tool);

// Zoom tool: one step in (or out) at a screen point, then the clicked image point is centred.
void ZoomAtPoint(DocumentState& doc, MouseView& view, bool in, int32_t X, int32_t Y);

// The press of a drawing tool (line, shape, the brushes): MouseMode, an undo level, tracking.
void StartDrawingGesture(MouseDispatcher& d, int mode, int32_t X, int32_t Y);

// Hand tool: scrolls so that the image point under the mouse stays put.
void HandScroll(const DocumentState& doc, MouseView& view, int32_t X, int32_t Y);

inline constexpr const char* kTextRetouchNeeds24 =
    "Sie können dieses Werkzeug nur bei Truecolor Bildern mit 24 Bits pro Pixel einsetzen!";

} // namespace pixorama

// The mouse tools' view of a document window: tool and options from the frame, the scroll box,
// the paint box's cursor, the status bar and the colour read-out.
#pragma once

#include "tools/mouse_view.h"

#include <memory>

namespace pixorama::ui {

class ChildHost;
class TMDIChild;

std::unique_ptr<MouseView> MakeChildMouseView(TMDIChild& child, ChildHost& host);

} // namespace pixorama::ui

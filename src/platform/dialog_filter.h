// One entry of a file dialog filter as the raster library's filter texts list them:
// "description|*.a;*.b".  The core parses the texts; the window system's dialogs show them.
#pragma once

#include <string>
#include <vector>

namespace pixorama {

struct DialogFilter {
    std::string Description;
    std::vector<std::string> Patterns; // "*.a", "*.b"
};

} // namespace pixorama

// Writing a whole file so that a failure never harms the old one: the bytes go to a temporary
// file in the same folder, which is then renamed over the target.
#pragma once

#include <cstddef>
#include <string>

namespace pixorama {

// Writes size bytes as the file at path (through a temporary file and a rename; the old file's
// permissions are kept).  An existing file that may not be written, or that is no regular file,
// is refused and stays as it is.  False on any failure.
bool WriteFileReplacing(const std::string& path, const void* data, size_t size);

} // namespace pixorama

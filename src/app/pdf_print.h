// Printing onto a page of a PDF file: the page is A4 at 600 device pixels per inch, the whole
// page printable, and the image is placed at the rectangle the print dialog computes.  The
// pixels go into the file in the image's own depth (palette images with their colour table),
// row by row, so a large picture needs no second copy in memory.
#pragma once

#include "app/print_layout.h"
#include "document/host.h"
#include <pictora.h>

#include <string>

namespace pixorama {

// A4 at 600 pixels per inch.
inline constexpr int32_t kPdfPageWidth = 4961;
inline constexpr int32_t kPdfPageHeight = 7016;
inline constexpr int32_t kPdfPageDpi = 600;

inline constexpr const char* kPrintJobTitle = "Pixorama Bild";

// Writes a one-page PDF with dib printed as options say (temporary file, then renamed over
// path).  On failure shows the German message and leaves an existing file alone.
bool PrintDibToPdf(const TDibRecord& dib, const TPrintOptions& options, const std::string& path,
                   Host& host);

} // namespace pixorama

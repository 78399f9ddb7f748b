// pixorama-cli --thumbnails FOLDER: builds or updates the folder's thumbnail cache exactly as the
// browser does when it shows that folder, printing the lines of the browser's log.
#include "cli/cli.h"

#include "browser/folder_scan.h"

#include <filesystem>
#include <iostream>

namespace pixorama::cli {
namespace {

StepRegistrar browserSteps({
    {"--thumbnails", 1, "--thumbnails VERZEICHNIS",
     [](Context& ctx, const std::vector<std::string>& a) {
         const std::string& folder = a[0];
         std::error_code ec;
         if (!std::filesystem::is_directory(folder, ec))
             throw StepError{"Verzeichnis nicht gefunden: " + folder};
         FolderScan scan(ctx.host);
         scan.OnLog = [](const std::string& line) { std::cout << line << '\n'; };
         ScanFolder(scan, folder);
         std::cout << "Bearbeitung von Verzeichnis " << folder << " abgeschloßen.\n";
     }},
});

} // namespace
} // namespace pixorama::cli

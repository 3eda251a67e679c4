#include "cli/BackupRun.h"

#include <filesystem>
#include <string>

#include "cli/Report.h"

bool BackupRun::Start(const ParsedArgs& parsed) {
    if (!parsed.Has("--backup")) return true;
    const std::string folder = parsed.Value("--backup");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (folder.empty() || ec || !std::filesystem::is_directory(folder, ec)) {
        Fail("Der Ordner \"" + folder + "\" kann nicht angelegt werden.");
        return false;
    }
    folder_.emplace(folder);
    recorder_.emplace(nullptr, "backup", nullptr, &*folder_);
    return true;
}

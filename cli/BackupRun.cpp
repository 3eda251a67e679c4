#include "cli/BackupRun.h"

#include <filesystem>
#include <string>

#include "cli/Report.h"
#include "ops/Reasons.h"
#include "ops/SaveRun.h"

bool BackupRun::Start(const ParsedArgs& parsed) {
    if (!parsed.Has("--backup")) return true;
    const std::string folder = parsed.Value("--backup");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (folder.empty() || ec || !std::filesystem::is_directory(folder, ec)) {
        Fail("Der Ordner \"" + folder + "\" kann nicht angelegt werden.");
        return false;
    }
    // Backups that restore would refuse are no backups: the run stops
    // before the first file changes.
    if (const BackupProblem why = BackupFolderProblem(folder, parsed.Positional);
        why != BackupProblem::None) {
        Fail(BackupFolderRefusal(folder, why));
        return false;
    }
    folder_.emplace(folder);
    recorder_.emplace(nullptr, "backup", nullptr, &*folder_);
    return true;
}

int RunOverFiles(const ParsedArgs& parsed, const FileWork& each) {
    BackupRun backup;
    if (!backup.Start(parsed)) return 2;
    bool anyFailed = false;
    const std::function<void()> failed = [&anyFailed] { anyFailed = true; };
    SaveRun run;
    for (const auto& path : parsed.Positional) each(run, path, failed);
    run.Commit();
    return anyFailed ? 1 : 0;
}

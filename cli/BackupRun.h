#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cli/Args.h"
#include "ops/Backup.h"
#include "ops/History.h"

// "--backup DIR": while it lives, the run's writes keep the files' previous
// tags in DIR (made when missing) for "restore". Without the option it does
// nothing.
class BackupRun {
  public:
    // False, after a message on standard error, when DIR cannot be made.
    bool Start(const ParsedArgs& parsed);

  private:
    std::optional<BackupFolder> folder_;
    std::optional<StepRecorder> recorder_;  // ends before the folder
};

class SaveRun;

// The frame of a command that saves into each FILE argument: --backup, one
// run whose groups the journal writes, and the exit code: 1 when a file
// failed (each calls failed for it), 2 when the backup folder cannot be
// made, else 0.
using FileWork =
    std::function<void(SaveRun& run, const std::string& path, const std::function<void()>& failed)>;
int RunOverFiles(const ParsedArgs& parsed, const FileWork& each);

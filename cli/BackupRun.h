#pragma once

#include <optional>

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

#pragma once

// Converting files' ID3v2 tags to version 2.3 or 2.4 (either scan level:
// the tag is the ID3v2 one), each file a save of the run, so a run is one
// step of the history.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ops/Outcome.h"
#include "ops/SaveRun.h"
#include "tags/Convert.h"

// Why a file was left as it was, beside a failed save.
enum class VersionSkip {
    None,
    NoTag,       // no ID3v2 tag to convert
    Unreadable,  // a tag whose frames cannot be read (another version, 2.2 compressed)
    Already,     // of the target version, its texts as asked
};

struct VersionOutcome {
    SaveOutcome Save;
    VersionSkip Skip = VersionSkip::None;
    uint8_t From = 0;                 // the version the tag had
    std::vector<id3v2::Loss> Losses;  // what the target could not take
};
using VersionDone = std::function<void(const VersionOutcome&)>;

// Adds the file's conversion to the run; done runs after its group.
// options must outlive the run.
void ConvertVersion(SaveRun& run, const std::string& path, const id3v2::ConvertOptions& options,
                    const VersionDone& done);

// A run's end message: how many files were converted, which stayed as they
// were and why, and what each converted file lost.
class VersionReport {
  public:
    explicit VersionReport(uint8_t target) : target_(target) {}
    // False when the file was converted with nothing lost.
    bool Add(RunReport& report, const std::string& path, const VersionOutcome& outcome);
    // "12 Dateien in ID3v2.3 umgewandelt."
    std::string Summary() const;

  private:
    uint8_t target_;
    int converted_ = 0;
};

#pragma once

// Removing tags: the ID3v1 block, the ID3v2 tag (the audio moves to the
// start of the file, under the journal), or both, as a save of a run, so a
// run is one step of the history.

#include <string>

#include "ops/Outcome.h"
#include "ops/SaveRun.h"

enum class StripWhich { Id3v1, Id3v2, Both };

// Adds the removal to the run; done gets the outcome after the file's
// group, Written also for a file that had nothing to remove (nothing is
// written then), and says through hadTags whether it had any.
using StripDone = std::function<void(const SaveOutcome& outcome, bool hadTags)>;
void StripFile(SaveRun& run, const std::string& path, StripWhich which, const StripDone& done);

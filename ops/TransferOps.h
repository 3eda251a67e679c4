#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ops/Outcome.h"
#include "ops/SaveRun.h"

class TMPEGaudio;
class SaveRun;

struct TransferResult {
    FileOutcome Status = FileOutcome::Unreadable;
    writepath::Failure Why = writepath::Failure::None;  // for SaveFailed
    TagTexts Cells;  // from the tag object just written; meaningful for Written only
    // Fields whose target value stayed where a plain copy would have put the
    // source's poorer one in its place.
    std::vector<TagField> Kept;
};
using TransferDone = std::function<void(const TransferResult&)>;

// Copies the six text fields of the file's ID3v1 tag into its ID3v2 tag (the
// genre as its name) and saves the ID3v2 tag. The ID3v2 track number stays.
// A transfer never makes the target poorer: a field that is empty in the
// source, or whose source value is only the target's own value as the
// ID3v1 tag holds it (cut to 30 characters, 4 for the year and 28 for the
// comment beside a track number, in Windows-1252 with "?" for the rest, a
// genre text of the same number), keeps the target's value.
// A file without an ID3v1 tag is left alone (NoSourceTag). The save goes
// into the run; done gets the result (at once when nothing is to be saved).
void TransferLevel1To2(SaveRun& run, TMPEGaudio& audio, const std::string& path,
                       const TransferDone& done);

// Copies the six text fields of the file's ID3v2 tag into its ID3v1 tag (the
// genre number by GenreIndexOf) and saves the ID3v1 tag. The ID3v1 track
// number stays. A field that is empty in the ID3v2 tag, and a genre that is
// none of the table, keep the ID3v1 tag's value. A file without an ID3v2 tag whose frames can be
// read is left alone (NoSourceTag).
void TransferLevel2To1(SaveRun& run, TMPEGaudio& audio, const std::string& path,
                       const TransferDone& done);

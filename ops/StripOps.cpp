#include "ops/StripOps.h"

#include "tags/ID3v2Header.h"

void StripFile(SaveRun& run, const std::string& path, StripWhich which, const StripDone& done) {
    writepath::TagChange change;
    change.Path = path;
    if (which != StripWhich::Id3v2) change.Block = writepath::BlockChange::Remove;
    if (which != StripWhich::Id3v1) {
        // No ID3v2 area at all: the audio begins the file.
        change.Head = [](std::string_view, const id3v2::TagInfo&, std::string& head) {
            head.clear();
            return true;
        };
    }
    run.Add(std::move(change), [done](const writepath::FilePlan& plan) {
        const bool had = !plan.OldHead.empty() || !plan.OldBlock.empty();
        done(OutcomeOf(plan), had || plan.NewSize != plan.OldSize);
    });
}

#include "ops/TransferOps.h"

#include "ops/History.h"
#include "ops/TagOps.h"
#include "tags/MPEGaudio.h"

namespace {

template <typename Tag>
TagCells CellsOf(const Tag& tag) {
    return {tag.Artist(), tag.Album(), tag.Title(), tag.Year(), tag.Genre(), tag.Comment()};
}

// Loads the file; false (with the reason in result) when it cannot be
// worked on or has no source tag.
bool Load(TMPEGaudio& audio, const std::string& path, int sourceLevel, TransferResult& result) {
    if (const auto failure = LoadFailure(audio, path)) {
        result.Status = *failure;
        return false;
    }
    const bool hasSource = sourceLevel == 1 ? audio.Tag1().Exists() : audio.Tag2().Readable();
    if (!hasSource) result.Status = FileOutcome::NoSourceTag;
    return hasSource;
}

// Adds the save of the target tag to the run; on success the result carries
// its new cells.
template <typename Tag>
void Save(SaveRun& run, const Tag& to, const std::string& path, const TransferDone& done) {
    run.Add(to.Change(path), [done, cells = CellsOf(to)](const writepath::FilePlan& plan) {
        TransferResult result;
        const SaveOutcome outcome = OutcomeOf(plan);
        result.Status = outcome.Outcome;
        result.Why = outcome.Why;
        if (result.Status == FileOutcome::Written) result.Cells = cells;
        done(result);
    });
}

}  // namespace

void TransferLevel1To2(SaveRun& run, TMPEGaudio& audio, const std::string& path,
                       const TransferDone& done) {
    TransferResult result;
    if (!Load(audio, path, 1, result)) return done(result);
    const TID3v1& from = audio.Tag1();
    TID3v2& to = audio.Tag2();
    to.SetArtist(from.Artist());
    to.SetAlbum(from.Album());
    to.SetTitle(from.Title());
    to.SetYear(from.Year());
    to.SetGenre(from.Genre());
    to.SetComment(from.Comment());
    Save(run, to, path, done);
}

void TransferLevel2To1(SaveRun& run, TMPEGaudio& audio, const std::string& path,
                       const TransferDone& done) {
    TransferResult result;
    if (!Load(audio, path, 2, result)) return done(result);
    const TID3v2& from = audio.Tag2();
    TID3v1& to = audio.Tag1();
    to.SetArtist(Id3v1SetterInput(from.Artist()));
    to.SetAlbum(Id3v1SetterInput(from.Album()));
    to.SetTitle(Id3v1SetterInput(from.Title()));
    to.SetYear(Id3v1SetterInput(from.Year()));
    to.SetGenreID(GenreIndexOf(from.Genre()));
    to.SetComment(Id3v1SetterInput(from.Comment()));
    Save(run, to, path, done);
}

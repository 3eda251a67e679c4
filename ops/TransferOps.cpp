#include "ops/TransferOps.h"

#include "ops/History.h"
#include "ops/TagAccess.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

namespace {

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

// Whether the ID3v2 text is what the ID3v1 tag from (its texts fromTexts)
// holds of it in the field.
bool HeldAsVersion1(const TID3v1& from, const TagTexts& fromTexts, TagField field,
                    const std::string& text) {
    if (field == TagField::Genre) return GenreIndexOf(text) == from.GenreID();
    // Beside a track number the comment has 28 bytes.
    const size_t room =
        field == TagField::Comment && from.Track() > 0 ? 28 : InfoOf(field).Id3v1Room;
    return TrimBlanks(id3v1::FieldValue(Id3v1SetterInput(text), room)) == fromTexts[field];
}

// Adds the save of the target tag to the run; on success the result carries
// its new cells and the fields it kept.
template <typename Tag>
void Save(SaveRun& run, const Tag& to, const std::string& path, std::vector<TagField> kept,
          const TransferDone& done) {
    run.Add(to.Change(path),
            [done, cells = TextsOf(to), kept = std::move(kept)](const writepath::FilePlan& plan) {
                TransferResult result;
                const SaveOutcome outcome = OutcomeOf(plan);
                result.Status = outcome.Outcome;
                result.Why = outcome.Why;
                if (result.Status == FileOutcome::Written) {
                    result.Cells = cells;
                    result.Kept = kept;
                }
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
    const TagTexts sources = TextsOf(from), targets = TextsOf(to);
    for (const TagField field : AllTagFields) {
        const std::string& source = sources[field];
        if (!source.empty() && !HeldAsVersion1(from, sources, field, targets[field])) {
            SetField(to, field, source);
        } else if (targets[field] != source) {
            result.Kept.push_back(field);
        }
    }
    Save(run, to, path, std::move(result.Kept), done);
}

void TransferLevel2To1(SaveRun& run, TMPEGaudio& audio, const std::string& path,
                       const TransferDone& done) {
    TransferResult result;
    if (!Load(audio, path, 2, result)) return done(result);
    const TID3v2& from = audio.Tag2();
    TID3v1& to = audio.Tag1();
    const TagTexts sources = TextsOf(from), targets = TextsOf(to);
    for (const TagField field : AllTagFields) {
        if (field == TagField::Genre) {
            const uint8_t number = GenreIndexOf(from.Genre());
            if (number != 255) {
                to.SetGenreID(number);
            } else if (to.GenreID() != 255) {
                result.Kept.push_back(field);
            }
            continue;
        }
        const std::string& source = sources[field];
        if (!source.empty()) {
            SetField(to, field, Id3v1SetterInput(source));
        } else if (!targets[field].empty()) {
            result.Kept.push_back(field);
        }
    }
    Save(run, to, path, std::move(result.Kept), done);
}

#include "ops/TransferOps.h"

#include <type_traits>

#include "ops/History.h"
#include "ops/TagOps.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

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

template <typename Tag>
std::string TextOf(const Tag& tag, TagField field) {
    switch (field) {
        case TagField::Artist:
            return tag.Artist();
        case TagField::Album:
            return tag.Album();
        case TagField::Title:
            return tag.Title();
        case TagField::Year:
            return tag.Year();
        case TagField::Genre:
            return tag.Genre();
        case TagField::Comment:
            return tag.Comment();
    }
    return {};
}

// The genre goes by number in ID3v1, so it is never set here.
template <typename Tag>
void SetText(Tag& tag, TagField field, const std::string& text) {
    switch (field) {
        case TagField::Artist:
            return tag.SetArtist(text);
        case TagField::Album:
            return tag.SetAlbum(text);
        case TagField::Title:
            return tag.SetTitle(text);
        case TagField::Year:
            return tag.SetYear(text);
        case TagField::Genre:
            if constexpr (std::is_same_v<Tag, TID3v2>) tag.SetGenre(text);
            return;
        case TagField::Comment:
            return tag.SetComment(text);
    }
}

// Whether the ID3v2 text is what the ID3v1 tag from holds of it in the field.
bool HeldAsVersion1(const TID3v1& from, TagField field, const std::string& text) {
    if (field == TagField::Genre) return GenreIndexOf(text) == from.GenreID();
    const size_t room = field == TagField::Year                          ? 4
                        : field == TagField::Comment && from.Track() > 0 ? 28
                                                                         : 30;
    return TrimBlanks(id3v1::FieldValue(Id3v1SetterInput(text), room)) == TextOf(from, field);
}

// Adds the save of the target tag to the run; on success the result carries
// its new cells and the fields it kept.
template <typename Tag>
void Save(SaveRun& run, const Tag& to, const std::string& path, std::vector<TagField> kept,
          const TransferDone& done) {
    run.Add(to.Change(path),
            [done, cells = CellsOf(to), kept = std::move(kept)](const writepath::FilePlan& plan) {
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
    for (const TagField field : AllTagFields) {
        const std::string source = TextOf(from, field);
        if (!source.empty() && !HeldAsVersion1(from, field, TextOf(to, field))) {
            SetText(to, field, source);
        } else if (TextOf(to, field) != source) {
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
        const std::string source = TextOf(from, field);
        if (!source.empty()) {
            SetText(to, field, Id3v1SetterInput(source));
        } else if (!TextOf(to, field).empty()) {
            result.Kept.push_back(field);
        }
    }
    Save(run, to, path, std::move(result.Kept), done);
}

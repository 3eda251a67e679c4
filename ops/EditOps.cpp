#include "ops/EditOps.h"

#include <type_traits>

#include "ops/History.h"
#include "tags/MPEGaudio.h"

namespace {

// The genre is a number in ID3v1 and a text in ID3v2; the other fields are texts in both.
template <typename Tag>
void SetField(Tag& tag, TagField field, const std::string& text) {
    switch (field) {
        case TagField::Artist:
            tag.SetArtist(text);
            break;
        case TagField::Album:
            tag.SetAlbum(text);
            break;
        case TagField::Title:
            tag.SetTitle(text);
            break;
        case TagField::Year:
            tag.SetYear(text);
            break;
        case TagField::Genre:
            if constexpr (std::is_same_v<Tag, TID3v1>) {
                tag.SetGenreID(GenreEntryOf(text));
            } else {
                tag.SetGenre(text);
            }
            break;
        case TagField::Comment:
            tag.SetComment(text);
            break;
    }
}

void SetLevelField(TMPEGaudio& audio, int level, TagField field, const std::string& text) {
    if (level == 1) {
        SetField(audio.Tag1(), field, text);
    } else {
        SetField(audio.Tag2(), field, text);
    }
}

// Saves the level's tag of audio. A level-1 save starts by reading the file's
// last block; when that fails the tag code has already told the user.
FileOutcome SaveLevelTag(TMPEGaudio& audio, const std::string& path, int level) {
    MessageWatch watch;
    const bool saved = RecordedWrite(path, [&] {
        return level == 1 ? audio.Tag1().SaveToFile(path) : audio.Tag2().SaveToFile(path);
    });
    if (saved) return FileOutcome::Written;
    return watch.Count() > 0 ? FileOutcome::Unreadable : FileOutcome::SaveFailed;
}

}  // namespace

FileOutcome SaveTagTexts(const std::string& path, int level, const TagTexts& texts) {
    TMPEGaudio audio;
    if (const auto failure = LoadFailure(audio, path)) return *failure;
    const std::string* values[] = {&texts.Artist, &texts.Album, &texts.Title,
                                   &texts.Year,   &texts.Genre, &texts.Comment};
    for (size_t i = 0; i < AllTagFields.size(); ++i)
        SetLevelField(audio, level, AllTagFields[i], *values[i]);
    return SaveLevelTag(audio, path, level);
}

FileOutcome WriteTagField(const std::string& path, int level, TagField field,
                          const std::string& text) {
    TMPEGaudio audio;
    if (const auto failure = LoadFailure(audio, path)) return *failure;
    SetLevelField(audio, level, field, text);
    return SaveLevelTag(audio, path, level);
}

std::string SaveFailedText(const std::string& path) {
    return "Die Datei \"" + ReadablePath(path) + "\" konnte nicht gespeichert werden.";
}

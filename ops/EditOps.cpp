#include "ops/EditOps.h"

#include <type_traits>

#include "ops/TagOps.h"
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
                tag.SetGenreID(GenreIndexOf(text));
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
EditResult SaveLevelTag(TMPEGaudio& audio, const std::string& path, int level) {
    MessageWatch watch;
    const bool saved = level == 1 ? audio.Tag1().SaveToFile(path) : audio.Tag2().SaveToFile(path);
    if (saved) return EditResult::Saved;
    return watch.Count() > 0 ? EditResult::Unreadable : EditResult::Failed;
}

}  // namespace

EditResult ReplaceTag(const std::string& path, int level, const TagTexts& texts) {
    TMPEGaudio audio;  // fresh, empty tag objects: a replacement, not a merge
    const std::string* values[] = {&texts.Artist, &texts.Album, &texts.Title,
                                   &texts.Year,   &texts.Genre, &texts.Comment};
    for (size_t i = 0; i < AllTagFields.size(); ++i)
        SetLevelField(audio, level, AllTagFields[i], *values[i]);
    return SaveLevelTag(audio, path, level);
}

EditResult WriteTagField(const std::string& path, int level, TagField field,
                         const std::string& text) {
    TMPEGaudio audio;
    switch (LoadFileTags(audio, path)) {
        case LoadResult::Ok:
            break;
        case LoadResult::Unreadable:
            return EditResult::Unreadable;
        case LoadResult::NoFrame:
            return EditResult::NoFrame;
    }
    SetLevelField(audio, level, field, text);
    return SaveLevelTag(audio, path, level);
}

std::string SaveFailedText(const std::string& path) {
    return "Die Datei \"" + path + "\" konnte nicht gespeichert werden.";
}

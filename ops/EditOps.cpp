#include "ops/EditOps.h"

#include "ops/TagOps.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

namespace {

void SetField(TID3v1& tag, TagField field, const std::string& utf8) {
    switch (field) {
        case TagField::Artist:
            tag.SetArtist(Utf8ToAnsi(utf8));
            break;
        case TagField::Album:
            tag.SetAlbum(Utf8ToAnsi(utf8));
            break;
        case TagField::Title:
            tag.SetTitle(Utf8ToAnsi(utf8));
            break;
        case TagField::Year:
            tag.SetYear(Utf8ToAnsi(utf8));
            break;
        case TagField::Genre:
            tag.SetGenreID(GenreIndexOf(utf8));
            break;
        case TagField::Comment:
            tag.SetComment(Utf8ToAnsi(utf8));
            break;
    }
}

void SetField(TID3v2& tag, TagField field, const std::string& utf8) {
    switch (field) {
        case TagField::Artist:
            tag.SetArtist(Utf8ToAnsi(utf8));
            break;
        case TagField::Album:
            tag.SetAlbum(Utf8ToAnsi(utf8));
            break;
        case TagField::Title:
            tag.SetTitle(Utf8ToAnsi(utf8));
            break;
        case TagField::Year:
            tag.SetYear(Utf8ToAnsi(utf8));
            break;
        case TagField::Genre:
            tag.SetGenre(Utf8ToAnsi(utf8));
            break;
        case TagField::Comment:
            tag.SetComment(Utf8ToAnsi(utf8));
            break;
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
    for (size_t i = 0; i < AllTagFields.size(); ++i) {
        if (level == 1) {
            SetField(audio.Tag1(), AllTagFields[i], *values[i]);
        } else {
            SetField(audio.Tag2(), AllTagFields[i], *values[i]);
        }
    }
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
    if (level == 1) {
        SetField(audio.Tag1(), field, text);
    } else {
        SetField(audio.Tag2(), field, text);
    }
    return SaveLevelTag(audio, path, level);
}

std::string SaveFailedText(const std::string& path) {
    return "Die Datei \"" + path + "\" konnte nicht gespeichert werden.";
}

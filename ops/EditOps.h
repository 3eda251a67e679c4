#pragma once

#include <array>
#include <string>

// The file work of the single-file editor and the batch wizard. Paths are the
// file system's bytes; texts are UTF-8, as the list rows and the tag classes
// hold them. Level 1 writes the ID3v1 tag, any other level the ID3v2 tag; the
// other version's tag is never touched.

// The six fields the editing tools handle, in the order they work on them.
enum class TagField { Artist, Album, Title, Year, Genre, Comment };
inline constexpr std::array<TagField, 6> AllTagFields{TagField::Artist, TagField::Album,
                                                      TagField::Title,  TagField::Year,
                                                      TagField::Genre,  TagField::Comment};

struct TagTexts {
    std::string Artist, Album, Title, Year, Genre, Comment;
};

enum class EditResult {
    Saved,
    Unreadable,  // the tag code could not read the file and has shown its message; nothing written
    NoFrame,     // the file has no audio frame any more; nothing written
    Failed,      // the save failed and nobody has told the user yet
};

// The editor's save: a new tag built from the six texts alone, replacing the
// level's tag (the file is not read first, so a track number or any other
// content of the old tag is gone). At level 1 the genre number is that of the
// genre text when it is one of the 148 names, else 255.
EditResult ReplaceTag(const std::string& path, int level, const TagTexts& texts);

// One step of the wizard: loads the file's tags afresh, sets one field of the
// level's tag and saves it, so everything else the file held survives.
EditResult WriteTagField(const std::string& path, int level, TagField field,
                         const std::string& text);

// "Die Datei "PATH" konnte nicht gespeichert werden."
std::string SaveFailedText(const std::string& path);

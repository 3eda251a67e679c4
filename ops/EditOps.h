#pragma once

#include <array>
#include <string>

#include "ops/TagOps.h"

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

// The editor's save: loads the level's tag from the file, sets the six
// fields from the texts and saves it, so the track number and everything
// else the tag holds stay. At level 1 the genre number is that of the genre
// text when it is one of the 148 names, else 255.
FileOutcome SaveTagTexts(const std::string& path, int level, const TagTexts& texts);

// One step of the wizard: loads the file's tags afresh, sets one field of the
// level's tag and saves it, so everything else the file held survives.
FileOutcome WriteTagField(const std::string& path, int level, TagField field,
                          const std::string& text);

// "Die Datei "PATH" konnte nicht gespeichert werden.", the path readable.
std::string SaveFailedText(const std::string& path);

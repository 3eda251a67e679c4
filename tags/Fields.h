#pragma once

// The six fields the tag tools edit, one vocabulary for the tag code, the
// tools, the list, the dialogs and the CLI: what each field is, and one
// struct of their six texts. Their German names stand with the other words
// in ops/Reasons.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/ID3v2Frames.h"

// In the order the tools work on them and the list shows them.
enum class TagField { Artist, Album, Title, Year, Genre, Comment };

struct FieldInfo {
    TagField Field;
    size_t Id3v1Room;         // the characters an ID3v1 tag holds of it
    size_t Id3v1Offset;       // where they stand in its 128-byte block
    id3v2::Field Id3v2;       // its frames: id3v2::FrameIDs(version)[Id3v2]
    std::string_view Option;  // the CLI's "--artist"
};

inline constexpr std::array<FieldInfo, 6> TagFields = {{
    {TagField::Artist, 30, 33, id3v2::FieldArtist, "--artist"},
    {TagField::Album, 30, 63, id3v2::FieldAlbum, "--album"},
    {TagField::Title, 30, 3, id3v2::FieldTitle, "--title"},
    {TagField::Year, 4, 93, id3v2::FieldYear, "--year"},
    {TagField::Genre, 0, 127, id3v2::FieldGenre, "--genre"},  // ID3v1: a number
    {TagField::Comment, 30, 97, id3v2::FieldComment, "--comment"},
}};
inline constexpr size_t TagFieldCount = TagFields.size();
static_assert([] {
    for (size_t i = 0; i < TagFieldCount; ++i)
        if (static_cast<size_t>(TagFields[i].Field) != i) return false;
    return true;
}());

constexpr size_t IndexOf(TagField field) {
    return static_cast<size_t>(field);
}
constexpr const FieldInfo& InfoOf(TagField field) {
    return TagFields[IndexOf(field)];
}

// Every field, in order, for range loops.
inline constexpr std::array<TagField, TagFieldCount> AllTagFields = [] {
    std::array<TagField, TagFieldCount> fields{};
    for (size_t i = 0; i < TagFieldCount; ++i) fields[i] = TagFields[i].Field;
    return fields;
}();

// The six texts of a tag or a row, UTF-8.
struct TagTexts {
    std::string Artist, Album, Title, Year, Genre, Comment;

    std::string& operator[](TagField field) { return this->*kMembers[IndexOf(field)]; }
    const std::string& operator[](TagField field) const { return this->*kMembers[IndexOf(field)]; }
    bool operator==(const TagTexts&) const = default;

  private:
    static constexpr std::array<std::string TagTexts::*, TagFieldCount> kMembers = {
        &TagTexts::Artist, &TagTexts::Album, &TagTexts::Title,
        &TagTexts::Year,   &TagTexts::Genre, &TagTexts::Comment};
};

// A tag's six texts through its getters (the genre as its name).
template <typename Tag>
TagTexts TextsOf(const Tag& tag) {
    return {tag.Artist(), tag.Album(), tag.Title(), tag.Year(), tag.Genre(), tag.Comment()};
}

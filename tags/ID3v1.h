#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/Fields.h"
#include "tags/GenreTable.h"
#include "tags/WritePath.h"

class CachedFile;

// One file's ID3v1 tag (the last 128 bytes of the file). Texts are UTF-8;
// the block holds them as Windows-1252, one byte per character, and the
// setters keep only what it can hold (a character without a byte as "?").
class TID3v1 {
  public:
    TID3v1();
    void ResetData();
    bool ReadFromFile(const std::string& fileName);
    bool RemoveFromFile(const std::string& fileName);
    bool SaveToFile(const std::string& fileName);

    bool Exists() const { return exists_; }
    uint8_t VersionID() const { return versionID_; }
    const std::string& Title() const { return texts_.Title; }
    void SetTitle(const std::string& value);
    const std::string& Artist() const { return texts_.Artist; }
    void SetArtist(const std::string& value);
    const std::string& Album() const { return texts_.Album; }
    void SetAlbum(const std::string& value);
    const std::string& Year() const { return texts_.Year; }
    void SetYear(const std::string& value);
    const std::string& Comment() const { return texts_.Comment; }
    void SetComment(const std::string& value);
    uint8_t Track() const { return track_; }
    uint8_t GenreID() const { return genreID_; }
    void SetGenreID(uint8_t value) { genreID_ = value; }
    std::string Genre() const;
    // A text field by its field, kept as the block holds it (its room in
    // TagFields); the genre is a number here (SetGenreID), so Genre is not
    // set by a text.
    void SetText(TagField field, const std::string& value);

    // Whether the last read failed because the file's last 128 bytes could
    // not be read (damaged, too short, not a file): the caller names it to
    // the user (UnreadableFileText), the reader says nothing itself.
    bool Unreadable() const { return unreadable_; }

    // The save as a change for a group of the write path, and the save with
    // its reason.
    writepath::TagChange Change(const std::string& fileName) const;
    writepath::Failure SaveChange(const std::string& fileName) const;

  private:
    // The analyser reads through the file it has open already.
    friend class TMPEGaudio;
    // ReadFromFile on an open file; closes it when the read fails, so that no
    // handle stays open while the caller's message waits for the user.
    bool ReadFromOpenFile(CachedFile& file);

    bool exists_ = false;
    bool unreadable_ = false;
    uint8_t versionID_ = 1;
    TagTexts texts_;  // the genre is a number (genreID_): its text stays empty
    uint8_t track_ = 0;
    uint8_t genreID_ = 255;
};

// The routines behind TID3v1, open to tests.
namespace id3v1 {

// The last 128 bytes of a file, as they stand.
using TagRecord = std::array<uint8_t, 128>;

// Reads the last 128 bytes; on failure shows the one message of the tag code
// and returns false.
bool ReadTag(const std::string& fileName, TagRecord& tag);
// The same on an open file, without the message.
bool ReadTag(CachedFile& file, TagRecord& tag);
// 2 for version 1.1 (a track number in byte 126), otherwise 1.
uint8_t GetTagVersion(const TagRecord& tag);
// Cuts the last 128 bytes off the file.
bool DeleteTag(const std::string& fileName);
// Appends the block, or, with overwriteLast, writes it over the file's last
// 128 bytes where they are a block.
bool SaveTag(const std::string& fileName, const TagRecord& tag, bool overwriteLast = false);
// Drops trailing blanks (bytes 0..32), then keeps at most maxLength bytes.
std::string TrimAndCut(const std::string& value, size_t maxLength);
// A UTF-8 value as a field of maxLength bytes holds it: one Windows-1252
// byte per character (a character without one becomes "?"), so the limit
// counts characters.
std::string FieldValue(const std::string& utf8, size_t maxLength);

}  // namespace id3v1

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/ID3v2Frames.h"
#include "tags/WritePath.h"

class CachedFile;

// One file's ID3v2 tag at the start of the file: seven fields read from a
// version 2.2, 2.3 or 2.4 tag, texts in UTF-8. A save writes the tag back in
// its own version (a new tag as version 2.3) and changes only the fields
// whose value differs from what the file holds; every other frame stays.
class TID3v2 {
  public:
    TID3v2();
    void ResetData();
    bool ReadFromFile(const std::string& fileName);
    bool SaveToFile(const std::string& fileName);
    // The save as a change for a group of the write path, and the save with
    // its reason.
    writepath::TagChange Change(const std::string& fileName) const;
    writepath::Failure SaveChange(const std::string& fileName) const;

    bool Exists() const { return exists_; }
    uint8_t VersionID() const { return versionID_; }
    int32_t Size() const { return size_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value);
    const std::string& Artist() const { return artist_; }
    void SetArtist(const std::string& value);
    const std::string& Album() const { return album_; }
    void SetAlbum(const std::string& value);
    uint8_t Track() const { return track_; }
    const std::string& Year() const { return year_; }
    void SetYear(const std::string& value);
    const std::string& Genre() const { return genre_; }
    void SetGenre(const std::string& value);
    const std::string& Comment() const { return comment_; }
    void SetComment(const std::string& value);
    // The tag's frames were read: it exists, is of a known version and its
    // size is true. An existing tag that is not readable has empty fields.
    bool Readable() const { return readable_; }
    // The ids of the frames that are none of the seven fields, in file order;
    // as one text, separated by spaces.
    std::vector<std::string> OtherFrameIDs() const;
    const std::string& OtherFrameIDList() const { return otherFrameIDs_; }

  private:
    // The analyser reads through the file it has open already.
    friend class TMPEGaudio;
    // readBehind: see ReadFrames.
    bool ReadFromOpenFile(CachedFile& file, size_t readBehind = 0);

    bool exists_ = false;
    bool readable_ = false;
    uint8_t versionID_ = 0;
    int32_t size_ = 0;
    std::string title_, artist_, album_;
    uint8_t track_ = 0;
    std::string year_, genre_, comment_;
    std::string otherFrameIDs_;
};

// The routines behind TID3v2, open to tests.
namespace id3v2 {

inline constexpr size_t kHeaderSize = 10;
// The frame area is read in pieces of at most this size: big enough for the
// text frames of nearly every tag at once, small enough that a tag full of
// pictures is not copied whole.
inline constexpr size_t kTagChunk = 64 * 1024;

// Header flags.
inline constexpr uint8_t kFlagUnsync = 0x80;
inline constexpr uint8_t kFlagExtendedHeader = 0x40;  // 2.3, 2.4; in 2.2: compression
inline constexpr uint8_t kFlagFooter = 0x10;          // 2.4

// The image of one tag while it is read.
struct TagInfo {
    std::array<char, 3> ID{};
    uint8_t Version = 0;
    uint8_t Revision = 0;
    uint8_t Flags = 0;
    std::array<uint8_t, 4> Size{};
    int64_t FileSize = 0;
    // The text of each field's frame (its strings joined by a zero byte):
    // the last frame of an id, for the comment the first one without a
    // description.
    std::array<std::string, FieldCount> Frame;
    std::array<bool, FieldCount> Found{};
    std::string CommentLanguage;  // of the comment's frame
    // The ids of the frames of no field, in file order, separated by spaces:
    // a few bytes a frame, however many frames a tag has.
    std::string OtherIDs;
};

// One frame of a tag, placed in its frame area; consecutive whole frames of
// no field are one FrameRef (FieldIndex -1), so a tag of many frames costs
// few of them.
struct FrameRef {
    size_t Start = 0;      // the frame header
    size_t End = 0;        // behind the data, as far as the frame area holds it
    bool Complete = true;  // the whole frame lies inside the frame area
    int FieldIndex = -1;   // a Field, or -1 for any other frame
};

// A whole tag in memory, as a save finds it. Body views the bytes that were
// parsed, which must outlive it, or Undone; so it is not copied.
struct ParsedTag {
    ParsedTag() = default;
    ParsedTag(const ParsedTag&) = delete;
    ParsedTag& operator=(const ParsedTag&) = delete;

    TagInfo Info;
    // The frame area: header and extended header cut off; in 2.2 and 2.3
    // with the tag's unsynchronisation undone (the bytes held in Undone).
    std::string_view Body;
    std::string Undone;
    std::vector<FrameRef> Frames;
};

// The seven field values as reading gives them.
struct FieldValues {
    std::string Title, Artist, Album;
    uint8_t Track = 0;
    std::string Year, Genre, Comment;
    bool operator==(const FieldValues&) const = default;
};

// Reads the 10 header bytes and the file's size; false when fewer than 10
// bytes could be read.
bool ReadHeader(const std::string& fileName, TagInfo& tag);
bool ReadHeader(CachedFile& file, TagInfo& tag);
// The header fields of the 10 bytes (FileSize is left to the caller).
void FillHeader(TagInfo& tag, const uint8_t* bytes);
// The header of a tag held whole in memory, its footer settled from the
// bytes and FileSize their length; ID empty when there are fewer than 10.
TagInfo HeaderOfTag(std::string_view tagBytes);
bool IsId3(const TagInfo& tag);
// A 2.4 tag may claim a footer that is not there. Where the flag is set,
// FooterOffset is where its "3DI" must stand; SettleFooter, given what stands
// there, clears the flag when it is not "3DI", so those bytes stay audio.
bool ClaimsFooter(const TagInfo& tag);
uint64_t FooterOffset(const TagInfo& tag);
void SettleFooter(TagInfo& tag, std::string_view found);
// Whole tag size, header and a 2.4 footer included; 0 when it claims more
// than the file has.
int32_t GetTagSize(const TagInfo& tag);
// True when the tag's frames can be read (a known version, not a whole-tag
// compression of 2.2) and its size is true.
bool HasReadableFrames(const TagInfo& tag);
// Walks the frames of the tag in the open file (its size at opening bounds
// the walk) and fills the Frame texts and OtherIDs. A piece read near the
// tag's end takes up to readBehind bytes behind it along, for a caller that
// reads there next.
void ReadFrames(CachedFile& file, TagInfo& tag, size_t readBehind = 0);
// The same on a whole tag in memory (its first GetTagSize bytes), keeping
// every frame's place; false when the tag's frames cannot be read.
// OtherIDs is filled only when asked for (a save does not need it).
bool ParseTag(std::string_view tagBytes, TagInfo header, ParsedTag& parsed,
              bool withOtherIds = false);
// The field values of the Frame texts.
FieldValues ValuesOf(const TagInfo& tag);

// The new tag for the values: every frame keeps its place; the fields whose
// value equals what the old tag gives keep their frames, each other field
// gets one new frame (none when empty) where its first frame stood, or
// behind all frames when it had none. Without an old tag (nullptr) a version
// 2.3 tag of the fields alone. Nothing when the tag would be too large.
std::optional<std::string> ComposeTag(const FieldValues& values, const ParsedTag* old);
// The same into tag (its old content replaced, its room used); false when
// the tag would be too large.
bool ComposeTagInto(const FieldValues& values, const ParsedTag* old, std::string& tag);

// The tag that compose makes of the file's current tag (nullptr when the
// file has none whose frames can be read) takes the place of the file's
// ID3v2 area, through the write path (WritePath.h): a tag that fits the area
// is padded to fill it, so only the changed bytes are written, and one that
// does not is given room to grow (GrownRoom). On any failure the file stays
// as it was.
// compose fills tag (its old content replaced) and returns false when it
// cannot make one.
using TagComposer = std::function<bool(const ParsedTag* old, std::string& tag)>;
bool RebuildFile(const std::string& fileName, const TagComposer& compose);
// The same with a tag given whole, put there exactly as it is.
bool RebuildFile(const std::string& fileName, const std::string& newTag);
// What RebuildFile gives the write path; pad as described there.
writepath::HeadComposer HeadOf(TagComposer compose, bool pad);
// Pads the tag with zero bytes behind its frames up to room bytes, or, when
// it is larger, up to the grown room; the header's size follows.
void FitTag(std::string& tag, int64_t room);

}  // namespace id3v2

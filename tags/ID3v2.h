#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/Fields.h"
#include "tags/ID3v2Frames.h"
#include "tags/ID3v2Header.h"
#include "tags/WritePath.h"

class CachedFile;

namespace id3v2 {

// The field values as reading gives them: the six texts and the track.
struct FieldValues {
    TagTexts Texts;
    uint8_t Track = 0;
    bool operator==(const FieldValues&) const = default;
};

}  // namespace id3v2

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
    const std::string& Title() const { return values_.Texts.Title; }
    void SetTitle(const std::string& value) { SetText(TagField::Title, value); }
    const std::string& Artist() const { return values_.Texts.Artist; }
    void SetArtist(const std::string& value) { SetText(TagField::Artist, value); }
    const std::string& Album() const { return values_.Texts.Album; }
    void SetAlbum(const std::string& value) { SetText(TagField::Album, value); }
    uint8_t Track() const { return values_.Track; }
    const std::string& Year() const { return values_.Texts.Year; }
    void SetYear(const std::string& value) { SetText(TagField::Year, value); }
    const std::string& Genre() const { return values_.Texts.Genre; }
    void SetGenre(const std::string& value) { SetText(TagField::Genre, value); }
    const std::string& Comment() const { return values_.Texts.Comment; }
    void SetComment(const std::string& value) { SetText(TagField::Comment, value); }
    // Any of the six by its field; stored as it will be written.
    const TagTexts& Texts() const { return values_.Texts; }
    void SetText(TagField field, const std::string& value);
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
    id3v2::FieldValues values_;
    std::string otherFrameIDs_;
};

// The routines behind TID3v2, open to tests.
namespace id3v2 {

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
    // The frame area: the header cut off; in 2.2 and 2.3
    // with the tag's unsynchronisation undone (the bytes held in Undone).
    std::string_view Body;
    std::string Undone;
    // Where the first frame stands in Body: behind an extended header.
    size_t FramesBegin = 0;
    std::vector<FrameRef> Frames;
};

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

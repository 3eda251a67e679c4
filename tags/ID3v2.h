#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CachedFile;

// One file's ID3v2 tag at the start of the file: read for version 2.3,
// always written as version 2.3 with the seven fields below.
class TID3v2 {
  public:
    TID3v2();
    void ResetData();
    bool ReadFromFile(const std::string& fileName);
    bool SaveToFile(const std::string& fileName);

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

  private:
    // The analyser reads through the file it has open already.
    friend class TMPEGaudio;
    // readBehind: see ReadFrames.
    bool ReadFromOpenFile(CachedFile& file, size_t readBehind = 0);

    bool exists_ = false;
    uint8_t versionID_ = 0;
    int32_t size_ = 0;
    std::string title_, artist_, album_;
    uint8_t track_ = 0;
    std::string year_, genre_, comment_;
};

// The routines behind TID3v2, open to tests.
namespace id3v2 {

// The frames read and written, in this order; the position is the index into
// TagInfo::Frame.
inline constexpr std::array<std::string_view, 7> FrameIDs = {"TIT2", "TPE1", "TALB", "TRCK",
                                                             "TYER", "TCON", "COMM"};

// Frame data beyond this many bytes is not read.
inline constexpr size_t kMaxFrameData = 250;
// The frame area is read in pieces of at most this size: big enough for the
// text frames of nearly every tag at once, small enough that a tag full of
// pictures is not copied whole.
inline constexpr size_t kTagChunk = 64 * 1024;

// The image of one tag while it is read or built.
struct TagInfo {
    std::array<char, 3> ID{};
    uint8_t Version = 0;
    uint8_t Revision = 0;
    uint8_t Flags = 0;
    std::array<uint8_t, 4> Size{};
    int64_t FileSize = 0;
    std::array<std::string, 7> Frame;
};

// Reads the 10 header bytes and the file's size; false when fewer than 10
// bytes could be read.
bool ReadHeader(const std::string& fileName, TagInfo& tag);
bool ReadHeader(CachedFile& file, TagInfo& tag);
// Whole tag size, header included; 0 when it claims more than the file has.
int32_t GetTagSize(const TagInfo& tag);
// Walks the frames of the tag and stores the seven known ones (at most 250
// bytes of data each; UTF-16 text turned into Windows-1252 bytes).
void ReadFrames(const std::string& fileName, TagInfo& tag);
// The same on an open file, whose size at opening bounds the walk. A piece
// read near the tag's end takes up to readBehind bytes behind it along, for
// a caller that reads there next.
void ReadFrames(CachedFile& file, TagInfo& tag, size_t readBehind = 0);
// Stores text under the frame id when it is one of FrameIDs.
void SetTagItem(std::string_view id, const std::string& text, TagInfo& tag);
// A frame's data as read (up to 250 bytes) in the form of an 8-bit frame:
// encoding byte 1 (UTF-16 with byte-order mark) is decoded, for "COMM" the
// description and the text each, joined by one zero byte.
std::string DecodeFrameData(std::string_view id, std::string_view data);
// Track number of a "TRCK" text: the integer before the first "/", modulo
// 256; 0 when it is not a number.
uint8_t ExtractTrack(const std::string& text);
// Genre of a "TCON" text: everything after its last ")".
std::string ExtractGenre(const std::string& text);
// Fills header fields and size bytes from the Frame texts.
void BuildHeader(TagInfo& tag);
// Header and frames of a new version 2.3 tag (BuildHeader must have run).
std::string ComposeTag(const TagInfo& tag);
// Writes newTag followed by the file's content behind its old tag into a
// buffer file ("~" appended to the name), flushes it and renames it over the
// file. On any failure the file stays as it was and the result is false.
bool RebuildFile(const std::string& fileName, const std::string& newTag);

}  // namespace id3v2

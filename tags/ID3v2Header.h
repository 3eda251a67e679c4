#pragma once

// The 10-byte header of an ID3v2 tag and what it says of the tag's size: all
// the write path needs to know of a file's tag area.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/ID3v2Frames.h"

class CachedFile;

namespace id3v2 {

inline constexpr size_t kHeaderSize = 10;
inline constexpr size_t kFooterSize = 10;  // 2.4
// The size field holds 28 bits.
inline constexpr size_t kMaxTagBody = size_t{1} << 28;
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

// Where the frame area ends: behind the header and the declared size.
size_t AreaEnd(const TagInfo& tag);
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

}  // namespace id3v2

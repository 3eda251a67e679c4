#pragma once

// The pictures of an ID3v2 tag: "APIC" frames (2.3, 2.4) and "PIC" (2.2).
// They are read from a parsed tag and changed by rebuilding it: every other
// frame keeps its bytes and its place, a picture left alone keeps its frame
// as it stands, a changed one is written anew where it stood, and a new one
// follows the other frames.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/ID3v2.h"

namespace id3v2 {

inline constexpr uint8_t kFrontCover = 3;
inline constexpr uint8_t kPictureTypeCount = 21;  // 0 .. 20

struct Picture {
    uint8_t Type = kFrontCover;
    std::string Mime;  // as stored: "image/jpeg"; in 2.2 its format, "JPG"
    uint8_t Encoding = 0;
    std::string Description;     // UTF-8
    std::string RawDescription;  // the stored bytes with their terminator
    size_t DataSize = 0;
    std::string Data;  // only when asked for
    // Where it came from: the index among the tag's pictures, -1 for a new
    // one. A picture whose Changed is set is written anew.
    int Origin = -1;
    bool Changed = false;
    size_t FrameStart = 0;  // of an old one: its frame's place in the frame area
};

// "image/jpeg" or "image/png" for the stored MIME type or 2.2 format; the
// stored text, lower case, for any other.
std::string MimeOf(const Picture& picture);

// The pictures of the tag in frame order; the data only with withData.
std::vector<Picture> PicturesOf(const ParsedTag& tag, bool withData);

// Reads the file's ID3v2 tag and gives its pictures; nothing when the file
// cannot be read, an empty list for a file with no readable tag.
std::optional<std::vector<Picture>> ReadPictures(const std::string& path, bool withData);

// A new picture of the tag's version: type, MIME type ("image/jpeg",
// "image/png"), empty description.
Picture NewPicture(uint8_t type, std::string mime, std::string data);

// Changes the list of a tag's pictures (given with their data); false when
// there is nothing to change, which leaves the file alone.
using PictureEditor = std::function<bool(std::vector<Picture>& pictures, uint8_t version)>;

// The composer of RebuildFile and HeadOf for an edit of the pictures. A
// file without a tag gets a 2.3 tag of its pictures alone.
TagComposer PictureComposer(PictureEditor edit);

}  // namespace id3v2

#pragma once

// The frame level of ID3v2 for every version read (2.2, 2.3, 2.4): frame
// ids and headers, the format flags, the text encodings, and the rules that
// turn a frame's text into a field value. Texts in and out are UTF-8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace id3v2 {

// The seven fields, in the order their frames are written.
enum Field : int {
    FieldTitle,
    FieldArtist,
    FieldAlbum,
    FieldTrack,
    FieldYear,
    FieldGenre,
    FieldComment,
    FieldCount
};

// Versions whose frames are read and written in their own form.
bool IsKnownVersion(uint8_t version);

// The frame ids of the seven fields in a version, by Field.
const std::array<std::string_view, FieldCount>& FrameIDs(uint8_t version);

// Frame header layout: 2.2 has three-letter ids and a three-byte size.
size_t FrameIdSize(uint8_t version);
size_t FrameHeaderSize(uint8_t version);

// A frame header as found.
struct FrameHeaderInfo {
    std::string Id;
    uint32_t Size = 0;  // frame data bytes as declared
    uint16_t Flags = 0;
};

// Parses a frame header of the version from bytes (at least
// FrameHeaderSize); nothing when no frame starts there (padding, a
// lower-case id, a size that a signed reader takes as negative).
std::optional<FrameHeaderInfo> ParseFrameHeader(uint8_t version, std::string_view bytes);

// A frame's content with its format flags undone (grouping byte and data
// length skipped, 2.4 unsynchronisation removed, also when tagUnsync says the
// whole 2.4 tag is unsynchronised); nothing for a compressed or encrypted
// frame.
std::optional<std::string> FrameContent(uint8_t version, uint16_t flags, bool tagUnsync,
                                        std::string data);

// Undoes and applies unsynchronisation: a zero byte after every 0xFF that
// is followed by a zero or a byte of 0xE0 or more, or that ends the data.
std::string RemoveUnsync(std::string_view data);
std::string AddUnsync(std::string_view data);

// Strings of the given encoding (0 Windows-1252, 1 UTF-16 with byte-order
// mark, little-endian without one, 2 UTF-16 big-endian, 3 UTF-8, any other
// as 0) as UTF-8, each ended by its terminator or the end of the data,
// joined by one zero byte.
std::string DecodeStrings(uint8_t encoding, std::string_view bytes);

// A text frame's content: the encoding byte, then its strings.
std::string DecodeTextFrame(std::string_view content);

// A comment frame's content: encoding, language, description, text.
struct CommentFrame {
    std::string Language;  // the three bytes as they stand; empty when cut off
    std::string Description;
    std::string Text;
};
CommentFrame DecodeCommentFrame(std::string_view content);

// Track number of a "TRCK" text: the integer before the first "/", modulo
// 256; 0 when it is not a number.
uint8_t ExtractTrack(const std::string& text);
// Genre of a "TCON" text: everything after its last ")".
std::string ExtractGenre(const std::string& text);
// The genre a value stands for: the rule above, and where that leaves
// nothing, the name of a genre number in the last parentheses ("(17)");
// with plainNumbers (version 2.4) also of a value that is only a number.
std::string GenreOf(std::string_view value, bool plainNumbers);

// The field value of a frame text as the version reads it: blanks cut at
// both ends; in 2.4 the frame's several strings trimmed each, empty ones
// dropped, and joined by " / " (the genre per string as above, the track
// from the first string).
std::string TextValue(uint8_t version, Field field, const std::string& frameText);
uint8_t TrackValue(uint8_t version, const std::string& frameText);

// How a frame that a new one replaces ended its text: with a terminator or
// without. The new frame does the same, so an edit of the same length keeps
// the frame's size and moves nothing behind it (a 2.4 tagger's "1999\0" in
// UTF-8 becomes "2023\0" in Latin-1).
struct TextStyle {
    bool Terminated = false;
};
// The style of a frame's data (a text or comment frame's, flags undone).
TextStyle StyleOfFrameData(std::string_view data);

// Frame data of a new text frame, and of a new comment frame with an empty
// description: encoding 0 when every character lies in U+0001..U+00FF,
// otherwise UTF-16 with byte-order mark (2.2, 2.3) or UTF-8 (2.4); with a
// terminator when the style has one.
std::string EncodeTextFrame(uint8_t version, std::string_view text, TextStyle style = {});
std::string EncodeCommentFrame(uint8_t version, std::string_view language, std::string_view text,
                               TextStyle style = {});

// A whole new frame: header of the version with zero flags (2.4 with
// unsync: the data unsynchronised and its frame flag set), then the data.
// Nothing when the data is too large for the version's size field.
std::optional<std::string> BuildFrame(uint8_t version, std::string_view id, std::string_view data,
                                      bool unsync = false);
// The same appended to out, its data given in parts (a picture's head and
// its image, which is then copied once); false, out as it was, when too
// large.
bool AppendFrame(uint8_t version, std::string_view id,
                 std::initializer_list<std::string_view> parts, bool unsync, std::string& out);

}  // namespace id3v2

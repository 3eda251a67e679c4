#pragma once

// Converting an ID3v2 tag to version 2.3 or 2.4, for the players that read
// only one of them. Every frame keeps its order and its content; what
// changes is what the versions write differently: frame ids (2.2's three
// letters, the dates, the people lists), frame headers and flags, text
// encodings (UTF-8 and UTF-16BE exist in 2.4 only) and how a frame holds
// several values (2.4: one string each, 2.3: joined by "/"). A frame of an
// id the target does not define stays under its id, its texts in the
// target's encodings: players skip it, taggers read it. The new tag has no
// unsynchronisation, extended header or footer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/ID3v2.h"

namespace id3v2 {

// What the target could not take of a frame; the rest of the tag is
// carried whole.
enum class LossKind {
    NoFrame,    // a 2.2 frame with no later id, or a frame that points into the old tag
    Sealed,     // compressed or encrypted, and its text or header would have to change
    Precision,  // a date more precise than the target's frames hold
    Damaged,    // bytes behind the last frame that can be read
};
struct Loss {
    std::string Id;
    LossKind Kind = LossKind::NoFrame;
    bool operator==(const Loss&) const = default;
};

struct ConvertOptions {
    uint8_t Target = 3;   // 3 or 4
    bool Latin1 = false;  // "nur ISO-8859-1, wo möglich": every text that fits it
};

struct Conversion {
    // False when the tag is of the target version already and no frame
    // changes: nothing to do.
    bool Changed = false;
    std::vector<Loss> Losses;
};

// The tag that old becomes: the header (no flags) and the frames, no
// padding. False when it would be too large for the target.
bool ConvertTag(const ParsedTag& old, const ConvertOptions& options, std::string& tag,
                Conversion& result);

// Each frame of the tag in order: its id, and the encoding byte of its texts
// (-1 for a frame without texts, or whose texts are compressed or
// encrypted).
struct FrameEncoding {
    std::string Id;
    int Encoding = -1;
};
std::vector<FrameEncoding> FrameEncodings(const ParsedTag& tag);

// The 2.3 id of a 2.2 frame; empty when there is none.
std::string_view IdOf22(std::string_view id);

// Appends the frame content in the target's text encodings to out (the
// layout of the frame's id decides which bytes are texts); join: a 2.4
// frame's several values go into one, as 2.3 holds them. False, with out
// as it was, for content without texts or already as wanted.
bool RecodeContent(std::string_view id, std::string_view content, uint8_t target, bool latin1,
                   bool join, std::string& out);

// Whether frames of the id hold texts of an encoding that the conversion
// may change.
bool HasTexts(std::string_view id);

// A text frame's content of the strings (UTF-8): ISO-8859-1 where every
// one fits it, otherwise UTF-16 with byte-order mark (2.3) or UTF-8 (2.4).
std::string NewTextContent(uint8_t target, const std::vector<std::string>& strings);
// The strings of a text frame's content, as UTF-8.
std::vector<std::string> TextStrings(std::string_view content);

}  // namespace id3v2

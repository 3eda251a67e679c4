#include "tags/ID3v2Frames.h"

#include <limits>

#include "tags/ByteOrder.h"
#include "tags/GenreTable.h"
#include "tags/Text.h"

namespace id3v2 {
namespace {

constexpr std::array<std::string_view, FieldCount> kIds22 = {"TT2", "TP1", "TAL", "TRK",
                                                             "TYE", "TCO", "COM"};
constexpr std::array<std::string_view, FieldCount> kIds23 = {"TIT2", "TPE1", "TALB", "TRCK",
                                                             "TYER", "TCON", "COMM"};
constexpr std::array<std::string_view, FieldCount> kIds24 = {"TIT2", "TPE1", "TALB", "TRCK",
                                                             "TDRC", "TCON", "COMM"};

// Format flags (the low byte of a frame's flags).
constexpr uint8_t k23Compressed = 0x80, k23Encrypted = 0x40, k23Grouped = 0x20;
constexpr uint8_t k24Grouped = 0x40, k24Compressed = 0x08, k24Encrypted = 0x04, k24Unsync = 0x02,
                  k24DataLength = 0x01;

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

bool IsUtf16(uint8_t encoding) {
    return encoding == 1 || encoding == 2;
}

// Where the string from pos on ends (its terminator or the end), and where
// the next one begins.
std::pair<size_t, size_t> StringEnd(uint8_t encoding, std::string_view bytes, size_t pos) {
    if (IsUtf16(encoding)) {
        for (size_t i = pos; i + 2 <= bytes.size(); i += 2) {
            if (bytes[i] == '\0' && bytes[i + 1] == '\0') return {i, i + 2};
        }
        return {bytes.size(), bytes.size()};
    }
    const size_t zero = bytes.find('\0', pos);
    if (zero == std::string_view::npos) return {bytes.size(), bytes.size()};
    return {zero, zero + 1};
}

std::string DecodeString(uint8_t encoding, std::string_view bytes) {
    switch (encoding) {
        case 1: {
            bool bigEndian = false;
            if (bytes.starts_with("\xFE\xFF")) {
                bigEndian = true;
                bytes.remove_prefix(2);
            } else if (bytes.starts_with("\xFF\xFE")) {
                bytes.remove_prefix(2);
            }
            return Utf16ToUtf8(bytes, bigEndian);
        }
        case 2:
            if (bytes.starts_with("\xFE\xFF")) bytes.remove_prefix(2);
            return Utf16ToUtf8(bytes, true);
        case 3:
            return ValidUtf8(bytes);
        default:
            return AnsiToUtf8(bytes);
    }
}

// The strings of a frame text (split at the zero bytes that join them).
template <typename Visit>
void ForEachString(const std::string& text, Visit visit) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        visit(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
}

std::string NameOfNumber(std::string_view digits) {
    const auto number = GenreNumberOf(digits);
    return number ? std::string(GenreNames[*number]) : std::string();
}

// Text and encoding byte of a new frame's text.
std::pair<uint8_t, std::string> EncodeText(uint8_t version, std::string_view text) {
    if (auto latin1 = Utf8ToLatin1(text)) return {0, std::move(*latin1)};
    if (version == 4) return {3, ValidUtf8(text)};
    // Every string gets its own byte-order mark, as the reader expects one.
    std::string utf16;
    for (size_t start = 0;;) {
        const size_t zero = std::min(text.find('\0', start), text.size());
        utf16 += "\xFF\xFE" + Utf8ToUtf16(text.substr(start, zero - start), false);
        if (zero == text.size()) break;
        utf16.append(2, '\0');
        start = zero + 1;
    }
    return {1, utf16};
}

std::string Terminator(uint8_t encoding, bool terminated) {
    if (!terminated) return {};
    return std::string(IsUtf16(encoding) ? 2 : 1, '\0');
}

}  // namespace

bool IsKnownVersion(uint8_t version) {
    return version >= 2 && version <= 4;
}

const std::array<std::string_view, FieldCount>& FrameIDs(uint8_t version) {
    if (version == 2) return kIds22;
    return version == 4 ? kIds24 : kIds23;
}

size_t FrameIdSize(uint8_t version) {
    return version == 2 ? 3 : 4;
}

size_t FrameHeaderSize(uint8_t version) {
    return version == 2 ? 6 : 10;
}

std::optional<FrameHeaderInfo> ParseFrameHeader(uint8_t version, std::string_view bytes) {
    if (bytes.size() < FrameHeaderSize(version)) return std::nullopt;
    if (bytes[0] < 'A' || bytes[0] > 'Z') return std::nullopt;  // padding or the end of the frames
    FrameHeaderInfo info;
    info.Id = std::string(bytes.substr(0, FrameIdSize(version)));
    const auto raw = Bytes(bytes);
    if (version == 2) {
        info.Size = (uint32_t{raw[3]} << 16) | (uint32_t{raw[4]} << 8) | raw[5];
        return info;
    }
    const auto sizeBytes = raw.subspan(4, 4);
    if (version == 4 && ((raw[4] | raw[5] | raw[6] | raw[7]) & 0x80) == 0) {
        info.Size = *ReadSynchsafe32(sizeBytes);
    } else {
        // 2.3, and 2.4 frames of writers that put a plain number there.
        info.Size = *ReadBigEndian32(sizeBytes);
        if (info.Size > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
            return std::nullopt;
    }
    info.Flags = static_cast<uint16_t>((raw[8] << 8) | raw[9]);
    return info;
}

std::optional<std::string> FrameContent(uint8_t version, uint16_t flags, bool tagUnsync,
                                        std::string data) {
    const auto format = static_cast<uint8_t>(flags & 0xFF);
    size_t skip = 0;
    if (version == 3) {
        if (format & (k23Compressed | k23Encrypted)) return std::nullopt;
        skip = (format & k23Grouped) ? 1 : 0;
    } else if (version == 4) {
        if (format & (k24Compressed | k24Encrypted)) return std::nullopt;
        skip = ((format & k24Grouped) ? 1 : 0) + ((format & k24DataLength) ? 4 : 0);
    }
    data.erase(0, std::min(skip, data.size()));
    if (version == 4 && ((format & k24Unsync) || tagUnsync)) return RemoveUnsync(data);
    return data;
}

std::string RemoveUnsync(std::string_view data) {
    std::string out;
    out.reserve(data.size());
    for (size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (data[i] == '\xFF' && i + 1 < data.size() && data[i + 1] == '\0') ++i;
    }
    return out;
}

std::string AddUnsync(std::string_view data) {
    std::string out;
    out.reserve(data.size() + data.size() / 64 + 1);
    for (size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (data[i] != '\xFF') continue;
        if (i + 1 == data.size() || data[i + 1] == '\0' ||
            static_cast<uint8_t>(data[i + 1]) >= 0xE0) {
            out += '\0';
        }
    }
    return out;
}

std::string DecodeStrings(uint8_t encoding, std::string_view bytes) {
    std::string out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const auto [end, next] = StringEnd(encoding, bytes, pos);
        if (pos > 0) out += '\0';
        out += DecodeString(encoding, bytes.substr(pos, end - pos));
        // A terminator at the very end closes the last string.
        if (next < bytes.size() || end == bytes.size()) {
            pos = next;
        } else {
            break;
        }
    }
    return out;
}

std::string DecodeTextFrame(std::string_view content) {
    if (content.empty()) return {};
    return DecodeStrings(static_cast<uint8_t>(content[0]), content.substr(1));
}

CommentFrame DecodeCommentFrame(std::string_view content) {
    CommentFrame comment;
    if (content.size() < 4) return comment;
    const auto encoding = static_cast<uint8_t>(content[0]);
    comment.Language = std::string(content.substr(1, 3));
    const std::string_view rest = content.substr(4);
    const auto [end, next] = StringEnd(encoding, rest, 0);
    comment.Description = DecodeString(encoding, rest.substr(0, end));
    comment.Text = DecodeStrings(encoding, rest.substr(next));
    return comment;
}

uint8_t ExtractTrack(const std::string& text) {
    std::string part = TrimBlanks(text, true);
    if (const size_t slash = part.find('/'); slash != std::string::npos) part.resize(slash);
    size_t i = 0;
    while (i < part.size() && part[i] == ' ') ++i;
    bool negative = false;
    if (i < part.size() && (part[i] == '+' || part[i] == '-')) negative = part[i++] == '-';
    int base = 10;
    if (i < part.size() && part[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < part.size() && part[i] == '0' &&
               (part[i + 1] == 'x' || part[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= part.size()) return 0;
    uint64_t value = 0;
    for (; i < part.size(); ++i) {
        const char c = part[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return 0;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        // Beyond a 32-bit integer the text is no number at all.
        const uint64_t limit =
            base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (value > limit) return 0;
    }
    const uint32_t bits = static_cast<uint32_t>(value);
    return static_cast<uint8_t>(negative ? 0u - bits : bits);
}

std::string ExtractGenre(const std::string& text) {
    std::string genre = TrimBlanks(text, true);
    if (const size_t close = genre.rfind(')'); close != std::string::npos)
        genre.erase(0, close + 1);
    return genre;
}

std::string GenreOf(std::string_view value, bool plainNumbers) {
    const std::string trimmed = TrimBlanks(value, true);
    std::string genre = ExtractGenre(trimmed);
    if (!genre.empty()) {
        if (plainNumbers) {
            if (std::string name = NameOfNumber(genre); !name.empty()) return name;
        }
        return genre;
    }
    const size_t close = trimmed.rfind(')');
    if (close == std::string::npos) return {};
    const size_t open = trimmed.rfind('(', close);
    if (open == std::string::npos) return {};
    return NameOfNumber(std::string_view(trimmed).substr(open + 1, close - open - 1));
}

std::string TextValue(uint8_t version, Field field, const std::string& frameText) {
    if (version != 4) {
        return field == FieldGenre ? GenreOf(frameText, false) : TrimBlanks(frameText, true);
    }
    std::string joined;
    ForEachString(frameText, [&](std::string_view part) {
        const std::string value =
            field == FieldGenre ? GenreOf(part, true) : TrimBlanks(part, true);
        if (value.empty()) return;
        if (!joined.empty()) joined += " / ";
        joined += value;
    });
    return joined;
}

uint8_t TrackValue(uint8_t version, const std::string& frameText) {
    if (version != 4) return ExtractTrack(frameText);
    return ExtractTrack(frameText.substr(0, frameText.find('\0')));
}

TextStyle StyleOfFrameData(std::string_view data) {
    if (data.empty() || static_cast<uint8_t>(data[0]) > 3) return {};
    const auto encoding = static_cast<uint8_t>(data[0]);
    const size_t unit = IsUtf16(encoding) ? 2 : 1;
    return {data.size() >= 1 + unit && data.substr(data.size() - unit) == std::string(unit, '\0') &&
            (unit == 1 || (data.size() - 1) % 2 == 0)};
}

std::string EncodeTextFrame(uint8_t version, std::string_view text, TextStyle style) {
    auto [encoding, bytes] = EncodeText(version, text);
    return static_cast<char>(encoding) + bytes + Terminator(encoding, style.Terminated);
}

std::string EncodeCommentFrame(uint8_t version, std::string_view language, std::string_view text,
                               TextStyle style) {
    auto [encoding, bytes] = EncodeText(version, text);
    std::string data(1, static_cast<char>(encoding));
    data += language;
    // The empty description with its terminator.
    data += IsUtf16(encoding) ? std::string("\xFF\xFE\0\0", 4) : std::string(1, '\0');
    return data + bytes + Terminator(encoding, style.Terminated);
}

std::optional<std::string> BuildFrame(uint8_t version, std::string_view id, std::string_view data,
                                      bool unsync) {
    std::string frame;
    if (!AppendFrame(version, id, {data}, unsync, frame)) return std::nullopt;
    return frame;
}

bool AppendFrame(uint8_t version, std::string_view id,
                 std::initializer_list<std::string_view> parts, bool unsync, std::string& out) {
    std::string undone;
    if (unsync && version == 4) {
        for (const std::string_view part : parts) undone += part;
        undone = AddUnsync(undone);
    }
    size_t length = undone.size();
    if (!(unsync && version == 4))
        for (const std::string_view part : parts) length += part.size();
    if (length >= (version == 2 ? (size_t{1} << 24) : (size_t{1} << 28))) return false;
    const auto size = static_cast<uint32_t>(length);
    out.reserve(out.size() + FrameHeaderSize(version) + length);
    out += id;
    if (version == 2) {
        out += static_cast<char>(size >> 16);
        out += static_cast<char>(size >> 8);
        out += static_cast<char>(size);
    } else {
        uint8_t sizeBytes[4];
        if (version == 4) {
            WriteSynchsafe32(size, sizeBytes);
        } else {
            WriteBigEndian32(size, sizeBytes);
        }
        out.append(reinterpret_cast<const char*>(sizeBytes), 4);
        out += '\0';
        out += unsync && version == 4 ? static_cast<char>(k24Unsync) : '\0';
    }
    if (unsync && version == 4) {
        out += undone;
    } else {
        for (const std::string_view part : parts) out += part;
    }
    return true;
}

}  // namespace id3v2

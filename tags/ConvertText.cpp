// The texts of a frame in the encodings of the version it goes into.
#include <optional>

#include "tags/Convert.h"
#include "tags/GenreTable.h"
#include "tags/Text.h"

namespace id3v2 {
namespace {

bool IsUtf16(uint8_t encoding) {
    return encoding == 1 || encoding == 2;
}

// Which bytes of a frame's content are texts, behind the encoding byte: a
// digit is that many bytes kept, Z an ISO-8859-1 string kept with its zero,
// S a string of the frame's encoding, L strings to the end, Y the rest as
// pairs of a string and a 4-byte time stamp, R the rest kept. Empty: the
// frame has no encoding byte, or one this program does not know the layout
// of.
std::string_view LayoutOf(std::string_view id) {
    if (id == "TXXX") return "SL";
    if (id == "WXXX") return "SR";
    if (id == "COMM" || id == "USLT") return "3SL";
    if (id == "USER") return "3L";
    if (id == "APIC") return "Z1SR";
    if (id == "GEOB") return "ZSSR";
    if (id == "OWNE") return "Z8L";
    if (id == "COMR") return "Z8Z1SSZR";
    if (id == "SYLT") return "311SY";
    if (id == "IPLS" || (id.size() == 4 && id[0] == 'T')) return "L";
    return {};
}

// One part of a frame's content: bytes kept as they are, or strings of the
// frame's encoding (without terminators).
struct Piece {
    bool Text = false;
    std::string_view Raw;
    std::vector<std::string> Strings;
    bool Terminated = false;  // the last string ends with a terminator
};

// Where the string at pos ends, and where the next one begins.
std::pair<size_t, size_t> StringEnd(uint8_t encoding, std::string_view bytes, size_t pos) {
    if (IsUtf16(encoding)) {
        for (size_t i = pos; i + 2 <= bytes.size(); i += 2)
            if (bytes[i] == '\0' && bytes[i + 1] == '\0') return {i, i + 2};
        return {bytes.size(), bytes.size()};
    }
    const size_t zero = bytes.find('\0', pos);
    if (zero == std::string_view::npos) return {bytes.size(), bytes.size()};
    return {zero, zero + 1};
}

std::vector<Piece> Split(std::string_view layout, uint8_t encoding, std::string_view content) {
    std::vector<Piece> pieces;
    size_t pos = 1;
    const auto raw = [&](size_t count) {
        count = std::min(count, content.size() - pos);
        pieces.push_back({false, content.substr(pos, count), {}, false});
        pos += count;
    };
    const auto string = [&]() {
        const auto [end, next] = StringEnd(encoding, content, pos);
        // A single string is written with its terminator, also where the
        // frame cut it off.
        pieces.push_back({true, {}, {std::string(content.substr(pos, end - pos))}, true});
        pos = next;
    };
    for (const char code : layout) {
        if (code >= '0' && code <= '9') {
            raw(static_cast<size_t>(code - '0'));
        } else if (code == 'Z') {
            const size_t zero = content.find('\0', pos);
            raw(zero == std::string_view::npos ? content.size() : zero + 1 - pos);
        } else if (code == 'S') {
            string();
        } else if (code == 'L') {
            Piece list{true, {}, {}, false};
            while (pos < content.size()) {
                const auto [end, next] = StringEnd(encoding, content, pos);
                list.Strings.emplace_back(content.substr(pos, end - pos));
                list.Terminated = next > end;
                pos = next;
            }
            pieces.push_back(std::move(list));
        } else if (code == 'Y') {
            while (pos < content.size()) {
                string();
                raw(4);
            }
        } else {
            raw(content.size());
        }
    }
    return pieces;
}

std::string Encode(uint8_t encoding, const std::string& text) {
    switch (encoding) {
        case 0:
            // Texts of a Windows-1252 frame come back to their own bytes.
            if (auto latin1 = Utf8ToLatin1(text)) return *latin1;
            return Utf8ToAnsi(text);
        case 2:
            return Utf8ToUtf16(text, true);
        case 3:
            return text;
        default:
            return "\xFF\xFE" + Utf8ToUtf16(text, false);
    }
}

std::string Terminator(uint8_t encoding) {
    return std::string(IsUtf16(encoding) ? 2 : 1, '\0');
}

bool FitsLatin1(const std::string& text) {
    return text.empty() || Utf8ToLatin1(text).has_value();
}

// 2.4 genres as one 2.3 text: a lone number (or "RX", "CR") as 2.3's
// reference in parentheses; several values by name, joined by "/", as a
// reference would refine only the name behind it.
std::string JoinGenres(const std::vector<std::string>& values) {
    const auto reference = [](const std::string& v) {
        return GenreNumberOf(v) || v == "RX" || v == "CR";
    };
    if (values.size() == 1) return reference(values[0]) ? "(" + values[0] + ")" : values[0];
    std::string names;
    for (const std::string& value : values) {
        if (value.empty()) continue;
        const auto number = GenreNumberOf(value);
        const std::string name = number          ? std::string(GenreNames[*number])
                                 : value == "RX" ? "Remix"
                                 : value == "CR" ? "Cover"
                                                 : value;
        (names += names.empty() ? "" : "/") += name;
    }
    return names;
}

std::string JoinValues(std::string_view id, const std::vector<std::string>& values) {
    if (id == "TCON") return JoinGenres(values);
    std::string joined;
    for (size_t i = 0; i < values.size(); ++i) (joined += i ? "/" : "") += values[i];
    return joined;
}

}  // namespace

bool HasTexts(std::string_view id) {
    return !LayoutOf(id).empty();
}

bool RecodeContent(std::string_view id, std::string_view content, uint8_t target, bool latin1,
                   bool join, std::string& out) {
    const std::string_view layout = LayoutOf(id);
    if (layout.empty() || content.empty()) return false;
    const auto encoding = static_cast<uint8_t>(content[0]);
    if (encoding > 3) return false;
    std::vector<Piece> pieces = Split(layout, encoding, content);
    // The strings as UTF-8, and whether all of them fit ISO-8859-1.
    bool fits = true;
    for (Piece& piece : pieces) {
        for (std::string& s : piece.Strings) {
            s = DecodeStrings(encoding, s);
            fits = fits && FitsLatin1(s);
        }
    }
    // A 2.4 frame's several values become one; the people lists keep their
    // pairs, which 2.3 writes the same way.
    // A lone genre number takes 2.3's form of a reference.
    join = join && id != "TIPL" && id != "TMCL" && id != "IPLS" && (id == "TXXX" || id[0] == 'T') &&
           (pieces.back().Strings.size() > 1 || id == "TCON");
    const uint8_t wanted = latin1 && fits ? 0 : target == 4 || encoding <= 1 ? encoding : 1;
    if (wanted == encoding && !join) return false;
    if (join) {
        Piece& values = pieces.back();
        values.Strings = {JoinValues(id, values.Strings)};
    }
    const size_t start = out.size();
    out += static_cast<char>(wanted);
    for (const Piece& piece : pieces) {
        if (!piece.Text) {
            out += piece.Raw;
            continue;
        }
        for (size_t i = 0; i < piece.Strings.size(); ++i) {
            if (i > 0) out += Terminator(wanted);
            out += Encode(wanted, piece.Strings[i]);
        }
        if (piece.Terminated) out += Terminator(wanted);
    }
    // Joining one value to itself, or a text that comes back to its own
    // bytes, changes nothing.
    if (std::string_view(out).substr(start) == content) {
        out.resize(start);
        return false;
    }
    return true;
}

std::string NewTextContent(uint8_t target, const std::vector<std::string>& strings) {
    bool fits = true;
    for (const std::string& s : strings) fits = fits && FitsLatin1(s);
    const uint8_t encoding = fits ? 0 : target == 4 ? 3 : 1;
    std::string out(1, static_cast<char>(encoding));
    for (size_t i = 0; i < strings.size(); ++i) {
        if (i > 0) out += Terminator(encoding);
        out += Encode(encoding, strings[i]);
    }
    return out;
}

std::vector<std::string> TextStrings(std::string_view content) {
    if (content.empty()) return {};
    const auto encoding = static_cast<uint8_t>(content[0]);
    std::vector<std::string> strings = Split("L", encoding, content).back().Strings;
    for (std::string& s : strings) s = DecodeStrings(encoding, s);
    return strings;
}

}  // namespace id3v2

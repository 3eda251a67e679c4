#include "tags/Text.h"

#include <algorithm>
#include <array>

namespace {

// 0x80..0x9F of Windows-1252; the undefined ones (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) keep their own number as C1 controls.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t cp) {
    return cp >= 0xD800 && cp <= 0xDFFF;
}

void AppendUnit(std::string& out, char16_t unit, bool bigEndian) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

std::string TrimBlanks(std::string_view text, bool leading) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    size_t begin = 0, end = text.size();
    while (leading && begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

char32_t AnsiToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

int CodePointToAnsi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == cp) return 0x80 + i;
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || IsSurrogate(cp)) cp = kReplacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t NextCodePoint(std::string_view utf8, size_t& pos) {
    const auto b0 = static_cast<unsigned char>(utf8[pos]);
    size_t length = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        ++pos;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
    }
    bool ok = length > 0 && pos + length <= utf8.size();
    for (size_t k = 1; ok && k < length; ++k) {
        const auto b = static_cast<unsigned char>(utf8[pos + k]);
        if ((b & 0xC0) != 0x80) ok = false;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms would smuggle ASCII past any check on the bytes.
    if (ok && ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) ||
               (length == 4 && cp < 0x10000) || cp > 0x10FFFF || IsSurrogate(cp))) {
        ok = false;
    }
    if (!ok) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return cp;
}

std::string AnsiToUtf8(std::string_view ansi) {
    // Mostly ASCII, which stays as it is: taken over in whole runs.
    size_t ascii = 0;
    while (ascii < ansi.size() && static_cast<unsigned char>(ansi[ascii]) < 0x80) ++ascii;
    std::string out(ansi.substr(0, ascii));
    if (ascii == ansi.size()) return out;
    out.reserve(ansi.size() + ansi.size() / 4);
    for (char c : ansi.substr(ascii)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            AppendUtf8(out, AnsiToCodePoint(byte));
        }
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const int byte = CodePointToAnsi(NextCodePoint(utf8, i));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const size_t start = i;
        const char32_t cp = NextCodePoint(bytes, i);
        if (cp == kReplacement && i == start + 1) {
            AppendUtf8(out, kReplacement);
        } else {
            out.append(bytes.substr(start, i - start));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](size_t i) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    };
    for (size_t i = 0; i + 2 <= bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 4 <= bytes.size()) {
            const char16_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, unit);  // a lone surrogate becomes U+FFFD there
    }
    return out;
}

std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            AppendUnit(out, static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), bigEndian);
            AppendUnit(out, static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), bigEndian);
        } else {
            AppendUnit(out, static_cast<char16_t>(cp), bigEndian);
        }
    }
    return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (cp == 0 || cp > 0xFF) return std::nullopt;
        out += static_cast<char>(cp);
    }
    return out;
}

std::string ReadableName(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t start = 0; start <= bytes.size();) {
        const size_t end = std::min(bytes.find('/', start), bytes.size());
        const std::string_view part = bytes.substr(start, end - start);
        out += ValidUtf8(part) == part ? std::string(part) : AnsiToUtf8(part);
        if (end == bytes.size()) break;
        out += '/';
        start = end + 1;
    }
    return out;
}

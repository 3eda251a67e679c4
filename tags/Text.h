#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text conversions at the border of the tag formats. Inside the program
// all text is UTF-8; on disk an ID3v1 block is Windows-1252 and an ID3v2
// frame ISO-8859-1, UTF-16 or UTF-8.

// "Blank" is any byte from 0 to 32: the space and the control characters.
// The text without blanks at its end, and with leading also at its start.
std::string TrimBlanks(std::string_view text, bool leading = false);

// A to Z as a to z; every other byte as it is.
constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with A to Z as a to z.
std::string AsciiLower(std::string_view text);

// Whether a path ends in ".mp3", ASCII case ignored.
constexpr bool HasMp3Extension(std::string_view path) {
    if (path.size() < 4) return false;
    const std::string_view ext = path.substr(path.size() - 4);
    return ext[0] == '.' && LowerAscii(ext[1]) == 'm' && LowerAscii(ext[2]) == 'p' && ext[3] == '3';
}

// Windows-1252 bytes as UTF-8. Every byte string survives AnsiToUtf8
// followed by Utf8ToAnsi unchanged: the five bytes that Windows-1252 leaves
// undefined map to the C1 control characters of the same number.
std::string AnsiToUtf8(std::string_view ansi);

// A character without a Windows-1252 byte, and each byte of a malformed UTF-8
// sequence, becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);

// The Unicode code point of one Windows-1252 byte, and back (-1 when none).
char32_t AnsiToCodePoint(unsigned char byte);
int CodePointToAnsi(char32_t codePoint);

// The next code point of utf8 from pos on, pos moved behind it; each byte of a
// malformed sequence (overlong, surrogate, beyond U+10FFFF, cut off) reads as
// U+FFFD on its own.
char32_t NextCodePoint(std::string_view utf8, size_t& pos);
void AppendUtf8(std::string& out, char32_t codePoint);

// The text with every malformed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes);

// File system bytes (a name or a path) as text to show: each part between
// slashes as it is when it is UTF-8, else read as Windows-1252, as names
// copied from older Windows systems are.
std::string ReadableName(std::string_view bytes);

// UTF-16 code units, two bytes each in the given order, as UTF-8; an unpaired
// surrogate becomes U+FFFD, an odd byte at the end is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
// UTF-8 as UTF-16 code units (malformed input as U+FFFD), no byte-order mark.
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian);

// The ISO-8859-1 bytes of a text whose every character lies in U+0001..U+00FF;
// nothing for any other text.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

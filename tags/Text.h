#pragma once

#include <string>
#include <string_view>

// Tag texts are Windows-1252 bytes; everything above the tag code is UTF-8.
// Every byte string survives AnsiToUtf8 followed by Utf8ToAnsi unchanged: the
// five bytes that Windows-1252 leaves undefined map to the C1 control
// characters of the same number.
std::string AnsiToUtf8(std::string_view ansi);

// A character without a Windows-1252 byte, and any malformed UTF-8 sequence,
// becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);

// The Unicode code point of one Windows-1252 byte, and back (-1 when none).
char32_t AnsiToCodePoint(unsigned char byte);
int CodePointToAnsi(char32_t codePoint);

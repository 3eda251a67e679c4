#pragma once

// The genre text of a box or an ID3v2 tag as an ID3v1 genre number.

#include <cstdint>
#include <string_view>

// The position of a genre box entry: the genre number of a text that equals
// one of the 148 names exactly (case-sensitive, untrimmed); 255 otherwise.
uint8_t GenreEntryOf(std::string_view text);

// The genre number of an ID3v2 genre text for an ID3v1 tag: one of the 148
// names without regard to ASCII case, or a number of the table alone ("17",
// "(17)"); 255 otherwise.
uint8_t GenreIndexOf(std::string_view text);

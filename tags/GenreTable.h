#pragma once

// The genre table of the ID3 tags, which both versions read.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The 148 genre names; an entry's position is its ID3v1 genre number.
extern const std::array<std::string_view, 148> GenreNames;

// A genre number written as one to three decimal digits and no more, when
// the table holds it.
std::optional<uint8_t> GenreNumberOf(std::string_view digits);

#include "ops/Genres.h"

#include <optional>

#include "tags/ID3v1.h"
#include "tags/Text.h"

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// The number of "17" or "(17)" when it is in the table.
std::optional<uint8_t> TableNumber(std::string_view text) {
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = text.substr(1, text.size() - 2);
    return GenreNumberOf(text);
}

}  // namespace

uint8_t GenreEntryOf(std::string_view text) {
    for (size_t i = 0; i < GenreNames.size(); ++i) {
        if (GenreNames[i] == text) return static_cast<uint8_t>(i);
    }
    return 255;
}

uint8_t GenreIndexOf(std::string_view text) {
    for (size_t i = 0; i < GenreNames.size(); ++i) {
        if (EqualsIgnoringAsciiCase(GenreNames[i], text)) return static_cast<uint8_t>(i);
    }
    return TableNumber(text).value_or(255);
}

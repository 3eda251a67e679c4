#pragma once

// Loading a file's tags for a tool's read-modify-write, and setting a field
// of either tag by the field's name.

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "ops/Genres.h"
#include "ops/Outcome.h"
#include "tags/Fields.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/Messages.h"

class TMPEGaudio;

// What the ID3v1 setters are given of a text from another source (a file
// name, the other tag): its first 255 characters, so that blanks behind them
// are cut as blanks before the setter keeps its 30.
std::string Id3v1SetterInput(std::string_view text);

// Loads a file's tags through the analyser for a read-modify-write. Nothing
// when they may be changed and saved; otherwise why not (Unreadable, which
// the caller names, or NoFrame: the analyser has emptied the tags, which
// must never be saved).
std::optional<FileOutcome> LoadFailure(TMPEGaudio& audio, const std::string& path);

// Sets a field of either tag from a text. The genre is a number in ID3v1: the
// genre box's entry of the text, 255 for none.
template <typename Tag>
void SetField(Tag& tag, TagField field, const std::string& text) {
    if constexpr (std::is_same_v<Tag, TID3v1>) {
        if (field == TagField::Genre) return tag.SetGenreID(GenreEntryOf(text));
    }
    tag.SetText(field, text);
}

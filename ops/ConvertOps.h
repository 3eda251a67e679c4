#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ops/Outcome.h"
#include "ops/SaveRun.h"

class TMPEGaudio;
class SaveRun;

// The file name to tags conversion on plain values; the texts here are UTF-8
// (a row's cells, a file name), as the tag classes take them.

struct SplitResult {
    bool Found = false;  // the separator occurs in the name
    std::string First;   // before its first occurrence, trimmed
    std::string Second;  // after it, trimmed
};

// Divides the name at the first occurrence of the separator; both parts lose
// every leading and trailing character of code 0 to 32. Without the separator
// Found is false and both parts are empty.
SplitResult SplitFileName(std::string_view name, std::string_view separator);

// Cuts the extension: from the last "." to the end, unless a "\", ":" or "/"
// comes after it.
std::string CutExtension(std::string_view fileName);

// The four choices of the "Filter" group, in item order.
std::string_view SeparatorOfItem(int item);

enum class NameOrder {
    ArtistTitle,  // first part artist, second part title
    TitleArtist,
};

struct NameFields {
    bool Found = false;  // the name holds the separator; otherwise nothing to convert
    std::string Artist;
    std::string Title;
};

// Extension cut, split and order choice for one file name, given as the file
// system's bytes: UTF-8, or else taken as Windows-1252.
NameFields FieldsFromFileName(std::string_view fileName, std::string_view separator,
                              NameOrder order);

// Reads the file's tags, sets artist and title on the tag of the level
// (1: ID3v1, otherwise ID3v2) and adds the save of that tag alone to the
// run, so its other fields stay as they were in the file. done gets the
// outcome (at once when the file cannot be loaded).
void WriteArtistTitle(SaveRun& run, TMPEGaudio& audio, const std::string& path, int level,
                      const std::string& artist, const std::string& title,
                      const std::function<void(const SaveOutcome&)>& done);

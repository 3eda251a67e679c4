#pragma once

#include <string>

#include "ops/TagOps.h"

class TMPEGaudio;

// The six tag cells of a row, UTF-8, in the order Interpret, Album, Titel,
// Jahr, Genre, Kommentar.
struct TagCells {
    std::string Artist;
    std::string Album;
    std::string Title;
    std::string Year;
    std::string Genre;
    std::string Comment;
};

struct TransferResult {
    FileOutcome Status = FileOutcome::Unreadable;
    TagCells Cells;  // from the tag object just written; meaningful for Written only
};

// Copies the six text fields of the file's ID3v1 tag into its ID3v2 tag (the
// genre as its name) and saves the ID3v2 tag. The ID3v2 track number stays.
// A file without an ID3v1 tag is left alone (NoSourceTag).
TransferResult TransferLevel1To2(TMPEGaudio& audio, const std::string& path);

// Copies the six text fields of the file's ID3v2 tag into its ID3v1 tag (the
// genre number by GenreIndexOf) and saves the ID3v1 tag. The ID3v1 track
// number stays. A file without an ID3v2 tag whose frames can be read is left
// alone (NoSourceTag).
TransferResult TransferLevel2To1(TMPEGaudio& audio, const std::string& path);

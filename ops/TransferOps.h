#pragma once

#include <string>

#include "ops/ConvertOps.h"

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
    FileWork Status = FileWork::Unreadable;
    TagCells Cells;  // from the tag object just written; meaningful for Written only
};

// Copies the six text fields of the file's ID3v1 tag into its ID3v2 tag (the
// genre as its name) and saves the ID3v2 tag. The ID3v2 track number stays.
TransferResult TransferLevel1To2(TMPEGaudio& audio, const std::string& path);

// Copies the six text fields of the file's ID3v2 tag into its ID3v1 tag (the
// genre number by exact name, 255 for any other text) and saves the ID3v1
// tag. The ID3v1 track number stays.
TransferResult TransferLevel2To1(TMPEGaudio& audio, const std::string& path);

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "scan/Columns.h"

class TMPEGaudio;

// One row of the file list: all cells UTF-8, the folder cell ends in "/".
struct FileRow {
    int ImageIndex = 0;
    std::array<std::string, ColumnCount> Cells;
    int Track = 0;       // of the level's tag; 0 for none
    double Seconds = 0;  // the play time
};

// 0 up to 128 kbit/s, 1 from 129 to 191, 2 from 192.
int ImageIndexForBitRate(int bitRate);

// "m:ss"; minutes are not folded into hours.
std::string PlayTimeText(double seconds);

// Bytes / 1024 / 1024 with two decimals and the C library's current decimal
// separator (LC_NUMERIC), then " MB".
std::string SizeText(int64_t bytes);

// Builds the row of a file that the analyser has read. Returns false (and
// leaves row alone) when the analyser does not call the file valid.
// scanLevel 1 takes the tag cells from the ID3v1 tag, anything else from ID3v2.
bool BuildFileRow(const TMPEGaudio& audio, int scanLevel, const std::string& folder,
                  const std::string& fileName, FileRow& row);

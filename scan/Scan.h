#pragma once

// One scan of a folder, the same for the window and the CLI: every MP3 file
// below it analysed (ID3v1, ID3v2, MPEG stream) and, where the analyser
// calls it valid, made a row with the cells of the level's tag.

#include <functional>
#include <string>
#include <vector>

#include "scan/FileRow.h"
#include "scan/FolderWalk.h"

struct ScanReport {
    int Found = 0;                        // MP3 files met, valid or not
    int UnreadableFiles = 0;              // of them, with an ID3v1 area not to be read
    std::vector<std::string> Unreadable;  // folders that could not be listed
    bool Stopped = false;                 // the callback ended the scan
};

// For each file met, in the walk's order: Before, when given, ahead of its
// analysis (the window counts it and lets events through there), then Row
// with its row, or null for a file that gives none. The row is only lent:
// it is used again for the next file. Either returns false to stop the scan.
// A file whose ID3v1 area cannot be read goes, when given, to Unreadable
// first, with its path, for the caller to name it.
struct ScanCallbacks {
    std::function<bool(const std::string& folder, const DirEntry& entry)> Before;
    std::function<void(const std::string& path)> Unreadable;
    std::function<bool(const FileRow* row, const std::string& folder, const DirEntry& entry)> Row;
};

ScanReport ScanFolder(const std::string& folder, int level, const ScanCallbacks& callbacks);

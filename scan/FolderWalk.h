#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/ReadAhead.h"

// What the walk knows of one file when it hands it to the visitor.
struct DirEntry {
    std::string Name;          // file name without folder, file-system bytes
    uint64_t Size = 0;         // bytes
    int64_t ModifiedTime = 0;  // seconds since the epoch
    bool Hidden = false;       // name begins with "."
    bool ReadOnly = false;     // owner has no write permission
};

// Called once per matching file with the context, the folder holding the file
// (ending in the path separator) and the entry. Return false to stop the walk.
using FileVisitor = bool (*)(void* context, const std::string& folder, const DirEntry& entry);

// Walks startFolder depth first: each folder's own matching files first
// (sorted by name without regard to ASCII case), then its subfolders (same
// order). Folders whose names begin with "." are not entered, symbolic links
// to folders are not followed, and a folder that cannot be listed counts as
// empty (and, when unreadable is given, is added to it, without the final
// separator). The pattern is matched without regard to ASCII case ("*.mp3").
// While a file is visited, the first reads of it and of the next readAhead
// files of its folder have been hinted to the kernel (0: no hints).
// Returns true when the walk ran to its end, false when a visitor stopped it.
bool WalkFolder(const std::string& startFolder, const std::string& pattern, FileVisitor visitor,
                void* context, int readAhead = kReadAheadFiles,
                std::vector<std::string>* unreadable = nullptr);

// The wildcard match of the walk: "*" any run of bytes, "?" one byte, other
// bytes equal without regard to ASCII case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

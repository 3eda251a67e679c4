#pragma once

// What a file's bytes say of a journal entry: the save was finished, the
// file holds old or new bytes piece by piece (so it is the file the entry
// was made for, and the save can be finished), or it is another file.

#include <cstdint>
#include <optional>
#include <string>

#include "tags/PosixFile.h"
#include "tags/write/Record.h"

namespace writepath {

enum class Match { Done, Explained, Foreign };

// An in-place entry against the file's first size bytes.
Match CheckInPlace(const JournalEntry& e, const PosixFile& file, int64_t size);
// An entry that grows the file by room inserted at its start, against the
// file as it stands: of the old size, the old file; of the new one, the old
// audio and tail moved on, and every sector of the new area new, or as the
// room left it (zeros, then the old area).
Match CheckShifted(const JournalEntry& e, const PosixFile& file, int64_t size);
// A growing (or shrinking) entry against the file and the entry's buffer.
Match CheckAgainstBuffer(const JournalEntry& e, const PosixFile& file, const PosixFile& buffer,
                         int64_t size);
// The buffer an entry names, when it is one of this user's in folder, under
// a name of the journal's, of the size and content the entry records.
std::optional<PosixFile> OpenBuffer(const JournalEntry& e, const std::string& folder,
                                    const std::string& journalName);

bool ReadExact(const PosixFile& file, std::string& out, int64_t offset, int64_t count);

}  // namespace writepath

#pragma once

// Writing a journaled change into its file: used by a group as it commits,
// and by a start that finishes a group a crash cut short.

#include <cstdint>
#include <string>
#include <vector>

#include "tags/PosixFile.h"
#include "tags/WritePath.h"
#include "tags/write/Record.h"

namespace writepath {

// The ranges' new bytes: those beyond the old end first, so that a lack of
// room shows before any old byte is overwritten (the file is cut back to
// oldSize then); started tells whether an old byte may have changed.
Failure WriteRanges(const PosixFile& file, const std::string& path,
                    const std::vector<Range>& ranges, int64_t oldSize, bool& started);
// The same once old bytes may have changed already (the room inserted, a
// recovery): nothing is cut back, a failure is the journal's to finish.
Failure WriteRanges(const PosixFile& file, const std::string& path,
                    const std::vector<Range>& ranges, int64_t oldSize);

// Copies the buffer into the file: the part beyond the old end first, so a
// lack of room shows before any old byte is overwritten; started tells
// whether an old byte may have changed.
Failure CopyBack(const PosixFile& buffer, const PosixFile& file, const std::string& path,
                 int64_t oldSize, int64_t newSize, bool& started);

// Reads [0, size) of the file: the digest of all of it into whole, that of
// each sector into sectors (either may be null). False, with errno, when the
// file cannot be read or is shorter.
bool DigestFile(const PosixFile& file, int64_t size, Digest* whole, std::vector<Digest>* sectors,
                bool strong = false);

}  // namespace writepath

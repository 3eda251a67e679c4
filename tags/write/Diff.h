#pragma once

// Where the new bytes of a tag area differ from the old ones: the ranges an
// in-place save writes, each with the prints of the bytes it overwrites.

#include <cstdint>
#include <string>
#include <vector>

#include "tags/write/Record.h"

namespace writepath {

// The runs where two strings of one length differ, close runs joined;
// offset is where before starts in the file.
std::vector<Range> DifferingRuns(const std::string& before, const std::string& after,
                                 int64_t offset);

}  // namespace writepath

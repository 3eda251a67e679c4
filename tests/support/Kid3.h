#pragma once

// kid3-cli as a second independent reader of the ID3v2 tag.

#include <optional>
#include <string>
#include <vector>

bool Kid3Available();

// The fields of the file's ID3v2 tag as "kid3-cli -c get" lists them
// ("Title  Звезда"), sorted, several values joined by "/" (kid3 shows those
// of a 2.4 frame with "|"); nullopt when kid3-cli fails.
std::optional<std::vector<std::string>> Kid3View(const std::string& path);

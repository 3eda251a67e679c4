#pragma once

// The arguments of a subcommand: options and positional arguments, German
// usage errors, and the checks of FOLDER and FILE arguments before any work.

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct ParsedArgs {
    std::map<std::string, std::string, std::less<>> Values;  // "--level" -> "2"
    std::set<std::string, std::less<>> Flags;                // "--dry-run"
    std::vector<std::string> Positional;

    bool Has(std::string_view option) const {
        return Values.find(option) != Values.end() || Flags.find(option) != Flags.end();
    }
    std::string Value(std::string_view option, std::string_view fallback = {}) const {
        const auto it = Values.find(option);
        return it == Values.end() ? std::string(fallback) : it->second;
    }
};

// Writes "tonzettel-cli COMMAND: MESSAGE", a blank line and the usage text to
// standard error. Returns the exit code of bad usage (2).
int UsageError(std::string_view command, std::string_view message, std::string_view usage);

// Splits args into options and positional arguments. valueOptions take a value
// ("--level 2" or "--level=2"), flagOptions none; "--" ends the options. On an
// unknown option, a missing value or a wrong number of positional arguments
// it reports a usage error and returns nothing.
std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, std::string_view command,
                                    std::string_view usage,
                                    const std::vector<std::string_view>& valueOptions,
                                    const std::vector<std::string_view>& flagOptions,
                                    size_t minPositional, size_t maxPositional);

// The scan level of "--level 1|2" (1 when absent); reports a usage error and
// returns nothing for any other value.
std::optional<int> LevelOption(const ParsedArgs& parsed, std::string_view command,
                               std::string_view usage);

// Check a FOLDER / FILE argument before any work; on failure they write a
// message naming it to standard error and return false (exit code 2).
bool CheckReadableFolder(const std::string& folder);
bool CheckReadableFile(const std::string& file);

#pragma once

// Helpers the subcommands share: argument parsing with German usage errors,
// checks of the FOLDER / FILE arguments, and the escaping of output cells.

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ops/Backup.h"
#include "ops/Outcome.h"

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
                                    std::initializer_list<std::string_view> valueOptions,
                                    std::initializer_list<std::string_view> flagOptions,
                                    size_t minPositional, size_t maxPositional);

// The scan level of "--level 1|2" (1 when absent); reports a usage error and
// returns nothing for any other value.
std::optional<int> LevelOption(const ParsedArgs& parsed, std::string_view command,
                               std::string_view usage);

// Check a FOLDER / FILE argument before any work; on failure they write a
// message naming it to standard error and return false (exit code 2).
bool CheckReadableFolder(const std::string& folder);
bool CheckReadableFile(const std::string& file);

// One output cell: tab, line feed, carriage return and backslash become
// \t, \n, \r and \\.
void AppendEscaped(std::string& out, std::string_view text);
std::string Escaped(std::string_view text);

// "ja" / "nein".
std::string_view YesNo(bool value);

// "PATH: TEXT" and a line end on standard error: what went wrong with one file.
void ReportFile(const std::string& path, std::string_view text);
// Reports a file whose tag was not written; returns true for every outcome
// but Written. An unreadable file has had the tag code's message already.
// sourceLevel names the tag a transfer copies from.
bool ReportOutcome(const std::string& path, FileOutcome outcome, int sourceLevel = 0);
// The same with the reason of a failed save.
bool ReportOutcome(const std::string& path, const SaveOutcome& outcome, int sourceLevel = 0);

// "--backup DIR": while it lives, the run's writes keep the files' previous
// tags in DIR (made when missing) for "restore". Without the option it does
// nothing.
class BackupRun {
  public:
    // False, after a message on standard error, when DIR cannot be made.
    bool Start(const ParsedArgs& parsed);

  private:
    std::optional<BackupFolder> folder_;
    std::optional<StepRecorder> recorder_;  // ends before the folder
};

#pragma once

// Runs the built tonzettel-cli (or any shell line) with its output caught,
// and the oracles that check what it wrote.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempDir.h"

// s in single quotes for the shell.
std::string ShellQuote(const std::string& s);
// The tool under test: $TZ_CLI, else the one in the build folder.
std::string CliPath();

struct CliRun {
    int Code = -1;  // exit code; -1 when the process did not exit normally
    std::string Out, Err;
};

// Runs a shell command line with its output caught in files of work.
CliRun RunShell(const TempDir& work, std::string cmd);
// Runs the tool with args; prefix, when given, goes before it on the shell
// line (an environment setting, or a wrapper such as setpriv).
CliRun RunCli(const TempDir& work, const std::vector<std::string>& args,
              const std::string& prefix = "");

// True when lame and a python3 with mutagen can be run.
bool LameAndMutagenAvailable();
// Runs the python script on path; its "key=value" lines as a map.
std::map<std::string, std::string> PythonFields(const TempDir& work, const std::string& script,
                                                const std::string& path);
// Both tags of path as mutagen sees them: "v1.TPE1" -> text, "v2.TIT2" -> text...
std::map<std::string, std::string> BothTagsFields(const TempDir& work, const std::string& path);

// A test on files encoded by lame in a fresh folder; skipped without the oracles.
class EncodedFilesTest : public ::testing::Test {
  protected:
    void SetUp() override;
    // Encodes 1 s at 128 kbit/s to dir/name, with lame's tag options.
    std::string Encode(const std::string& name, const std::vector<std::string>& tagArgs = {});
    TempDir dir;
};

#pragma once

// What a subcommand writes: output cells, and the lines on standard error
// that name what went wrong.

#include <string>
#include <string_view>

#include "ops/Outcome.h"

// A line on standard error.
void Fail(const std::string& text);

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

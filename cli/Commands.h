#pragma once

#include <string>
#include <vector>

// Each subcommand takes its arguments (without the subcommand's name) and
// returns the process exit code: 0 success, 1 some file failed, 2 bad usage
// or a FOLDER/FILE that cannot be read.
int CmdScan(const std::vector<std::string>& args);
int CmdInfo(const std::vector<std::string>& args);
int CmdSet(const std::vector<std::string>& args);
int CmdRename(const std::vector<std::string>& args);
int CmdFromFilename(const std::vector<std::string>& args);
int CmdCopyTags(const std::vector<std::string>& args);
int CmdRestore(const std::vector<std::string>& args);
int CmdRecover(const std::vector<std::string>& args);
int CmdCover(const std::vector<std::string>& args);
int CmdExport(const std::vector<std::string>& args);
int CmdImport(const std::vector<std::string>& args);
int CmdStrip(const std::vector<std::string>& args);
int CmdConvert(const std::vector<std::string>& args);

// Usage text of a subcommand, German; shown by --help.
std::string UsageScan();
std::string UsageInfo();
std::string UsageSet();
std::string UsageRename();
std::string UsageFromFilename();
std::string UsageCopyTags();
std::string UsageRestore();
std::string UsageRecover();
std::string UsageCover();
std::string UsageExport();
std::string UsageImport();
std::string UsageStrip();
std::string UsageConvert();

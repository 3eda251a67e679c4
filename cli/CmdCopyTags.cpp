#include <cstdio>

#include "cli/Commands.h"

// Placeholder until the tool's file work exists.
int CmdCopyTags(const std::vector<std::string>&) {
    std::fputs("Der Befehl \"copy-tags\" ist noch nicht verfügbar.\n", stderr);
    return 2;
}

std::string UsageCopyTags() { return "  copy-tags   (noch nicht verfügbar)\n"; }

#include <cstdio>

#include "cli/Commands.h"

// Placeholder until the command is built.
int CmdInfo(const std::vector<std::string>&) {
    std::fputs("Der Befehl \"info\" ist noch nicht verfügbar.\n", stderr);
    return 2;
}

std::string UsageInfo() { return "  info   (noch nicht verfügbar)\n"; }

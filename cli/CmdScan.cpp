#include <cstdio>

#include "cli/Commands.h"

// Placeholder until the command is built.
int CmdScan(const std::vector<std::string>&) {
    std::fputs("Der Befehl \"scan\" ist noch nicht verfügbar.\n", stderr);
    return 2;
}

std::string UsageScan() { return "  scan   (noch nicht verfügbar)\n"; }

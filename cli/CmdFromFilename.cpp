#include <cstdio>

#include "cli/Commands.h"

// Placeholder until the tool's file work exists.
int CmdFromFilename(const std::vector<std::string>&) {
    std::fputs("Der Befehl \"from-filename\" ist noch nicht verfügbar.\n", stderr);
    return 2;
}

std::string UsageFromFilename() { return "  from-filename   (noch nicht verfügbar)\n"; }

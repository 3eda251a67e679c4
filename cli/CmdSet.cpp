#include <cstdio>

#include "cli/Commands.h"

// Placeholder until the tool's file work exists.
int CmdSet(const std::vector<std::string>&) {
    std::fputs("Der Befehl \"set\" ist noch nicht verfügbar.\n", stderr);
    return 2;
}

std::string UsageSet() { return "  set   (noch nicht verfügbar)\n"; }

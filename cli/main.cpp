// tonzettel-cli: the scan and the tag operations of Tonzettel without a window.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Version.h"
#include "cli/Commands.h"
#include "ops/Reasons.h"
#include "tags/WritePath.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    std::string (*usage)();
    bool writes;  // refused while the journal's folder is not trusted
};

const Command kCommands[] = {
    {"scan", CmdScan, UsageScan, false},
    {"info", CmdInfo, UsageInfo, false},
    {"set", CmdSet, UsageSet, true},
    {"rename", CmdRename, UsageRename, true},
    {"from-filename", CmdFromFilename, UsageFromFilename, true},
    {"copy-tags", CmdCopyTags, UsageCopyTags, true},
    {"cover", CmdCover, UsageCover, true},
    {"export", CmdExport, UsageExport, false},
    {"import", CmdImport, UsageImport, true},
    {"strip", CmdStrip, UsageStrip, true},
    {"convert", CmdConvert, UsageConvert, true},
    {"restore", CmdRestore, UsageRestore, true},
    {"recover", CmdRecover, UsageRecover, true},
};

void PrintHelp(std::FILE* out) {
    std::fputs("Aufruf: tonzettel-cli BEFEHL [OPTIONEN] ...\n\nBefehle:\n", out);
    for (const auto& c : kCommands) std::fputs(c.usage().c_str(), out);
    std::fputs(
        "\nRückgabewerte: 0 erledigt; 1 eine Datei ist gescheitert (mit dem Grund auf der\n"
        "Standardfehlerausgabe genannt), der Ordner für das Journal ist nicht sicher, oder\n"
        "(recover) ein Speichern wartet noch; 2 falscher Aufruf, oder ein ORDNER oder eine\n"
        "DATEI kann nicht gelesen werden.\n"
        "\ntonzettel-cli BEFEHL --help zeigt die Hilfe zu einem Befehl,\n"
        "tonzettel-cli --version die Programmversion.\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    // The size cell follows the user's decimal separator, as in the window.
    std::setlocale(LC_ALL, "");
    const std::string name = argc < 2 ? std::string() : argv[1];
    // Saves that a crash or a power cut cut short are finished before
    // anything else ("recover" does it itself, and says more).
    writepath::RecoveryReport recovered;
    if (name != "recover") {
        recovered = writepath::RecoverJournals();
        if (!recovered.Empty()) std::fputs((RecoveryText(recovered) + "\n").c_str(), stderr);
    }
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("tonzettel-cli %s\n", ProgramVersion);
        return 0;
    }
    for (const auto& c : kCommands) {
        if (name != c.name) continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        for (const auto& a : args) {
            if (a == "--help" || a == "-h") {
                std::fputs(c.usage().c_str(), stdout);
                return 0;
            }
        }
        // No save without a journal only this user can have written: the
        // reason was given above.
        if (c.writes && !recovered.State.Trusted()) return 1;
        return c.run(args);
    }
    std::fprintf(stderr, "Unbekannter Befehl \"%s\".\n\n", name.c_str());
    PrintHelp(stderr);
    return 2;
}

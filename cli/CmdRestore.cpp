// tonzettel-cli restore: puts back the tags a --backup folder holds.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "ops/Backup.h"

std::string UsageRestore() {
    return "  restore ORDNER\n"
           "      Setzt die Tags jeder Datei zurück, deren alte Tags ein Lauf mit --backup\n"
           "      in ORDNER gesichert hat, sofern die Datei seither unverändert ist.\n"
           "      Zurückgesetzte Sicherungen werden aus ORDNER entfernt.\n";
}

int CmdRestore(const std::vector<std::string>& args) {
    const auto parsed = ParseArgs(args, "restore", UsageRestore(), {}, {}, 1, 1);
    if (!parsed) return 2;
    const std::string& folder = parsed->Positional.front();
    if (!CheckReadableFolder(folder)) return 2;
    const ApplyReport report = RestoreFolder(folder);
    if (report.Empty()) return 0;
    std::fputs((report.Text() + "\n").c_str(), stderr);
    return 1;
}

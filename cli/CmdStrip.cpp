// tonzettel-cli strip: removes the ID3v1 block, the ID3v2 tag or both.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/StripOps.h"

int CmdStrip(const std::vector<std::string>& args) {
    const std::string usage = UsageStrip();
    const auto parsed = ParseArgs(args, "strip", usage, {"--level", "--backup"}, {}, 1, SIZE_MAX);
    if (!parsed) return 2;
    const std::string level = parsed->Value("--level");
    StripWhich which = StripWhich::Both;
    if (level == "1") {
        which = StripWhich::Id3v1;
    } else if (level == "2") {
        which = StripWhich::Id3v2;
    } else if (level != "both") {
        return UsageError("strip", "--level ist 1, 2 oder both.", usage);
    }
    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        StripFile(run, path, which, [path, failed](const SaveOutcome& o, bool) {
            if (ReportOutcome(path, o, 0)) failed();
        });
    });
}

std::string UsageStrip() {
    return "  strip --level 1|2|both [--backup ORDNER] DATEI...\n"
           "      Entfernt das ID3v1-Tag (1), das ID3v2-Tag (2) oder beide; ohne\n"
           "      ID3v2-Tag beginnt die Datei mit den Audiodaten. Mit --backup bleiben\n"
           "      die alten Tags in ORDNER für \"restore\".\n";
}

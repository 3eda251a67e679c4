// tonzettel-cli convert: the ID3v2 tag in version 2.3 or 2.4.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/Reasons.h"
#include "ops/VersionOps.h"

int CmdConvert(const std::vector<std::string>& args) {
    const std::string usage = UsageConvert();
    const auto parsed =
        ParseArgs(args, "convert", usage, {"--to", "--backup"}, {"--latin1"}, 1, SIZE_MAX);
    if (!parsed) return 2;
    id3v2::ConvertOptions options;
    const std::string to = parsed->Value("--to");
    if (to != "2.3" && to != "2.4") return UsageError("convert", "--to ist 2.3 oder 2.4.", usage);
    options.Target = to == "2.3" ? 3 : 4;
    options.Latin1 = parsed->Has("--latin1");
    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        ConvertVersion(run, path, options, [path, failed, &options](const VersionOutcome& o) {
            if (o.Save.Outcome != FileOutcome::Written) {
                if (ReportOutcome(path, o.Save, 0)) failed();
            } else if (o.Skip == VersionSkip::Unreadable) {
                ReportFile(path, VersionSkipText(o.Skip, options.Target) + ".");
                failed();
            } else if (!o.Losses.empty()) {
                ReportFile(path, "nicht übernommen: " + LossesText(o.Losses) + ".");
            }
        });
    });
}

std::string UsageConvert() {
    return "  convert --to 2.3|2.4 [--latin1] [--backup ORDNER] DATEI...\n"
           "      Schreibt das ID3v2-Tag in Version 2.3 oder 2.4; jeder Frame bleibt, Texte\n"
           "      in UTF-8 werden für 2.3 zu UTF-16. Mit --latin1 steht jeder Text, der in\n"
           "      ISO-8859-1 passt, in ISO-8859-1. Was die Version nicht aufnehmen kann,\n"
           "      wird genannt. Mit --backup bleiben die alten Tags in ORDNER für \"restore\".\n";
}

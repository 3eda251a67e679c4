// tonzettel-cli rename: new file names from the tags.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/Reasons.h"
#include "ops/RenameOps.h"
#include "tags/Text.h"

int CmdRename(const std::vector<std::string>& args) {
    const std::string usage = UsageRename();
    const auto parsed =
        ParseArgs(args, "rename", usage, {"--pattern", "--level"}, {"--dry-run"}, 1, SIZE_MAX);
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, "rename", usage);
    if (!level) return 2;
    if (!parsed->Has("--pattern") || parsed->Value("--pattern").empty())
        return UsageError("rename", "--pattern fehlt.", usage);

    std::vector<std::optional<RenameValues>> values;
    values.reserve(parsed->Positional.size());
    for (const auto& path : parsed->Positional) values.push_back(ReadRenameValues(path, *level));
    std::vector<RenamePlanItem> plan =
        PlanRenames(parsed->Positional, values, parsed->Value("--pattern"));
    const bool dryRun = parsed->Has("--dry-run");
    if (!dryRun) CarryOut(plan);

    int exitCode = 0;
    std::string out;
    for (const RenamePlanItem& item : plan) {
        if (item.Skip == RenameSkip::None) {
            if (dryRun) out += item.Path + " -> " + item.NewPath() + "\n";
        } else if (item.Skip != RenameSkip::SameName) {
            ReportFile(item.Path, RenameSkipText(item.Skip, item.Missing) + ".");
            exitCode = 1;
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return exitCode;
}

std::string UsageRename() {
    return "  rename --pattern MUSTER [--level 1|2] [--dry-run] DATEI...\n"
           "      Benennt jede Datei nach ihrem ID3v1-Tag (--level 1, Vorgabe) oder\n"
           "      ID3v2-Tag (--level 2) um; sie bleibt in ihrem Ordner und behält ihre\n"
           "      Endung. MUSTER nennt die Felder als %Interpret%, %Album%, %Titel%,\n"
           "      %Jahr%, %Genre%, %Kommentar% und %Track% (zweistellig), %% ist ein\n"
           "      Prozentzeichen. Zeichen, die ein Dateisystem nicht erlaubt, werden\n"
           "      zu \"_\". Eine vorhandene Datei wird nie ersetzt. Mit --dry-run wird\n"
           "      je Datei \"alt -> neu\" ausgegeben und nichts geändert. Dateien, die\n"
           "      nicht umbenannt werden, stehen mit dem Grund auf der\n"
           "      Standardfehlerausgabe.\n";
}

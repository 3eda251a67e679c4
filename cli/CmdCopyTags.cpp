#include <limits>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/SaveRun.h"
#include "ops/TransferOps.h"
#include "tags/MPEGaudio.h"

std::string UsageCopyTags() {
    return "  copy-tags --from 1 --to 2 [--backup ORDNER] DATEI...\n"
           "  copy-tags --from 2 --to 1 [--backup ORDNER] DATEI...\n"
           "      Überträgt Interpret, Album, Titel, Jahr, Genre und Kommentar vom ID3-Tag\n"
           "      der einen Ebene in den der anderen. Die Titelnummer des Ziels bleibt,\n"
           "      ebenso ein Feld, für das die Quelle nichts oder nur eine gekürzte Form\n"
           "      enthält (genannt auf der Standardfehlerausgabe). Eine Datei ohne den\n"
           "      Quell-Tag bleibt unverändert. Mit --backup bleiben die alten Tags in\n"
           "      ORDNER für \"restore\".\n";
}

namespace {

// "Behält Album, Kommentar des ID3v2-Tags, weil das ID3v2-Tag mehr enthält, ..."
std::string KeptText(const std::vector<TagField>& fields, bool oneToTwo) {
    return "Behält " + FieldNames(fields) +
           (oneToTwo ? " des ID3v2-Tags, weil das ID3v2-Tag mehr enthält, als das "
                       "ID3v1-Tag hält."
                     : " des ID3v1-Tags, weil das ID3v2-Tag dafür nichts enthält.");
}

}  // namespace

int CmdCopyTags(const std::vector<std::string>& args) {
    const char* command = "copy-tags";
    const std::string usage = UsageCopyTags();
    const auto parsed = ParseArgs(args, command, usage, {"--from", "--to", "--backup"}, {}, 1,
                                  std::numeric_limits<size_t>::max());
    if (!parsed) return 2;
    const std::string from = parsed->Value("--from");
    const std::string to = parsed->Value("--to");
    const bool oneToTwo = from == "1" && to == "2";
    if (!oneToTwo && !(from == "2" && to == "1")) {
        return UsageError(command, "Erwartet wird --from 1 --to 2 oder --from 2 --to 1.", usage);
    }

    TMPEGaudio audio;
    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        const auto done = [failed, path, oneToTwo](const TransferResult& r) {
            if (ReportOutcome(path, SaveOutcome{r.Status, r.Why}, oneToTwo ? 1 : 2)) failed();
            if (!r.Kept.empty()) ReportFile(path, KeptText(r.Kept, oneToTwo));
        };
        if (oneToTwo) {
            TransferLevel1To2(run, audio, path, done);
        } else {
            TransferLevel2To1(run, audio, path, done);
        }
    });
}

#include <limits>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/ConvertOps.h"
#include "ops/SaveRun.h"
#include "tags/MPEGaudio.h"

namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string UsageFromFilename() {
    return "  from-filename [--level 1|2] [--separator \"-\"|\"_\"|\"_-_\"|\" \"]\n"
           "                [--order artist-title|title-artist] [--backup ORDNER] DATEI...\n"
           "      Setzt Interpret und Titel aus dem Dateinamen ohne Endung, geteilt am\n"
           "      ersten Trennzeichen (Standard \"-\"), im ID3-Tag der Ebene (Standard 1).\n"
           "      Die übrigen Felder des Tags bleiben erhalten. Mit --backup bleiben die\n"
           "      alten Tags in ORDNER für \"restore\".\n";
}

int CmdFromFilename(const std::vector<std::string>& args) {
    const char* command = "from-filename";
    const std::string usage = UsageFromFilename();
    const auto parsed =
        ParseArgs(args, command, usage, {"--level", "--separator", "--order", "--backup"}, {}, 1,
                  std::numeric_limits<size_t>::max());
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, command, usage);
    if (!level) return 2;
    const std::string separator = parsed->Value("--separator", "-");
    if (separator != "-" && separator != "_" && separator != "_-_" && separator != " ") {
        return UsageError(command,
                          "Ungültiges Trennzeichen \"" + separator +
                              "\": erlaubt sind \"-\", \"_\", \"_-_\" und \" \".",
                          usage);
    }
    const std::string orderText = parsed->Value("--order", "artist-title");
    if (orderText != "artist-title" && orderText != "title-artist") {
        return UsageError(command,
                          "Ungültige Reihenfolge \"" + orderText +
                              "\": erlaubt sind artist-title und title-artist.",
                          usage);
    }
    const NameOrder order =
        orderText == "artist-title" ? NameOrder::ArtistTitle : NameOrder::TitleArtist;

    TMPEGaudio audio;
    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        const NameFields fields = FieldsFromFileName(BaseName(path), separator, order);
        if (!fields.Found) {
            ReportFile(path, "Der Dateiname enthält das Trennzeichen \"" + separator + "\" nicht.");
            failed();
            return;
        }
        WriteArtistTitle(run, audio, path, *level, fields.Artist, fields.Title,
                         [failed, path](const SaveOutcome& outcome) {
                             if (ReportOutcome(path, outcome)) failed();
                         });
    });
}

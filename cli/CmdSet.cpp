// tonzettel-cli set: the wizard's run on files named on the command line.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/EditOps.h"
#include "ops/SaveRun.h"

namespace {

// "--level", the six fields' options, "--backup".
std::vector<std::string_view> ValueOptions() {
    std::vector<std::string_view> options{"--level"};
    for (const FieldInfo& f : TagFields) options.push_back(f.Option);
    options.push_back("--backup");
    return options;
}

}  // namespace

int CmdSet(const std::vector<std::string>& args) {
    const std::string usage = UsageSet();
    const auto parsed = ParseArgs(args, "set", usage, ValueOptions(), {}, 1, SIZE_MAX);
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, "set", usage);
    if (!level) return 2;

    std::vector<FieldText> fields;
    for (const FieldInfo& f : TagFields)
        if (parsed->Has(f.Option)) fields.emplace_back(f.Field, parsed->Value(f.Option));

    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        // One read-modify-write with all fields, so the fields not given keep
        // what the file holds and no file is left with some of them.
        WriteTagFields(run, path, *level, fields, [failed, path](const SaveOutcome& outcome) {
            if (ReportOutcome(path, outcome)) failed();
        });
    });
}

std::string UsageSet() {
    // The synopsis, wrapped within 80 columns.
    std::vector<std::string> words{"[--level 1|2]"};
    for (const FieldInfo& f : TagFields) words.push_back("[" + std::string(f.Option) + " T]");
    words.insert(words.end(), {"[--backup ORDNER]", "DATEI..."});
    std::string synopsis = "  set", line = synopsis;
    for (const std::string& w : words) {
        if (line.size() + 1 + w.size() > 80) {
            synopsis += "\n      " + w;
            line = "      " + w;
        } else {
            synopsis += " " + w;
            line += " " + w;
        }
    }
    return synopsis +
           "\n"
           "        Setzt die angegebenen Felder im ID3v1-Tag (--level 1, Vorgabe) oder\n"
           "        ID3v2-Tag (--level 2) jeder Datei; die übrigen Felder behalten ihre\n"
           "        Werte. Ein Genre, das genau einem der 148 Namen gleicht, wird im\n"
           "        ID3v1-Tag als dessen Nummer gespeichert, jedes andere als 255.\n"
           "        Mit --backup bleiben die alten Tags in ORDNER für \"restore\".\n";
}

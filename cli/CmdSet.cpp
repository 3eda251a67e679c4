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

constexpr std::pair<std::string_view, TagField> kFieldOptions[] = {
    {"--artist", TagField::Artist}, {"--album", TagField::Album}, {"--title", TagField::Title},
    {"--year", TagField::Year},     {"--genre", TagField::Genre}, {"--comment", TagField::Comment},
};

}  // namespace

int CmdSet(const std::vector<std::string>& args) {
    const std::string usage = UsageSet();
    const auto parsed = ParseArgs(
        args, "set", usage,
        {"--level", "--artist", "--album", "--title", "--year", "--genre", "--comment", "--backup"},
        {}, 1, SIZE_MAX);
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, "set", usage);
    if (!level) return 2;

    std::vector<FieldText> fields;
    for (const auto& [option, field] : kFieldOptions)
        if (parsed->Has(option)) fields.emplace_back(field, parsed->Value(option));

    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        // One read-modify-write with all fields, so the fields not given keep
        // what the file holds and no file is left with some of them.
        WriteTagFields(run, path, *level, fields, [failed, path](const SaveOutcome& outcome) {
            if (ReportOutcome(path, outcome)) failed();
        });
    });
}

std::string UsageSet() {
    return "  set [--level 1|2] [--artist T] [--album T] [--title T] [--year T] [--genre T]\n"
           "      [--comment T] [--backup ORDNER] DATEI...\n"
           "        Setzt die angegebenen Felder im ID3v1-Tag (--level 1, Vorgabe) oder\n"
           "        ID3v2-Tag (--level 2) jeder Datei; die übrigen Felder behalten ihre\n"
           "        Werte. Ein Genre, das genau einem der 148 Namen gleicht, wird im\n"
           "        ID3v1-Tag als dessen Nummer gespeichert, jedes andere als 255.\n"
           "        Mit --backup bleiben die alten Tags in ORDNER für \"restore\".\n";
}

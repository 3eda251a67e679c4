// tonzettel-cli set: the wizard's run on files named on the command line.
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/Commands.h"
#include "ops/EditOps.h"

namespace {

constexpr std::pair<const char*, TagField> kFieldOptions[] = {
    {"--artist", TagField::Artist}, {"--album", TagField::Album}, {"--title", TagField::Title},
    {"--year", TagField::Year},     {"--genre", TagField::Genre}, {"--comment", TagField::Comment},
};

struct SetArgs {
    int Level = 1;
    std::array<std::optional<std::string>, AllTagFields.size()> Values;
    std::vector<std::string> Files;
};

int Usage(const std::string& problem) {
    std::fprintf(stderr, "%s\n\n", problem.c_str());
    std::fputs(UsageSet().c_str(), stderr);
    return 2;
}

// Splits "--name=value" or takes the value from the next argument.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name,
               std::string& value) {
    const std::string& a = args[i];
    if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
        value = a.substr(name.size() + 1);
        return true;
    }
    if (a != name || i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

bool Matches(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

}  // namespace

int CmdSet(const std::vector<std::string>& args) {
    SetArgs parsed;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
            parsed.Files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        std::string value;
        if (Matches(a, "--level")) {
            if (!TakeValue(args, i, "--level", value)) return Usage("--level braucht einen Wert.");
            if (value != "1" && value != "2") return Usage("--level muss 1 oder 2 sein.");
            parsed.Level = value == "1" ? 1 : 2;
            continue;
        }
        bool known = false;
        for (const auto& [name, field] : kFieldOptions) {
            if (!Matches(a, name)) continue;
            if (!TakeValue(args, i, name, value)) {
                return Usage(std::string(name) + " braucht einen Wert.");
            }
            parsed.Values[static_cast<size_t>(field)] = value;
            known = true;
            break;
        }
        if (!known) return Usage("Unbekannte Option \"" + a + "\".");
    }
    if (parsed.Files.empty()) return Usage("Keine Datei angegeben.");

    int exitCode = 0;
    for (const auto& path : parsed.Files) {
        // One read-modify-write per field, as the wizard does, so the fields
        // not given keep what the file holds.
        for (TagField field : AllTagFields) {
            const auto& value = parsed.Values[static_cast<size_t>(field)];
            if (!value) continue;
            const EditResult result = WriteTagField(path, parsed.Level, field, *value);
            if (result == EditResult::Saved) continue;
            exitCode = 1;
            // An unreadable file has had its message from the tag code already.
            if (result == EditResult::NoFrame) {
                std::fprintf(stderr,
                             "Die Datei \"%s\" enthält keine MPEG-Audiodaten mehr und "
                             "wird übersprungen.\n",
                             path.c_str());
            } else if (result == EditResult::Failed) {
                std::fprintf(stderr, "%s\n", SaveFailedText(path).c_str());
            }
            break;
        }
    }
    return exitCode;
}

std::string UsageSet() {
    return "  set [--level 1|2] [--artist T] [--album T] [--title T] [--year T] [--genre T]\n"
           "      [--comment T] DATEI...\n"
           "        Setzt die angegebenen Felder im ID3v1-Tag (--level 1, Vorgabe) oder\n"
           "        ID3v2-Tag (--level 2) jeder Datei; die übrigen Felder behalten ihre\n"
           "        Werte. Ein Genre, das genau einem der 148 Namen gleicht, wird im\n"
           "        ID3v1-Tag als dessen Nummer gespeichert, jedes andere als 255.\n";
}

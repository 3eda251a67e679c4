#include "cli/CliText.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

int UsageError(std::string_view command, std::string_view message, std::string_view usage) {
    std::string text = "tonzettel-cli ";
    text.append(command).append(": ").append(message).append("\n\n").append(usage);
    std::fputs(text.c_str(), stderr);
    return 2;
}

std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, std::string_view command,
                                    std::string_view usage,
                                    std::initializer_list<std::string_view> valueOptions,
                                    std::initializer_list<std::string_view> flagOptions,
                                    size_t minPositional, size_t maxPositional) {
    const auto known = [](std::initializer_list<std::string_view> list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            parsed.Positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        if (known(valueOptions, name)) {
            if (eq != std::string::npos) {
                parsed.Values[name] = a.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                parsed.Values[name] = args[++i];
            } else {
                UsageError(command, "Die Option \"" + name + "\" braucht einen Wert.", usage);
                return std::nullopt;
            }
        } else if (known(flagOptions, name) && eq == std::string::npos) {
            parsed.Flags.insert(name);
        } else {
            UsageError(command, "Unbekannte Option \"" + a + "\".", usage);
            return std::nullopt;
        }
    }
    if (parsed.Positional.size() < minPositional) {
        UsageError(command, "Es fehlen Argumente.", usage);
        return std::nullopt;
    }
    if (parsed.Positional.size() > maxPositional) {
        UsageError(command, "Zu viele Argumente.", usage);
        return std::nullopt;
    }
    return parsed;
}

std::optional<int> LevelOption(const ParsedArgs& parsed, std::string_view command,
                               std::string_view usage) {
    if (!parsed.Has("--level")) return 1;
    const std::string value = parsed.Value("--level");
    if (value == "1") return 1;
    if (value == "2") return 2;
    UsageError(command, "Ungültige Ebene \"" + value + "\": erlaubt sind 1 und 2.", usage);
    return std::nullopt;
}

namespace {

void Fail(const std::string& text) {
    std::fputs((text + "\n").c_str(), stderr);
}

}  // namespace

bool CheckReadableFolder(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0) {
        Fail("Der Ordner \"" + folder + "\" existiert nicht.");
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        Fail("\"" + folder + "\" ist kein Ordner.");
        return false;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        Fail("Der Ordner \"" + folder + "\" kann nicht gelesen werden.");
        return false;
    }
    ::closedir(dir);
    return true;
}

bool CheckReadableFile(const std::string& file) {
    struct stat st {};
    if (file.empty() || ::stat(file.c_str(), &st) != 0) {
        Fail("Die Datei \"" + file + "\" existiert nicht.");
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        Fail("\"" + file + "\" ist keine Datei, sondern ein Ordner.");
        return false;
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Fail("Die Datei \"" + file + "\" kann nicht gelesen werden.");
        return false;
    }
    ::close(fd);
    return true;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
}

std::string Escaped(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

std::string_view YesNo(bool value) {
    return value ? "ja" : "nein";
}

void ReportFile(const std::string& path, std::string_view text) {
    std::fprintf(stderr, "%s: %.*s\n", path.c_str(), static_cast<int>(text.size()), text.data());
}

bool ReportOutcome(const std::string& path, FileOutcome outcome, int sourceLevel) {
    switch (outcome) {
        case FileOutcome::Written:
            return false;
        case FileOutcome::Unreadable:  // the tag code's message is on standard error
            return true;
        case FileOutcome::NoFrame:
            ReportFile(path, "Keine MPEG-Audiodaten gefunden, der Tag wurde nicht geschrieben.");
            return true;
        case FileOutcome::NoSourceTag:
            ReportFile(path, sourceLevel == 2
                                 ? "Die Datei hat kein ID3v2-Tag und bleibt unverändert."
                                 : "Die Datei hat kein ID3v1-Tag und bleibt unverändert.");
            return true;
        case FileOutcome::SaveFailed:
            ReportFile(path, "Die Datei konnte nicht gespeichert werden.");
            return true;
    }
    return true;
}

bool ReportOutcome(const std::string& path, const SaveOutcome& outcome, int sourceLevel) {
    if (outcome.Outcome != FileOutcome::SaveFailed || outcome.Why == writepath::Failure::None)
        return ReportOutcome(path, outcome.Outcome, sourceLevel);
    ReportFile(path, "Die Datei konnte nicht gespeichert werden: " +
                         writepath::FailureText(outcome.Why) + ".");
    return true;
}

bool BackupRun::Start(const ParsedArgs& parsed) {
    if (!parsed.Has("--backup")) return true;
    const std::string folder = parsed.Value("--backup");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (folder.empty() || ec || !std::filesystem::is_directory(folder, ec)) {
        Fail("Der Ordner \"" + folder + "\" kann nicht angelegt werden.");
        return false;
    }
    folder_.emplace(folder);
    recorder_.emplace(nullptr, "backup", nullptr, &*folder_);
    return true;
}

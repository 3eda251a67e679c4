#include "cli/Args.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "cli/Report.h"
#include "ops/Reasons.h"

int UsageError(std::string_view command, std::string_view message, std::string_view usage) {
    std::string text = "tonzettel-cli ";
    text.append(command).append(": ").append(message).append("\n\n").append(usage);
    std::fputs(text.c_str(), stderr);
    return 2;
}

std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args, std::string_view command,
                                    std::string_view usage,
                                    const std::vector<std::string_view>& valueOptions,
                                    const std::vector<std::string_view>& flagOptions,
                                    size_t minPositional, size_t maxPositional) {
    const auto known = [](const std::vector<std::string_view>& list, std::string_view name) {
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
        Fail(UnreadableFolderText(folder));
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

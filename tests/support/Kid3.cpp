#include "support/Kid3.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

bool Kid3Available() {
    static const bool available = std::system("kid3-cli --help >/dev/null 2>&1") == 0;
    return available;
}

std::optional<std::vector<std::string>> Kid3View(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string command = "kid3-cli -c get " + quoted + "' 2>/dev/null";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    if (::pclose(pipe) != 0) return std::nullopt;
    // The fields stand indented under "Tag 2: ID3v2.x.0"; a line of a
    // multi-line value (lyrics) is not indented.
    std::vector<std::string> lines;
    bool inTag = false;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Tag ", 0) == 0) {
            inTag = line.rfind("Tag 2", 0) == 0;
            continue;
        }
        if (!inTag) continue;
        if (line.rfind("  ", 0) != 0 && !lines.empty()) {
            lines.back() += "\n" + line;
            continue;
        }
        std::replace(line.begin(), line.end(), '|', '/');
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/Reasons.h"
#include "scan/Scan.h"
#include "tags/Messages.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(250);

// The running count and one line buffer for the whole scan.
struct ScanState {
    int found = 0;
    std::string line;
    bool live = false;  // standard error is a terminal: show a running count
    size_t liveWidth = 0;
    Clock::time_point nextTick;
};

void ClearLive(ScanState& s) {
    if (s.liveWidth == 0) return;
    std::string blank(s.liveWidth + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    std::fputs(blank.c_str(), stderr);
    s.liveWidth = 0;
}

void ShowLive(ScanState& s) {
    const std::string text = FoundSoFarText(s.found);
    std::fputs(("\r" + text).c_str(), stderr);
    std::fflush(stderr);
    s.liveWidth = text.size();
}

void AddRow(ScanState& s, const FileRow* row) {
    ++s.found;
    if (s.live) {
        const auto now = Clock::now();
        if (now >= s.nextTick) {
            ShowLive(s);
            s.nextTick = now + kTick;
        }
    }
    if (!row) return;
    s.line.clear();
    s.line += std::to_string(row->ImageIndex);
    for (const std::string& cell : row->Cells) {
        s.line += '\t';
        AppendEscaped(s.line, cell);
    }
    s.line += '\n';
    std::fwrite(s.line.data(), 1, s.line.size(), stdout);
}

}  // namespace

std::string UsageScan() {
    return "  scan [--level 1|2] ORDNER\n"
           "      Durchsucht ORDNER und alle Unterordner nach MP3-Dateien und gibt je\n"
           "      gültiger Datei eine Zeile aus: Bildindex und die 13 Spalten der\n"
           "      Dateiliste, durch Tabulatoren getrennt. --level wählt das Tag der\n"
           "      Spalten (1: ID3v1, 2: ID3v2; Vorgabe 1). Ein Ordner, der nicht gelesen\n"
           "      werden kann, wird genannt (Rückgabewert 1).\n";
}

int CmdScan(const std::vector<std::string>& args) {
    const auto parsed = ParseArgs(args, "scan", UsageScan(), {"--level"}, {}, 1, 1);
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, "scan", UsageScan());
    if (!level) return 2;
    const std::string& folder = parsed->Positional[0];
    if (!CheckReadableFolder(folder)) return 2;

    ScanState state;
    state.live = ::isatty(STDERR_FILENO) == 1;
    state.nextTick = Clock::now();  // the first file shows the count at once

    ScanCallbacks callbacks;
    // A file that cannot be read is named apart from the running count, and
    // makes the exit code report it.
    callbacks.Unreadable = [&state](const std::string& path) {
        ClearLive(state);
        std::fputs((UnreadableFileText(path) + "\n").c_str(), stderr);
    };
    callbacks.Row = [&state](const FileRow* row, const std::string&, const DirEntry&) {
        AddRow(state, row);
        return true;
    };
    const ScanReport report = ScanFolder(folder, *level, callbacks);
    ClearLive(state);
    // A folder that cannot be read is named: the list would look complete.
    for (const auto& f : report.Unreadable) Fail(UnreadableFolderText(f));

    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    std::fputs((folder + "\n" + FoundCountText(state.found) + "\n").c_str(), stderr);
    if (!written) {
        std::fputs("Die Ausgabe konnte nicht geschrieben werden.\n", stderr);
        return 1;
    }
    return report.UnreadableFiles > 0 || !report.Unreadable.empty() ? 1 : 0;
}

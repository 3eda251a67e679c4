#include "cli/Report.h"

#include <cstdio>

#include "ops/Reasons.h"

void Fail(const std::string& text) {
    std::fputs((text + "\n").c_str(), stderr);
}

void AppendEscaped(std::string& out, std::string_view text) {
    // Cells rarely hold a byte to escape: the plain runs go in whole.
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* escape = c == '\t'   ? "\\t"
                             : c == '\n' ? "\\n"
                             : c == '\r' ? "\\r"
                             : c == '\\' ? "\\\\"
                                         : nullptr;
        if (escape == nullptr) continue;
        out.append(text.substr(from, i - from)).append(escape);
        from = i + 1;
    }
    out.append(text.substr(from));
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
        case FileOutcome::Unreadable:
            std::fputs((UnreadableFileText(path) + "\n").c_str(), stderr);
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
    ReportFile(path,
               "Die Datei konnte nicht gespeichert werden: " + FailureText(outcome.Why) + ".");
    return true;
}

// tonzettel-cli recover: the saves a crash or a pulled medium left, finished
// where the file is back, listed where not, dropped on request.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "ops/Reasons.h"
#include "tags/Text.h"
#include "tags/WritePath.h"

std::string UsageRecover() {
    return "  recover [--discard DATEI]\n"
           "      Speichert fertig, was ein Abbruch oder ein abgezogenes Laufwerk\n"
           "      unterbrochen hat, soweit die Dateien erreichbar sind, und nennt die\n"
           "      übrigen. Mit --discard wird das unterbrochene Speichern von DATEI\n"
           "      verworfen.\n";
}

int CmdRecover(const std::vector<std::string>& args) {
    const auto parsed = ParseArgs(args, "recover", UsageRecover(), {"--discard"}, {}, 0, 0);
    if (!parsed) return 2;
    if (parsed->Has("--discard")) {
        const std::string path = parsed->Value("--discard");
        bool grew = false;
        if (!writepath::DiscardPending(path, &grew)) {
            std::fprintf(stderr, "Für \"%s\" wartet kein unterbrochenes Speichern.\n",
                         ReadableName(path).c_str());
            return 1;
        }
        std::fprintf(
            stderr,
            "Das unterbrochene Speichern von \"%s\" wurde verworfen: seine Änderungen "
            "an den Tags gehen verloren.%s\n",
            ReadableName(path).c_str(),
            grew ? " War die Datei schon zum Teil geschrieben, bleibt sie unvollständig." : "");
        return 0;
    }
    const auto report = writepath::RecoverJournals();
    if (!report.Empty()) std::fputs((RecoveryText(report) + "\n").c_str(), stderr);
    for (const auto& p : report.Pending) std::printf("%s\n", p.c_str());
    return report.Pending.empty() && report.State.Trusted() ? 0 : 1;
}

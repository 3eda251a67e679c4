// tonzettel-cli export and import: the list as a spreadsheet or a playlist,
// and the tags back from a spreadsheet.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/EditOps.h"
#include "ops/Reasons.h"
#include "ops/SheetOps.h"
#include "scan/Scan.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Absolute(const std::string& path) {
    if (path.starts_with("/")) return path;
    char* cwd = ::getcwd(nullptr, 0);
    std::string out = cwd ? std::string(cwd) + "/" + path : path;
    std::free(cwd);
    return out;
}

}  // namespace

int CmdExport(const std::vector<std::string>& args) {
    const std::string usage = UsageExport();
    const auto parsed =
        ParseArgs(args, "export", usage, {"--format", "--level", "-o"}, {}, 1, SIZE_MAX);
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, "export", usage);
    if (!level) return 2;
    const std::string format = parsed->Value("--format", "csv");
    if (format != "csv" && format != "m3u8")
        return UsageError("export", "--format ist csv oder m3u8.", usage);
    const bool csv = format == "csv";
    const std::string output = parsed->Value("-o");
    // Playlist paths are relative to the playlist's own folder.
    const std::string listFolder = output.empty() ? std::string() : FolderOf(Absolute(output));

    ExportText text(!csv, listFolder);
    const auto add = [&text](const FileRow& row) { text.Add(row); };
    int code = 0;
    for (const auto& given : parsed->Positional) {
        // Full paths, by which an import finds the files again.
        const std::string arg = Absolute(given);
        struct stat st {};
        if (::stat(arg.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            ScanCallbacks callbacks;
            callbacks.Unreadable = [&code](const std::string& path) {
                std::fputs((UnreadableFileText(path) + "\n").c_str(), stderr);
                code = 1;
            };
            callbacks.Row = [&add](const FileRow* row, const std::string&, const DirEntry&) {
                if (row) add(*row);
                return true;
            };
            const ScanReport report = ScanFolder(arg, *level, callbacks);
            for (const auto& f : report.Unreadable) {
                Fail(UnreadableFolderText(f));
                code = 1;
            }
            continue;
        }
        if (!CheckReadableFile(arg)) return 2;
        TMPEGaudio audio;
        audio.ReadFromFile(arg);
        FileRow row;
        const size_t slash = arg.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : arg.substr(0, slash);
        if (!BuildFileRow(audio, *level, folder, arg.substr(slash + 1), row)) {
            ReportFile(arg, audio.Unreadable() ? UnreadableFileText(arg)
                                               : "Keine gültigen MPEG-Audiodaten.");
            code = 1;
            continue;
        }
        add(row);
    }
    if (output.empty()) {
        std::fwrite(text.Text().data(), 1, text.Text().size(), stdout);
        return std::fflush(stdout) == 0 ? code : 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << text.Text();
    out.close();
    if (!out) {
        Fail(CannotWriteText(output));
        return 1;
    }
    return code;
}

int CmdImport(const std::vector<std::string>& args) {
    const std::string usage = UsageImport();
    const auto parsed =
        ParseArgs(args, "import", usage, {"--csv", "--level", "--backup"}, {"--dry-run"}, 0, 0);
    if (!parsed) return 2;
    const auto level = LevelOption(*parsed, "import", usage);
    if (!level) return 2;
    if (!parsed->Has("--csv")) return UsageError("import", "--csv fehlt.", usage);
    const std::string file = parsed->Value("--csv");
    if (!CheckReadableFile(file)) return 2;
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const ImportSheet sheet = ReadImportSheet(buffer.str());
    if (!sheet.HasPath) {
        Fail("Die Tabelle \"" + file + "\" hat keine Spalte \"Pfad\".");
        return 2;
    }
    const std::vector<ImportPlanItem> plan = PlanImport(sheet, *level);

    int code = 0, same = 0;
    std::string preview;
    ParsedArgs run = *parsed;
    std::map<std::string, const ImportPlanItem*> byPath;
    for (const ImportPlanItem& item : plan) {
        switch (item.What) {
            case ImportPlanItem::NotFound:
                ReportFile(item.Path, "Die Datei wurde nicht gefunden.");
                code = 1;
                break;
            case ImportPlanItem::Same:
                ++same;
                break;
            case ImportPlanItem::Change:
                preview += ReadableName(item.Path) + "\n";
                for (const auto& c : item.Changes)
                    preview += "  " + std::string(ColumnHeader(ColumnOf(c.Field))) + ": " +
                               Escaped(c.Old) + " -> " + Escaped(c.New) + "\n";
                run.Positional.push_back(item.Path);
                byPath[item.Path] = &item;
                break;
        }
    }
    std::fprintf(stderr, "%d %s unverändert.\n", same,
                 same == 1 ? "Datei bleibt" : "Dateien bleiben");
    if (parsed->Has("--dry-run")) {
        std::fwrite(preview.data(), 1, preview.size(), stdout);
        return code;
    }
    const int saved = RunOverFiles(run, [&](SaveRun& r, const std::string& path,
                                            const auto& failed) {
        std::vector<FieldText> fields;
        for (const auto& c : byPath[path]->Changes) fields.emplace_back(c.Field, c.New);
        WriteTagFields(
            r, path, *level, fields, [path, failed, cut = byPath[path]->Cut](const SaveOutcome& o) {
                if (ReportOutcome(path, o, 0)) return failed();
                if (!cut.empty())
                    ReportFile(path, "Nur gekürzt im ID3v1-Tag: " + FieldNames(cut) + ".");
            });
    });
    return saved != 0 ? saved : code;
}

std::string UsageExport() {
    return "  export [--format csv|m3u8] [--level 1|2] [-o DATEI] DATEI|ORDNER...\n"
           "      Schreibt die Zeilen der Dateiliste (ein ORDNER wird wie bei scan\n"
           "      durchsucht) als CSV-Tabelle (Vorgabe: UTF-8 mit BOM, \";\" zwischen den\n"
           "      Zellen, eine Kopfzeile mit den Spaltennamen der Liste) oder als\n"
           "      Wiedergabeliste M3U8, nach DATEI oder auf die Standardausgabe.\n";
}

std::string UsageImport() {
    return "  import --csv DATEI [--level 1|2] [--dry-run] [--backup ORDNER]\n"
           "      Setzt die Felder aus einer CSV-Tabelle (\";\", \",\" oder Tabulator) in\n"
           "      den Tag der Ebene jeder Datei, die die Spalte \"Pfad\" (mit \"Datei\")\n"
           "      nennt; eine leere Zelle lässt das Feld, wie es ist. --dry-run zeigt je\n"
           "      Datei, was sich ändern würde (alt -> neu), und ändert nichts.\n";
}

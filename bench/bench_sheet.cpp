// The list as a spreadsheet over 10,000 files: tonzettel-cli export of the
// folder beside tonzettel-cli scan of it, and an import of 10,000 changed
// years beside tonzettel-cli set --year over the same files, in one run.
//
//   build/bin/bench_sheet [FOLDER] [--rounds N]
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/BenchTree.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 10000;

// The sheet with every year cell set to year.
std::string WithYear(const std::string& sheet, const std::string& year) {
    std::istringstream in(sheet);
    std::string out, line;
    bool header = true;
    while (std::getline(in, line)) {
        if (!header) {
            // Pfad;Datei;Interpret;Album;Titel;Jahr: the sixth cell (no quotes in these files).
            size_t at = 0;
            for (int i = 0; i < 5; ++i) at = line.find(';', at) + 1;
            const size_t end = line.find(';', at);
            line.replace(at, end - at, year);
        }
        header = false;
        out += line + "\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const BenchArgs args = ParseBenchArgs(argc, argv, fs::temp_directory_path().string(), 3);
    const fs::path root = args.Root;
    const int rounds = args.Rounds;
    const fs::path dir = root / "tonzettel-bench-sheet";
    fs::remove_all(dir);
    fs::create_directories(dir / "state");
    const std::string tree = (dir / "tree").string();
    MakeBenchTree(tree, kFiles);
    std::vector<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(tree))
        if (e.is_regular_file()) paths.push_back(e.path().string());
    const std::string cli = (fs::path(argv[0]).parent_path() / "tonzettel-cli").string();
    const std::string state = (dir / "state").string();
    const std::string sheet = (dir / "liste.csv").string();

    std::vector<double> scan, exportMs, import, set;
    for (int r = 0; r < rounds + 1; ++r) {
        const Run s = RunTool({cli, "scan", tree}, state);
        const Run e = RunTool({cli, "export", "-o", sheet, tree}, state);
        std::ifstream in(sheet, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string changed = (dir / "geaendert.csv").string();
        std::ofstream(changed, std::ios::binary) << WithYear(text.str(), std::to_string(1950 + r));
        const Run i = RunTool({cli, "import", "--csv", changed}, state);
        std::vector<std::string> args = {cli, "set", "--year", std::to_string(1980 + r)};
        args.insert(args.end(), paths.begin(), paths.end());
        const Run y = RunTool(args, state);
        if (r == 0) continue;  // warms the page cache
        scan.push_back(s.ms);
        exportMs.push_back(e.ms);
        import.push_back(i.ms);
        set.push_back(y.ms);
    }
    std::printf("%d files; median of %d rounds\n", kFiles, rounds);
    std::printf("%-34s %10.1f ms\n", "tonzettel-cli scan", Median(scan));
    std::printf("%-34s %10.1f ms\n", "tonzettel-cli export (csv)", Median(exportMs));
    std::printf("%-34s %10.1f ms\n", "tonzettel-cli import (10,000 years)", Median(import));
    std::printf("%-34s %10.1f ms\n", "tonzettel-cli set --year", Median(set));
    std::printf("export / scan: %.2f (target: at most 1.5)\n", Median(exportMs) / Median(scan));
    std::printf("import / set --year: %.2f (target: at most 2)\n", Median(import) / Median(set));
    fs::remove_all(dir);
    return 0;
}

// What recording a step of the history costs: the wizard's run (three
// fields, one read-modify-write each) over 200 files of 4 MB with a 60 KB
// cover picture (the benchmarks' tree), with and without a recorder, in alternating rounds. Also
// the time of taking the recorded step back.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTree.h"
#include "ops/EditOps.h"
#include "ops/History.h"
#include "ops/SaveRun.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr size_t kFileSize = 4u << 20;
constexpr size_t kPicture = 60u << 10;
constexpr int kRounds = 5;

double Millis(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Run(const std::vector<std::string>& paths, int round) {
    const std::string value = "Runde " + std::to_string(round);
    SaveRun run;
    for (const auto& p : paths)
        WriteTagFields(
            run, p, 2,
            {{TagField::Artist, value}, {TagField::Album, value}, {TagField::Year, value}},
            [&p](const SaveOutcome& o) {
                if (o.Outcome == FileOutcome::Written) return;
                std::fprintf(stderr, "write failed: %s\n", p.c_str());
                std::exit(1);
            });
    run.Commit();
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path dir = root / "tonzettel-bench-history";
    fs::create_directories(dir);
    fs::remove_all(dir);
    MakeBenchTree(dir.string(), kFiles, kFileSize, kPicture);
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());

    std::vector<double> plain, recorded, undo;
    size_t stepBytes = 0;
    int round = 0;
    Run(paths, round++);  // warms the page cache
    for (int r = 0; r < kRounds; ++r) {
        plain.push_back(Millis([&] { Run(paths, round++); }));
        TagHistory history;
        recorded.push_back(Millis([&] {
            StepRecorder step(&history, "Wizard");
            Run(paths, round++);
        }));
        stepBytes = history.Bytes();
        undo.push_back(Millis([&] {
            if (!history.Undo(nullptr).Empty()) std::exit(1);
        }));
    }
    const double p = Median(plain), w = Median(recorded);
    std::printf("wizard run, %d files of %zu MB, %zu KB picture, 3 fields, median of %d rounds\n",
                kFiles, kFileSize >> 20, kPicture >> 10, kRounds);
    std::printf("  without recording  %9.1f ms\n", p);
    std::printf("  with recording     %9.1f ms  (%+.1f %%)\n", w, 100.0 * (w - p) / p);
    std::printf("  step held          %9.1f MiB\n", static_cast<double>(stepBytes) / (1 << 20));
    std::printf("  undo of the step   %9.1f ms\n", Median(undo));
    fs::remove_all(dir);
    return 0;
}

// Files per second of "tonzettel-cli scan" on a generated tree (warm cache),
// beside the baseline reader on the same tree, and the tool's peak memory on
// that tree and on a larger one.
//
//   bench_scan [FILES] [LARGE_FILES]     defaults 10000 and 40000; 0 skips the large tree
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BaselineRead.h"
#include "bench/BenchTree.h"
#include "scan/FileRow.h"
#include "scan/FolderWalk.h"
#include "tags/MPEGaudio.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of kRounds; the first warm-up round is not counted.
template <typename F>
double Best(F&& run) {
    run();
    double best = 1e300;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, Seconds(start));
    }
    return best;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

void Shell(const std::string& cmd) {
    const int status = std::system(cmd.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", cmd.c_str());
        std::exit(1);
    }
}

struct Counter {
    int files = 0;
    int rows = 0;
    bool ok = true;
    TMPEGaudio audio;
    FileRow row;
    std::string path;
};

bool Baseline(void* context, const std::string& folder, const DirEntry& entry) {
    auto& c = *static_cast<Counter*>(context);
    ++c.files;
    c.path.assign(folder).append(entry.Name);
    c.ok = BaselineRead(c.path) && c.ok;
    return true;
}

bool Analyse(void* context, const std::string& folder, const DirEntry& entry) {
    auto& c = *static_cast<Counter*>(context);
    ++c.files;
    c.path.assign(folder).append(entry.Name);
    c.audio.ReadFromFile(c.path);
    if (BuildFileRow(c.audio, 1, folder, entry.Name, c.row)) ++c.rows;
    return true;
}

// Peak resident memory in KiB of one tool run, from /usr/bin/time -v.
long PeakKiB(const std::string& cli, const std::string& tree, const std::string& report) {
    Shell("/usr/bin/time -v -o " + Quote(report) + " " + Quote(cli) + " scan " + Quote(tree) +
          " >/dev/null 2>&1");
    std::ifstream in(report);
    const std::string key = "Maximum resident set size (kbytes):";
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(key);
        if (at != std::string::npos) return std::atol(line.c_str() + at + key.size());
    }
    return -1;
}

std::string MakeTree(int count) {
    std::string tmpl = (fs::temp_directory_path() / "tz-bench-scan-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const auto start = Clock::now();
    MakeBenchTree(tmpl, count);
    std::printf("tree of %d files written in %.1f s: %s\n", count, Seconds(start), tmpl.c_str());
    return tmpl;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int large = argc > 2 ? std::atoi(argv[2]) : 40000;
    const std::string cli = (fs::canonical("/proc/self/exe").parent_path() / "tonzettel-cli");
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "tonzettel-cli not found beside the benchmark: %s\n", cli.c_str());
        return 1;
    }

    const std::string tree = MakeTree(count);
    Counter check;
    WalkFolder(tree, "*.mp3", Analyse, &check);
    if (check.files != count || check.rows != count) {
        std::fprintf(stderr, "tree check failed: %d files, %d rows\n", check.files, check.rows);
        return 1;
    }

    const double baseline = Best([&] {
        Counter c;
        WalkFolder(tree, "*.mp3", Baseline, &c);
    });
    const double inProcess = Best([&] {
        Counter c;
        WalkFolder(tree, "*.mp3", Analyse, &c);
    });
    const std::string scanCmd = Quote(cli) + " scan " + Quote(tree) + " >/dev/null 2>&1";
    const double tool = Best([&] { Shell(scanCmd); });

    std::printf("\n%-46s %10s %12s %8s\n", "warm cache, best of 5", "seconds", "files/s", "ratio");
    const auto line = [&](const char* what, double s) {
        std::printf("%-46s %10.4f %12.0f %8.2f\n", what, s, count / s, s / baseline);
    };
    line("baseline: walk + open, read ranges, close", baseline);
    line("walk + analyser + row builder (in process)", inProcess);
    line("tonzettel-cli scan > /dev/null", tool);

    const std::string report = tree + ".time";
    std::printf("\npeak memory of tonzettel-cli scan (/usr/bin/time -v)\n");
    std::printf("  %6d files: %6ld KiB\n", count, PeakKiB(cli, tree, report));
    fs::remove_all(tree);
    if (large > 0) {
        const std::string big = MakeTree(large);
        PeakKiB(cli, big, report);  // warm the cache
        std::printf("  %6d files: %6ld KiB\n", large, PeakKiB(cli, big, report));
        fs::remove_all(big);
    }
    fs::remove(report);
    return 0;
}

// Files per second of TMPEGaudio::ReadFromFile over a generated folder of MP3
// files (warm cache), beside a baseline that only opens each file, reads the
// same byte ranges and closes it.
//
//   bench_mpeg_read [FILES]      default 10000
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BaselineRead.h"
#include "bench/BenchTree.h"
#include "tags/MPEGaudio.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;

// Best of kRounds after one warm-up round that fills the page cache.
template <typename F>
double BestSeconds(F&& run) {
    run();
    double best = 1e300;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: %s [FILES]\n", argv[0]);
        return 2;
    }
    const fs::path root =
        fs::temp_directory_path() / ("tonzettel-bench-mpeg-" + std::to_string(::getpid()));
    MakeBenchTree(root.string(), count);

    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());

    int failures = 0;
    const double baseline = BestSeconds([&] {
        for (const auto& p : paths) failures += BaselineRead(p) ? 0 : 1;
    });
    int valid = 0;
    TMPEGaudio audio;
    const double analyser = BestSeconds([&] {
        valid = 0;
        for (const auto& p : paths) {
            audio.ReadFromFile(p);
            valid += audio.IsValid() ? 1 : 0;
        }
    });

    // Where the time goes: the two tag readers that ReadFromFile calls first.
    TID3v1 tag1;
    const double tag1Time = BestSeconds([&] {
        for (const auto& p : paths) tag1.ReadFromFile(p);
    });
    TID3v2 tag2;
    const double tag2Time = BestSeconds([&] {
        for (const auto& p : paths) tag2.ReadFromFile(p);
    });

    const double n = static_cast<double>(paths.size());
    std::printf("files:                 %zu (%d valid)\n", paths.size(), valid);
    std::printf("baseline read:         %10.0f files/s  (%.2f us/file)\n", n / baseline,
                baseline / n * 1e6);
    std::printf("TMPEGaudio::ReadFromFile %8.0f files/s  (%.2f us/file)\n", n / analyser,
                analyser / n * 1e6);
    std::printf("ratio analyser/baseline: %.2f (aim: 1.30 or less)\n", analyser / baseline);
    std::printf(
        "  of which TID3v1::ReadFromFile %.2f us/file, TID3v2::ReadFromFile %.2f us/file,\n"
        "  the stream windows %.2f us/file\n",
        tag1Time / n * 1e6, tag2Time / n * 1e6, (analyser - tag1Time - tag2Time) / n * 1e6);
    if (failures > 0) std::printf("baseline failures: %d\n", failures);

    std::error_code ec;
    fs::remove_all(root, ec);
    return valid == static_cast<int>(paths.size()) ? 0 : 1;
}

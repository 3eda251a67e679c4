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

constexpr int kRounds = 7;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
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

    // The variants take turns within each round, so that load from elsewhere
    // on the machine falls on all of them alike; each keeps its best round.
    // Round 0 warms the page cache and is not counted.
    int failures = 0;
    int valid = 0;
    TMPEGaudio audio;
    TID3v1 tag1;
    TID3v2 tag2;
    double baseline = 1e300, analyser = 1e300, tags = 1e300;
    for (int round = 0; round <= kRounds; ++round) {
        auto start = Clock::now();
        for (const auto& p : paths) failures += BaselineRead(p) ? 0 : 1;
        if (round > 0) baseline = std::min(baseline, Seconds(start));

        start = Clock::now();
        valid = 0;
        for (const auto& p : paths) {
            audio.ReadFromFile(p);
            valid += audio.IsValid() ? 1 : 0;
        }
        if (round > 0) analyser = std::min(analyser, Seconds(start));

        // The two tag readers that ReadFromFile calls before its own reads.
        start = Clock::now();
        for (const auto& p : paths) {
            tag1.ReadFromFile(p);
            tag2.ReadFromFile(p);
        }
        if (round > 0) tags = std::min(tags, Seconds(start));
    }

    const double n = static_cast<double>(paths.size());
    std::printf("files:                 %zu (%d valid)\n", paths.size(), valid);
    std::printf("baseline read:         %10.0f files/s  (%.2f us/file)\n", n / baseline,
                baseline / n * 1e6);
    std::printf("TMPEGaudio::ReadFromFile %8.0f files/s  (%.2f us/file)\n", n / analyser,
                analyser / n * 1e6);
    std::printf("ratio analyser/baseline: %.2f (aim: 1.30 or less)\n", analyser / baseline);
    std::printf(
        "  of which the tag readers (TID3v1 and TID3v2 ReadFromFile) %.2f us/file,\n"
        "  the stream windows about %.2f us/file\n",
        tags / n * 1e6, (analyser - tags) / n * 1e6);
    if (failures > 0) std::printf("baseline failures: %d\n", failures);

    std::error_code ec;
    fs::remove_all(root, ec);
    return valid == static_cast<int>(paths.size()) ? 0 : 1;
}

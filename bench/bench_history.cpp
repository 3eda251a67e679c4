// What recording a step of the history costs: the wizard's run (three
// fields, one read-modify-write each) over 200 files of 4 MB with a 60 KB
// cover picture, with and without a recorder, in alternating rounds. Also
// the time of taking the recorded step back.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ops/EditOps.h"
#include "ops/History.h"

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

std::string Synchsafe(size_t value) {
    std::string bytes;
    for (int shift : {21, 14, 7, 0}) bytes += static_cast<char>((value >> shift) & 0x7F);
    return bytes;
}

std::string Frame(const std::string& id, const std::string& data) {
    return id +
           std::string{static_cast<char>(data.size() >> 24), static_cast<char>(data.size() >> 16),
                       static_cast<char>(data.size() >> 8), static_cast<char>(data.size())} +
           std::string(2, '\0') + data;
}

// A version 2.3 tag with text, the picture and padding; MPEG-1 Layer III
// frames of 128 kbit/s up to the file size; an ID3v1 block.
std::string Sample() {
    const std::string frames =
        Frame("TIT2", std::string("\0Titel", 6)) + Frame("TPE1", std::string("\0Band", 5)) +
        Frame("APIC", std::string("\0image/jpeg\0\x03\0", 14) + std::string(kPicture, '\xD8')) +
        Frame("TXXX", std::string("\0REPLAYGAIN_TRACK_GAIN\0-6.50 dB", 31));
    std::string file = "ID3\x03" + std::string(2, '\0') + Synchsafe(frames.size() + 2048) + frames +
                       std::string(2048, '\0');
    const std::string frame = std::string("\xFF\xFB\x90\x00", 4) + std::string(413, '\x55');
    while (file.size() + frame.size() + 128 <= kFileSize) file += frame;
    std::string block(128, '\0');
    block.replace(0, 3, "TAG");
    return file + block;
}

void Run(const std::vector<std::string>& paths, int round) {
    const std::string value = "Runde " + std::to_string(round);
    for (const auto& p : paths)
        for (const TagField f : {TagField::Artist, TagField::Album, TagField::Year})
            if (WriteTagField(p, 2, f, value) != FileOutcome::Written) {
                std::fprintf(stderr, "write failed: %s\n", p.c_str());
                std::exit(1);
            }
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path dir = root / "tonzettel-bench-history";
    fs::create_directories(dir);
    std::vector<std::string> paths;
    const std::string sample = Sample();
    for (int i = 0; i < kFiles; ++i) {
        paths.push_back((dir / ("f" + std::to_string(i) + ".mp3")).string());
        FILE* out = std::fopen(paths.back().c_str(), "wb");
        if (!out || std::fwrite(sample.data(), 1, sample.size(), out) != sample.size() ||
            std::fclose(out) != 0) {
            std::fprintf(stderr, "cannot write %s\n", paths.back().c_str());
            return 1;
        }
    }

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

// Peak memory of tonzettel-cli info, scan and a level-2 save, against the
// bound of twice the tag plus 16 MiB: on a file whose 33.5 MB tag is made of
// empty 6-byte frames (the most frames a tag of that size can hold), and on
// a 4 MB file with a 60 KB cover.
//
//   build/bin/bench_memory [FOLDER]
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTree.h"

namespace fs = std::filesystem;

namespace {

// The peak resident size of the command in KiB, as time(1) measures it: a
// child forked from this process would count this process's pages too.
long PeakKiB(const std::vector<std::string>& argv, const std::string& stateHome,
             const std::string& report) {
    std::string line = "XDG_STATE_HOME='" + stateHome + "' /usr/bin/time -f %M -o '" + report + "'";
    for (const auto& a : argv) line += " '" + a + "'";
    line += " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        std::fprintf(stderr, "%s failed\n", line.c_str());
        std::exit(1);
    }
    long kib = 0;
    std::ifstream(report) >> kib;
    return kib;
}

std::string Synchsafe(uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

// A 2.2 tag: a title, then empty frames up to about size bytes; then audio.
void WriteManyFrames(const std::string& path, size_t size) {
    std::string frames = std::string("TT2\0\0\x04\0Alt", 10);
    const std::string empty("TXX\0\0\0", 6);
    while (frames.size() + empty.size() <= size) frames += empty;
    std::ofstream out(path, std::ios::binary);
    out << "ID3" << '\x02' << '\0' << '\0' << Synchsafe(static_cast<uint32_t>(frames.size()))
        << frames;
    // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417-byte frames.
    for (int i = 0; i < 200; ++i)
        out << std::string("\xFF\xFB\x90\x00", 4) << std::string(413, 'U');
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path dir = root / "tonzettel-bench-memory";
    fs::remove_all(dir);
    fs::create_directories(dir / "state");
    fs::create_directories(dir / "frames");
    const std::string cli = (fs::path(argv[0]).parent_path() / "tonzettel-cli").string();
    const std::string state = (dir / "state").string();

    const std::string many = (dir / "frames" / "viele Rahmen.mp3").string();
    WriteManyFrames(many, 33500000);
    MakeBenchTree((dir / "cover").string(), 1, 4 << 20, 60 * 1024);
    std::string cover;
    for (const auto& e : fs::recursive_directory_iterator(dir / "cover"))
        if (e.is_regular_file()) cover = e.path().string();

    struct File {
        const char* name;
        std::string path, folder;
        long tagBytes;
    };
    const File files[] = {
        {"33.5 MB tag of empty frames", many, (dir / "frames").string(), 33500000},
        {"4 MB file, 60 KB cover", cover, (dir / "cover").string(), 64 * 1024},
    };
    std::printf("%-30s %-10s %12s %12s\n", "", "", "peak", "bound");
    for (const auto& f : files) {
        const long bound = 2 * f.tagBytes / 1024 + 16 * 1024;
        const struct {
            const char* what;
            std::vector<std::string> argv;
        } runs[] = {
            {"info", {cli, "info", f.path}},
            {"scan", {cli, "scan", "--level", "2", f.folder}},
            {"save", {cli, "set", "--level", "2", "--title", "Neu", f.path}},
        };
        for (const auto& r : runs) {
            const long peak = PeakKiB(r.argv, state, (dir / "peak").string());
            std::printf("%-30s %-10s %9ld KiB %9ld KiB %s\n", f.name, r.what, peak, bound,
                        peak <= bound ? "" : "over");
        }
    }
    fs::remove_all(dir);
    return 0;
}

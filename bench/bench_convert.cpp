// 1,000 files of 4 MB with a 60 KB cover, as mutagen leaves an ID3v2.4 tag
// (UTF-8 texts, its padding), converted to ID3v2.3: tonzettel-cli convert
// against mutagen's update_to_v23 and save, and kid3-cli's to23, when
// installed. Each tool runs as one process on a fresh copy of the same
// files; time and the bytes it passed to write calls per file are printed.
//
//   build/bin/bench_convert [FOLDER] [--rounds N] [--files N]
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/BenchTree.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFileSize = 4 << 20;
constexpr size_t kPicture = 60 * 1024;

// Rewrites each file's tag as mutagen writes a 2.4 tag: UTF-8 texts, among
// them a Cyrillic title and two artists.
constexpr const char* kTo24 = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1
for path in sys.argv[1:]:
    tag = ID3(path)
    tag.add(TIT2(encoding=3, text=['Звезда по имени Солнце']))
    tag.add(TPE1(encoding=3, text=['Кино', 'Виктор Цой']))
    for frame in tag.values():
        if hasattr(frame, 'encoding'):
            frame.encoding = 3
    tag.save(path, v2_version=4)
)PY";

constexpr const char* kTo23 = R"PY(
import sys
from mutagen.id3 import ID3
for path in sys.argv[1:]:
    tag = ID3(path)
    tag.update_to_v23()
    tag.save(path, v2_version=3)
)PY";

std::string Python() {
    return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

}  // namespace

int main(int argc, char** argv) {
    int files = 1000;
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--files" && i + 1 < argc) {
            files = std::atoi(argv[++i]);
        } else {
            rest.push_back(argv[i]);
        }
    }
    const BenchArgs args = ParseBenchArgs(static_cast<int>(rest.size()), rest.data(),
                                          fs::temp_directory_path().string(), 1);
    const fs::path dir = fs::path(args.Root) / "tonzettel-bench-convert";
    fs::remove_all(dir);
    fs::create_directories(dir / "state");
    MakeBenchTree((dir / "pristine").string(), files, kFileSize, kPicture);
    std::vector<std::string> relative;
    for (const auto& e : fs::recursive_directory_iterator(dir / "pristine"))
        if (e.is_regular_file())
            relative.push_back(fs::relative(e.path(), dir / "pristine").string());
    std::sort(relative.begin(), relative.end());
    const std::string state = (dir / "state").string();
    const auto over = [&relative](const fs::path& root, std::vector<std::string> argv) {
        for (const auto& r : relative) argv.push_back((root / r).string());
        return argv;
    };
    RunTool(over(dir / "pristine", {Python(), "-c", kTo24}), state);
    std::printf(
        "%zu files of %zu MB with a %zu KB cover, ID3v2.4 as mutagen writes it, converted to "
        "ID3v2.3; median of %d rounds\n",
        relative.size(), kFileSize >> 20, kPicture >> 10, args.Rounds);

    const std::string cli = (fs::path(argv[0]).parent_path() / "tonzettel-cli").string();
    const fs::path work = dir / "work";
    struct Tool {
        const char* name;
        std::vector<std::string> argv;
        std::vector<double> ms;
        long long written = 0;
    };
    std::vector<Tool> tools;
    tools.push_back({"tonzettel-cli convert", over(work, {cli, "convert", "--to", "2.3"}), {}});
    tools.push_back({"mutagen update_to_v23", over(work, {Python(), "-c", kTo23}), {}});
    if (Installed("kid3-cli"))
        tools.push_back({"kid3-cli to23", over(work, {"kid3-cli", "-c", "to23"}), {}});
    for (int r = 0; r < args.Rounds; ++r) {
        for (auto& t : tools) {
            fs::remove_all(work);
            fs::copy(dir / "pristine", work, fs::copy_options::recursive);
            ::sync();
            const Run run = RunTool(t.argv, state);
            t.ms.push_back(run.ms);
            t.written = std::max(t.written, run.written);
        }
    }
    std::printf("%-24s %12s %16s\n", "tool", "ms", "bytes/file");
    for (const auto& t : tools)
        std::printf("%-24s %12.1f %16lld\n", t.name, Median(t.ms),
                    t.written / static_cast<long long>(relative.size()));
    double fastest = 0;
    for (size_t i = 1; i < tools.size(); ++i) {
        const double ms = Median(tools[i].ms);
        if (fastest == 0 || ms < fastest) fastest = ms;
    }
    std::printf("tonzettel-cli convert / faster peer: %.2f (target: at most 0.5)\n",
                Median(tools.front().ms) / fastest);
    fs::remove_all(dir);
    return 0;
}

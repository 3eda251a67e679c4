// One 500 KB JPEG set as front cover on 200 files of 4 MB that have a 60 KB
// cover (each tag must grow), then all pictures removed from them:
// tonzettel-cli cover against kid3-cli and eyeD3 when installed. Each tool
// runs as its own process on a fresh copy of the same files; time and the
// bytes it passed to write calls per file are printed.
//
//   build/bin/bench_cover [FOLDER] [--rounds N]
#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/BenchTree.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr size_t kFileSize = 4 << 20;
constexpr size_t kPicture = 60 * 1024;

// A photo-like JPEG of about 500 KB: noise over a gradient.
std::string MakeJpeg() {
    QImage image(900, 900, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int n = static_cast<int>(random.bounded(64));
            image.setPixel(x, y, qRgb((x / 4 + n) % 256, (y / 4 + n) % 256, (x + y + n) % 256));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    const BenchArgs args = ParseBenchArgs(argc, argv, fs::temp_directory_path().string(), 3);
    const fs::path root = args.Root;
    const int rounds = args.Rounds;
    const fs::path dir = root / "tonzettel-bench-cover";
    fs::remove_all(dir);
    fs::create_directories(dir / "state");
    MakeBenchTree((dir / "pristine").string(), kFiles, kFileSize, kPicture);
    const std::string jpeg = (dir / "cover.jpg").string();
    {
        const std::string bytes = MakeJpeg();
        std::FILE* out = std::fopen(jpeg.c_str(), "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) return 1;
        std::fclose(out);
    }
    std::vector<std::string> relative;
    for (const auto& e : fs::recursive_directory_iterator(dir / "pristine"))
        if (e.is_regular_file())
            relative.push_back(fs::relative(e.path(), dir / "pristine").string());
    std::sort(relative.begin(), relative.end());
    std::printf(
        "%d files of %zu MB with a %zu KB cover; a %ju KB JPEG set as front cover, then "
        "all pictures removed; median of %d rounds\n",
        kFiles, kFileSize >> 20, kPicture >> 10, static_cast<uintmax_t>(fs::file_size(jpeg) >> 10),
        rounds);

    const std::string cli = (fs::path(argv[0]).parent_path() / "tonzettel-cli").string();
    const std::string state = (dir / "state").string();
    const std::string work = (dir / "work").string();
    std::vector<std::string> paths;
    for (const auto& r : relative) paths.push_back(work + "/" + r);
    const auto withFiles = [&paths](std::vector<std::string> args) {
        args.insert(args.end(), paths.begin(), paths.end());
        return args;
    };
    struct Tool {
        const char* name;
        std::vector<std::string> set, remove;
        std::vector<double> setMs, removeMs;
        long long setWritten = 0, removeWritten = 0;
    };
    std::vector<Tool> tools;
    tools.push_back({"tonzettel-cli cover",
                     withFiles({cli, "cover", "--set", jpeg}),
                     withFiles({cli, "cover", "--remove"}),
                     {},
                     {}});
    if (Installed("kid3-cli")) {
        tools.push_back({"kid3-cli",
                         withFiles({"kid3-cli", "-c", "set picture:'" + jpeg + "' ''"}),
                         withFiles({"kid3-cli", "-c", "set picture ''"}),
                         {},
                         {}});
    }
    if (Installed("eyeD3")) {
        tools.push_back({"eyeD3",
                         withFiles({"eyeD3", "--quiet", "--add-image", jpeg + ":FRONT_COVER"}),
                         withFiles({"eyeD3", "--quiet", "--remove-all-images"}),
                         {},
                         {}});
    }
    for (int r = 0; r < rounds; ++r) {
        for (auto& t : tools) {
            fs::remove_all(work);
            fs::copy(dir / "pristine", work, fs::copy_options::recursive);
            ::sync();
            const Run set = RunTool(t.set, state);
            ::sync();
            const Run remove = RunTool(t.remove, state);
            t.setMs.push_back(set.ms);
            t.removeMs.push_back(remove.ms);
            t.setWritten = std::max(t.setWritten, set.written);
            t.removeWritten = std::max(t.removeWritten, remove.written);
        }
    }
    std::printf("%-22s %12s %16s %12s %16s\n", "tool", "set ms", "set bytes/file", "remove ms",
                "remove bytes/file");
    for (const auto& t : tools)
        std::printf("%-22s %12.1f %16lld %12.1f %16lld\n", t.name, Median(t.setMs),
                    t.setWritten / kFiles, Median(t.removeMs), t.removeWritten / kFiles);
    double fastest = 0;
    for (size_t i = 1; i < tools.size(); ++i) {
        const double ms = Median(tools[i].setMs);
        if (fastest == 0 || ms < fastest) fastest = ms;
    }
    if (fastest > 0)
        std::printf("tonzettel-cli cover --set / faster peer: %.2f (target: at most 0.5)\n",
                    Median(tools.front().setMs) / fastest);
    fs::remove_all(dir);
    return 0;
}

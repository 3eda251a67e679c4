// Files per second of "tonzettel-cli scan" on a generated tree (warm cache),
// beside the baseline reader on the same tree, and the tool's peak memory on
// that tree and on a larger one. With --cold (as root) also the first scan
// after start-up: the page cache is emptied before every round, and the scan
// and the baseline reader run with and without read-ahead hints, in turns,
// on that tree and on one of 200 files of 4 MB with a 60 KB cover.
//
// With --slow (as root) first a cold scan of 600 files on a disk limited to
// 200 reads a second, beside mutagen and a reader of two ranges a file.
//
//   bench_scan [FILES] [LARGE_FILES] [--cold [ROUNDS]] [--slow [ROUNDS]] [--window N]
//     defaults 10000, 40000, 7 cold and 3 slow rounds and the program's
//     window; LARGE_FILES 0 skips the large tree
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
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

// One walk over the tree with the visitor, read-ahead window ahead.
void Walk(const std::string& tree, FileVisitor visitor, int ahead) {
    Counter c;
    WalkFolder(tree, "*.mp3", visitor, &c, ahead);
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

std::string MakeTree(int count, size_t audioBytes = 0, size_t pictureBytes = 0) {
    std::string tmpl = (fs::temp_directory_path() / "tz-bench-scan-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const auto start = Clock::now();
    MakeBenchTree(tmpl, count, audioBytes, pictureBytes);
    std::printf("tree of %d files written in %.1f s: %s\n", count, Seconds(start), tmpl.c_str());
    return tmpl;
}

// Every file found and each a row, so that no variant measures a broken walk.
void CheckTree(const std::string& tree, int count) {
    Counter check;
    WalkFolder(tree, "*.mp3", Analyse, &check);
    if (check.files != count || check.rows != count) {
        std::fprintf(stderr, "tree check failed: %d files, %d rows\n", check.files, check.rows);
        std::exit(1);
    }
}

bool DropCaches() {
    ::sync();
    std::FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
    if (f == nullptr) return false;
    const bool ok = std::fputs("3\n", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

struct Variant {
    const char* name;
    std::function<void()> run;
    std::vector<double> seconds = {};
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Each round empties the cache before each variant; the variants take turns
// in a rotating order, so a slow spell of the disk does not hit one alone.
void ColdTable(const char* title, int count, int rounds, std::vector<Variant>& variants,
               size_t ratioTo) {
    for (int r = 0; r < rounds; ++r) {
        for (size_t k = 0; k < variants.size(); ++k) {
            Variant& v = variants[(k + static_cast<size_t>(r)) % variants.size()];
            if (!DropCaches()) {
                std::fprintf(stderr, "cannot empty the page cache\n");
                std::exit(1);
            }
            const auto start = Clock::now();
            v.run();
            v.seconds.push_back(Seconds(start));
        }
    }
    std::printf("\n%-46s %9s %9s %11s %8s\n", title, "median s", "best s", "files/s", "ratio");
    const double base = Median(variants[ratioTo].seconds);
    for (const Variant& v : variants) {
        const double median = Median(v.seconds);
        std::printf("%-46s %9.4f %9.4f %11.0f %8.2f\n", v.name, median,
                    *std::min_element(v.seconds.begin(), v.seconds.end()), count / median,
                    median / base);
    }
}

void ColdRun(const std::string& cli, const std::string& tree, int count, int rounds, int window,
             const char* what) {
    const std::string scanCmd = Quote(cli) + " scan " + Quote(tree) + " >/dev/null 2>&1";
    std::vector<Variant> variants = {
        {"baseline reader, with hints", [&] { Walk(tree, Baseline, window); }},
        {"baseline reader, without hints", [&] { Walk(tree, Baseline, 0); }},
        {"scan (walk + analyser + rows), with hints", [&] { Walk(tree, Analyse, window); }},
        {"scan (walk + analyser + rows), without hints", [&] { Walk(tree, Analyse, 0); }},
        {"tonzettel-cli scan > /dev/null", [&] { Shell(scanCmd); }},
    };
    char title[96];
    std::snprintf(title, sizeof title, "cold cache, %s, %d rounds", what, rounds);
    ColdTable(title, count, rounds, variants, 0);
}

// A disk that answers 200 reads a second, as a USB hard disk or a cheap
// stick does: an ext4 image on a loop device, its reads limited by the
// cgroup's I/O throttle (v1 blkio, or v2 io.max). Each tool runs in the
// cgroup after the page cache is emptied; the reads the device served come
// from its statistics.
class SlowDisk {
  public:
    explicit SlowDisk(const std::string& dir) : dir_(dir) {
        const std::string v1 = "/sys/fs/cgroup/blkio";
        const std::string v2 = "/sys/fs/cgroup";
        std::ifstream controllers(v2 + "/cgroup.controllers");
        std::string list((std::istreambuf_iterator<char>(controllers)), {});
        if (fs::exists(v1 + "/blkio.throttle.read_iops_device")) {
            cgroup_ = v1 + "/tz-bench-slow";
        } else if (list.find("io") != std::string::npos) {
            cgroup_ = v2 + "/tz-bench-slow";
            v2_ = true;
        } else {
            why_ = "no cgroup I/O throttle (neither blkio nor io.max)";
            return;
        }
        image_ = dir + "/disk.img";
        mount_ = dir + "/mnt";
        fs::create_directories(mount_);
        if (std::system(("truncate -s 1200M " + Quote(image_) + " && mkfs.ext4 -q -F " +
                         Quote(image_) + " >/dev/null 2>&1")
                            .c_str()) != 0) {
            why_ = "mkfs.ext4 failed";
            return;
        }
        std::FILE* p = ::popen(("losetup -f --show " + Quote(image_)).c_str(), "r");
        char dev[64] = {};
        if (p == nullptr || std::fgets(dev, sizeof dev, p) == nullptr) {
            if (p) ::pclose(p);
            why_ = "no loop device";
            return;
        }
        ::pclose(p);
        loop_ = std::string(dev).substr(0, std::strcspn(dev, "\n"));
        if (std::system(("mount " + Quote(loop_) + " " + Quote(mount_)).c_str()) != 0) {
            why_ = "mount failed";
            return;
        }
        mounted_ = true;
        std::ifstream num("/sys/block/" + fs::path(loop_).filename().string() + "/dev");
        num >> majmin_;
        fs::create_directories(cgroup_);
        std::ofstream limit(cgroup_ + (v2_ ? "/io.max" : "/blkio.throttle.read_iops_device"));
        limit << majmin_ << (v2_ ? " riops=200" : " 200") << "\n";
        limit.close();
        if (!limit) why_ = "the cgroup refused the limit";
    }
    ~SlowDisk() {
        if (mounted_) (void)std::system(("umount " + Quote(mount_)).c_str());
        if (!loop_.empty()) (void)std::system(("losetup -d " + Quote(loop_)).c_str());
        if (!cgroup_.empty()) ::rmdir(cgroup_.c_str());
        fs::remove_all(dir_);
    }
    const std::string& Why() const { return why_; }
    std::string Tree() const { return mount_ + "/tree"; }

    // Runs work in a child inside the cgroup: seconds and device reads.
    std::pair<double, long> Run(const std::function<void()>& work) const {
        if (!DropCaches()) std::exit(1);
        const long before = Reads();
        const auto start = Clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::ofstream(cgroup_ + "/cgroup.procs") << ::getpid() << "\n";
            work();
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {Seconds(start), Reads() - before};
    }

  private:
    long Reads() const {
        std::ifstream stat("/sys/block/" + fs::path(loop_).filename().string() + "/stat");
        long reads = -1;
        stat >> reads;
        return reads;
    }
    std::string dir_, image_, mount_, loop_, cgroup_, majmin_, why_;
    bool v2_ = false, mounted_ = false;
};

// Exactly two ranges a file: the head with the bench tree's 30 KB cover and
// the first audio behind it, and the tail with the ID3v1 block.
bool TwoRanges(void* context, const std::string& folder, const DirEntry& entry) {
    auto& c = *static_cast<Counter*>(context);
    ++c.files;
    c.path.assign(folder).append(entry.Name);
    const int fd = ::open(c.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    static std::vector<char> buf(40 * 1024);
    struct stat st {};
    c.ok = ::pread(fd, buf.data(), buf.size(), 0) > 0 && ::fstat(fd, &st) == 0 &&
           ::pread(fd, buf.data(), 3586, st.st_size > 3586 ? st.st_size - 3586 : 0) > 0 && c.ok;
    ::close(fd);
    return true;
}

void SlowDiskTable(const std::string& cli, int rounds) {
    constexpr int kFiles = 600;
    std::string tmpl = (fs::temp_directory_path() / "tz-bench-slow-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) return;
    SlowDisk disk(tmpl);
    if (!disk.Why().empty()) {
        std::printf("\nslow disk skipped: %s\n", disk.Why().c_str());
        return;
    }
    MakeBenchTree(disk.Tree(), kFiles, 1024 * 1024, 30 * 1024);
    CheckTree(disk.Tree(), kFiles);
    const std::string tree = disk.Tree();
    const bool mutagen = std::system("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") == 0;
    struct Tool {
        const char* name;
        std::function<void()> work;
        std::vector<double> seconds;
        std::vector<double> reads;
    };
    const auto exec = [](std::vector<std::string> argv) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        ::execv(args[0], args.data());
    };
    std::vector<Tool> tools;
    tools.push_back({"tonzettel-cli scan", [&] { exec({cli, "scan", tree}); }, {}, {}});
    tools.push_back({"two ranges a file", [&] { Walk(tree, TwoRanges, 0); }, {}, {}});
    if (mutagen) {
        tools.push_back({"mutagen (tags and stream)",
                         [&] {
                             exec({"/usr/bin/python3", "-c",
                                   "import os,sys,mutagen.mp3\n"
                                   "for d,_,fs in os.walk(sys.argv[1]):\n"
                                   " for f in fs:\n"
                                   "  if f.endswith('.mp3'): mutagen.mp3.MP3(os.path.join(d,f))",
                                   tree});
                         },
                         {},
                         {}});
    }
    for (int r = 0; r < rounds; ++r) {
        for (size_t k = 0; k < tools.size(); ++k) {
            Tool& t = tools[(k + static_cast<size_t>(r)) % tools.size()];
            const auto [seconds, reads] = disk.Run(t.work);
            t.seconds.push_back(seconds);
            t.reads.push_back(static_cast<double>(reads) / kFiles);
        }
    }
    std::printf(
        "\ncold cache, %d files of 1 MB with a 30 KB cover on a disk of 200 reads/s, "
        "median of %d\n%-30s %10s %18s\n",
        kFiles, rounds, "", "seconds", "device reads/file");
    for (const Tool& t : tools)
        std::printf("%-30s %10.2f %18.2f\n", t.name, Median(t.seconds), Median(t.reads));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> numbers;
    int rounds = 0;
    int window = kReadAheadFiles;
    int slowRounds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--slow") == 0) {
            slowRounds = 3;
            if (i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0])))
                slowRounds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--cold") == 0) {
            rounds = 7;
            if (i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0])))
                rounds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--window") == 0 && i + 1 < argc) {
            window = std::atoi(argv[++i]);
        } else {
            numbers.push_back(std::atoi(argv[i]));
        }
    }
    const int count = numbers.size() > 0 ? numbers[0] : 10000;
    const int large = numbers.size() > 1 ? numbers[1] : 40000;
    const std::string cli = (fs::canonical("/proc/self/exe").parent_path() / "tonzettel-cli");
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "tonzettel-cli not found beside the benchmark: %s\n", cli.c_str());
        return 1;
    }
    if ((rounds > 0 || slowRounds > 0) && ::geteuid() != 0) {
        std::printf("not root: the page cache cannot be emptied, so only warm figures\n");
        rounds = slowRounds = 0;
    }
    if (slowRounds > 0) SlowDiskTable(cli, slowRounds);
    std::printf("read-ahead window: %d files\n", window);

    const std::string tree = MakeTree(count);
    CheckTree(tree, count);

    const double baseline = Best([&] { Walk(tree, Baseline, 0); });
    const double baselineHinted = Best([&] { Walk(tree, Baseline, window); });
    const double inProcess = Best([&] { Walk(tree, Analyse, window); });
    const double inProcessPlain = Best([&] { Walk(tree, Analyse, 0); });
    const std::string scanCmd = Quote(cli) + " scan " + Quote(tree) + " >/dev/null 2>&1";
    const double tool = Best([&] { Shell(scanCmd); });

    std::printf("\n%-46s %10s %12s %8s\n", "warm cache, best of 5", "seconds", "files/s", "ratio");
    const auto line = [&](const char* what, double s) {
        std::printf("%-46s %10.4f %12.0f %8.2f\n", what, s, count / s, s / baseline);
    };
    line("baseline: walk + open, read ranges, close", baseline);
    line("baseline with hints", baselineHinted);
    line("walk + analyser + row builder, with hints", inProcess);
    line("walk + analyser + row builder, without hints", inProcessPlain);
    line("tonzettel-cli scan > /dev/null", tool);

    if (rounds > 0) {
        ColdRun(cli, tree, count, rounds, window, "small files");
        constexpr int kBigFiles = 200;
        const std::string big = MakeTree(kBigFiles, 4 * 1024 * 1024, 60 * 1024);
        CheckTree(big, kBigFiles);
        ColdRun(cli, big, kBigFiles, rounds, window, "4 MB files with a 60 KB cover");
        fs::remove_all(big);
    }

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

// Year and album on 200 files of 4 MB with a 60 KB cover, as mutagen leaves
// them (its padding), three edits: an album of the same length, "Album" ->
// "Ein neues Album" and "Album" -> "X" (the frames behind the album move).
// tonzettel-cli set against mid3v2, mid3v2 followed by sync (what making its
// edit durable costs) and kid3-cli when installed, and against the floor, a
// minimal writer that reads each tag, journals the changed and moved bytes
// once for all files, writes them in place and flushes once. Each tool runs
// as its own process, in turns, on the same files; time and the bytes it
// passed to write calls per file are printed.
// Then the bytes one year edit of one such file writes, journal included.
//
//   build/bin/bench_save [FOLDER] [--rounds N] [--keep]
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/BenchTree.h"
#include "ops/EditOps.h"
#include "ops/History.h"
#include "ops/SaveRun.h"
#include "tags/PosixFile.h"
#include "tags/WritePath.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr size_t kFileSize = 4 << 20;
constexpr size_t kPicture = 60 * 1024;

uint32_t FrameSize(const std::string& tag, size_t pos, bool v4) {
    const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(tag[i])); };
    return v4 ? (b(pos + 4) << 21) | (b(pos + 5) << 14) | (b(pos + 6) << 7) | b(pos + 7)
              : (b(pos + 4) << 24) | (b(pos + 5) << 16) | (b(pos + 6) << 8) | b(pos + 7);
}

void PutFrameSize(std::string& tag, size_t pos, uint32_t size, bool v4) {
    for (int i = 0; i < 4; ++i) {
        const int shift = (3 - i) * (v4 ? 7 : 8);
        tag[pos + 4 + static_cast<size_t>(i)] =
            static_cast<char>((size >> shift) & (v4 ? 0x7F : 0xFF));
    }
}

// The tag with the first frame named id holding text (its encoding byte
// kept; the text is ASCII), the frames behind it moved, the padding taking
// up the difference. False where the frame is missing or the room too small.
bool WithText(std::string& tag, const char* id, const std::string& text) {
    const bool v4 = tag[3] == 4;
    size_t pos = 10;
    while (pos + 10 <= tag.size() && tag[pos] >= 'A' && tag[pos] <= 'Z') {
        const uint32_t size = FrameSize(tag, pos, v4);
        if (tag.compare(pos, 4, id) != 0) {
            pos += 10 + size;
            continue;
        }
        size_t end = pos;  // of the frames
        while (end + 10 <= tag.size() && tag[end] >= 'A' && tag[end] <= 'Z')
            end += 10 + FrameSize(tag, end, v4);
        std::string frame = tag.substr(pos, 11) + text;
        PutFrameSize(frame, 0, static_cast<uint32_t>(text.size() + 1), v4);
        std::string out =
            tag.substr(0, pos) + frame + tag.substr(pos + 10 + size, end - pos - 10 - size);
        if (out.size() > tag.size()) return false;
        out.resize(tag.size(), '\0');
        tag.swap(out);
        return true;
    }
    return false;
}

// The floor: the least a journaled in-place save of these two fields does:
// the tag read, the changed and moved bytes once into the journal and once
// into the file, one flush for all files.
Run Floor(const std::vector<std::string>& paths, const std::string& year, const std::string& album,
          const std::string& journalPath) {
    const auto start = std::chrono::steady_clock::now();
    struct Write {
        int fd;
        size_t at;
        std::string bytes;
    };
    std::vector<Write> writes;
    std::string journal;
    for (const auto& p : paths) {
        const int fd = ::open(p.c_str(), O_RDWR | O_CLOEXEC);
        char header[10];
        if (fd < 0 || ::pread(fd, header, 10, 0) != 10) std::exit(1);
        const size_t room =
            10 + ((static_cast<size_t>(header[6]) << 21) | (static_cast<size_t>(header[7]) << 14) |
                  (static_cast<size_t>(header[8]) << 7) | header[9]);
        std::string tag(room, '\0');
        if (::pread(fd, tag.data(), room, 0) != static_cast<ssize_t>(room)) std::exit(1);
        std::string edited = tag;
        if (!WithText(edited, tag[3] == 4 ? "TDRC" : "TYER", year) ||
            !WithText(edited, "TALB", album))
            std::exit(1);
        size_t first = 0, last = tag.size();
        while (first < last && tag[first] == edited[first]) ++first;
        while (last > first && tag[last - 1] == edited[last - 1]) --last;
        if (first == last) continue;
        writes.push_back({fd, first, edited.substr(first, last - first)});
        journal += writes.back().bytes;
    }
    const int j = ::open(journalPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    long long written = static_cast<long long>(journal.size());
    if (::pwrite(j, journal.data(), journal.size(), 0) < 0 || ::fdatasync(j) != 0) std::exit(1);
    for (const auto& w : writes) {
        if (::pwrite(w.fd, w.bytes.data(), w.bytes.size(), static_cast<off_t>(w.at)) < 0)
            std::exit(1);
        written += static_cast<long long>(w.bytes.size());
    }
    if (!writes.empty()) ::syncfs(writes.front().fd);
    if (::ftruncate(j, 0) != 0 || ::fdatasync(j) != 0) std::exit(1);
    ::close(j);
    int last = -1;
    for (const auto& w : writes)
        if (w.fd != last) ::close(last = w.fd);
    Run run;
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.written = written;
    return run;
}

long long WrittenPerFile(const std::vector<Run>& runs) {
    long long most = 0;
    for (const auto& r : runs) most = std::max(most, r.written);
    return most / kFiles;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root = fs::temp_directory_path();
    int rounds = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0) {
            keep = true;
        } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else {
            root = argv[i];
        }
    }
    const fs::path dir = root / "tonzettel-bench-save";
    fs::remove_all(dir);
    fs::create_directories(dir / "state");
    MakeBenchTree((dir / "tree").string(), kFiles, kFileSize, kPicture);
    std::vector<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(dir / "tree"))
        if (e.is_regular_file()) paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());

    // As mutagen leaves them: its own layout of the tag, and its padding.
    const bool mutagen = std::system("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") == 0;
    if (mutagen) {
        std::string script =
            "/usr/bin/python3 -c 'import sys\nfrom mutagen.id3 import ID3\n"
            "for p in sys.argv[1:]: ID3(p).save()'";
        for (const auto& p : paths) script += " '" + p + "'";
        if (std::system(script.c_str()) != 0) return 1;
    }
    std::printf("%d files of %zu MB with a %zu KB cover, %s; median of %d rounds\n", kFiles,
                kFileSize >> 20, kPicture >> 10,
                mutagen ? "saved by mutagen (its padding)" : "the tree's own padding", rounds);

    const std::string cli = (fs::path(argv[0]).parent_path() / "tonzettel-cli").string();
    const std::string state = (dir / "state").string();
    const auto withFiles = [&paths](std::vector<std::string> args) {
        args.insert(args.end(), paths.begin(), paths.end());
        return args;
    };
    const auto year = [](int round, int tool) { return std::to_string(1900 + round * 10 + tool); };
    const auto synced = [](Run run) {
        const auto start = std::chrono::steady_clock::now();
        ::sync();
        run.ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        return run;
    };
    // The album each edit sets; empty: one of the year's length, so that
    // every round keeps the length ("T1990" for "T1980").
    struct Edit {
        const char* name;
        const char* album;
    };
    const Edit edits[] = {{"same length", ""},
                          {"\"Album\" -> \"Ein neues Album\"", "Ein neues Album"},
                          {"\"Album\" -> \"X\"", "X"}};
    for (const Edit& edit : edits) {
        const bool sameLength = *edit.album == '\0';
        const auto albumOf = [&](int r, int tool) {
            return sameLength ? "T" + year(r, tool) : std::string(edit.album);
        };
        struct Tool {
            const char* name;
            std::function<Run(int round)> run;
            std::vector<double> ms;
            std::vector<Run> runs;
        };
        std::vector<Tool> tools;
        const auto add = [&tools](const char* name, std::function<Run(int)> run) {
            tools.push_back({name, std::move(run), {}, {}});
        };
        add("tonzettel-cli set", [&](int r) {
            return RunTool(withFiles({cli, "set", "--level", "2", "--year", year(r, 0), "--album",
                                      albumOf(r, 0)}),
                           state);
        });
        if (Installed("mid3v2")) {
            add("mid3v2", [&](int r) {
                return RunTool(withFiles({"mid3v2", "-y", year(r, 1), "-A", albumOf(r, 1)}), state);
            });
            add("mid3v2 + sync", [&](int r) {
                return synced(
                    RunTool(withFiles({"mid3v2", "-y", year(r, 2), "-A", albumOf(r, 2)}), state));
            });
        }
        if (Installed("kid3-cli")) {
            add("kid3-cli", [&](int r) {
                return RunTool(withFiles({"kid3-cli", "-c", "set date " + year(r, 3), "-c",
                                          "set album '" + albumOf(r, 3) + "'"}),
                               state);
            });
        }
        add("floor", [&](int r) {
            return Floor(paths, year(r, 4), albumOf(r, 4),
                         (dir / "state" / "floor-journal").string());
        });
        for (int r = 0; r < rounds + 1; ++r) {
            for (auto& t : tools) {
                // Each length-changing edit starts from "Album", set in place.
                if (!sameLength)
                    RunTool(withFiles({cli, "set", "--level", "2", "--album", "Album"}), state);
                // Each starts with nothing of another's waiting to be written.
                ::sync();
                const Run run = t.run(r);
                if (r == 0) continue;  // warms the page cache and gives every tool its layout
                t.ms.push_back(run.ms);
                t.runs.push_back(run);
            }
        }
        const double floor = Median(tools.back().ms);
        double mid3v2 = 0, mid3v2Synced = 0;
        for (const auto& t : tools) {
            if (std::string(t.name) == "mid3v2") mid3v2 = Median(t.ms);
            if (std::string(t.name) == "mid3v2 + sync") mid3v2Synced = Median(t.ms);
        }
        std::printf("\nyear and album, %s\n%-20s %10s %12s %16s\n", edit.name, "", "time",
                    "x floor", "bytes per file");
        for (const auto& t : tools) {
            std::printf("%-20s %8.1f ms %11.2fx %16lld\n", t.name, Median(t.ms),
                        Median(t.ms) / floor, WrittenPerFile(t.runs));
        }
        const double ours = Median(tools.front().ms);
        if (sameLength) {
            if (mid3v2 > 0)
                std::printf("tonzettel-cli set / mid3v2: %.2f (target: at most 0.25)\n",
                            ours / mid3v2);
            std::printf("tonzettel-cli set / floor: %.2f (target: at most 2)\n", ours / floor);
        } else {
            if (mid3v2Synced > 0) {
                std::printf("tonzettel-cli set / (mid3v2 + sync): %.2f (target: at most 0.6)\n",
                            ours / mid3v2Synced);
            }
            std::printf("tonzettel-cli set / floor: %.2f (target: at most 1.5)\n", ours / floor);
        }
    }

    // One year edit of one file, in this process: all it writes, journal included.
    writepath::SetStateFolder(state);
    for (const char* y : {"1999", "2023"}) {
        const long long before = WrittenOf("/proc/self/io");
        {
            SaveRun run;
            WriteTagFields(run, paths.front(), 2, {{TagField::Year, y}}, [](const SaveOutcome&) {});
        }
        std::printf(
            "year edit to %s of one file: %lld bytes written, journal included "
            "(target: at most 65536)\n",
            y, WrittenOf("/proc/self/io") - before);
    }
    if (!keep) fs::remove_all(dir);
    return 0;
}

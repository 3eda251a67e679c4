// "tonzettel-cli rename" on 10,000 files against a loop of plain rename()
// calls over the same number of files in the same run: the loop reads no
// tags, so it is the limit. Target: at most 3 times the loop's time.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTree.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFiles = 10000;
constexpr int kRounds = 3;
const char* const kPattern = "%Track% - %Titel%";

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Runs the program with the arguments, as a shell would, but without one.
double RunSeconds(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "tonzettel-cli rename failed (%d)\n", status);
    return seconds;
}

// The name the pattern gives a bench file: "NN - Titel I.mp3".
std::string NewName(const fs::path& file) {
    const int i = std::stoi(file.filename().string().substr(0, 5));
    char name[48];
    std::snprintf(name, sizeof name, "%02d - Titel %d.mp3", i % 99 + 1, i);
    return (file.parent_path() / name).string();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::string cli = (fs::canonical("/proc/self/exe").parent_path() / "tonzettel-cli");
    char folderTemplate[] = "/tmp/tonzettel-bench-rename-XXXXXX";
    const std::string root = mkdtemp(folderTemplate);
    MakeBenchTree(root + "/cli", kFiles);
    MakeBenchTree(root + "/loop", kFiles);
    const std::vector<std::string> cliFiles = FilesBelow(root + "/cli");
    const std::vector<std::string> loopFiles = FilesBelow(root + "/loop");
    std::vector<std::string> loopTargets;
    for (const auto& f : loopFiles) loopTargets.push_back(NewName(f));

    std::vector<double> cliTimes, loopTimes;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::string> args = {cli, "rename", "--pattern", kPattern};
        args.insert(args.end(), cliFiles.begin(), cliFiles.end());
        cliTimes.push_back(RunSeconds(args));

        const auto start = Clock::now();
        for (size_t i = 0; i < loopFiles.size(); ++i)
            std::rename(loopFiles[i].c_str(), loopTargets[i].c_str());
        loopTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());

        // Back to the old names for the next round (not timed).
        for (size_t i = 0; i < cliFiles.size(); ++i) {
            std::rename(NewName(cliFiles[i]).c_str(), cliFiles[i].c_str());
            std::rename(loopTargets[i].c_str(), loopFiles[i].c_str());
        }
    }
    fs::remove_all(root);

    const double cliSeconds = Median(cliTimes), loopSeconds = Median(loopTimes);
    std::printf("files: %d, median of %d rounds, warm cache\n", kFiles, kRounds);
    std::printf("tonzettel-cli rename --pattern \"%s\": %8.1f ms\n", kPattern, cliSeconds * 1e3);
    std::printf("loop of rename() (reads no tags):      %8.1f ms\n", loopSeconds * 1e3);
    std::printf("tonzettel-cli rename / loop: %.2f (target: at most 3)\n",
                cliSeconds / loopSeconds);
    return 0;
}

#pragma once

// What the benchmarks that race other tools share: a tool run as a child
// process, timed, with the bytes it passed to write calls, and the median.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Run {
    double ms = 0;
    long long written = 0;  // bytes passed to write calls
};

inline long long WrittenOf(const std::string& ioFile) {
    std::ifstream in(ioFile);
    std::string key;
    long long value = 0;
    while (in >> key >> value)
        if (key == "wchar:") return value;
    return -1;
}

// Runs argv as a child and reads its write count before it is reaped.
inline Run RunTool(const std::vector<std::string>& argv, const std::string& stateHome) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    Run run;
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.written = WrittenOf("/proc/" + std::to_string(pid) + "/io");
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0].c_str());
        std::exit(1);
    }
    return run;
}

inline bool Installed(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// "[FOLDER] [--rounds N]": where the bench builds its tree, and how often.
struct BenchArgs {
    std::string Root;
    int Rounds;
};
inline BenchArgs ParseBenchArgs(int argc, char** argv, const std::string& root, int rounds) {
    BenchArgs args{root, rounds};
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--rounds" && i + 1 < argc) {
            args.Rounds = std::atoi(argv[++i]);
        } else {
            args.Root = argv[i];
        }
    }
    return args;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

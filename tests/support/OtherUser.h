#pragma once

// Work done as another user (nobody) where the tests run as root, so that
// permissions and ownership really apply.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "tags/WritePath.h"

constexpr uid_t kNobody = 65534;

// Runs work in a child process as nobody, with its journal in state (a
// folder of nobody's); the result is the child's exit code. Without root,
// work runs here.
inline int AsOtherUser(const std::function<int()>& work, const std::string& state = {}) {
    if (::geteuid() != 0) return work();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(99);
        if (!state.empty()) writepath::SetStateFolder(state);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

// A folder for nobody's journal: made, and given to nobody where we are root.
inline std::string FolderOfOtherUser(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    if (::geteuid() == 0) (void)!::chown(path.c_str(), kNobody, kNobody);
    return path;
}

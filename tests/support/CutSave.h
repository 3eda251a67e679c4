#pragma once

// A save cut short by a crash right after its journal entry became durable:
// the save runs in a child process that ends there, so the journal (and a
// buffer, for a tag that grows) stays in the state folder, made by the real
// write path, and the file is as it was.

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tags/WritePath.h"

inline void CutAfterJournal(const std::string& state, const std::function<void()>& save) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        writepath::SetStateFolder(state);
        writepath::SetStepHook([&state](const writepath::Step& step) {
            std::error_code ec;
            if (step.Kind == writepath::StepKind::Sync && step.Path.starts_with(state) &&
                step.Path.find(".buf-") == std::string::npos &&
                std::filesystem::file_size(step.Path, ec) > 0) {
                ::_exit(9);
            }
        });
        save();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << "the save was not cut";
}

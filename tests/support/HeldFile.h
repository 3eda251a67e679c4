#pragma once

// A file another program has open and locked while the object lives, as the
// write path finds a file a player or a tagger is busy with.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

class HeldFile {
  public:
    explicit HeldFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~HeldFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    // Whether the lock was taken; a test asserts it before it relies on it.
    bool Held() const { return held_; }

  private:
    int fd_;
    bool held_ = false;
};

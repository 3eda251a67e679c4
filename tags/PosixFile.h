#pragma once

// A file descriptor that closes itself, and full reads and writes that retry
// on interruption and short transfers. Linux only, like the rest of tags/.
// Callers open with O_NONBLOCK so that a pipe or device under an ".mp3" name
// cannot hang the program in open(); on regular files it changes nothing.

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <utility>

class PosixFile {
  public:
    PosixFile() = default;
    explicit PosixFile(int fd) : fd_(fd) {}
    PosixFile(const std::string& path, int flags, mode_t mode = 0)
        : fd_(::open(path.c_str(), flags | O_CLOEXEC, mode)) {}
    ~PosixFile() { Close(); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    PosixFile(PosixFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    PosixFile& operator=(PosixFile&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // False when close reports an error (a delayed write failure, for one).
    bool Close() {
        if (fd_ < 0) return true;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

    // Bytes read at offset until count or end of file; -1 on error.
    ssize_t ReadAt(void* buffer, size_t count, off_t offset) const {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, count - done,
                                      offset + static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (n == 0) break;
            done += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(done);
    }

    bool WriteAllAt(const void* buffer, size_t count, off_t offset) const {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = ::pwrite(fd_, static_cast<const char*>(buffer) + done, count - done,
                                       offset + static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

  private:
    int fd_ = -1;
};

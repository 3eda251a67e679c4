#pragma once

// The file behind a fuzz input: every input becomes the whole content of one
// file that the readers open by path.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tags/Messages.h"

namespace fuzz {

// The file behind the input: created once, unlinked at once (libFuzzer ends
// without running exit handlers), and reached by the readers through /proc.
struct InputFile {
    int fd = -1;
    std::string path;
};

inline const InputFile& Input() {
    static const InputFile file = [] {
        // Memory-backed when possible: the inputs come by the hundred thousand.
        std::string name = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/tz-fuzz-input-XXXXXX"
                                                           : "/tmp/tz-fuzz-input-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) std::abort();
        ::unlink(name.c_str());
        return InputFile{fd, "/proc/self/fd/" + std::to_string(fd)};
    }();
    return file;
}

inline void WriteInput(const uint8_t* data, size_t size) {
    // Overwrite, then cut to length: truncating to zero first would make some
    // file systems flush on close.
    const int fd = Input().fd;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) std::abort();
}

// Writes the input and returns the path the readers open; the tag code's
// message for unreadable files stays silent.
inline const std::string& InputPath(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        SetMessageHandler([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    WriteInput(data, size);
    return Input().path;
}

}  // namespace fuzz

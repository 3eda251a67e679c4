#pragma once

// The least work a file analysis can do: open the file, read the bytes the
// analyser looks at (the first 10 bytes, one window behind the ID3v2 tag and
// the last window plus the ID3v1 tag) and close it. Benchmarks print the
// analyser's rate beside this one. Plain system calls, like the tag readers.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

inline bool BaselineRead(const std::string& path) {
    constexpr off_t kWindow = 3458;
    constexpr off_t kTail = kWindow + 128;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::array<unsigned char, kTail> buf{};
    bool ok = ::pread(fd, buf.data(), 10, 0) == 10;
    off_t tagSize = 0;
    if (ok && buf[0] == 'I' && buf[1] == 'D' && buf[2] == '3') {
        tagSize = ((off_t{buf[6]} & 0x7F) << 21 | (off_t{buf[7]} & 0x7F) << 14 |
                   (off_t{buf[8]} & 0x7F) << 7 | (off_t{buf[9]} & 0x7F)) +
                  10;
    }
    ok = ok && ::pread(fd, buf.data(), kWindow, tagSize) >= 0;
    struct stat st {};
    ok = ok && ::fstat(fd, &st) == 0;
    ok = ok && ::pread(fd, buf.data(), kTail, st.st_size > kTail ? st.st_size - kTail : 0) >= 0;
    ::close(fd);
    return ok;
}

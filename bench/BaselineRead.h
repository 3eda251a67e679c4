#pragma once

// The least work a file analysis can do: open the file, read the bytes the
// analyser looks at (the first 10 bytes, one window behind the ID3v2 tag and
// the last window plus the ID3v1 tag) and close it. Benchmarks print the
// analyser's rate beside this one.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

inline bool BaselineRead(const std::string& path) {
    constexpr long kWindow = 3458;
    constexpr long kTail = kWindow + 128;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    // Unbuffered, so each read is one system call of exactly the bytes asked for.
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::array<unsigned char, kTail> buf{};
    bool ok = std::fread(buf.data(), 1, 10, f) == 10;
    long tagSize = 0;
    if (ok && buf[0] == 'I' && buf[1] == 'D' && buf[2] == '3') {
        tagSize = ((buf[6] & 0x7FL) << 21 | (buf[7] & 0x7FL) << 14 | (buf[8] & 0x7FL) << 7 |
                   (buf[9] & 0x7FL)) +
                  10;
    }
    ok = ok && std::fseek(f, tagSize, SEEK_SET) == 0;
    ok = ok && std::fread(buf.data(), 1, kWindow, f) > 0;
    ok = ok && std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, size > kTail ? size - kTail : 0, SEEK_SET) == 0;
    ok = ok && std::fread(buf.data(), 1, kTail, f) > 0;
    std::fclose(f);
    return ok;
}

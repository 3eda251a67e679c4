// libFuzzer target for the ID3v1 and ID3v2 readers: each input becomes the
// whole content of a file that both readers then read.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/Messages.h"

namespace {

// The file behind the input: created once, unlinked at once (libFuzzer ends
// without running exit handlers), and reached by the readers through /proc.
struct InputFile {
    int fd = -1;
    std::string path;
};

const InputFile& Input() {
    static const InputFile file = [] {
        // Memory-backed when possible: the inputs come by the hundred thousand.
        std::string name = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/tz-fuzz-tags-XXXXXX"
                                                           : "/tmp/tz-fuzz-tags-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) std::abort();
        ::unlink(name.c_str());
        return InputFile{fd, "/proc/self/fd/" + std::to_string(fd)};
    }();
    return file;
}

void WriteInput(const uint8_t* data, size_t size) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        SetMessageHandler([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    WriteInput(data, size);

    TID3v1 tag1;
    if (tag1.ReadFromFile(Input().path)) {
        if (tag1.Title().size() > 30 || tag1.Year().size() > 4 || tag1.Comment().size() > 30) {
            std::abort();
        }
        (void)tag1.Genre();
    }
    TID3v2 tag2;
    if (tag2.ReadFromFile(Input().path)) {
        if (tag2.Size() < 0 || static_cast<size_t>(tag2.Size()) > size) std::abort();
        if (tag2.Title().size() > id3v2::kMaxFrameData) std::abort();
    }

    // The text routines on their own, with the input as frame data.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view frame = bytes.substr(0, id3v2::kMaxFrameData);
    (void)id3v2::DecodeFrameData("COMM", frame);
    (void)id3v2::DecodeFrameData("TIT2", frame);
    (void)id3v2::ExtractTrack(std::string(frame));
    (void)id3v2::ExtractGenre(std::string(frame));
    return 0;
}

// libFuzzer target for the ID3v1 and ID3v2 readers: each input becomes the
// whole content of a file that both readers then read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzInput.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::InputPath(data, size);

    TID3v1 tag1;
    if (tag1.ReadFromFile(path)) {
        if (tag1.Title().size() > 30 || tag1.Year().size() > 4 || tag1.Comment().size() > 30) {
            std::abort();
        }
        (void)tag1.Genre();
    }
    TID3v2 tag2;
    if (tag2.ReadFromFile(path)) {
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

#include "ops/TagAccess.h"

#include "tags/MPEGaudio.h"
#include "tags/Text.h"

std::string Id3v1SetterInput(std::string_view text) {
    constexpr size_t kLimit = 255;
    size_t pos = 0;
    for (size_t count = 0; count < kLimit && pos < text.size(); ++count)
        (void)NextCodePoint(text, pos);
    return std::string(text.substr(0, pos));
}

std::optional<FileOutcome> LoadFailure(TMPEGaudio& audio, const std::string& path) {
    audio.ReadFromFile(path);
    if (audio.Frame().Found) return std::nullopt;
    // The caller names an unreadable file: a run gathers them into one message.
    return audio.Unreadable() ? FileOutcome::Unreadable : FileOutcome::NoFrame;
}

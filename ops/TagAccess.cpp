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

MessageWatch::MessageWatch() {
    previous_ = SetMessageHandler([this](const std::string& text) {
        ++count_;
        if (previous_) previous_(text);
    });
}

MessageWatch::~MessageWatch() {
    SetMessageHandler(previous_);
}

std::optional<FileOutcome> LoadFailure(TMPEGaudio& audio, const std::string& path) {
    // The analyser's result mixes a failed tag read with a file too short for
    // the audio windows; only the tag read's own message tells them apart.
    MessageWatch watch;
    audio.ReadFromFile(path);
    if (audio.Frame().Found) return std::nullopt;
    return watch.Count() > 0 ? FileOutcome::Unreadable : FileOutcome::NoFrame;
}

#include "ops/TagOps.h"

#include "tags/ID3v1.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

uint8_t GenreIndexOf(std::string_view text) {
    for (size_t i = 0; i < GenreNames.size(); ++i) {
        if (GenreNames[i] == text) return static_cast<uint8_t>(i);
    }
    return 255;
}

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

LoadResult LoadFileTags(TMPEGaudio& audio, const std::string& path) {
    // The analyser's result mixes a failed tag read with a file too short for
    // the audio windows; only the tag read's own message tells them apart.
    MessageWatch watch;
    audio.ReadFromFile(path);
    if (audio.Frame().Found) return LoadResult::Ok;
    return watch.Count() > 0 ? LoadResult::Unreadable : LoadResult::NoFrame;
}

std::string FailedSavesText(const std::vector<std::string>& paths) {
    std::string text = "Folgende Dateien konnten nicht gespeichert werden:";
    for (const auto& p : paths) text += "\n" + p;
    return text;
}

#include "ops/TagOps.h"

#include "tags/ID3v1.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// The number of "17" or "(17)" when it is in the table.
std::optional<uint8_t> TableNumber(std::string_view text) {
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = text.substr(1, text.size() - 2);
    return GenreNumberOf(text);
}

}  // namespace

uint8_t GenreEntryOf(std::string_view text) {
    for (size_t i = 0; i < GenreNames.size(); ++i) {
        if (GenreNames[i] == text) return static_cast<uint8_t>(i);
    }
    return 255;
}

uint8_t GenreIndexOf(std::string_view text) {
    for (size_t i = 0; i < GenreNames.size(); ++i) {
        if (EqualsIgnoringAsciiCase(GenreNames[i], text)) return static_cast<uint8_t>(i);
    }
    return TableNumber(text).value_or(255);
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

std::optional<FileOutcome> LoadFailure(TMPEGaudio& audio, const std::string& path) {
    // The analyser's result mixes a failed tag read with a file too short for
    // the audio windows; only the tag read's own message tells them apart.
    MessageWatch watch;
    audio.ReadFromFile(path);
    if (audio.Frame().Found) return std::nullopt;
    return watch.Count() > 0 ? FileOutcome::Unreadable : FileOutcome::NoFrame;
}

SaveOutcome OutcomeOf(const writepath::FilePlan& plan) {
    if (plan.Why == writepath::Failure::None) return {};
    return {FileOutcome::SaveFailed, plan.Why};
}

std::string_view FieldName(TagField field) {
    static constexpr std::array<std::string_view, AllTagFields.size()> kNames = {
        "Interpret", "Album", "Titel", "Jahr", "Genre", "Kommentar"};
    return kNames[static_cast<size_t>(field)];
}

std::string PathWithReason(const std::string& path, writepath::Failure why) {
    if (why == writepath::Failure::None) return ReadablePath(path);
    return ReadablePath(path) + ": " + writepath::FailureText(why);
}

void RunReport::AddKept(const std::string& path, const std::vector<TagField>& fields) {
    if (fields.empty()) return;
    std::string line = ReadablePath(path) + ":";
    for (size_t i = 0; i < fields.size(); ++i) (line += i ? ", " : " ") += FieldName(fields[i]);
    kept_.push_back(std::move(line));
}

void RunReport::Add(const std::string& path, const SaveOutcome& outcome) {
    Add(outcome.Outcome == FileOutcome::SaveFailed ? PathWithReason(path, outcome.Why) : path,
        outcome.Outcome);
}

void RunReport::Add(const std::string& path, FileOutcome outcome) {
    switch (outcome) {
        case FileOutcome::Written:
        case FileOutcome::Unreadable:
            return;
        case FileOutcome::NoSourceTag:
            noSourceTag_.push_back(path);
            return;
        case FileOutcome::NoFrame:
        case FileOutcome::SaveFailed:
            notSaved_.push_back(path);
            return;
    }
}

void AppendPathSection(std::string& text, std::string_view heading,
                       const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += heading;
    for (const auto& p : paths) {
        text += '\n';
        text += ReadablePath(p);
    }
}

std::string RunReport::Text() const {
    std::string text;
    AppendPathSection(text, "Folgende Dateien konnten nicht gespeichert werden:", notSaved_);
    AppendPathSection(text,
                      sourceLevel_ == 2
                          ? "Folgende Dateien haben kein ID3v2-Tag und bleiben unverändert:"
                          : "Folgende Dateien haben kein ID3v1-Tag und bleiben unverändert:",
                      noSourceTag_);
    AppendPathSection(text,
                      sourceLevel_ == 2
                          ? "Folgende Dateien behalten Felder ihres ID3v1-Tags, weil das "
                            "ID3v2-Tag dafür nichts enthält:"
                          : "Folgende Dateien behalten Felder ihres ID3v2-Tags, weil sie mehr "
                            "enthalten, als das ID3v1-Tag hält:",
                      kept_);
    return text;
}

std::string ReadablePath(const std::string& path) {
    return ReadableName(path);
}

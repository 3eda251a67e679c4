#include "ops/ConvertOps.h"

#include <array>

#include "ops/History.h"
#include "ops/TagAccess.h"
#include "tags/MPEGaudio.h"
#include "tags/Text.h"

SplitResult SplitFileName(std::string_view name, std::string_view separator) {
    SplitResult result;
    if (separator.empty()) return result;
    const size_t p = name.find(separator);
    if (p == std::string_view::npos) return result;
    result.Found = true;
    result.First = TrimBlanks(name.substr(0, p), true);
    result.Second = TrimBlanks(name.substr(p + separator.size()), true);
    return result;
}

std::string CutExtension(std::string_view fileName) {
    const size_t p = fileName.find_last_of(".\\:/");
    if (p == std::string_view::npos || fileName[p] != '.') return std::string(fileName);
    return std::string(fileName.substr(0, p));
}

std::string_view SeparatorOfItem(int item) {
    static constexpr std::array<std::string_view, 4> kSeparators = {"-", "_", "_-_", " "};
    if (item < 0 || item >= static_cast<int>(kSeparators.size())) return kSeparators[0];
    return kSeparators[static_cast<size_t>(item)];
}

NameFields FieldsFromFileName(std::string_view fileName, std::string_view separator,
                              NameOrder order) {
    const std::string name = ReadableName(fileName);
    const SplitResult split = SplitFileName(CutExtension(name), separator);
    NameFields fields;
    fields.Found = split.Found;
    if (!split.Found) return fields;
    if (order == NameOrder::ArtistTitle) {
        fields.Artist = split.First;
        fields.Title = split.Second;
    } else {
        fields.Artist = split.Second;
        fields.Title = split.First;
    }
    return fields;
}

void WriteArtistTitle(SaveRun& run, TMPEGaudio& audio, const std::string& path, int level,
                      const std::string& artist, const std::string& title,
                      const std::function<void(const SaveOutcome&)>& done) {
    if (const auto failure = LoadFailure(audio, path)) return done({*failure});
    writepath::TagChange change;
    if (level == 1) {
        TID3v1& tag = audio.Tag1();
        tag.SetArtist(Id3v1SetterInput(artist));
        tag.SetTitle(Id3v1SetterInput(title));
        change = tag.Change(path);
    } else {
        TID3v2& tag = audio.Tag2();
        tag.SetArtist(artist);
        tag.SetTitle(title);
        change = tag.Change(path);
    }
    run.Add(std::move(change), [done](const writepath::FilePlan& plan) { done(OutcomeOf(plan)); });
}

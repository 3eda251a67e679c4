#include "ops/ConvertOps.h"

#include <array>

#include "ops/TagOps.h"
#include "tags/MPEGaudio.h"

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace

SplitResult SplitFileName(std::string_view name, std::string_view separator) {
    SplitResult result;
    if (separator.empty()) return result;
    const size_t p = name.find(separator);
    if (p == std::string_view::npos) return result;
    result.Found = true;
    result.First = Trim(name.substr(0, p));
    result.Second = Trim(name.substr(p + separator.size()));
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
    const SplitResult split = SplitFileName(CutExtension(fileName), separator);
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

FileWork WriteArtistTitle(TMPEGaudio& audio, const std::string& path, int level,
                          const std::string& artist, const std::string& title) {
    switch (LoadFileTags(audio, path)) {
        case LoadResult::Unreadable:
            return FileWork::Unreadable;
        case LoadResult::NoFrame:
            return FileWork::NoFrame;
        case LoadResult::Ok:
            break;
    }
    bool saved = false;
    if (level == 1) {
        TID3v1& tag = audio.Tag1();
        tag.SetArtist(Id3v1SetterInput(artist));
        tag.SetTitle(Id3v1SetterInput(title));
        saved = tag.SaveToFile(path);
    } else {
        TID3v2& tag = audio.Tag2();
        tag.SetArtist(artist);
        tag.SetTitle(title);
        saved = tag.SaveToFile(path);
    }
    return saved ? FileWork::Written : FileWork::SaveFailed;
}

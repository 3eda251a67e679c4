#include "ops/TransferOps.h"

#include "ops/TagOps.h"
#include "tags/MPEGaudio.h"

namespace {

template <typename Tag>
TagCells CellsOf(const Tag& tag) {
    return {tag.Artist(), tag.Album(), tag.Title(), tag.Year(), tag.Genre(), tag.Comment()};
}

bool Load(TMPEGaudio& audio, const std::string& path, TransferResult& result) {
    switch (LoadFileTags(audio, path)) {
        case LoadResult::Unreadable:
            result.Status = FileWork::Unreadable;
            return false;
        case LoadResult::NoFrame:
            result.Status = FileWork::NoFrame;
            return false;
        case LoadResult::Ok:
            break;
    }
    return true;
}

// Saves the target tag; on success the result carries its new cells.
template <typename Tag>
TransferResult Save(Tag& to, const std::string& path, TransferResult result) {
    if (!to.SaveToFile(path)) {
        result.Status = FileWork::SaveFailed;
        return result;
    }
    result.Status = FileWork::Written;
    result.Cells = CellsOf(to);
    return result;
}

}  // namespace

TransferResult TransferLevel1To2(TMPEGaudio& audio, const std::string& path) {
    TransferResult result;
    if (!Load(audio, path, result)) return result;
    const TID3v1& from = audio.Tag1();
    TID3v2& to = audio.Tag2();
    to.SetArtist(from.Artist());
    to.SetAlbum(from.Album());
    to.SetTitle(from.Title());
    to.SetYear(from.Year());
    to.SetGenre(from.Genre());
    to.SetComment(from.Comment());
    return Save(to, path, result);
}

TransferResult TransferLevel2To1(TMPEGaudio& audio, const std::string& path) {
    TransferResult result;
    if (!Load(audio, path, result)) return result;
    const TID3v2& from = audio.Tag2();
    TID3v1& to = audio.Tag1();
    to.SetArtist(Id3v1SetterInput(from.Artist()));
    to.SetAlbum(Id3v1SetterInput(from.Album()));
    to.SetTitle(Id3v1SetterInput(from.Title()));
    to.SetYear(Id3v1SetterInput(from.Year()));
    to.SetGenreID(GenreIndexOf(from.Genre()));
    to.SetComment(Id3v1SetterInput(from.Comment()));
    return Save(to, path, result);
}

#include "tags/ID3v1.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "tags/CachedFile.h"
#include "tags/PosixFile.h"
#include "tags/TagArea.h"
#include "tags/Text.h"
#include "tags/WritePath.h"

namespace id3v1 {
namespace {

bool HasMarker(const TagRecord& tag) {
    return tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

std::string FieldText(const TagRecord& tag, size_t offset, size_t length) {
    return AnsiToUtf8(TrimAndCut(
        std::string(reinterpret_cast<const char*>(tag.data()) + offset, length), length));
}

void PutField(TagRecord& tag, size_t offset, size_t length, const std::string& value) {
    const std::string bytes = Utf8ToAnsi(value);
    std::memcpy(tag.data() + offset, bytes.data(), std::min(length, bytes.size()));
}

}  // namespace

std::string TrimAndCut(const std::string& value, size_t maxLength) {
    return TrimBlanks(value).substr(0, maxLength);
}

bool ReadTag(CachedFile& file, TagRecord& tag) {
    if (!file.IsOpen() || !file.IsRegular() || file.Size() < static_cast<int64_t>(kId3v1Size)) {
        return false;
    }
    TagRecord block{};
    if (file.ReadAt(block.data(), kId3v1Size, file.Size() - static_cast<int64_t>(kId3v1Size)) !=
        static_cast<ssize_t>(kId3v1Size)) {
        return false;
    }
    tag = block;
    return true;
}

bool ReadTag(const std::string& fileName, TagRecord& tag) {
    CachedFile file(fileName);
    return ReadTag(file, tag);
}

uint8_t GetTagVersion(const TagRecord& tag) {
    const uint8_t b125 = tag[125], b126 = tag[126];
    if ((b125 == 0 && b126 != 0) || (b125 == ' ' && b126 != ' ')) return 2;
    return 1;
}

bool DeleteTag(const std::string& fileName) {
    return writepath::SaveChange({fileName, {}, writepath::BlockChange::Remove}).Why ==
           writepath::Failure::None;
}

bool SaveTag(const std::string& fileName, const TagRecord& tag, bool overwriteLast) {
    using writepath::BlockChange;
    return writepath::SaveChange(
               {fileName, {}, overwriteLast ? BlockChange::PutOverTag : BlockChange::Put, tag})
               .Why == writepath::Failure::None;
}

std::string FieldValue(const std::string& utf8, size_t maxLength) {
    return AnsiToUtf8(TrimAndCut(Utf8ToAnsi(utf8), maxLength));
}

}  // namespace id3v1

TID3v1::TID3v1() {
    ResetData();
}

void TID3v1::ResetData() {
    exists_ = false;
    unreadable_ = false;
    versionID_ = 1;
    texts_ = {};
    track_ = 0;
    genreID_ = 255;
}

bool TID3v1::ReadFromFile(const std::string& fileName) {
    CachedFile file(fileName);
    return ReadFromOpenFile(file);
}

bool TID3v1::ReadFromOpenFile(CachedFile& file) {
    using namespace id3v1;
    ResetData();
    TagRecord tag{};
    if (!ReadTag(file, tag)) {
        file.Close();
        unreadable_ = true;
        return false;
    }
    if (!HasMarker(tag)) return true;
    exists_ = true;
    versionID_ = GetTagVersion(tag);
    for (const FieldInfo& f : TagFields) {
        if (f.Field == TagField::Genre) continue;
        // A version 1.1 block gives the comment's last two bytes to the track.
        const bool track = f.Field == TagField::Comment && versionID_ != 1;
        texts_[f.Field] = FieldText(tag, f.Id3v1Offset, f.Id3v1Room - (track ? 2 : 0));
    }
    if (versionID_ != 1) track_ = tag[126];
    genreID_ = tag[127];
    return true;
}

bool TID3v1::RemoveFromFile(const std::string& fileName) {
    using namespace id3v1;
    TagRecord tag{};
    if (!ReadTag(fileName, tag)) return false;
    if (!HasMarker(tag)) return true;
    return DeleteTag(fileName);
}

bool TID3v1::SaveToFile(const std::string& fileName) {
    return SaveChange(fileName) == writepath::Failure::None;
}

writepath::TagChange TID3v1::Change(const std::string& fileName) const {
    using namespace id3v1;
    // An old block is overwritten in place, a missing one appended.
    writepath::TagChange change{fileName, {}, writepath::BlockChange::Put, {}};
    TagRecord& tag = change.NewBlock;
    tag[0] = 'T';
    tag[1] = 'A';
    tag[2] = 'G';
    for (const FieldInfo& f : TagFields)
        if (f.Field != TagField::Genre) PutField(tag, f.Id3v1Offset, f.Id3v1Room, texts_[f.Field]);
    if (track_ > 0) {
        tag[125] = 0;
        tag[126] = track_;
    }
    tag[127] = genreID_;
    return change;
}

writepath::Failure TID3v1::SaveChange(const std::string& fileName) const {
    id3v1::TagRecord old{};
    if (!id3v1::ReadTag(fileName, old)) return writepath::Failure::TooShort;
    return writepath::SaveChange(Change(fileName)).Why;
}

void TID3v1::SetText(TagField field, const std::string& value) {
    if (field == TagField::Genre) return;
    texts_[field] = id3v1::FieldValue(value, InfoOf(field).Id3v1Room);
}
void TID3v1::SetTitle(const std::string& value) {
    SetText(TagField::Title, value);
}
void TID3v1::SetArtist(const std::string& value) {
    SetText(TagField::Artist, value);
}
void TID3v1::SetAlbum(const std::string& value) {
    SetText(TagField::Album, value);
}
void TID3v1::SetYear(const std::string& value) {
    SetText(TagField::Year, value);
}
void TID3v1::SetComment(const std::string& value) {
    SetText(TagField::Comment, value);
}

std::string TID3v1::Genre() const {
    return genreID_ < GenreNames.size() ? std::string(GenreNames[genreID_]) : std::string();
}

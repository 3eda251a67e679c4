#include "tags/ID3v2.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <span>

#include "tags/ByteOrder.h"
#include "tags/CachedFile.h"
#include "tags/PosixFile.h"
#include "tags/Text.h"
#include "tags/WritePath.h"

namespace id3v2 {
namespace {

// Reads from a tag held in memory; offsets count from its start.
auto MemoryReader(std::string_view bytes) {
    return [bytes](void* out, size_t count, size_t offset) -> ssize_t {
        if (offset >= bytes.size()) return 0;
        const size_t n = std::min(count, bytes.size() - offset);
        std::memcpy(out, bytes.data() + offset, n);
        return static_cast<ssize_t>(n);
    };
}

// Four capitals or digits, the first a capital: the id of a frame.
bool IsFrameId(std::string_view id) {
    if (id.size() != 4 || id[0] < 'A' || id[0] > 'Z') return false;
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// Bytes of the extended header at the start of the frame area (all of it
// when the header is cut off).
template <typename Read>
size_t ExtendedHeaderSize(const TagInfo& tag, const Read& read, size_t begin, size_t end) {
    if (tag.Version < 3 || !(tag.Flags & kFlagExtendedHeader)) return 0;
    uint8_t bytes[4];
    if (end - begin < 4 || read(bytes, 4, begin) != 4) return end - begin;
    // Some taggers set the flag without writing the header: a frame id
    // where the size should be can be no size that fits, so the frames
    // start right here.
    if (IsFrameId(std::string_view(reinterpret_cast<const char*>(bytes), 4))) return 0;
    // 2.3 counts the bytes behind the size field, 2.4 the whole header.
    const uint64_t size = tag.Version == 3 ? uint64_t{*ReadBigEndian32(bytes)} + 4
                                           : uint64_t{*ReadSynchsafe32(bytes)};
    return static_cast<size_t>(std::min<uint64_t>(size, end - begin));
}

int FieldOfId(uint8_t version, std::string_view id) {
    // Every field's id is a text frame's or the comment's: most frames go here.
    if (id.empty() || (id[0] != 'T' && id[0] != 'C')) return -1;
    const auto& ids = FrameIDs(version);
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == id) return static_cast<int>(i);
    }
    return -1;
}

// Walks the frames of [begin, end) in read's offsets: stores the texts of
// the seven fields' frames (reading only their data) and the ids of the
// others, and, when frames is given, every frame's place.
template <typename Read>
void WalkFrames(const Read& read, TagInfo& tag, size_t begin, size_t end,
                std::vector<FrameRef>* frames, bool otherIds = true) {
    const uint8_t version = tag.Version;
    const size_t headerSize = FrameHeaderSize(version);
    const bool tagUnsync = version == 4 && (tag.Flags & kFlagUnsync);
    size_t pos = begin;
    while (pos + headerSize <= end) {
        char header[10];
        if (read(header, headerSize, pos) != static_cast<ssize_t>(headerSize)) break;
        const auto info = ParseFrameHeader(version, std::string_view(header, headerSize));
        if (!info) break;
        const size_t dataStart = pos + headerSize;
        // A frame's text ends where the tag ends.
        const bool complete = info->Size <= end - dataStart;
        const size_t count = complete ? info->Size : end - dataStart;
        int field = FieldOfId(version, info->Id);
        if (field >= 0) {
            std::string data(count, '\0');
            if (read(data.data(), count, dataStart) != static_cast<ssize_t>(count)) break;
            const auto content = FrameContent(version, info->Flags, tagUnsync, std::move(data));
            if (field != FieldComment) {
                tag.Frame[field] = content ? DecodeTextFrame(*content) : std::string();
                tag.Found[field] = true;
            } else if (!content) {
                field = -1;  // compressed or encrypted: whose comment it is stays unknown
            } else if (CommentFrame comment = DecodeCommentFrame(*content);
                       !comment.Description.empty()) {
                field = -1;  // a player's note, not the comment
            } else if (!tag.Found[FieldComment]) {
                tag.Frame[FieldComment] = std::move(comment.Text);
                tag.CommentLanguage = std::move(comment.Language);
                tag.Found[FieldComment] = true;
            }
        }
        if (field < 0 && otherIds) {
            if (!tag.OtherIDs.empty()) tag.OtherIDs += ' ';
            tag.OtherIDs += info->Id;
        }
        if (frames) {
            // A whole frame of no field joins the one before it, when that
            // is one too.
            if (field < 0 && complete && !frames->empty() && frames->back().FieldIndex < 0 &&
                frames->back().Complete && frames->back().End == pos) {
                frames->back().End = dataStart + count;
            } else {
                frames->push_back({pos, dataStart + count, complete, field});
            }
        }
        if (!complete) break;
        pos = dataStart + info->Size;
    }
}

}  // namespace

bool HasReadableFrames(const TagInfo& tag) {
    if (!IsId3(tag) || !IsKnownVersion(tag.Version) || GetTagSize(tag) == 0) return false;
    return !(tag.Version == 2 && (tag.Flags & kFlagExtendedHeader));  // 2.2: compressed
}

void ReadFrames(CachedFile& file, TagInfo& tag, size_t readBehind) {
    if (!file.IsOpen() || !HasReadableFrames(tag)) return;
    const size_t areaEnd = AreaEnd(tag);
    // A piece read for a frame also holds the frames behind it, up to the
    // tag's end (and readBehind bytes more).
    const int64_t pieceEnd = GetTagSize(tag) + static_cast<int64_t>(readBehind);
    const auto fileRead = [&file, pieceEnd](void* out, size_t count, size_t offset) {
        const auto at = static_cast<int64_t>(offset);
        const auto chunk = static_cast<size_t>(std::clamp<int64_t>(pieceEnd - at, 0, kTagChunk));
        return file.ReadAt(out, count, at, chunk);
    };
    if (tag.Version < 4 && (tag.Flags & kFlagUnsync)) {
        // The frame sizes count the bytes with the unsynchronisation undone,
        // so the whole frame area is read and decoded first.
        std::string raw(areaEnd - kHeaderSize, '\0');
        if (fileRead(raw.data(), raw.size(), kHeaderSize) != static_cast<ssize_t>(raw.size()))
            return;
        const std::string body = RemoveUnsync(raw);
        const auto read = MemoryReader(body);
        WalkFrames(read, tag, ExtendedHeaderSize(tag, read, 0, body.size()), body.size(), nullptr);
        return;
    }
    WalkFrames(fileRead, tag, kHeaderSize + ExtendedHeaderSize(tag, fileRead, kHeaderSize, areaEnd),
               areaEnd, nullptr);
}

bool ParseTag(std::string_view tagBytes, TagInfo header, ParsedTag& parsed, bool withOtherIds) {
    if (!HasReadableFrames(header) || tagBytes.size() < AreaEnd(header)) return false;
    const std::string_view raw = tagBytes.substr(kHeaderSize, AreaEnd(header) - kHeaderSize);
    if (header.Version < 4 && (header.Flags & kFlagUnsync)) {
        parsed.Undone = RemoveUnsync(raw);
        parsed.Body = parsed.Undone;
    } else {
        parsed.Undone.clear();
        parsed.Body = raw;
    }
    parsed.Info = std::move(header);
    parsed.Frames.clear();
    const auto read = MemoryReader(parsed.Body);
    parsed.FramesBegin = ExtendedHeaderSize(parsed.Info, read, 0, parsed.Body.size());
    WalkFrames(read, parsed.Info, parsed.FramesBegin, parsed.Body.size(), &parsed.Frames,
               withOtherIds);
    return true;
}

FieldValues ValuesOf(const TagInfo& tag) {
    const uint8_t v = tag.Version;
    FieldValues values;
    for (const FieldInfo& f : TagFields)
        values.Texts[f.Field] = TextValue(v, f.Id3v2, tag.Frame[f.Id3v2]);
    values.Track = TrackValue(v, tag.Frame[FieldTrack]);
    return values;
}

namespace {

// Sets the size field of the frame at offset at, which runs to the end of
// frames, to the data it holds.
void SetFrameSize(uint8_t version, std::string& frames, size_t at) {
    const size_t header = FrameHeaderSize(version);
    const auto size = static_cast<uint32_t>(frames.size() - at - header);
    uint8_t bytes[4];
    if (version == 2) {
        for (int i = 0; i < 3; ++i) frames[at + 3 + i] = static_cast<char>(size >> (16 - 8 * i));
        return;
    }
    if (version == 4) {
        WriteSynchsafe32(size, bytes);
    } else {
        WriteBigEndian32(size, bytes);
    }
    std::memcpy(frames.data() + at + 4, bytes, 4);
}

// The style of a frame of the body, when its data stands plain (no
// compression, encryption, grouping or unsynchronisation of its own).
TextStyle StyleOf(uint8_t version, std::string_view body, const FrameRef& f) {
    const size_t header = FrameHeaderSize(version);
    if (!f.Complete || f.End - f.Start < header) return {};
    if (version != 2 && body[f.Start + 9] != 0) return {};
    return StyleOfFrameData(
        std::string_view(body).substr(f.Start + header, f.End - f.Start - header));
}

}  // namespace

std::optional<std::string> ComposeTag(const FieldValues& values, const ParsedTag* old) {
    std::string tag;
    if (!ComposeTagInto(values, old, tag)) return std::nullopt;
    return tag;
}

bool ComposeTagInto(const FieldValues& values, const ParsedTag* old, std::string& body) {
    const uint8_t version = old ? old->Info.Version : 3;
    const FieldValues before = old ? ValuesOf(old->Info) : FieldValues{};
    // In 2.4 the tag's unsynchronisation flag covers the frames kept; new
    // ones are written to match it.
    const bool unsync = old && version == 4 && (old->Info.Flags & kFlagUnsync);
    const std::string track = values.Track > 0 ? std::to_string(values.Track) : std::string();
    std::array<const std::string*, FieldCount> texts{};
    std::array<bool, FieldCount> same{};
    for (const FieldInfo& f : TagFields) {
        texts[f.Id3v2] = &values.Texts[f.Field];
        same[f.Id3v2] = values.Texts[f.Field] == before.Texts[f.Field];
    }
    texts[FieldTrack] = &track;
    same[FieldTrack] = values.Track == before.Track;

    // An unchanged field keeps its frames as they stand, unless one of them
    // is cut off by the end of the tag.
    std::array<bool, FieldCount> keep{};
    for (int field = 0; field < FieldCount; ++field) {
        keep[field] =
            same[field] && old &&
            std::none_of(old->Frames.begin(), old->Frames.end(), [field](const FrameRef& f) {
                return f.FieldIndex == field && !f.Complete;
            });
    }
    // The tag is built in one string, the header first and filled in last;
    // room for the old tag's whole area up front spares the copies of a
    // growing string (a tag is mostly a picture) and of the padding after.
    body.assign(kHeaderSize, '\0');
    body.reserve(kHeaderSize + (old ? old->Body.size() + kFooterSize : 0) + 1024);
    bool tooLarge = false;
    const auto newFrame = [&](int field, TextStyle style) {
        const std::string& text = *texts[field];
        if (text.empty()) return;
        const std::string language =
            old && old->Info.CommentLanguage.size() == 3 ? old->Info.CommentLanguage : "eng";
        const std::string data = field == FieldComment
                                     ? EncodeCommentFrame(version, language, text, style)
                                     : EncodeTextFrame(version, text, style);
        const auto frame = BuildFrame(version, FrameIDs(version)[field], data, unsync);
        if (frame) {
            body += *frame;
        } else {
            tooLarge = true;
        }
    };
    // Every frame keeps its place, so an edit moves no other frame: a changed
    // field's new frame stands where its first frame stood.
    std::array<bool, FieldCount> placed{};
    if (old) {
        for (const FrameRef& f : old->Frames) {
            if (f.FieldIndex < 0 || keep[f.FieldIndex]) {
                // A frame cut off by the tag's end keeps what there is of it.
                const size_t at = body.size();
                body.append(old->Body.substr(f.Start, f.End - f.Start));
                if (!f.Complete) SetFrameSize(version, body, at);
            } else if (!placed[f.FieldIndex]) {
                placed[f.FieldIndex] = true;
                newFrame(f.FieldIndex, StyleOf(version, old->Body, f));
            }
        }
    }
    // Fields the tag had no frame for follow the others.
    for (int field = 0; field < FieldCount; ++field)
        if (!placed[field] && !keep[field]) newFrame(field, {});
    if (tooLarge || body.size() - kHeaderSize >= kMaxTagBody) return false;
    body.replace(0, 3, "ID3");
    body[3] = static_cast<char>(version);
    body[4] = '\0';
    // A flag for an extended header that the tag never had stays as the
    // tagger set it, so a save changes no byte the user did not change.
    const bool flagWithoutHeader = old && version >= 3 && (old->Info.Flags & kFlagExtendedHeader) &&
                                   !old->Frames.empty() && old->Frames.front().Start == 0;
    body[5] = static_cast<char>((unsync ? kFlagUnsync : 0) |
                                (flagWithoutHeader ? kFlagExtendedHeader : 0));
    uint8_t size[4];
    WriteSynchsafe32(static_cast<uint32_t>(body.size() - kHeaderSize), size);
    std::memcpy(body.data() + 6, size, 4);
    return true;
}

void FitTag(std::string& tag, int64_t room) {
    const auto size = static_cast<int64_t>(tag.size());
    const int64_t target = size <= room ? room : writepath::GrownRoom(room, size);
    if (target - static_cast<int64_t>(kHeaderSize) >= static_cast<int64_t>(kMaxTagBody)) return;
    uint8_t sizeBytes[4];
    WriteSynchsafe32(static_cast<uint32_t>(target - static_cast<int64_t>(kHeaderSize)), sizeBytes);
    std::memcpy(tag.data() + 6, sizeBytes, 4);
    tag.resize(static_cast<size_t>(target), '\0');
}

writepath::HeadComposer HeadOf(TagComposer compose, bool pad) {
    return [compose = std::move(compose), pad](std::string_view oldHead, const TagInfo& header,
                                               std::string& tag) {
        ParsedTag parsed;
        const bool hasOld = HasReadableFrames(header) && ParseTag(oldHead, header, parsed);
        if (!compose(hasOld ? &parsed : nullptr, tag)) return false;
        if (pad) FitTag(tag, static_cast<int64_t>(oldHead.size()));
        return true;
    };
}

bool RebuildFile(const std::string& fileName, const TagComposer& compose) {
    return writepath::SaveChange({fileName, HeadOf(compose, true)}).Why == writepath::Failure::None;
}

bool RebuildFile(const std::string& fileName, const std::string& newTag) {
    const auto exactly = [&newTag](const ParsedTag*, std::string& tag) {
        tag = newTag;
        return true;
    };
    return writepath::SaveChange({fileName, HeadOf(exactly, false)}).Why ==
           writepath::Failure::None;
}

}  // namespace id3v2

TID3v2::TID3v2() {
    ResetData();
}

std::vector<std::string> TID3v2::OtherFrameIDs() const {
    std::vector<std::string> ids;
    for (size_t start = 0; start < otherFrameIDs_.size();) {
        const size_t end = std::min(otherFrameIDs_.find(' ', start), otherFrameIDs_.size());
        ids.push_back(otherFrameIDs_.substr(start, end - start));
        start = end + 1;
    }
    return ids;
}

void TID3v2::ResetData() {
    exists_ = false;
    readable_ = false;
    versionID_ = 0;
    size_ = 0;
    values_ = {};
    otherFrameIDs_.clear();
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    CachedFile file(fileName);
    return ReadFromOpenFile(file);
}

bool TID3v2::ReadFromOpenFile(CachedFile& file, size_t readBehind) {
    using namespace id3v2;
    ResetData();
    TagInfo tag;
    if (!ReadHeader(file, tag)) return false;
    if (!IsId3(tag)) return true;
    exists_ = true;
    versionID_ = tag.Version;
    size_ = GetTagSize(tag);
    if (HasReadableFrames(tag)) {
        readable_ = true;
        ReadFrames(file, tag, readBehind);
        values_ = ValuesOf(tag);
        otherFrameIDs_ = std::move(tag.OtherIDs);
    }
    return true;
}

bool TID3v2::SaveToFile(const std::string& fileName) {
    return SaveChange(fileName) == writepath::Failure::None;
}

writepath::Failure TID3v2::SaveChange(const std::string& fileName) const {
    return writepath::SaveChange(Change(fileName)).Why;
}

writepath::TagChange TID3v2::Change(const std::string& fileName) const {
    using namespace id3v2;
    return {fileName, HeadOf(
                          [values = values_](const ParsedTag* old, std::string& tag) {
                              return ComposeTagInto(values, old, tag);
                          },
                          true)};
}

namespace {

// Texts are stored as they will be written: valid UTF-8 without trailing blanks.
std::string SetterValue(const std::string& value) {
    return ValidUtf8(TrimBlanks(value));
}

}  // namespace

void TID3v2::SetText(TagField field, const std::string& value) {
    values_.Texts[field] = SetterValue(value);
}

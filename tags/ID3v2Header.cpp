#include "tags/ID3v2Header.h"

#include <cstring>

#include "tags/ByteOrder.h"
#include "tags/CachedFile.h"

namespace id3v2 {

size_t AreaEnd(const TagInfo& tag) {
    return kHeaderSize + *ReadSynchsafe32(tag.Size);
}

void FillHeader(TagInfo& tag, const uint8_t* bytes) {
    std::memcpy(tag.ID.data(), bytes, 3);
    tag.Version = bytes[3];
    tag.Revision = bytes[4];
    tag.Flags = bytes[5];
    std::memcpy(tag.Size.data(), bytes + 6, 4);
}

TagInfo HeaderOfTag(std::string_view tagBytes) {
    TagInfo tag;
    if (tagBytes.size() < kHeaderSize) return tag;
    FillHeader(tag, reinterpret_cast<const uint8_t*>(tagBytes.data()));
    tag.FileSize = static_cast<int64_t>(tagBytes.size());
    if (ClaimsFooter(tag)) {
        const uint64_t at = FooterOffset(tag);
        SettleFooter(tag, at < tagBytes.size() ? tagBytes.substr(at, 3) : std::string_view());
    }
    return tag;
}

bool ReadHeader(CachedFile& file, TagInfo& tag) {
    if (!file.IsOpen() || !file.IsRegular()) return false;
    uint8_t bytes[kHeaderSize] = {};
    if (file.ReadAt(bytes, kHeaderSize, 0) != static_cast<ssize_t>(kHeaderSize)) return false;
    FillHeader(tag, bytes);
    tag.FileSize = file.Size();
    if (ClaimsFooter(tag)) {
        char found[3] = {};
        const ssize_t n = file.ReadAt(found, 3, static_cast<int64_t>(FooterOffset(tag)));
        SettleFooter(tag, std::string_view(found, n > 0 ? static_cast<size_t>(n) : 0));
    }
    return true;
}

bool ClaimsFooter(const TagInfo& tag) {
    return IsId3(tag) && tag.Version == 4 && (tag.Flags & kFlagFooter);
}

uint64_t FooterOffset(const TagInfo& tag) {
    return AreaEnd(tag);
}

void SettleFooter(TagInfo& tag, std::string_view found) {
    if (found != "3DI") tag.Flags &= static_cast<uint8_t>(~kFlagFooter);
}

bool ReadHeader(const std::string& fileName, TagInfo& tag) {
    CachedFile file(fileName);
    return ReadHeader(file, tag);
}

bool IsId3(const TagInfo& tag) {
    return std::memcmp(tag.ID.data(), "ID3", 3) == 0;
}

int32_t GetTagSize(const TagInfo& tag) {
    const bool footer = tag.Version == 4 && (tag.Flags & kFlagFooter);
    const int64_t size = static_cast<int64_t>(AreaEnd(tag) + (footer ? kFooterSize : 0));
    return size > tag.FileSize ? 0 : static_cast<int32_t>(size);
}

}  // namespace id3v2
